// Builds the AVX-512 upsampler's layout (up_lanes.h) and checks that the
// geometry fits it.
#include "kernels/avx512/up_lanes.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace velumor {

std::unique_ptr<UpLanes> MakeUpLanes(const int* baseIndex, const int* phase, int outputLength,
                                     int factor, int g, int workLength) {
    constexpr int kFactor = UpLanes::kFactor;
    constexpr int kLanes = UpLanes::kLanes;
    // A frame whose tables would not be counted in bytes by an int (nor its
    // grid indices by an int) keeps the table path.
    constexpr std::int64_t kMostBytes = std::numeric_limits<int>::max() / 2;
    if (factor != kFactor || g < 1 || outputLength < 1) return nullptr;
    if (std::int64_t{workLength} * 8 > kMostBytes) return nullptr;

    // Which rows each position's outputs need: row 8 for phase 0 (its A
    // value), row 0 for phase 7 (its B value).
    const int count = *std::max_element(baseIndex, baseIndex + outputLength) + 1;
    const std::int64_t gridSize = std::int64_t{UpLanes::kSlots} * count + UpLanes::kWindow;
    if (gridSize * 4 > kMostBytes) return nullptr;
    std::vector<unsigned char> used(static_cast<std::size_t>(count), 0);
    std::vector<unsigned char> needsRow8(used.size(), 0);
    std::vector<unsigned char> needsRow0(used.size(), 0);
    for (int j = 0; j < outputLength; ++j) {
        const int b = baseIndex[j];
        if (b < 0 || b + 1 + std::int64_t{g} > workLength) return nullptr;
        if (phase[j] < 0 || phase[j] >= kFactor) return nullptr;
        used[b] = 1;
        needsRow8[b] |= phase[j] == 0;
        needsRow0[b] |= phase[j] == kFactor - 1;
    }
    auto s = std::make_unique<UpLanes>();
    s->g = g;
    s->outputs = outputLength;
    s->workLength = workLength;
    // A position needing both rows 0 and 8 (possible where BaseIndex and
    // Phase disagree by rounding) gets both vectors; they agree on rows 7 .. 1.
    const auto wanted = [&](int variant, int b) {
        return variant == 0 ? used[b] && (needsRow8[b] || !needsRow0[b]) : needsRow0[b] != 0;
    };
    for (int variant = 0; variant < 2; ++variant) {
        for (int b = 0; b < count; ++b) s->positions[variant] += wanted(variant, b);
    }
    s->position = NewZeroedArray<int>(std::int64_t{s->positions[0]} + s->positions[1]);
    int* next = s->position.get();
    for (int variant = 0; variant < 2; ++variant) {
        for (int b = 0; b < count; ++b) {
            if (wanted(variant, b)) *next++ = b;
        }
    }

    // Eight outputs pick both their values from the 32 grid values that
    // start at the lowest of theirs; the rare eight that lie further apart
    // (where BaseIndex and Phase disagree) gather them instead.
    const int groups = (outputLength + kLanes - 1) / kLanes;
    const auto slot = [&](int j) { return UpLanes::kSlots * baseIndex[j] + phase[j]; };
    const auto members = [&](int group) { return std::min(kLanes, outputLength - group * kLanes); };
    std::vector<int> windowStart(static_cast<std::size_t>(groups), -1);  // -1: gathers
    int gathering = 0;
    for (int group = 0; group < groups; ++group) {
        int low = slot(group * kLanes);
        int high = low;
        for (int i = 1; i < members(group); ++i) {
            low = std::min(low, slot(group * kLanes + i));
            high = std::max(high, slot(group * kLanes + i));
        }
        if (high + 1 - low < UpLanes::kWindow) {
            windowStart[static_cast<std::size_t>(group)] = low;
        } else {
            ++gathering;
        }
    }
    s->groupStart = NewZeroedArray<int>(groups);
    s->pick = NewZeroedArray<std::uint8_t>(std::int64_t{groups} * 2 * kLanes);
    s->gatherIndex = NewZeroedArray<int>(std::int64_t{gathering} * kLanes);
    int gathered = 0;
    for (int group = 0; group < groups; ++group) {
        const int first = group * kLanes;
        const int start = windowStart[static_cast<std::size_t>(group)];
        if (start >= 0) {
            s->groupStart[group] = start;
            std::uint8_t* pick = s->pick.get() + std::int64_t{group} * 2 * kLanes;
            for (int i = 0; i < members(group); ++i) {
                pick[i] = static_cast<std::uint8_t>(slot(first + i) - start);
                pick[kLanes + i] = static_cast<std::uint8_t>(slot(first + i) + 1 - start);
            }
        } else {
            s->groupStart[group] = -1 - gathered;
            int* index = s->gatherIndex.get() + std::int64_t{gathered} * kLanes;
            for (int i = 0; i < members(group); ++i) index[i] = slot(first + i);
            ++gathered;
        }
    }
    s->grid = NewAlignedZeroedArray<float>(gridSize);
    s->coefficients = NewAlignedZeroedArray<double>(std::int64_t{kFactor} * g + 1);
    s->work = NewAlignedZeroedArray<double>(std::int64_t{workLength} + kLanes);
    return s;
}

}  // namespace velumor
