// The plain scalar path: each output's two filtered values computed on their
// own, exactly as the converters define them. It serves the geometries for
// which a table of filtered values would not pay, and it is the reference
// that every other path must match bit for bit.
#include "conversion_kernels.h"
#include "sample_store.h"
#include "velumor.h"

namespace velumor {

void ConvertDownScalar(const CDownSampler& s, short* dst) {
    for (int j = 1; j < s.OutputLength; ++j) {
        const float* window = s.Work + s.BaseIndex[j];
        double lower = 0.0;  // filter centred on input BaseIndex[j]
        double upper = 0.0;  // and on the one after it
        for (int k = 0; k < s.TapCount; ++k) {
            const double c = s.Coefficients[k];
            lower += c * static_cast<double>(window[k]);
            upper += c * static_cast<double>(window[k + 1]);
        }
        const double v = static_cast<double>(s.UpperWeight[j]) * static_cast<float>(upper) +
                         static_cast<double>(s.LowerWeight[j]) * static_cast<float>(lower);
        dst[j] = StoreSample(v);
    }
}

void ConvertUpScalar(const CUpSampler& s, short* dst) {
    const int g = s.Span - 1;
    for (int j = 0; j < s.OutputLength; ++j) {
        const float* input = s.Work + s.BaseIndex[j] + 1;
        // Coefficient of the phase's grid value (A) for k = 0; the next grid
        // value (B) takes the one before it. Indexed rather than offset as a
        // pointer: with G = 0 the offset would lie past the one-tap table.
        const int first = s.Factor - s.Phase[j];
        double a = 0.0;
        double b = 0.0;
        for (int k = 0; k < g; ++k) {
            const double x = input[k];
            a += x * static_cast<double>(s.Coefficients[first + k * s.Factor]);
            b += x * static_cast<double>(s.Coefficients[first + k * s.Factor - 1]);
        }
        const double v = static_cast<double>(s.UpperWeight[j]) * static_cast<float>(b) +
                         static_cast<double>(s.LowerWeight[j]) * static_cast<float>(a);
        dst[j] = StoreSample(v);
    }
}

}  // namespace velumor
