// The upsampler is a polyphase interpolator: of the Factor-fold zero-stuffed
// and filtered input it computes only the two grid values around each output
// position, each from G input samples and every Factor-th coefficient.
// Conversion keeps Work and History up to date and hands the outputs to the
// code path picked at construction (conversion_kernels.h).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "builtin_filters.h"
#include "coefficient_reader.h"
#include "conversion_kernels.h"
#include "frame_length.h"
#include "numeric.h"
#include "owned_array.h"
#include "sample_store.h"
#include "up_lanes.h"
#include "velumor.h"

using velumor::KernelPath;
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
    std::unique_ptr<double[]> wide;
    std::unique_ptr<float[]> filtered;
    std::unique_ptr<velumor::UpLanes> lanes;
    double tableExcess = 0.0;  // table entries per value the outputs use
    int filteredCount = 0;
    int filteredStride = 0;
};

// A frame needs two grid values per output. The vector paths compute the
// Factor + 1 phase rows at every input position up to the last one used;
// that pays while it is not many times more than the values used.
constexpr std::int64_t kTableExcess = 16;

std::int64_t RoundUp(std::int64_t n, std::int64_t to) { return (n + to - 1) / to * to; }

// Sizes the table of grid values, if the geometry is worth one.
void PlanTable(const CUpSampler& s, UpArrays& a) {
    if (s.OutputLength < 1) return;
    const int* base = a.baseIndex.get();
    const std::int64_t count = std::int64_t{*std::max_element(base, base + s.OutputLength)} + 1;
    const std::int64_t stride = RoundUp(count, 8);
    const std::int64_t size = (std::int64_t{s.Factor} + 1) * stride;
    if (size > kTableExcess * 2 * s.OutputLength) return;
    a.tableExcess = static_cast<double>(size) / static_cast<double>(2 * std::int64_t{s.OutputLength});
    a.filteredCount = static_cast<int>(count);
    a.filteredStride = static_cast<int>(stride);
}

std::int64_t WorkSize(const CUpSampler& s) {
    return std::int64_t{std::max(s.InputLength, 1)} + HistoryLength(s);
}

void AllocateTableArrays(const CUpSampler& s, UpArrays& a) {
    const std::int64_t size = (std::int64_t{s.Factor} + 1) * a.filteredStride;
    a.wide = NewZeroedArray<double>(RoundUp(s.TapCount, 8) + WorkSize(s) + velumor::kKernelPadding);
    a.filtered = NewZeroedArray<float>(size + velumor::kKernelPadding);
}

