// The vector kernels behind the kernel interfaces: a path's layout, built
// for its vector width, and the code compiled for its instruction set.
#include <memory>
#include <utility>

#include "converters/work_length.h"
#include "kernels/down_kernel.h"
#include "kernels/isa/vector_code.h"
#include "kernels/layout/down_stripes.h"
#include "kernels/layout/up_lanes.h"
#include "kernels/up_kernel.h"
#include "velumor.h"

namespace velumor {

namespace {

// The path's code, empty where this build lacks it or the processor does
// not run it.
VectorCode CodeFor(KernelPath path) {
    if (!KernelPathAvailable(path)) return {};
    switch (path) {
        case KernelPath::kSse2: return Sse2Code();
        case KernelPath::kNeon: return NeonCode();
        case KernelPath::kAvx2: return Avx2Code();
        case KernelPath::kAvx512: return Avx512Code();
        default: return {};
    }
}

class StripesDownKernel final : public DownKernel {
public:
    StripesDownKernel(const CDownSampler& s, std::unique_ptr<DownStripes> stripes,
                      const VectorCode& code)
        : stripes_(std::move(stripes)), code_(code.down), coefficients_(s.Coefficients),
          taps_(s.TapCount), work_(s.Work) {}
    void Convert(short* dst) override { code_(*stripes_, coefficients_, taps_, work_, dst); }

private:
    std::unique_ptr<DownStripes> stripes_;
    decltype(VectorCode::down) code_;
    const float* coefficients_;
    int taps_;
    const float* work_;
};

class LanesUpKernel final : public UpKernel {
public:
    LanesUpKernel(const CUpSampler& s, std::unique_ptr<UpLanes> lanes, const VectorCode& code)
        : lanes_(std::move(lanes)), code_(code.up), coefficients_(s.Coefficients), work_(s.Work),
          upperWeight_(s.UpperWeight), lowerWeight_(s.LowerWeight) {}
    void Convert(short* dst) override {
        code_(*lanes_, coefficients_, work_, upperWeight_, lowerWeight_, dst);
    }

private:
    std::unique_ptr<UpLanes> lanes_;
    decltype(VectorCode::up) code_;
    const float* coefficients_;
    const float* work_;
    const float* upperWeight_;
    const float* lowerWeight_;
};

}  // namespace

std::unique_ptr<DownKernel> MakeStripesDownKernel(const CDownSampler& s, KernelPath path) {
    const VectorCode code = CodeFor(path);
    if (code.down == nullptr) return nullptr;
    std::unique_ptr<DownStripes> stripes =
        MakeDownStripes(s.BaseIndex, s.UpperWeight, s.LowerWeight, s.OutputLength, s.TapCount,
                        DownWorkCapacity(s), code.lanes);
    if (!stripes) return nullptr;
    return std::make_unique<StripesDownKernel>(s, std::move(stripes), code);
}

std::unique_ptr<UpKernel> MakeLanesUpKernel(const CUpSampler& s, KernelPath path) {
    const VectorCode code = CodeFor(path);
    if (code.up == nullptr) return nullptr;
    std::unique_ptr<UpLanes> lanes =
        MakeUpLanes(s.BaseIndex, s.Phase, s.OutputLength, s.Factor, s.Span - 1,
                    static_cast<int>(UpWorkLength(s)), code.lanes, code.window);
    if (!lanes) return nullptr;
    return std::make_unique<LanesUpKernel>(s, std::move(lanes), code);
}

}  // namespace velumor
