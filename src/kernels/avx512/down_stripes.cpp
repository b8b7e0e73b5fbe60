// Builds the AVX-512 downsampler's stripes (down_stripes.h): the tables are
// laid out here, group by group, in the order the kernel reads them.
#include "kernels/avx512/down_stripes.h"

#include <algorithm>
#include <limits>

#include "common/aligned_array.h"

namespace velumor {

namespace {

constexpr int kLanes = DownStripes::kLanes;

int StrideOf(int outputs) { return (outputs + kLanes - 1) / kLanes; }

// A lane's offset is the least distance from lane 0 over the groups; a lane
// without outputs repeats the last lane that has some. False for positions
// that move backwards (only clamped or wrapped ones), which get no stripes.
bool FindLaneOffsets(const int* base, int outputs, int stride, int (&offset)[kLanes]) {
    for (int lane = 0; lane < kLanes; ++lane) {
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
// tap on a shifted lane), the rows running on to a multiple of 8.
std::int64_t RowsFor(int lastRow, int taps) { return RoundUp(std::int64_t{lastRow} + taps + 2, kLanes); }

// Lane i of the transposed rows reads Work[first + laneOffset[i] ..
// first + laneOffset[i] + rows - 1].
std::int64_t ReachOf(int first, const int (&offset)[kLanes], std::int64_t rows) {
    return std::int64_t{first} + *std::max_element(offset, offset + kLanes) + rows;
}

}  // namespace

std::int64_t DownStripesWorkReach(const int* baseIndex, int outputLength, int taps) {
    if (outputLength < 2) return 0;
    const int* base = baseIndex + 1;
    const int outputs = outputLength - 1;
    const int stride = StrideOf(outputs);
    int offset[kLanes] = {};
    if (!FindLaneOffsets(base, outputs, stride, offset)) return 0;
    const int lastRow = *std::max_element(base, base + stride) - base[0];
    return ReachOf(base[0], offset, RowsFor(std::max(lastRow, 0), taps));
}

std::unique_ptr<DownStripes> MakeDownStripes(const int* baseIndex, const float* upperWeight,
                                             const float* lowerWeight, int outputLength, int taps,
                                             std::int64_t workCapacity) {
    // A frame whose tables would not be counted in bytes by an int keeps the
    // table path rather than failing to construct.
    constexpr std::int64_t kMostBytes = std::numeric_limits<int>::max() / 2;
    if (outputLength < 2 || std::int64_t{outputLength} * 8 > kMostBytes) return nullptr;
    auto s = std::make_unique<DownStripes>();
    const int* base = baseIndex + 1;
    s->outputs = outputLength - 1;
    s->stride = StrideOf(s->outputs);
    s->groupsRounded = (s->stride + kLanes - 1) / kLanes * kLanes;
    s->first = base[0];
    const auto valid = [&](int j, int lane) { return j + lane * s->stride < s->outputs; };
    if (!FindLaneOffsets(base, s->outputs, s->stride, s->laneOffset)) return nullptr;

    s->groupRow = NewZeroedArray<int>(s->stride);
    s->groupBlendMask = NewZeroedArray<std::uint8_t>(s->stride);
    s->upperWeight = NewAlignedZeroedArray<float>(std::int64_t{s->stride} * kLanes);
    s->lowerWeight = NewAlignedZeroedArray<float>(std::int64_t{s->stride} * kLanes);
    int lastRow = 0;
    for (int j = 0; j < s->stride; ++j) {
        s->groupRow[j] = base[j] - s->first;
        if (s->groupRow[j] < 0) return nullptr;
        lastRow = std::max(lastRow, s->groupRow[j]);
        unsigned shift = 0;
        for (int lane = 0; lane < kLanes; ++lane) {
            if (!valid(j, lane)) continue;
            const int output = j + lane * s->stride;
            const int extra = base[output] - base[j] - s->laneOffset[lane];
            if (extra > 1) return nullptr;
            shift |= static_cast<unsigned>(extra) << lane;
            // The weights of the frame's output 1 + output.
            s->upperWeight.data[j * kLanes + lane] = upperWeight[1 + output];
            s->lowerWeight.data[j * kLanes + lane] = lowerWeight[1 + output];
        }
        s->groupBlendMask[j] = static_cast<std::uint8_t>(shift);
    }
    const std::int64_t rows = RowsFor(lastRow, taps);
    if (rows * kLanes * std::int64_t{sizeof(double)} > kMostBytes) return nullptr;
    if (ReachOf(s->first, s->laneOffset, rows) > workCapacity) return nullptr;
    s->rows = static_cast<int>(rows);
    s->transposedWork = NewAlignedZeroedArray<double>(rows * kLanes);
    s->results = NewAlignedZeroedArray<short>(std::int64_t{s->groupsRounded} * kLanes);
    return s;
}

}  // namespace velumor
