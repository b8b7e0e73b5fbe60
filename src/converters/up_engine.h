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

    // The converter's own engine: the fastest path the processor runs, on
    // the scalar kernel where a table of grid values would not pay.
    static std::unique_ptr<UpEngine> ForConverter(const CUpSampler& converter);

    // The kernel a path runs for this converter (on AVX-512 its lanes for
    // Factor 8, else its table kernel); null when the processor lacks the
    // path or the geometry has no table for it.
    static std::unique_ptr<UpEngine> OnPath(const CUpSampler& converter, KernelPath path);

    // The path's table kernel even where a layout of its own would serve.
    static std::unique_ptr<UpEngine> OnTable(const CUpSampler& converter, KernelPath path);

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
