// The AVX-512 layouts behind the kernel interfaces. Built only where the
// processor runs AVX-512; the code they call is compiled for it alone.
#include <memory>
#include <utility>

#include "converters/work_length.h"
#include "kernels/avx512/avx512_kernels.h"
#include "kernels/avx512/down_stripes.h"
#include "kernels/avx512/up_lanes.h"
#include "kernels/down_kernel.h"
#include "kernels/up_kernel.h"
#include "velumor.h"

namespace velumor {

#if defined(__x86_64__) || defined(__i386__)

namespace {

class StripesDownKernel final : public DownKernel {
public:
    StripesDownKernel(const CDownSampler& s, std::unique_ptr<DownStripes> stripes)
        : stripes_(std::move(stripes)), coefficients_(s.Coefficients), taps_(s.TapCount),
          work_(s.Work) {}
    void Convert(short* dst) override {
        ConvertDownStripesAvx512(*stripes_, coefficients_, taps_, work_, dst);
    }

private:
    std::unique_ptr<DownStripes> stripes_;
    const float* coefficients_;
    int taps_;
    const float* work_;
};

class LanesUpKernel final : public UpKernel {
public:
    LanesUpKernel(const CUpSampler& s, std::unique_ptr<UpLanes> lanes)
        : lanes_(std::move(lanes)), coefficients_(s.Coefficients), work_(s.Work),
          upperWeight_(s.UpperWeight), lowerWeight_(s.LowerWeight) {}
    void Convert(short* dst) override {
        ConvertUpLanesAvx512(*lanes_, coefficients_, work_, upperWeight_, lowerWeight_, dst);
    }

private:
    std::unique_ptr<UpLanes> lanes_;
    const float* coefficients_;
    const float* work_;
    const float* upperWeight_;
    const float* lowerWeight_;
};

}  // namespace

std::unique_ptr<DownKernel> MakeStripesDownKernel(const CDownSampler& s) {
    if (!KernelPathAvailable(KernelPath::kAvx512)) return nullptr;
    std::unique_ptr<DownStripes> stripes =
        MakeDownStripes(s.BaseIndex, s.UpperWeight, s.LowerWeight, s.OutputLength, s.TapCount,
                        DownWorkCapacity(s));
    if (!stripes) return nullptr;
    return std::make_unique<StripesDownKernel>(s, std::move(stripes));
}

std::unique_ptr<UpKernel> MakeLanesUpKernel(const CUpSampler& s) {
    if (!KernelPathAvailable(KernelPath::kAvx512)) return nullptr;
    std::unique_ptr<UpLanes> lanes =
        MakeUpLanes(s.BaseIndex, s.Phase, s.OutputLength, s.Factor, s.Span - 1,
                    static_cast<int>(UpWorkLength(s)));
    if (!lanes) return nullptr;
    return std::make_unique<LanesUpKernel>(s, std::move(lanes));
}

#else

std::unique_ptr<DownKernel> MakeStripesDownKernel(const CDownSampler&) { return nullptr; }
std::unique_ptr<UpKernel> MakeLanesUpKernel(const CUpSampler&) { return nullptr; }

#endif

}  // namespace velumor
