// The downsampler evaluates its filter at the two whole input positions
// around each output position and interpolates linearly between them.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "builtin_filters.h"
#include "coefficient_reader.h"
#include "frame_length.h"
#include "numeric.h"
#include "owned_array.h"
#include "sample_store.h"
#include "velumor.h"

using velumor::NewZeroedArray;

namespace {

constexpr float kDefaultInputRate = 22050.0f;
constexpr float kDefaultOutputRate = 8000.0f;
// The nearest single to 22050 / 8000, just below it.
constexpr float kDefaultStep = 2.75625f;

int HalfTaps(const CDownSampler& s) { return s.TapCount / 2; }

// The arrays of one converter, held until construction has succeeded.
struct DownArrays {
    std::unique_ptr<float[]> history;
    std::unique_ptr<float[]> coefficients;
    std::unique_ptr<float[]> work;
    std::unique_ptr<int[]> baseIndex;
    std::unique_ptr<float[]> upperWeight;
    std::unique_ptr<float[]> lowerWeight;
};

// Fills the position tables and sizes Work so that every window lies in it:
// Work holds H history samples, the frame, and a zero tail of at least H
// that also covers the last window of any geometry. A position past the
// frame (or before the history) is clamped to the first tail slot (or 0);
// the window there reads only zeros, as the positions past the frame do.
DownArrays Allocate(const CDownSampler& s) {
    const int h = HalfTaps(s);
    const std::int64_t frameEnd = std::int64_t{s.InputLength} + h;
    DownArrays a;
    a.history = NewZeroedArray<float>(h);
    a.coefficients = NewZeroedArray<float>(s.TapCount);
    a.baseIndex = NewZeroedArray<int>(s.OutputLength);
    a.upperWeight = NewZeroedArray<float>(s.OutputLength);
    a.lowerWeight = NewZeroedArray<float>(s.OutputLength);

    std::int64_t lastBase = 0;
    for (int j = 0; j < s.OutputLength; ++j) {
        const double p = j * static_cast<double>(s.Step);
        const int base = velumor::LowBits32(velumor::TruncateToInt64(p));
        a.upperWeight[j] = static_cast<float>(p - base);
        a.lowerWeight[j] = static_cast<float>(1.0 - static_cast<double>(a.upperWeight[j]));
        const std::int64_t clamped = std::min<std::int64_t>(std::max(base, 0), frameEnd);
        a.baseIndex[j] = static_cast<int>(clamped);
        lastBase = std::max(lastBase, clamped);
    }
    // Both sums of a window starting at m read Work[m .. m + TapCount].
    const std::int64_t workSize = std::max(frameEnd + h, lastBase + s.TapCount + 1);
    a.work = NewZeroedArray<float>(workSize);
    return a;
}

void Adopt(CDownSampler& s, DownArrays& a) {
    s.History = a.history.release();
    s.Coefficients = a.coefficients.release();
    s.Work = a.work.release();
    s.BaseIndex = a.baseIndex.release();
    s.UpperWeight = a.upperWeight.release();
    s.LowerWeight = a.lowerWeight.release();
}

}  // namespace

CDownSampler::CDownSampler(float frameDuration)
    : InputLength(velumor::FrameLength(frameDuration, kDefaultInputRate)),
      OutputLength(velumor::FrameLength(frameDuration, kDefaultOutputRate)),
      Step(kDefaultStep),
      TapCount(velumor::kDownTapCount),
      Coefficients(nullptr),
      History(nullptr),
      Work(nullptr),
      BaseIndex(nullptr),
      UpperWeight(nullptr),
      LowerWeight(nullptr) {
    DownArrays a = Allocate(*this);
    velumor::FillDownFilter(a.coefficients.get());
    Adopt(*this, a);
}

CDownSampler::CDownSampler(float frameDuration, float inputRate, float outputRate, int tapCount,
                           const char* coefficientFile)
    : InputLength(velumor::FrameLength(frameDuration, inputRate)),
      OutputLength(velumor::FrameLength(frameDuration, outputRate)),
      Step(static_cast<float>(static_cast<double>(inputRate) / static_cast<double>(outputRate))),
      TapCount(std::max(tapCount, 0)),
      Coefficients(nullptr),
      History(nullptr),
      Work(nullptr),
      BaseIndex(nullptr),
      UpperWeight(nullptr),
      LowerWeight(nullptr) {
    DownArrays a = Allocate(*this);
    velumor::ReadCoefficients(coefficientFile, a.coefficients.get(), 0, TapCount);
    Adopt(*this, a);
}

CDownSampler::~CDownSampler() {
    delete[] History;
    delete[] Coefficients;
    delete[] Work;
    delete[] BaseIndex;
    delete[] UpperWeight;
    delete[] LowerWeight;
}

void CDownSampler::Conversion(const short* src, short* dst) {
    const int h = HalfTaps(*this);
    // Work = history, then the frame; the last H samples of the stream so far
    // become the next history (they may still be history when the frame is
    // shorter than H).
    std::memcpy(Work, History, sizeof(float) * static_cast<std::size_t>(h));
    for (int i = 0; i < InputLength; ++i) Work[h + i] = src[i];
    std::memcpy(History, Work + InputLength, sizeof(float) * static_cast<std::size_t>(h));

    if (OutputLength < 1) return;
    // The first output of a frame is its first input sample, not filtered.
    dst[0] = InputLength > 0 ? src[0] : short{0};
    for (int j = 1; j < OutputLength; ++j) {
        const float* window = Work + BaseIndex[j];
        double lower = 0.0;  // filter centred on input BaseIndex[j]
        double upper = 0.0;  // and on the one after it
        for (int k = 0; k < TapCount; ++k) {
            const double c = Coefficients[k];
            lower += c * static_cast<double>(window[k]);
            upper += c * static_cast<double>(window[k + 1]);
        }
        const double v = static_cast<double>(UpperWeight[j]) * static_cast<float>(upper) +
                         static_cast<double>(LowerWeight[j]) * static_cast<float>(lower);
        dst[j] = velumor::StoreSample(v);
    }
}
