// The upsampler is a polyphase interpolator: of the Factor-fold zero-stuffed
// and filtered input it computes only the two grid values around each output
// position, each from G input samples and every Factor-th coefficient.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "builtin_filters.h"
#include "coefficient_reader.h"
#include "frame_length.h"
#include "numeric.h"
#include "owned_array.h"
#include "sample_store.h"
#include "velumor.h"

using velumor::NewZeroedArray;

namespace {

constexpr float kDefaultInputRate = 8000.0f;
constexpr float kDefaultOutputRate = 22050.0f;
// The nearest single to 8 * 8000 / 22050.
constexpr float kDefaultStep = 2.9024944f;

int HistoryLength(const CUpSampler& s) { return s.Span - 1; }

// The arrays of one converter, held until construction has succeeded.
struct UpArrays {
    std::unique_ptr<float[]> history;
    std::unique_ptr<float[]> coefficients;
    std::unique_ptr<float[]> work;
    std::unique_ptr<float[]> upperWeight;
    std::unique_ptr<float[]> lowerWeight;
    std::unique_ptr<int[]> phase;
    std::unique_ptr<int[]> baseIndex;
};

// Allocates the arrays and fills the position tables. BaseIndex (from the
// frame lengths) and Phase (from Step) are computed independently.
UpArrays Allocate(const CUpSampler& s) {
    const int g = HistoryLength(s);
    UpArrays a;
    a.history = NewZeroedArray<float>(g);
    a.coefficients = NewZeroedArray<float>(s.TapCount);
    // A window reads Work[b + 1 .. b + G] with b < InputLength; an empty
    // frame still gets the one zero slot its windows reach.
    a.work = NewZeroedArray<float>(std::int64_t{std::max(s.InputLength, 1)} + g);
    a.upperWeight = NewZeroedArray<float>(s.OutputLength);
    a.lowerWeight = NewZeroedArray<float>(s.OutputLength);
    a.phase = NewZeroedArray<int>(s.OutputLength);
    a.baseIndex = NewZeroedArray<int>(s.OutputLength);
    for (int j = 0; j < s.OutputLength; ++j) {
        const double p = j * static_cast<double>(s.Step);
        const std::int64_t k = velumor::TruncateToInt64(p);
        a.phase[j] = static_cast<int>(k % s.Factor);
        a.baseIndex[j] = static_cast<int>(std::int64_t{s.InputLength} * j / s.OutputLength);
        a.lowerWeight[j] = static_cast<float>(static_cast<double>(k + 1) - p);
        a.upperWeight[j] = static_cast<float>(1.0 - static_cast<double>(a.lowerWeight[j]));
    }
    return a;
}

void Adopt(CUpSampler& s, UpArrays& a) {
    s.History = a.history.release();
    s.Coefficients = a.coefficients.release();
    s.Work = a.work.release();
    s.UpperWeight = a.upperWeight.release();
    s.LowerWeight = a.lowerWeight.release();
    s.Phase = a.phase.release();
    s.BaseIndex = a.baseIndex.release();
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
      Span(velumor::kUpTapCount / velumor::kUpFactor + 1),
      Coefficients(nullptr),
      History(nullptr),
      Work(nullptr),
      UpperWeight(nullptr),
      LowerWeight(nullptr),
      Phase(nullptr),
      BaseIndex(nullptr) {
    UpArrays a = Allocate(*this);
    velumor::FillUpFilter(a.coefficients.get());
    Adopt(*this, a);
}

CUpSampler::CUpSampler(float frameDuration, float inputRate, float outputRate, int factor,
                       int fileTapCount, const char* coefficientFile)
    : InputLength(velumor::FrameLength(frameDuration, inputRate)),
      OutputLength(velumor::FrameLength(frameDuration, outputRate)),
      Factor(std::max(factor, 1)),
      Step(FileStep(InputLength, Factor, OutputLength)),
      TapCount(FilterTapCount(Factor, fileTapCount)),
      Span(FilterHistory(Factor, fileTapCount) + 1),
      Coefficients(nullptr),
      History(nullptr),
      Work(nullptr),
      UpperWeight(nullptr),
      LowerWeight(nullptr),
      Phase(nullptr),
      BaseIndex(nullptr) {
    UpArrays a = Allocate(*this);
    // The filter is the centre TapCount entries of the file's N.
    const int skip = (std::max(fileTapCount, 0) - TapCount) / 2;
    velumor::ReadCoefficients(coefficientFile, a.coefficients.get(), skip, TapCount);
    Adopt(*this, a);
}

CUpSampler::~CUpSampler() {
    delete[] History;
    delete[] Coefficients;
    delete[] Work;
    delete[] UpperWeight;
    delete[] LowerWeight;
    delete[] Phase;
    delete[] BaseIndex;
}

void CUpSampler::Conversion(const short* src, short* dst) {
    const int g = HistoryLength(*this);
    // Work = history, then the frame times Factor; the last G samples of the
    // stream so far become the next history.
    std::memcpy(Work, History, sizeof(float) * static_cast<std::size_t>(g));
    for (int i = 0; i < InputLength; ++i) {
        Work[g + i] = static_cast<float>(static_cast<double>(src[i]) * Factor);
    }
    std::memcpy(History, Work + InputLength, sizeof(float) * static_cast<std::size_t>(g));

    for (int j = 0; j < OutputLength; ++j) {
        const float* input = Work + BaseIndex[j] + 1;
        // Coefficients of the phase's grid value (A) and of the next one (B).
        const float* taps = Coefficients + (Factor - Phase[j]);
        double a = 0.0;
        double b = 0.0;
        for (int k = 0; k < g; ++k) {
            const double x = input[k];
            a += x * static_cast<double>(taps[k * Factor]);
            b += x * static_cast<double>(taps[k * Factor - 1]);
        }
        const double v = static_cast<double>(UpperWeight[j]) * static_cast<float>(b) +
                         static_cast<double>(LowerWeight[j]) * static_cast<float>(a);
        dst[j] = velumor::StoreSample(v);
    }
}
