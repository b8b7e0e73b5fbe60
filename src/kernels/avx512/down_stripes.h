// The AVX-512 downsampler's layout of a frame, fixed at construction.
//
// The outputs after the first are cut into eight stripes of `stride`
// consecutive outputs, one stripe a vector lane: group j holds outputs
// j, j + stride, ..., j + 7 * stride (counted from output 1). Along a stripe
// the windows move as they do along the frame, so lane i of every group
// starts at least laneOffset[i] samples after lane 0, and at most one more.
// Each frame is therefore copied once into `transposedWork`, whose row t
// holds, in lane i, Work[first + t + laneOffset[i]] as a double: one aligned
// load and one blend by the group's `groupBlendMask` give a group its eight
// samples of a tap, with no shuffles and no conversions in the inner loop.
#ifndef VELUMOR_KERNELS_AVX512_DOWN_STRIPES_H
#define VELUMOR_KERNELS_AVX512_DOWN_STRIPES_H

#include <cstdint>
#include <memory>

#include "common/aligned_array.h"

namespace velumor {

struct DownStripes {
    static constexpr int kLanes = 8;
    int outputs = 0;  // outputs per frame after the first
    int stride = 0;   // outputs per stripe, and groups per frame
    int groupsRounded = 0;  // stride rounded up to 8, for the last transpose
    int rows = 0;     // rows of transposedWork, a multiple of 8
    int first = 0;    // BaseIndex of output 1
    int laneOffset[kLanes] = {};
    std::unique_ptr<int[]> groupRow;  // per group: its lane 0 row
    // Per group: the blend mask of the lanes whose window starts one row
    // further than laneOffset says.
    std::unique_ptr<std::uint8_t[]> groupBlendMask;
    AlignedArray<float> upperWeight;  // group by group, eight lanes each
    AlignedArray<float> lowerWeight;
    AlignedArray<double> transposedWork;  // rows x 8: Work transposed, as doubles
    AlignedArray<short> results;          // group by group, eight lanes each
};

// The floats of Work that the stripes of these positions read (0 where
// they have none), so that a converter can allocate them.
std::int64_t DownStripesWorkReach(const int* baseIndex, int outputLength, int taps);

// The layout for the outputs 1 .. outputLength - 1 of a downsampler with
// these positions and weights, whose Work holds workCapacity floats (zeros
// past the frame); null when the positions do not grow along the frame, a
// lane's windows spread over more than two starting samples (only for
// positions that were clamped or wrapped), or the transposed rows would read
// past workCapacity.
std::unique_ptr<DownStripes> MakeDownStripes(const int* baseIndex, const float* upperWeight,
                                             const float* lowerWeight, int outputLength, int taps,
                                             std::int64_t workCapacity);

}  // namespace velumor

#endif
