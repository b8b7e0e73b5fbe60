// Builds the downsampler's stripes (down_stripes.h): the tables are laid
// out here, group by group, in the order the kernel reads them.
#include "kernels/layout/down_stripes.h"

#include <algorithm>
#include <limits>

#include "common/aligned_array.h"

namespace velumor {

namespace {

int StrideOf(int outputs, int lanes) { return (outputs + lanes - 1) / lanes; }

// A lane's offset is the least distance from lane 0 over the groups; a lane
// without outputs repeats the last lane that has some. False for positions
// that move backwards (only clamped or wrapped ones), which get no stripes.
bool FindLaneOffsets(const int* base, int outputs, int stride, int lanes, int* offset) {
    for (int lane = 0; lane < lanes; ++lane) {
        if (lane * stride >= outputs) {
            offset[lane] = offset[lane - 1];
            continue;
        }
        int least = std::numeric_limits<int>::max();
        for (int j = 0; j < stride && j + lane * stride < outputs; ++j) {
            least = std::min(least, base[j + lane * stride] - base[j]);
        }
        if (least < 0) return false;
        offset[lane] = least;
    }
    return true;
}

// A group reads rows groupRow .. groupRow + taps + 1 (the upper sum's last
// tap on a shifted lane), the rows running on to a multiple of the lanes.
std::int64_t RowsFor(int lastRow, int taps, int lanes) {
    return RoundUp(std::int64_t{lastRow} + taps + 2, lanes);
}

// Lane i of the transposed rows reads Work[first + laneOffset[i] ..
// first + laneOffset[i] + rows - 1].
std::int64_t ReachOf(int first, const int* offset, int lanes, std::int64_t rows) {
    return std::int64_t{first} + *std::max_element(offset, offset + lanes) + rows;
}

std::int64_t ReachWithLanes(const int* baseIndex, int outputLength, int taps, int lanes) {
    const int* base = baseIndex + 1;
    const int outputs = outputLength - 1;
    const int stride = StrideOf(outputs, lanes);
    int offset[DownStripes::kMostLanes] = {};
    if (!FindLaneOffsets(base, outputs, stride, lanes, offset)) return 0;
    const int lastRow = *std::max_element(base, base + stride) - base[0];
    return ReachOf(base[0], offset, lanes, RowsFor(std::max(lastRow, 0), taps, lanes));
}

}  // namespace

std::int64_t DownStripesWorkReach(const int* baseIndex, int outputLength, int taps) {
    if (outputLength < 2) return 0;
    std::int64_t reach = 0;
    for (const int lanes : {2, 4, 8}) {
        reach = std::max(reach, ReachWithLanes(baseIndex, outputLength, taps, lanes));
    }
    return reach;
}

std::unique_ptr<DownStripes> MakeDownStripes(const int* baseIndex, const float* upperWeight,
                                             const float* lowerWeight, int outputLength, int taps,
                                             std::int64_t workCapacity, int lanes) {
    // A frame whose tables would not be counted in bytes by an int keeps the
    // scalar kernel rather than failing to construct.
    constexpr std::int64_t kMostBytes = std::numeric_limits<int>::max() / 2;
    if (lanes < 1 || lanes > DownStripes::kMostLanes) return nullptr;
    if (outputLength < 2 || std::int64_t{outputLength} * 8 > kMostBytes) return nullptr;
    auto s = std::make_unique<DownStripes>();
    const int* base = baseIndex + 1;
    s->lanes = lanes;
    s->outputs = outputLength - 1;
    s->stride = StrideOf(s->outputs, lanes);
    s->groupsRounded = static_cast<int>(RoundUp(s->stride, lanes));
    s->first = base[0];
    const auto valid = [&](int j, int lane) { return j + lane * s->stride < s->outputs; };
    if (!FindLaneOffsets(base, s->outputs, s->stride, lanes, s->laneOffset)) return nullptr;

    s->groupRow = NewAlignedZeroedArray<int>(s->stride);
    s->groupBlendMask = NewAlignedZeroedArray<std::uint8_t>(s->stride);
    s->upperWeight = NewAlignedZeroedArray<float>(std::int64_t{s->stride} * lanes);
    s->lowerWeight = NewAlignedZeroedArray<float>(std::int64_t{s->stride} * lanes);
    int lastRow = 0;
    for (int j = 0; j < s->stride; ++j) {
        s->groupRow.data[j] = base[j] - s->first;
        if (s->groupRow.data[j] < 0) return nullptr;
        lastRow = std::max(lastRow, s->groupRow.data[j]);
        unsigned shift = 0;
        for (int lane = 0; lane < lanes; ++lane) {
            if (!valid(j, lane)) continue;
            const int output = j + lane * s->stride;
            const int extra = base[output] - base[j] - s->laneOffset[lane];
            if (extra > 1) return nullptr;
            shift |= static_cast<unsigned>(extra) << lane;
            // The weights of the frame's output 1 + output.
            s->upperWeight.data[j * lanes + lane] = upperWeight[1 + output];
            s->lowerWeight.data[j * lanes + lane] = lowerWeight[1 + output];
        }
        s->groupBlendMask.data[j] = static_cast<std::uint8_t>(shift);
    }
    const std::int64_t rows = RowsFor(lastRow, taps, lanes);
    if (rows * lanes * std::int64_t{sizeof(double)} > kMostBytes) return nullptr;
    if (ReachOf(s->first, s->laneOffset, lanes, rows) > workCapacity) return nullptr;
    s->rows = static_cast<int>(rows);
    s->coefficients = NewAlignedZeroedArray<double>(taps);
    s->transposedWork = NewAlignedZeroedArray<double>(rows * lanes);
    s->results = NewAlignedZeroedArray<short>(std::int64_t{s->groupsRounded} * lanes);
    return s;
}

}  // namespace velumor
