// What computes a downsampler's outputs once Work holds the frame, and the
// algorithms that can.
#ifndef VELUMOR_KERNELS_DOWN_KERNEL_H
#define VELUMOR_KERNELS_DOWN_KERNEL_H

#include <memory>

#include "kernels/kernel_path.h"

class CDownSampler;

namespace velumor {

// Writes outputs 1 .. OutputLength - 1 of a frame to dst[0 .. OutputLength - 2].
// A kernel lays out what it needs at construction, from the converter's
// position tables, and keeps pointers to the converter's arrays, which never
// move; it reads Coefficients on every frame, so a caller who writes them
// gets what it wrote. Every kernel gives the scalar kernel's bits.
class DownKernel {
public:
    virtual ~DownKernel() = default;
    virtual void Convert(short* dst) = 0;
};

// The literal definition, one output at a time; takes every geometry.
std::unique_ptr<DownKernel> MakeScalarDownKernel(const CDownSampler& converter);

// The stripes of outputs (layout/down_stripes.h) on a vector path; null
// where the processor lacks the path or the positions do not grow along the
// frame (only where they were clamped or wrapped).
std::unique_ptr<DownKernel> MakeStripesDownKernel(const CDownSampler& converter, KernelPath path);

}  // namespace velumor

#endif
