// The upsampler is a polyphase interpolator: of the Factor-fold zero-stuffed
// and filtered input it computes only the two grid values around each output
// position, each from G input samples and every Factor-th coefficient.
// Construction lays out the position tables and the coefficients; the
// engine (up_engine.h) runs each frame on the kernel chosen for them.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

#include "coefficients/coefficient_reader.h"
#include "common/frame_length.h"
#include "common/numeric.h"
#include "converters/array_holder.h"
#include "converters/builtin_filters.h"
#include "converters/up_engine.h"
#include "converters/work_length.h"
#include "velumor.h"

using velumor::UpEngine;

namespace {

constexpr float kDefaultInputRate = 8000.0f;
constexpr float kDefaultOutputRate = 22050.0f;
// The nearest single to 8 * 8000 / 22050.
constexpr float kDefaultStep = 2.9024944f;

// BaseIndex (from the frame lengths) and Phase (from Step) are computed
// independently.
void FillPositions(CUpSampler& s) {
    for (int j = 0; j < s.OutputLength; ++j) {
        const double p = j * static_cast<double>(s.Step);
        const std::int64_t k = velumor::TruncateToInt64(p);
        s.Phase[j] = static_cast<int>(k % s.Factor);
        s.BaseIndex[j] = static_cast<int>(std::int64_t{s.InputLength} * j / s.OutputLength);
        s.LowerWeight[j] = static_cast<float>(static_cast<double>(k + 1) - p);
        s.UpperWeight[j] = static_cast<float>(1.0 - static_cast<double>(s.LowerWeight[j]));
    }
}

// Allocates and fills everything but the coefficients' values, which
// fillCoefficients writes; returns the engine once nothing more can fail.
template <typename FillCoefficients>
std::unique_ptr<UpEngine> Build(CUpSampler& s, const FillCoefficients& fillCoefficients) {
    velumor::ArrayHolder arrays;
    arrays.Allocate(s.History, s.Span - 1);
    arrays.Allocate(s.Coefficients, s.TapCount);
    arrays.Allocate(s.Work, velumor::UpWorkLength(s));
    arrays.Allocate(s.UpperWeight, s.OutputLength);
    arrays.Allocate(s.LowerWeight, s.OutputLength);
    arrays.Allocate(s.Phase, s.OutputLength);
    arrays.Allocate(s.BaseIndex, s.OutputLength);
    FillPositions(s);
    fillCoefficients(s.Coefficients);
    std::unique_ptr<UpEngine> engine = UpEngine::ForConverter(s);
    arrays.Keep();
    return engine;
}

// G = N / L; the product L * G never exceeds N, so it fits an int.
int FilterHistory(int factor, int fileTapCount) { return std::max(fileTapCount, 0) / factor; }

// L * G + 1 passes INT_MAX when L * G is INT_MAX (N = INT_MAX, L = 1 or N):
// a table that long could not be indexed. TapCount is set before Span, so
// this also keeps G + 1 from overflowing.
int FilterTapCount(int factor, int fileTapCount) {
    const std::int64_t taps = std::int64_t{factor} * FilterHistory(factor, fileTapCount) + 1;
    if (taps > std::numeric_limits<int>::max()) throw std::bad_alloc();
    return static_cast<int>(taps);
}

float FileStep(int inputLength, int factor, int outputLength) {
    if (outputLength == 0) return 0.0f;
    const std::int64_t grid = std::int64_t{inputLength} * factor;
    return static_cast<float>(static_cast<double>(grid) / outputLength);
}

}  // namespace

CUpSampler::CUpSampler(float frameDuration)
    : InputLength(velumor::FrameLength(frameDuration, kDefaultInputRate)),
      OutputLength(velumor::FrameLength(frameDuration, kDefaultOutputRate)),
      Factor(velumor::kUpFactor),
      Step(kDefaultStep),
      TapCount(velumor::kUpTapCount),
      Span(velumor::kUpTapCount / velumor::kUpFactor + 1) {
    Engine = Build(*this, velumor::FillUpFilter).release();
}

CUpSampler::CUpSampler(float frameDuration, float inputRate, float outputRate, int factor,
                       int fileTapCount, const char* coefficientFile)
    : InputLength(velumor::FrameLength(frameDuration, inputRate)),
      OutputLength(velumor::FrameLength(frameDuration, outputRate)),
      Factor(std::max(factor, 1)),
      Step(FileStep(InputLength, Factor, OutputLength)),
      TapCount(FilterTapCount(Factor, fileTapCount)),
      Span(FilterHistory(Factor, fileTapCount) + 1) {
    // The filter is the centre TapCount entries of the file's N.
    const int skip = (std::max(fileTapCount, 0) - TapCount) / 2;
    Engine = Build(*this, [&](float* coefficients) {
                 velumor::ReadCoefficients(coefficientFile, coefficients, skip, TapCount);
             }).release();
}

CUpSampler::~CUpSampler() {
    delete Engine;
    delete[] History;
    delete[] Coefficients;
    delete[] Work;
    delete[] UpperWeight;
    delete[] LowerWeight;
    delete[] Phase;
    delete[] BaseIndex;
}

void CUpSampler::Conversion(const short* src, short* dst) { Engine->Convert(*this, src, dst); }
