#include "stream/frame_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>

#include "stream/errors.h"

namespace velumor::stream {
namespace {

// The upsampler's Step, as the library forms it from the frame lengths.
bool UpStepIsExact(std::int64_t inputLength, std::int64_t outputLength, int factor) {
    const double exact = static_cast<double>(inputLength * factor) / static_cast<double>(outputLength);
    return static_cast<double>(static_cast<float>(exact)) * static_cast<double>(outputLength) ==
           static_cast<double>(inputLength * factor);
}

std::int64_t FloorDivide(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

Alignment AlignmentFor(int g, int inputRate, int outputRate) {
    // Delay in input samples: (G + 2 k) / 2 with k priming samples; in output
    // samples (G + 2 k) * outputRate / (2 inputRate), whole for some k below
    // 2 * inputRate / gcd unless the rates rule it out.
    const std::int64_t in = inputRate;
    const std::int64_t out = outputRate;
    const std::int64_t period = 2 * in / std::gcd(in, out);
    for (std::int64_t k = 0; k <= period; ++k) {
        if ((g + 2 * k) * out % (2 * in) == 0) {
            return {static_cast<int>(k), (g + 2 * k) * out / (2 * in)};
        }
    }
    return {0, std::llround(g * static_cast<double>(out) / static_cast<double>(2 * in))};
}

double DefaultFrameSeconds(int inputRate, int outputRate, bool builtIn, int factor) {
    const std::int64_t common = std::gcd(inputRate, outputRate);
    // Every multiple of 1 / common seconds holds whole samples at both rates.
    const std::int64_t multiple =
        std::max<std::int64_t>(1, std::llround(0.02 * static_cast<double>(common)));
    const bool up = outputRate > inputRate;
    const bool exact = builtIn || UpStepIsExact(multiple * inputRate / common,
                                                multiple * outputRate / common, factor);
    const std::int64_t chosen = (up && !exact) ? 1 : multiple;
    // Rounded to float, as the converters take it.
    return static_cast<double>(
        static_cast<float>(static_cast<double>(chosen) / static_cast<double>(common)));
}

void CheckFrameGeometry(int inputLength, int outputLength, int inputRate, int outputRate,
                        double hintSeconds) {
    const std::int64_t in = inputLength;
    const std::int64_t out = outputLength;
    if (in > 0 && out > 0 && in * outputRate == out * inputRate) return;
    char text[256];
    std::snprintf(text, sizeof text,
                  "frames of %d samples at %d Hz and %d at %d Hz do not keep the rate ratio; "
                  "frames of %g s do",
                  inputLength, inputRate, outputLength, outputRate, hintSeconds);
    throw StreamError(VELUMOR_ERROR_FRAME, text);
}

std::int64_t RoundedOutput(std::int64_t count, std::int64_t inputRate, std::int64_t outputRate) {
    return FloorDivide(2 * count * outputRate + inputRate, 2 * inputRate);
}

}  // namespace velumor::stream
