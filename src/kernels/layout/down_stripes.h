// The downsampler's layout of a frame for a vector of `lanes` doubles, fixed
// at construction.
//
// The outputs after the first are cut into `lanes` stripes of `stride`
// consecutive outputs, one stripe a vector lane: group j holds outputs
// j, j + stride, ..., j + (lanes - 1) * stride (counted from output 1).
// Along a stripe the windows move as they do along the frame, so lane i of
// every group starts at least laneOffset[i] samples after lane 0, and at
// most one more. Each frame is therefore copied once into `transposedWork`,
// whose row t holds, in lane i, Work[first + t + laneOffset[i]] as a double:
// one aligned load and one blend by the group's `groupBlendMask` give a
// group its samples of a tap, with no shuffles and no conversions in the
// inner loop. The coefficients are widened once a frame too, so that each
// tap is a broadcast load.
#ifndef VELUMOR_KERNELS_LAYOUT_DOWN_STRIPES_H
#define VELUMOR_KERNELS_LAYOUT_DOWN_STRIPES_H

#include <cstdint>
#include <memory>

#include "common/aligned_array.h"

namespace velumor {

struct DownStripes {
    static constexpr int kMostLanes = 8;
    int lanes = 0;          // doubles a vector: 2, 4 or 8
    int outputs = 0;        // outputs per frame after the first
    int stride = 0;         // outputs per stripe, and groups per frame
    int groupsRounded = 0;  // stride rounded up to lanes, for the last transpose
    int rows = 0;           // rows of transposedWork, a multiple of lanes
    int first = 0;          // BaseIndex of output 1
    int laneOffset[kMostLanes] = {};
    AlignedArray<int> groupRow;  // per group: its lane 0 row
    // Per group: the blend mask of the lanes whose window starts one row
    // further than laneOffset says (bit i for lane i).
    AlignedArray<std::uint8_t> groupBlendMask;
    AlignedArray<float> upperWeight;  // group by group, `lanes` each
    AlignedArray<float> lowerWeight;
    AlignedArray<double> coefficients;    // taps, widened per frame
    AlignedArray<double> transposedWork;  // rows x lanes: Work transposed, as doubles
    AlignedArray<short> results;          // groupsRounded x lanes samples
};

// The floats of Work that the stripes of these positions read with vectors
// of any lane count (0 where they have none), so that a converter can
// allocate them.
std::int64_t DownStripesWorkReach(const int* baseIndex, int outputLength, int taps);

// The layout for the outputs 1 .. outputLength - 1 of a downsampler with
// these positions and weights, whose Work holds workCapacity floats (zeros
// past the frame), for vectors of `lanes` doubles (2, 4 or 8); null when the
// positions do not grow along the frame, a lane's windows spread over more
// than two starting samples (only for positions that were clamped or
// wrapped), or the transposed rows would read past workCapacity.
std::unique_ptr<DownStripes> MakeDownStripes(const int* baseIndex, const float* upperWeight,
                                             const float* lowerWeight, int outputLength, int taps,
                                             std::int64_t workCapacity, int lanes);

}  // namespace velumor

#endif
