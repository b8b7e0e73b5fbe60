// Builds the upsampler's layout (up_lanes.h) and checks that the geometry
// fits it.
#include "kernels/layout/up_lanes.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace velumor {

namespace {

// A frame whose tables would not be counted in bytes by an int (nor its
// grid slots by an int) keeps the scalar kernel.
constexpr std::int64_t kMostBytes = std::numeric_limits<int>::max() / 2;

struct Vector {
    int slot;  // its first
    int position;
};

// The vectors that cover every slot the outputs use, ordered by first
// slot. A vector starts at the lowest slot not yet covered, or lower where
// it would run past the position's slots: that keeps the grid at `slots` a
// position and the first slots few (for Factor 8 and eight lanes, 0 and 1).
std::vector<Vector> CoveringVectors(const int* baseIndex, const int* phase, int outputLength,
                                    int lanes, int slots, int positions, int perVector) {
    const auto perPosition = static_cast<std::size_t>(slots);
    std::vector<unsigned char> used(perPosition * static_cast<std::size_t>(positions), 0);
    for (int j = 0; j < outputLength; ++j) {
        unsigned char* slot = used.data() + perPosition * static_cast<std::size_t>(baseIndex[j]);
        slot[phase[j]] = 1;
        slot[phase[j] + 1] = 1;
    }
    std::vector<Vector> vectors;
    if (perVector > 1) {
        // Each vector holds every slot of perVector positions from a
        // multiple of perVector, where any of them is used.
        for (int b = 0; b < positions; b += perVector) {
            const unsigned char* slot = used.data() + perPosition * static_cast<std::size_t>(b);
            const unsigned char* end = used.data() + perPosition * static_cast<std::size_t>(std::min(b + perVector, positions));
            if (std::find(slot, end, 1) != end) vectors.push_back({0, b});
        }
        return vectors;
    }
    for (int b = 0; b < positions; ++b) {
        const unsigned char* slot = used.data() + perPosition * static_cast<std::size_t>(b);
        for (int q = 0; q < slots; ++q) {
            if (!slot[q]) continue;
            const int first = std::min(q, slots - lanes);
            vectors.push_back({first, b});
            q = first + lanes - 1;
        }
    }
    // std::sort rather than std::stable_sort, whose buffer is allocated
    // without throwing and silently done without when that fails.
    std::sort(vectors.begin(), vectors.end(), [](const Vector& x, const Vector& y) {
        return x.slot != y.slot ? x.slot < y.slot : x.position < y.position;
    });
    return vectors;
}

}  // namespace

