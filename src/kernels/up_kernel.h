// What computes an upsampler's outputs once Work holds the frame, and the
// algorithms that can.
#ifndef VELUMOR_KERNELS_UP_KERNEL_H
#define VELUMOR_KERNELS_UP_KERNEL_H

#include <memory>

#include "kernels/kernel_path.h"

class CUpSampler;

namespace velumor {

// Writes the OutputLength outputs of a frame to dst. A kernel lays out what
// it needs at construction, from the converter's position tables, and keeps
// pointers to the converter's arrays, which never move; it reads
// Coefficients on every frame. Every kernel gives the scalar kernel's bits.
class UpKernel {
public:
    virtual ~UpKernel() = default;
    virtual void Convert(short* dst) = 0;
};

// The literal definition, one output at a time; takes every geometry.
std::unique_ptr<UpKernel> MakeScalarUpKernel(const CUpSampler& converter);

// Vectors of neighbouring grid values per input position
// (layout/up_lanes.h) on a vector path; null where the processor lacks the
// path, a sum has no taps, or a position or phase lies outside the frame.
std::unique_ptr<UpKernel> MakeLanesUpKernel(const CUpSampler& converter, KernelPath path);

}  // namespace velumor

#endif
