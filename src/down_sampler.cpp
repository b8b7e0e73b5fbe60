// The downsampler evaluates its filter at the two whole input positions
// around each output position and interpolates linearly between them.
// Conversion keeps Work and History up to date and hands the outputs to the
// code path picked at construction (conversion_kernels.h).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "builtin_filters.h"
#include "coefficient_reader.h"
#include "conversion_kernels.h"
#include "down_stripes.h"
#include "frame_length.h"
#include "numeric.h"
#include "owned_array.h"
#include "sample_store.h"
#include "velumor.h"

using velumor::KernelPath;
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
    std::unique_ptr<double[]> wide;
    std::unique_ptr<float[]> filtered;
    std::unique_ptr<velumor::DownStripes> stripes;
    double tableExcess = 0.0;  // table entries per value the outputs use
    int filteredFirst = 0;
    int filteredCount = 0;
};

// A frame needs two filtered values per output after the first. The vector
// paths compute every value from the first to the last one needed; that pays
// while it is not many times more than the values used.
constexpr std::int64_t kTableExcess = 16;

std::int64_t RoundUp(std::int64_t n, std::int64_t to) { return (n + to - 1) / to * to; }

// Sizes the table of filtered values, if the geometry is worth one.
void PlanTable(const CDownSampler& s, DownArrays& a) {
    if (s.OutputLength < 2) return;
    const int* base = a.baseIndex.get();
    const int first = *std::min_element(base + 1, base + s.OutputLength);
    const int last = *std::max_element(base + 1, base + s.OutputLength);
    const std::int64_t count = std::int64_t{last} - first + 2;
    if (count > kTableExcess * 2 * (s.OutputLength - 1)) return;
    a.tableExcess =
        static_cast<double>(count) / static_cast<double>(2 * std::int64_t{s.OutputLength - 1});
    a.filteredFirst = first;
    a.filteredCount = static_cast<int>(count);
}

void AllocateTableArrays(const CDownSampler& s, std::int64_t workSize, DownArrays& a) {
    a.wide = NewZeroedArray<double>(RoundUp(s.TapCount, 8) + workSize + velumor::kKernelPadding);
    a.filtered = NewZeroedArray<float>(a.filteredCount + velumor::kKernelPadding);
}

// Both sums of a window starting at m read Work[m .. m + TapCount]; Work
// holds at least H history samples, the frame and a zero tail of H.
std::int64_t WorkSize(const CDownSampler& s, const int* baseIndex) {
    const std::int64_t lastBase =
        s.OutputLength > 0 ? *std::max_element(baseIndex, baseIndex + s.OutputLength) : 0;
    return std::max(std::int64_t{s.InputLength} + 2 * HalfTaps(s), lastBase + s.TapCount + 1);
}

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

    for (int j = 0; j < s.OutputLength; ++j) {
        const double p = j * static_cast<double>(s.Step);
        const int base = velumor::LowBits32(velumor::TruncateToInt64(p));
        a.upperWeight[j] = static_cast<float>(p - base);
        a.lowerWeight[j] = static_cast<float>(1.0 - static_cast<double>(a.upperWeight[j]));
        const std::int64_t clamped = std::min<std::int64_t>(std::max(base, 0), frameEnd);
        a.baseIndex[j] = static_cast<int>(clamped);
    }
    const std::int64_t workSize = WorkSize(s, a.baseIndex.get());
    PlanTable(s, a);
    // Where a table pays, the AVX-512 path runs over stripes of the outputs
    // instead; the table is then allocated only if a test forces another path.
    if (a.filteredCount > 0 && velumor::BestKernelPath() == KernelPath::kAvx512) {
        a.stripes = velumor::MakeDownStripes(a.baseIndex.get(), a.upperWeight.get(),
                                             a.lowerWeight.get(), s.OutputLength, s.TapCount);
    }
    // The zero tail runs on past Work for the whole vectors the kernels load.
    std::int64_t allocated = workSize + velumor::kKernelPadding;
    if (a.stripes) allocated = std::max(allocated, a.stripes->workNeeded);
    a.work = NewZeroedArray<float>(allocated);
    if (a.filteredCount > 0 && !a.stripes) AllocateTableArrays(s, workSize, a);
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