std::unique_ptr<UpLanes> MakeUpLanes(const int* baseIndex, const int* phase, int outputLength,
                                     int factor, int g, int workLength, int lanes, int window) {
    if (lanes < 1 || window < 2 * lanes || window > 256) return nullptr;
    if (factor < 1 || g < 1 || outputLength < 1) return nullptr;
    if (std::int64_t{workLength} * 8 > kMostBytes) return nullptr;
    const std::int64_t taps = std::int64_t{factor} * g + 1;
    if ((taps + lanes) * 8 > kMostBytes) return nullptr;
    for (int j = 0; j < outputLength; ++j) {
        if (baseIndex[j] < 0 || baseIndex[j] + 1 + std::int64_t{g} > workLength) return nullptr;
        if (phase[j] < 0 || phase[j] >= factor) return nullptr;
    }
    const int positions = *std::max_element(baseIndex, baseIndex + outputLength) + 1;
    // Where Factor + 1 slots fit half a vector, a vector holds the slots,
    // rounded up to a power of two (2 or 4), of several positions.
    std::int64_t slots = std::max(std::int64_t{factor} + 1, std::int64_t{lanes});
    if (2 * (std::int64_t{factor} + 1) <= lanes) {
        slots = 1;
        while (slots < factor + 1) slots *= 2;
    }
    const int perVector = lanes / static_cast<int>(std::min(slots, std::int64_t{lanes}));
    const std::int64_t gridSize = slots * (positions + perVector - 1) + window;
    if (gridSize * 4 > kMostBytes) return nullptr;

    auto s = std::make_unique<UpLanes>();
    s->lanes = lanes;
    s->window = window;
    s->factor = factor;
    s->g = g;
    s->taps = static_cast<int>(taps);
    s->outputs = outputLength;
    s->slots = static_cast<int>(slots);
    s->perVector = perVector;
    s->workLength = workLength;

    const std::vector<Vector> vectors =
        CoveringVectors(baseIndex, phase, outputLength, lanes, s->slots, positions, perVector);
    const auto count = static_cast<std::int64_t>(vectors.size());
    s->position = NewAlignedZeroedArray<int>(count);
    std::vector<int> runSlot;
    std::vector<int> runBegin;
    for (std::size_t v = 0; v < vectors.size(); ++v) {
        s->position.data[v] = vectors[v].position;
        if (v == 0 || vectors[v].slot != vectors[v - 1].slot) {
            runSlot.push_back(vectors[v].slot);
            runBegin.push_back(static_cast<int>(v));
        }
    }
    runBegin.push_back(static_cast<int>(count));
    s->runs = static_cast<int>(runSlot.size());
    s->runSlot = NewAlignedZeroedArray<int>(s->runs);
    s->runBegin = NewAlignedZeroedArray<int>(s->runs + 1);
    std::copy(runSlot.begin(), runSlot.end(), s->runSlot.data);
    std::copy(runBegin.begin(), runBegin.end(), s->runBegin.data);

    // A group of outputs picks both its values from the window that starts
    // at the lowest of them; the rare group that lies further apart (where
    // BaseIndex and Phase disagree) gathers them instead.
    const int groups = (outputLength + lanes - 1) / lanes;
    // The grid slot of output j's lower value; its upper one is perVector
    // slots on.
    const auto lowerSlot = [&](int j) {
        const int b = baseIndex[j];
        const int inVector = b % perVector;
        return s->slots * (b - inVector) + perVector * phase[j] + inVector;
    };
    const auto members = [&](int group) { return std::min(lanes, outputLength - group * lanes); };
    std::vector<int> windowStart(static_cast<std::size_t>(groups), -1);  // -1: gathers
    int gathering = 0;
    for (int group = 0; group < groups; ++group) {
        int low = lowerSlot(group * lanes);
        int high = low + perVector;
        for (int i = 1; i < members(group); ++i) {
            low = std::min(low, lowerSlot(group * lanes + i));
            high = std::max(high, lowerSlot(group * lanes + i) + perVector);
        }
        if (high - low < window) {
            windowStart[static_cast<std::size_t>(group)] = low;
        } else {
            ++gathering;
        }
    }
    s->groupStart = NewAlignedZeroedArray<int>(groups);
    s->pick = NewAlignedZeroedArray<std::uint8_t>(std::int64_t{groups} * 2 * lanes);
    s->gatherSlot = NewAlignedZeroedArray<int>(std::int64_t{gathering} * lanes);
    int gathered = 0;
    for (int group = 0; group < groups; ++group) {
        const int first = group * lanes;
        const int start = windowStart[static_cast<std::size_t>(group)];
        if (start >= 0) {
            s->groupStart.data[group] = start;
            std::uint8_t* pick = s->pick.data + std::int64_t{group} * 2 * lanes;
            for (int i = 0; i < members(group); ++i) {
                pick[i] = static_cast<std::uint8_t>(lowerSlot(first + i) - start);
                pick[lanes + i] = static_cast<std::uint8_t>(lowerSlot(first + i) + perVector - start);
            }
        } else {
            s->groupStart.data[group] = -1 - gathered;
            int* slot = s->gatherSlot.data + std::int64_t{gathered} * lanes;
            // Members past the last output repeat its slot: valid, and unused.
            for (int i = 0; i < lanes; ++i) slot[i] = lowerSlot(first + std::min(i, members(group) - 1));
            ++gathered;
        }
    }
    s->grid = NewAlignedZeroedArray<float>(gridSize);
    s->coefficients = NewAlignedZeroedArray<double>(perVector > 1 ? std::int64_t{g} * lanes : taps + lanes);
    s->work = NewAlignedZeroedArray<double>(std::int64_t{workLength} + lanes);
    return s;
}

}  // namespace velumor
