// The upsampler's layout of a frame for a vector of `lanes` doubles, fixed
// at construction.
//
// An output at input position b with phase p mixes two grid values there:
// rows F - p (its lower value) and F - p - 1 (its upper one), row r being
// the sum over k < G of Coefficients[r + k * F] * Work[b + 1 + k]. The grid
// keeps slots = max(F + 1, lanes) slots a position, slot q holding row
// F - q, so that an output's two values are neighbours, slots p and p + 1,
// and the slots of consecutive outputs grow along the frame.
//
// A vector holds `lanes` neighbouring slots q = s .. s + lanes - 1 of one
// position, so each tap is one multiply-add: the sample, broadcast, times
// `lanes` coefficients, which are neighbours once the coefficients are
// reversed (slot q, tap k takes reversed entry F (G - 1 - k) + q). Each
// position gets only the vectors that cover the slots its outputs use,
// found greedily from its lowest slot up; vectors are grouped by their
// first slot s, so that a tile of them shares each coefficient load. Slots
// past F (where lanes > F + 1) are never read.
//
// Where F + 1 slots fit half a vector, slots is rounded up to a power of
// two and a vector holds all of them for perVector = lanes / slots
// positions from a multiple of perVector, b0, instead, so that no
// multiply-add is spent on more than the slots' rounding: lane l holds slot
// l / perVector of position b0 + l % perVector, at grid slot slots * b0 + l.
// Its samples, tap k, are then one load of Work[b0 + 1 + k ..] repeated
// across the vector, and its coefficients one row of `lanes` per tap. An
// output's upper value is then perVector slots after its lower one.
//
// A group of `lanes` outputs picks its values from a window of `window`
// grid values with one permute, whose indices are kept as bytes (or, where
// they lie further apart, by gathering).
#ifndef VELUMOR_KERNELS_LAYOUT_UP_LANES_H
#define VELUMOR_KERNELS_LAYOUT_UP_LANES_H

#include <cstdint>
#include <memory>

#include "common/aligned_array.h"

namespace velumor {

struct UpLanes {
    int lanes = 0;   // doubles a vector: 2, 4 or 8
    int window = 0;  // grid values a group of outputs picks from
    int factor = 0;
    int g = 0;        // taps per sum
    int taps = 0;     // Factor * G + 1
    int outputs = 0;  // OutputLength
    // Grid slots per position: max(Factor + 1, lanes), or, where Factor + 1
    // fits half a vector, Factor + 1 rounded up to a power of two.
    int slots = 0;
    int perVector = 1;  // positions a vector holds: lanes / slots, or 1
    int workLength = 0;  // floats of Work the sums read
    int runs = 0;     // runs of vectors that start at the same slot
    AlignedArray<int> runSlot;   // per run: the first slot of its vectors
    AlignedArray<int> runBegin;  // per run, and one past the last: its first vector
    AlignedArray<int> position;  // per vector: its input position b
    // Per group of `lanes` outputs: the grid slot their window starts at,
    // or, for groups that gather, -1 - their number among those that do.
    AlignedArray<int> groupStart;
    // Per group with a window: the slots of the lower values in it, then of
    // the upper ones; 2 x lanes bytes, 0 past the last output.
    AlignedArray<std::uint8_t> pick;
    // Per group that gathers: the grid slots of its lower values.
    AlignedArray<int> gatherSlot;
    // Widened per frame: the taps reversed, then zeros; or, with several
    // positions a vector, G rows of `lanes`, lane l of row k holding tap k
    // of slot l / perVector.
    AlignedArray<double> coefficients;
    AlignedArray<double> work;  // workLength, widened per frame, then zeros
    AlignedArray<float> grid;           // slots per position, then a window
};

// The layout for an upsampler with these positions, for vectors of `lanes`
// doubles (2, 4 or 8) that pick from windows of `window` grid values (at
// most 256); null when a sum has no taps, a position or phase lies outside
// the frame's Work and filter, or the tables' sizes in bytes would not fit
// an int.
std::unique_ptr<UpLanes> MakeUpLanes(const int* baseIndex, const int* phase, int outputLength,
                                     int factor, int g, int workLength, int lanes, int window);

}  // namespace velumor

#endif
