// The copy of a frame into a converter's Work, as floats, times a whole
// scale (1 for the downsampler, Factor for the upsampler).
#ifndef VELUMOR_KERNELS_FRAME_COPY_H
#define VELUMOR_KERNELS_FRAME_COPY_H

#include "kernels/kernel_path.h"

namespace velumor {

// dst[i] = src[i] * scale, for i < count, the product rounded once to a float.
using FrameCopy = void (*)(const short* src, float* dst, int count, int scale);

// The fastest copy for a path and scale.
FrameCopy FrameCopyFor(KernelPath path, int scale);

}  // namespace velumor

#endif
