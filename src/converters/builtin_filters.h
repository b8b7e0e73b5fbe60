#ifndef VELUMOR_CONVERTERS_BUILTIN_FILTERS_H
#define VELUMOR_CONVERTERS_BUILTIN_FILTERS_H

namespace velumor {

// The default converters' linear-phase low-pass filters. Both are symmetric,
// so only the first half and the centre are written down.

// 22050 Hz -> 8000 Hz, 35 taps at the input rate.
constexpr int kDownTapCount = 35;
// 8000 Hz -> 22050 Hz, 145 taps on the 8-fold (64 kHz) grid.
constexpr int kUpTapCount = 145;
constexpr int kUpFactor = 8;

// Writes the whole table of kDownTapCount coefficients.
void FillDownFilter(float* coefficients);
// Writes the whole table of kUpTapCount coefficients.
void FillUpFilter(float* coefficients);

}  // namespace velumor

#endif
