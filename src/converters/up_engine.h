// The private half of a CUpSampler: the kernel that computes its outputs,
// with the layout and scratch that kernel built, and the copy of each frame
// into Work. The converter holds one engine, chosen at construction; tests
// and benchmarks build others for the same converter to run every kernel.
#ifndef VELUMOR_CONVERTERS_UP_ENGINE_H
#define VELUMOR_CONVERTERS_UP_ENGINE_H

#include <memory>

#include "kernels/frame_copy.h"
#include "kernels/kernel_path.h"
#include "kernels/up_kernel.h"

class CUpSampler;

namespace velumor {

class UpEngine {
public:
    UpEngine(std::unique_ptr<UpKernel> kernel, KernelPath path, int factor);

    // The converter's own engine: the fastest path the processor runs, or
    // the scalar definition where that path's kernel does not take the
    // geometry.
    static std::unique_ptr<UpEngine> ForConverter(const CUpSampler& converter);

    // The kernel a path runs for this converter (its lanes on a vector
    // path); null when the processor lacks the path or its kernel does not
    // take the geometry.
    static std::unique_ptr<UpEngine> OnPath(const CUpSampler& converter, KernelPath path);

    KernelPath Path() const { return path_; }

    // One frame of the converter's stream, as CUpSampler::Conversion.
    void Convert(CUpSampler& converter, const short* src, short* dst);

private:
    std::unique_ptr<UpKernel> kernel_;
    KernelPath path_;
    FrameCopy copy_;
};

}  // namespace velumor

#endif