int PathFor(const DownArrays& a) {
    return static_cast<int>(velumor::PathWithTable(a.filteredCount > 0, a.tableExcess));
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
      LowerWeight(nullptr),
      Path(0),
      FilteredFirst(0),
      FilteredCount(0),
      Wide(nullptr),
      Filtered(nullptr),
      Stripes(nullptr) {
    DownArrays a = Allocate(*this);
    Path = PathFor(a);
    FilteredFirst = a.filteredFirst;
    FilteredCount = a.filteredCount;
    velumor::FillDownFilter(a.coefficients.get());
    Adopt(*this, a);
    Wide = a.wide.release();
    Filtered = a.filtered.release();
    Stripes = a.stripes.release();
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
      LowerWeight(nullptr),
      Path(0),
      FilteredFirst(0),
      FilteredCount(0),
      Wide(nullptr),
      Filtered(nullptr),
      Stripes(nullptr) {
    DownArrays a = Allocate(*this);
    Path = PathFor(a);
    FilteredFirst = a.filteredFirst;
    FilteredCount = a.filteredCount;
    velumor::ReadCoefficients(coefficientFile, a.coefficients.get(), 0, TapCount);
    Adopt(*this, a);
    Wide = a.wide.release();
    Filtered = a.filtered.release();
    Stripes = a.stripes.release();
}

CDownSampler::~CDownSampler() {
    delete[] History;
    delete[] Coefficients;
    delete[] Work;
    delete[] BaseIndex;
    delete[] UpperWeight;
    delete[] LowerWeight;
    delete[] Wide;
    delete[] Filtered;
    delete Stripes;
}

bool VelumorKernelHook::EnsureTable(CDownSampler& s) {
    if (s.Filtered != nullptr) return true;
    if (s.FilteredCount == 0) return false;
    DownArrays a;
    a.filteredCount = s.FilteredCount;
    AllocateTableArrays(s, WorkSize(s, s.BaseIndex), a);
    s.Wide = a.wide.release();
    s.Filtered = a.filtered.release();
    return true;
}

bool VelumorKernelHook::DropStripes(CDownSampler& s) {
    if (!EnsureTable(s)) return false;
    delete s.Stripes;
    s.Stripes = nullptr;
    return true;
}

void CDownSampler::Conversion(const short* src, short* dst) {
    const int h = HalfTaps(*this);
    // Work = history, then the frame; the last H samples of the stream so far
    // become the next history (they may still be history when the frame is
    // shorter than H).
    const KernelPath path = static_cast<KernelPath>(Path);
    std::memcpy(Work, History, sizeof(float) * static_cast<std::size_t>(h));
#if defined(__x86_64__) || defined(__i386__)
    if (path == KernelPath::kAvx512) {
        velumor::WidenSamplesAvx512(src, Work + h, InputLength, 1.0f);
    } else
#endif
    {
        for (int i = 0; i < InputLength; ++i) Work[h + i] = src[i];
    }
    std::memcpy(History, Work + InputLength, sizeof(float) * static_cast<std::size_t>(h));

    if (OutputLength < 1) return;
    // The first output of a frame is its first input sample, not filtered.
    dst[0] = InputLength > 0 ? src[0] : short{0};
    if (path == KernelPath::kScalar) {
        velumor::ConvertDownScalar(*this, dst);
        return;
    }
#if defined(__x86_64__) || defined(__i386__)
    if (path == KernelPath::kAvx512 && Stripes != nullptr) {
        velumor::ConvertDownStripesAvx512(*Stripes, Coefficients, TapCount, Work, dst + 1);
        return;
    }
#endif
    const velumor::DownFrame frame{Coefficients, TapCount, Work, h + InputLength,
                                   Wide, Wide + (TapCount + 7) / 8 * 8, FilteredFirst,
                                   FilteredCount, Filtered, BaseIndex + 1, UpperWeight + 1,
                                   LowerWeight + 1, OutputLength - 1, dst + 1};
    switch (path) {
#if defined(__x86_64__) || defined(__i386__)
        case KernelPath::kAvx512:
            velumor::ConvertDownAvx512(frame);
            break;
        case KernelPath::kAvx2:
            velumor::ConvertDownAvx2(frame);
            break;
#endif
        default:
            velumor::ConvertDownPortable(frame);
            break;
    }
}
