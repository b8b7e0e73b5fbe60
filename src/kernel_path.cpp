// Picks the fastest code path the processor runs, once per process: a
// function-local constant, so there is no mutable global state and the
// first use from several threads at once is safe.
#include <initializer_list>

#include "conversion_kernels.h"
#include "velumor.h"

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

bool KernelPathAvailable(KernelPath path) {
    const int index = static_cast<int>(path);
    if (index < 0 || index >= kKernelPathCount) return false;
    return ProcessorRuns(path);
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

KernelPath PathWithTable(bool hasTable, double tableExcess) {
    constexpr double kPortableExcess = 3.0;
    if (!hasTable) return KernelPath::kScalar;
    const KernelPath best = BestKernelPath();
    if (best == KernelPath::kPortable && tableExcess > kPortableExcess) return KernelPath::kScalar;
    return best;
}

}  // namespace velumor

// A converter without a table of filtered values runs only the scalar path.
bool VelumorKernelHook::ForcePath(CDownSampler& converter, velumor::KernelPath path) {
    if (!velumor::KernelPathAvailable(path)) return false;
    const bool onStripes = path == velumor::KernelPath::kAvx512 && converter.Stripes != nullptr;
    if (path != velumor::KernelPath::kScalar && !onStripes && !EnsureTable(converter)) return false;
    converter.Path = static_cast<int>(path);
    return true;
}

bool VelumorKernelHook::ForcePath(CUpSampler& converter, velumor::KernelPath path) {
    if (!velumor::KernelPathAvailable(path)) return false;
    const bool onLanes = path == velumor::KernelPath::kAvx512 && converter.Lanes != nullptr;
    if (path != velumor::KernelPath::kScalar && !onLanes && !EnsureTable(converter)) return false;
    converter.Path = static_cast<int>(path);
    return true;
}

velumor::KernelPath VelumorKernelHook::PathOf(const CDownSampler& converter) {
    return static_cast<velumor::KernelPath>(converter.Path);
}

velumor::KernelPath VelumorKernelHook::PathOf(const CUpSampler& converter) {
    return static_cast<velumor::KernelPath>(converter.Path);
}
