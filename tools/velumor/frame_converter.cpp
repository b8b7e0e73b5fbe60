#include "frame_converter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <numeric>

#include "errors.h"

namespace velumor_tool {

FrameConverter::FrameConverter(const ConverterRecipe& r) {
    const float in = static_cast<float>(r.inputRate);
    const float out = static_cast<float>(r.outputRate);
    if (r.up) {
        up_ = r.builtIn ? std::make_unique<CUpSampler>(r.frameSeconds)
                        : std::make_unique<CUpSampler>(r.frameSeconds, in, out, r.factor, r.taps,
                                                       r.coefficientPath.c_str());
        const double delayInput = (up_->Span - 1) / 2.0;
        delay_ = static_cast<int>(std::lround(delayInput * r.outputRate / r.inputRate));
    } else {
        down_ = r.builtIn ? std::make_unique<CDownSampler>(r.frameSeconds)
                          : std::make_unique<CDownSampler>(r.frameSeconds, in, out, r.taps,
                                                           r.coefficientPath.c_str());
    }
}

int FrameConverter::InputLength() const { return up_ ? up_->InputLength : down_->InputLength; }

int FrameConverter::OutputLength() const { return up_ ? up_->OutputLength : down_->OutputLength; }

void FrameConverter::Convert(const short* input, short* output) {
    if (up_) {
        up_->Conversion(input, output);
    } else {
        down_->Conversion(input, output);
    }
}

void CheckFrameGeometry(const FrameConverter& c, const ConverterRecipe& r, bool frameGiven) {
    const std::int64_t in = c.InputLength();
    const std::int64_t out = c.OutputLength();
    if (in > 0 && out > 0 && in * r.outputRate == out * r.inputRate) return;
    const std::string what = "frames of " + std::to_string(in) + " samples at " +
                             std::to_string(r.inputRate) + " Hz and " + std::to_string(out) +
                             " at " + std::to_string(r.outputRate) + " Hz";
    char hint[64];
    std::snprintf(hint, sizeof hint, "; try --frame %g",
                  static_cast<double>(DefaultFrameSeconds(r.inputRate, r.outputRate)));
    if (frameGiven) {
        throw UsageError("--frame: " + what + " do not keep the rate ratio" + hint);
    }
    throw UsageError("--rate " + std::to_string(r.outputRate) + ": " + what +
                     " do not keep the rate ratio");
}

float DefaultFrameSeconds(int inputRate, int outputRate) {
    const int common = std::gcd(inputRate, outputRate);
    // Every multiple of 1 / common seconds holds whole samples at both rates.
    const double multiple = std::max(1.0, std::round(0.02 * common));
    return static_cast<float>(multiple / common);
}

}  // namespace velumor_tool
