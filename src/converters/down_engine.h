// The private half of a CDownSampler: the kernel that computes its outputs,
// with the layout and scratch that kernel built, and the copy of each frame
// into Work. The converter holds one engine, chosen at construction; tests
// and benchmarks build others for the same converter to run every kernel.
#ifndef VELUMOR_CONVERTERS_DOWN_ENGINE_H
#define VELUMOR_CONVERTERS_DOWN_ENGINE_H

#include <memory>

#include "kernels/down_kernel.h"
#include "kernels/frame_copy.h"
#include "kernels/kernel_path.h"

class CDownSampler;

namespace velumor {

class DownEngine {
public:
    DownEngine(std::unique_ptr<DownKernel> kernel, KernelPath path);

    // The converter's own engine: the fastest path the processor runs, or
    // the scalar definition where that path's kernel does not take the
    // geometry.
    static std::unique_ptr<DownEngine> ForConverter(const CDownSampler& converter);

    // The kernel a path runs for this converter (its stripes on a vector
    // path); null when the processor lacks the path or its kernel does not
    // take the geometry.
    static std::unique_ptr<DownEngine> OnPath(const CDownSampler& converter, KernelPath path);

    KernelPath Path() const { return path_; }

    // One frame of the converter's stream, as CDownSampler::Conversion.
    void Convert(CDownSampler& converter, const short* src, short* dst);

private:
    std::unique_ptr<DownKernel> kernel_;
    KernelPath path_;
    FrameCopy copy_;
};

}  // namespace velumor

#endif
