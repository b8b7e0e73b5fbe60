// Finds the fastest code path the processor runs, once per process: a
// function-local constant, so there is no mutable global state and the
// first use from several threads at once is safe.
#include "kernels/kernel_path.h"

#include <initializer_list>

namespace velumor {

namespace {

bool ProcessorRuns(KernelPath path) {
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
    __builtin_cpu_init();
    switch (path) {
        case KernelPath::kAvx512:
            return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                   __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq");
        case KernelPath::kAvx2:
            return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        default:
            return true;
    }
#else
    return path == KernelPath::kScalar || path == KernelPath::kPortable;
#endif
}

}  // namespace

const char* KernelPathName(KernelPath path) {
    switch (path) {
        case KernelPath::kScalar: return "scalar";
        case KernelPath::kPortable: return "portable";
        case KernelPath::kAvx2: return "avx2";
        case KernelPath::kAvx512: return "avx512";
    }
    return "unknown";
}

bool KernelPathAvailable(KernelPath path) {
    for (const KernelPath known : kKernelPaths) {
        if (known == path) return ProcessorRuns(path);
    }
    return false;
}

KernelPath BestKernelPath() {
    static const KernelPath best = [] {
        for (const KernelPath path : {KernelPath::kAvx512, KernelPath::kAvx2}) {
            if (KernelPathAvailable(path)) return path;
        }
        return KernelPath::kPortable;
    }();
    return best;
}

}  // namespace velumor
