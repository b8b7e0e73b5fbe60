// The instruction sets a converter's kernel can be compiled for, and which
// of them this processor runs.
#ifndef VELUMOR_KERNELS_KERNEL_PATH_H
#define VELUMOR_KERNELS_KERNEL_PATH_H

namespace velumor {

enum class KernelPath : int {
    kScalar = 0,    // the literal definitions, one output at a time
    kPortable = 1,  // vector kernels for the architecture's baseline
    kAvx2 = 2,      // vector kernels with AVX2 and FMA
    kAvx512 = 3,    // vector kernels with AVX-512
};

// Every path, slowest first.
constexpr KernelPath kKernelPaths[] = {KernelPath::kScalar, KernelPath::kPortable,
                                       KernelPath::kAvx2, KernelPath::kAvx512};

// A short lower-case name ("scalar", "portable", "avx2", "avx512").
const char* KernelPathName(KernelPath path);

// True when this build has the path and the processor runs it.
bool KernelPathAvailable(KernelPath path);

// The fastest available path; found once, then constant.
KernelPath BestKernelPath();

}  // namespace velumor

#endif
