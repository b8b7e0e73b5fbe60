// The scalar kernels: each output's two filtered values computed on their
// own, exactly as the converters define them, from the converter's own
// members. They serve the geometries for which a table of filtered values
// would not pay, and they are the reference that every other kernel must
// match bit for bit.
#include "common/sample_store.h"
#include "kernels/down_kernel.h"
#include "kernels/up_kernel.h"
#include "velumor.h"

namespace velumor {

namespace {

class ScalarDownKernel final : public DownKernel {
public:
    explicit ScalarDownKernel(const CDownSampler& converter) : s_(converter) {}

    void Convert(short* dst) override {
        for (int j = 1; j < s_.OutputLength; ++j) {
            const float* window = s_.Work + s_.BaseIndex[j];
            double lower = 0.0;  // filter centred on input BaseIndex[j]
            double upper = 0.0;  // and on the one after it
            for (int k = 0; k < s_.TapCount; ++k) {
                const double c = s_.Coefficients[k];
                lower += c * static_cast<double>(window[k]);
                upper += c * static_cast<double>(window[k + 1]);
            }
            const double v = static_cast<double>(s_.UpperWeight[j]) * static_cast<float>(upper) +
                             static_cast<double>(s_.LowerWeight[j]) * static_cast<float>(lower);
            dst[j - 1] = StoreSample(v);
        }
    }

private:
    const CDownSampler& s_;
};

class ScalarUpKernel final : public UpKernel {
public:
    explicit ScalarUpKernel(const CUpSampler& converter) : s_(converter) {}

    void Convert(short* dst) override {
        const int g = s_.Span - 1;
        for (int j = 0; j < s_.OutputLength; ++j) {
            const float* input = s_.Work + s_.BaseIndex[j] + 1;
            // Coefficient of the phase's grid value (A) for k = 0; the next
            // grid value (B) takes the one before it. Indexed rather than
            // offset as a pointer: with G = 0 the offset would lie past the
            // one-tap table.
            const int first = s_.Factor - s_.Phase[j];
            double a = 0.0;
            double b = 0.0;
            for (int k = 0; k < g; ++k) {
                const double x = input[k];
                a += x * static_cast<double>(s_.Coefficients[first + k * s_.Factor]);
                b += x * static_cast<double>(s_.Coefficients[first + k * s_.Factor - 1]);
            }
            const double v = static_cast<double>(s_.UpperWeight[j]) * static_cast<float>(b) +
                             static_cast<double>(s_.LowerWeight[j]) * static_cast<float>(a);
            dst[j] = StoreSample(v);
        }
    }

private:
    const CUpSampler& s_;
};

}  // namespace

std::unique_ptr<DownKernel> MakeScalarDownKernel(const CDownSampler& converter) {
    return std::make_unique<ScalarDownKernel>(converter);
}

std::unique_ptr<UpKernel> MakeScalarUpKernel(const CUpSampler& converter) {
    return std::make_unique<ScalarUpKernel>(converter);
}

}  // namespace velumor
