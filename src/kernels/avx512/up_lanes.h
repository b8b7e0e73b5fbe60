// The AVX-512 upsampler's layout of a frame for Factor 8, fixed at
// construction.
//
// With Factor 8 the nine phase rows at an input position b fit one vector
// but for one row. The grid keeps nine slots per position, slot q holding
// row 8 - q; a vector fills slots 0 .. 7 (variant 0, rows 8 .. 1) or 1 .. 8
// (variant 1, rows 7 .. 0). A position takes variant 1 when an output there
// needs row 0 (its phase is 7), variant 0 when one needs row 8 (phase 0) or
// none needs row 0; the two agree on the rows they share. Each tap is then
// one multiply-add per position: the sample Work[b + 1 + k], broadcast,
// times the eight coefficients of that tap in lane order. Lane q takes
// coefficient 8k + 8 - variant - q, so with the coefficients reversed the
// eight are neighbours, and both variants read one reversed copy. Positions
// run ten at a time, so the multiply-adds of one sum do not wait on each
// other.
//
// In the grid an output's two values are neighbours, slots 9b + phase and
// 9b + phase + 1, so eight outputs pick theirs from a window of 32 floats
// with one permute, whose sixteen indices are kept as bytes (or, where they
// lie further apart, with two gathers).
#ifndef VELUMOR_KERNELS_AVX512_UP_LANES_H
#define VELUMOR_KERNELS_AVX512_UP_LANES_H

#include <cstdint>
#include <memory>

#include "common/aligned_array.h"

namespace velumor {

struct UpLanes {
    static constexpr int kLanes = 8;
    static constexpr int kFactor = 8;
    static constexpr int kSlots = 9;    // grid values per position
    static constexpr int kWindow = 32;  // grid values eight outputs pick from
    int g = 0;        // taps per sum
    int outputs = 0;  // OutputLength
    int positions[2] = {};  // positions of each variant, variant 0 first
    std::unique_ptr<int[]> position;  // positions[0] + positions[1] entries
    // Per eight outputs: the grid slot their window starts at, or, for
    // outputs that gather, -1 - their number among those that do.
    std::unique_ptr<int[]> groupStart;
    // Per eight outputs with a window: the slots of their earlier values in
    // it, then of their later ones; 16 bytes, 0 past the last output.
    std::unique_ptr<std::uint8_t[]> pick;
    // Per eight outputs that gather: the grid slots of their earlier values.
    std::unique_ptr<int[]> gatherIndex;
    AlignedArray<double> coefficients;  // TapCount, reversed, widened per frame
    AlignedArray<double> work;          // Work as doubles, widened per frame
    AlignedArray<float> grid;           // kSlots floats per position, padded
    int workLength = 0;  // floats of Work the windows read
};

// The layout for an upsampler with these positions, or null when Factor is
// not 8, a sum has no taps, or the frame is too long for the tables' sizes
// in bytes to fit an int.
std::unique_ptr<UpLanes> MakeUpLanes(const int* baseIndex, const int* phase, int outputLength,
                                     int factor, int g, int workLength);

}  // namespace velumor

#endif
