// The downsampler evaluates its filter at the two whole input positions
// around each output position and interpolates linearly between them.
// Construction lays out the position tables and the coefficients; the
// engine (down_engine.h) runs each frame on the kernel chosen for them.
#include <algorithm>
#include <cstdint>
#include <memory>

#include "coefficients/coefficient_reader.h"
#include "common/frame_length.h"
#include "common/numeric.h"
#include "converters/array_holder.h"
#include "converters/builtin_filters.h"
#include "converters/down_engine.h"
#include "converters/work_length.h"
#include "velumor.h"

using velumor::DownEngine;

namespace {

constexpr float kDefaultInputRate = 22050.0f;
constexpr float kDefaultOutputRate = 8000.0f;
// The nearest single to 22050 / 8000, just below it.
constexpr float kDefaultStep = 2.75625f;

// Output j lies at input position j * Step. A position past the frame (or
// before the history) is clamped to the first tail slot (or 0): the window
// there reads only zeros, as the positions past the frame do.
void FillPositions(CDownSampler& s) {
    const std::int64_t frameEnd = std::int64_t{s.InputLength} + s.TapCount / 2;
    for (int j = 0; j < s.OutputLength; ++j) {
        const double p = j * static_cast<double>(s.Step);
        const int base = velumor::LowBits32(velumor::TruncateToInt64(p));
        s.UpperWeight[j] = static_cast<float>(p - base);
        s.LowerWeight[j] = static_cast<float>(1.0 - static_cast<double>(s.UpperWeight[j]));
        s.BaseIndex[j] = static_cast<int>(std::min<std::int64_t>(std::max(base, 0), frameEnd));
    }
}

// Allocates and fills everything but the coefficients' values, which
// fillCoefficients writes; returns the engine once nothing more can fail.
template <typename FillCoefficients>
std::unique_ptr<DownEngine> Build(CDownSampler& s, const FillCoefficients& fillCoefficients) {
    velumor::ArrayHolder arrays;
    arrays.Allocate(s.History, s.TapCount / 2);
    arrays.Allocate(s.Coefficients, s.TapCount);
    arrays.Allocate(s.BaseIndex, s.OutputLength);
    arrays.Allocate(s.UpperWeight, s.OutputLength);
    arrays.Allocate(s.LowerWeight, s.OutputLength);
    FillPositions(s);
    // Work's zero tail runs on past every window, for whole vectors too.
    arrays.Allocate(s.Work, velumor::DownWorkCapacity(s));
    fillCoefficients(s.Coefficients);
    std::unique_ptr<DownEngine> engine = DownEngine::ForConverter(s);
    arrays.Keep();
    return engine;
}

}  // namespace

CDownSampler::CDownSampler(float frameDuration)
    : InputLength(velumor::FrameLength(frameDuration, kDefaultInputRate)),
      OutputLength(velumor::FrameLength(frameDuration, kDefaultOutputRate)),
      Step(kDefaultStep),
      TapCount(velumor::kDownTapCount) {
    Engine = Build(*this, velumor::FillDownFilter).release();
}

CDownSampler::CDownSampler(float frameDuration, float inputRate, float outputRate, int tapCount,
                           const char* coefficientFile)
    : InputLength(velumor::FrameLength(frameDuration, inputRate)),
      OutputLength(velumor::FrameLength(frameDuration, outputRate)),
      Step(static_cast<float>(static_cast<double>(inputRate) / static_cast<double>(outputRate))),
      TapCount(std::max(tapCount, 0)) {
    Engine = Build(*this, [&](float* coefficients) {
                 velumor::ReadCoefficients(coefficientFile, coefficients, 0, TapCount);
             }).release();
}

CDownSampler::~CDownSampler() {
    delete Engine;
    delete[] History;
    delete[] Coefficients;
    delete[] Work;
    delete[] BaseIndex;
    delete[] UpperWeight;
    delete[] LowerWeight;
}

void CDownSampler::Conversion(const short* src, short* dst) { Engine->Convert(*this, src, dst); }
