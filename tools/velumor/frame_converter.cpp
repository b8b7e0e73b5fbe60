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
        SetAlignment(up_->Span - 1, r.inputRate, r.outputRate);
    } else {
        down_ = r.builtIn ? std::make_unique<CDownSampler>(r.frameSeconds)
                          : std::make_unique<CDownSampler>(r.frameSeconds, in, out, r.taps,
                                                           r.coefficientPath.c_str());
    }
}

void FrameConverter::SetAlignment(int g, int inputRate, int outputRate) {
    // Delay in input samples: (G + 2 k) / 2 with k priming samples; in output
    // samples (G + 2 k) * outputRate / (2 inputRate), whole for some k below
    // 2 * inputRate / gcd unless the rates rule it out.
    const std::int64_t in = inputRate;
    const std::int64_t out = outputRate;
    const std::int64_t period = 2 * in / std::gcd(in, out);
    for (std::int64_t k = 0; k <= period; ++k) {
        if ((g + 2 * k) * out % (2 * in) == 0) {
            priming_ = static_cast<int>(k);
            delay_ = static_cast<int>((g + 2 * k) * out / (2 * in));
            return;
        }
    }
    delay_ = static_cast<int>(std::lround(g * static_cast<double>(out) / static_cast<double>(2 * in)));
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
                  static_cast<double>(DefaultFrameSeconds(r)));
    if (frameGiven) {
        throw UsageError("--frame: " + what + " do not keep the rate ratio" + hint);
    }
    throw UsageError("--rate " + std::to_string(r.outputRate) + ": " + what +
                     " do not keep the rate ratio");
}

namespace {

// The upsampler's Step, as the library forms it from the frame lengths.
bool UpStepIsExact(std::int64_t inputLength, std::int64_t outputLength, int factor) {
    const double exact = static_cast<double>(inputLength * factor) / static_cast<double>(outputLength);
    return static_cast<double>(static_cast<float>(exact)) * static_cast<double>(outputLength) ==
           static_cast<double>(inputLength * factor);
}

}  // namespace

float DefaultFrameSeconds(const ConverterRecipe& r) {
    const std::int64_t common = std::gcd(r.inputRate, r.outputRate);
    // Every multiple of 1 / common seconds holds whole samples at both rates.
    const std::int64_t multiple = std::max<std::int64_t>(1, std::llround(0.02 * static_cast<double>(common)));
    const bool exact = r.builtIn || UpStepIsExact(multiple * r.inputRate / common,
                                                  multiple * r.outputRate / common, r.factor);
    const std::int64_t chosen = (r.up && !exact) ? 1 : multiple;
    return static_cast<float>(static_cast<double>(chosen) / static_cast<double>(common));
}

}  // namespace velumor_tool
