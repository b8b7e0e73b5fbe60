#include "converters/up_engine.h"

#include <cstring>
#include <utility>

#include "converters/path_choice.h"
#include "velumor.h"

namespace velumor {

UpEngine::UpEngine(std::unique_ptr<UpKernel> kernel, KernelPath path, int factor)
    : kernel_(std::move(kernel)), path_(path), copy_(FrameCopyFor(path, factor)) {}

std::unique_ptr<UpEngine> UpEngine::ForConverter(const CUpSampler& converter) {
    return EngineOfBestPath<UpEngine>(converter);
}

std::unique_ptr<UpEngine> UpEngine::OnPath(const CUpSampler& converter, KernelPath path) {
    std::unique_ptr<UpKernel> kernel = path == KernelPath::kScalar
                                           ? MakeScalarUpKernel(converter)
                                           : MakeLanesUpKernel(converter, path);
    if (!kernel) return nullptr;
    return std::make_unique<UpEngine>(std::move(kernel), path, converter.Factor);
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
