#include "converters/up_engine.h"

#include <cstring>
#include <utility>

#include "converters/path_choice.h"
#include "velumor.h"

namespace velumor {

UpEngine::UpEngine(std::unique_ptr<UpKernel> kernel, KernelPath path, int factor)
    : kernel_(std::move(kernel)), path_(path), copy_(FrameCopyFor(path, factor)) {}

std::unique_ptr<UpEngine> UpEngine::ForConverter(const CUpSampler& converter) {
    const KernelPath path = ChoosePath(PlanUpTable(converter));
    if (path != KernelPath::kScalar) {
        if (std::unique_ptr<UpEngine> engine = OnPath(converter, path)) return engine;
    }
    return std::make_unique<UpEngine>(MakeScalarUpKernel(converter), KernelPath::kScalar, converter.Factor);
}

std::unique_ptr<UpEngine> UpEngine::OnPath(const CUpSampler& converter, KernelPath path) {
    if (path == KernelPath::kScalar) {
        return std::make_unique<UpEngine>(MakeScalarUpKernel(converter), path, converter.Factor);
    }
    if (path == KernelPath::kAvx512 && PlanUpTable(converter)) {
        if (std::unique_ptr<UpKernel> lanes = MakeLanesUpKernel(converter)) {
            return std::make_unique<UpEngine>(std::move(lanes), path, converter.Factor);
        }
    }
    return OnTable(converter, path);
}

std::unique_ptr<UpEngine> UpEngine::OnTable(const CUpSampler& converter, KernelPath path) {
    std::unique_ptr<UpKernel> table = MakeTableUpKernel(converter, path);
    if (!table) return nullptr;
    return std::make_unique<UpEngine>(std::move(table), path, converter.Factor);
}

void UpEngine::Convert(CUpSampler& s, const short* src, short* dst) {
    // Work = history, then the frame times Factor; the last G samples of the
    // stream so far become the next history.
    const std::size_t g = static_cast<std::size_t>(s.Span - 1);
    std::memcpy(s.Work, s.History, sizeof(float) * g);
    copy_(src, s.Work + g, s.InputLength, s.Factor);
    std::memcpy(s.History, s.Work + s.InputLength, sizeof(float) * g);
    kernel_->Convert(dst);
}

}  // namespace velumor