// Allocates the arrays and fills the position tables. BaseIndex (from the
// frame lengths) and Phase (from Step) are computed independently.
UpArrays Allocate(const CUpSampler& s) {
    const int g = HistoryLength(s);
    UpArrays a;
    a.history = NewZeroedArray<float>(g);
    a.coefficients = NewZeroedArray<float>(s.TapCount);
    // A window reads Work[b + 1 .. b + G] with b < InputLength; an empty
    // frame still gets the one zero slot its windows reach.
    a.work = NewZeroedArray<float>(WorkSize(s));
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
    PlanTable(s, a);
    // Where a table pays, the AVX-512 path runs over one vector of grid
    // values per position instead (Factor 8 only); the table is then
    // allocated only if a test forces another path.
    if (a.filteredCount > 0 && velumor::BestKernelPath() == KernelPath::kAvx512) {
        a.lanes = velumor::MakeUpLanes(a.baseIndex.get(), a.phase.get(), s.OutputLength, s.Factor,
                                       g, static_cast<int>(WorkSize(s)));
    }
    if (a.filteredCount > 0 && !a.lanes) AllocateTableArrays(s, a);
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

int PathFor(const UpArrays& a) {
    return static_cast<int>(velumor::PathWithTable(a.filteredCount > 0, a.tableExcess));
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
      BaseIndex(nullptr),
      Path(0),
      FilteredCount(0),
      FilteredStride(0),
      Wide(nullptr),
      Filtered(nullptr),
      Lanes(nullptr) {
    UpArrays a = Allocate(*this);
    Path = PathFor(a);
    FilteredCount = a.filteredCount;
    FilteredStride = a.filteredStride;
    velumor::FillUpFilter(a.coefficients.get());
    Adopt(*this, a);
    Wide = a.wide.release();
    Filtered = a.filtered.release();
    Lanes = a.lanes.release();
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
      BaseIndex(nullptr),
      Path(0),
      FilteredCount(0),
      FilteredStride(0),
      Wide(nullptr),
      Filtered(nullptr),
      Lanes(nullptr) {
    UpArrays a = Allocate(*this);
    Path = PathFor(a);
    FilteredCount = a.filteredCount;
    FilteredStride = a.filteredStride;
    // The filter is the centre TapCount entries of the file's N.
    const int skip = (std::max(fileTapCount, 0) - TapCount) / 2;
    velumor::ReadCoefficients(coefficientFile, a.coefficients.get(), skip, TapCount);
    Adopt(*this, a);
    Wide = a.wide.release();
    Filtered = a.filtered.release();
    Lanes = a.lanes.release();
}

CUpSampler::~CUpSampler() {
    delete[] History;
    delete[] Coefficients;
    delete[] Work;
    delete[] UpperWeight;
    delete[] LowerWeight;
    delete[] Phase;
    delete[] BaseIndex;
    delete[] Wide;
    delete[] Filtered;
    delete Lanes;
}

bool VelumorKernelHook::EnsureTable(CUpSampler& s) {
    if (s.Filtered != nullptr) return true;
    if (s.FilteredCount == 0) return false;
    UpArrays a;
    a.filteredStride = s.FilteredStride;
    AllocateTableArrays(s, a);
    s.Wide = a.wide.release();
    s.Filtered = a.filtered.release();
    return true;
}

bool VelumorKernelHook::DropLanes(CUpSampler& s) {
    if (!EnsureTable(s)) return false;
    delete s.Lanes;
    s.Lanes = nullptr;
    return true;
}

void CUpSampler::Conversion(const short* src, short* dst) {
    const int g = HistoryLength(*this);
    // Work = history, then the frame times Factor; the last G samples of the
    // stream so far become the next history.
    const KernelPath path = static_cast<KernelPath>(Path);
    std::memcpy(Work, History, sizeof(float) * static_cast<std::size_t>(g));
#if defined(__x86_64__) || defined(__i386__)
    // With Factor 8 every product is a whole number below 2^19, exact in float.
    if (path == KernelPath::kAvx512 && Lanes != nullptr) {
        velumor::WidenSamplesAvx512(src, Work + g, InputLength, static_cast<float>(Factor));
    } else
#endif
    {
        for (int i = 0; i < InputLength; ++i) {
            Work[g + i] = static_cast<float>(static_cast<double>(src[i]) * Factor);
        }
    }
    std::memcpy(History, Work + InputLength, sizeof(float) * static_cast<std::size_t>(g));

    if (path == KernelPath::kScalar) {
        velumor::ConvertUpScalar(*this, dst);
        return;
    }
#if defined(__x86_64__) || defined(__i386__)
    if (path == KernelPath::kAvx512 && Lanes != nullptr) {
        velumor::ConvertUpLanesAvx512(*Lanes, Coefficients, Work, UpperWeight, LowerWeight, dst);
        return;
    }
#endif
    const velumor::UpFrame frame{Coefficients, TapCount, Factor, g, Work, g + InputLength, Wide,
                                 Wide + (TapCount + 7) / 8 * 8, FilteredCount, FilteredStride,
                                 Filtered, BaseIndex, Phase, UpperWeight, LowerWeight,
                                 OutputLength, dst};
    switch (path) {
#if defined(__x86_64__) || defined(__i386__)
        case KernelPath::kAvx512:
            velumor::ConvertUpAvx512(frame);
            break;
        case KernelPath::kAvx2:
            velumor::ConvertUpAvx2(frame);
            break;
#endif
        default:
            velumor::ConvertUpPortable(frame);
            break;
    }
}
