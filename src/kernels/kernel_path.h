// The instruction sets a converter's kernel can be compiled for, and which
// of them this processor runs.
#ifndef VELUMOR_KERNELS_KERNEL_PATH_H
#define VELUMOR_KERNELS_KERNEL_PATH_H

namespace velumor {

enum class KernelPath : int {
    kScalar = 0,  // the literal definitions, one output at a time
    kSse2 = 1,    // two doubles a vector: the x86-64 baseline
    kNeon = 2,    // two doubles a vector: Advanced SIMD, the aarch64 baseline
    kAvx2 = 3,    // four doubles a vector, with FMA
    kAvx512 = 4,  // eight doubles a vector
};

// Every path, slowest first.
constexpr KernelPath kKernelPaths[] = {KernelPath::kScalar, KernelPath::kSse2, KernelPath::kNeon,
                                       KernelPath::kAvx2, KernelPath::kAvx512};

// A short lower-case name ("scalar", "sse2", "neon", "avx2", "avx512").
const char* KernelPathName(KernelPath path);

// True when this build has the path and the processor runs it.
bool KernelPathAvailable(KernelPath path);

// The fastest available path; found once, then constant.
KernelPath BestKernelPath();

}  // namespace velumor

#endif
