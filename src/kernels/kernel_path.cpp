// Finds the fastest code path the processor runs, once per process: a
// function-local constant, so there is no mutable global state and the
// first use from several threads at once is safe.
#include "kernels/kernel_path.h"

namespace velumor {

namespace {

bool ProcessorRuns(KernelPath path) {
    switch (path) {
        case KernelPath::kScalar: return true;
#if defined(__x86_64__) && defined(__GNUC__)
        case KernelPath::kSse2: return true;
        case KernelPath::kAvx2:
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        case KernelPath::kAvx512:
            __builtin_cpu_init();
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                   __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq");
#elif defined(__aarch64__)
        case KernelPath::kNeon: return true;
#endif
        default: return false;
    }
}

}  // namespace

const char* KernelPathName(KernelPath path) {
    switch (path) {
        case KernelPath::kScalar: return "scalar";
        case KernelPath::kSse2: return "sse2";
        case KernelPath::kNeon: return "neon";
        case KernelPath::kAvx2: return "avx2";
        case KernelPath::kAvx512: return "avx512";
    }
    return "unknown";
}

bool KernelPathAvailable(KernelPath path) { return ProcessorRuns(path); }

KernelPath BestKernelPath() {
    static const KernelPath best = [] {
        KernelPath fastest = KernelPath::kScalar;
        for (const KernelPath path : kKernelPaths) {
            if (ProcessorRuns(path)) fastest = path;
        }
        return fastest;
    }();
    return best;
}

}  // namespace velumor
