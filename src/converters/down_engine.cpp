#include "converters/down_engine.h"

#include <cstring>
#include <utility>

#include "converters/path_choice.h"
#include "velumor.h"

namespace velumor {

DownEngine::DownEngine(std::unique_ptr<DownKernel> kernel, KernelPath path)
    : kernel_(std::move(kernel)), path_(path), copy_(FrameCopyFor(path, 1)) {}

std::unique_ptr<DownEngine> DownEngine::ForConverter(const CDownSampler& converter) {
    return EngineOfBestPath<DownEngine>(converter);
}

std::unique_ptr<DownEngine> DownEngine::OnPath(const CDownSampler& converter, KernelPath path) {
    std::unique_ptr<DownKernel> kernel = path == KernelPath::kScalar
                                             ? MakeScalarDownKernel(converter)
                                             : MakeStripesDownKernel(converter, path);
    if (!kernel) return nullptr;
    return std::make_unique<DownEngine>(std::move(kernel), path);
}

void DownEngine::Convert(CDownSampler& s, const short* src, short* dst) {
    // Work = history, then the frame; the last H samples of the stream so
    // far become the next history (they may still be history when the frame
    // is shorter than H).
    const std::size_t h = static_cast<std::size_t>(s.TapCount / 2);
    std::memcpy(s.Work, s.History, sizeof(float) * h);
    copy_(src, s.Work + h, s.InputLength, 1);
    std::memcpy(s.History, s.Work + s.InputLength, sizeof(float) * h);
    if (s.OutputLength < 1) return;
    // The first output of a frame is its first input sample, not filtered.
    dst[0] = s.InputLength > 0 ? src[0] : short{0};
    kernel_->Convert(dst + 1);
}

}  // namespace velumor
