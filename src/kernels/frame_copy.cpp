#include "kernels/frame_copy.h"

#include "kernels/isa/vector_code.h"

namespace velumor {

namespace {

void CopyFrame(const short* src, float* dst, int count, int) {
    for (int i = 0; i < count; ++i) dst[i] = src[i];
}

void CopyScaledFrame(const short* src, float* dst, int count, int scale) {
    for (int i = 0; i < count; ++i) {
        dst[i] = static_cast<float>(static_cast<double>(src[i]) * scale);
    }
}

#if defined(__x86_64__)
void CopyFrameAvx512(const short* src, float* dst, int count, int scale) {
    WidenSamplesAvx512(src, dst, count, static_cast<float>(scale));
}

// The vector copy multiplies in float: the product of a sample and a scale
// that is a float exactly rounds once, as the double product does.
bool ExactInFloat(int scale) {
    return static_cast<double>(static_cast<float>(scale)) == static_cast<double>(scale);
}
#endif

}  // namespace

FrameCopy FrameCopyFor(KernelPath path, int scale) {
#if defined(__x86_64__)
    if (path == KernelPath::kAvx512 && KernelPathAvailable(path) && ExactInFloat(scale)) {
        return CopyFrameAvx512;
    }
#else
    static_cast<void>(path);
    static_cast<void>(scale);
#endif
    return scale == 1 ? CopyFrame : CopyScaledFrame;
}

}  // namespace velumor
