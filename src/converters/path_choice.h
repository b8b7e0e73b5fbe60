// Which path a converter runs, shared by both converters.
#ifndef VELUMOR_CONVERTERS_PATH_CHOICE_H
#define VELUMOR_CONVERTERS_PATH_CHOICE_H

#include <optional>

#include "kernels/kernel_path.h"
#include "kernels/table/table_layout.h"

namespace velumor {

// The fastest path the processor runs, or the scalar one without a table
// plan, or when the portable path (two lanes wide on x86-64) would fill a
// table several times larger than the values its outputs use.
inline KernelPath ChoosePath(const std::optional<TablePlan>& plan) {
    constexpr double kPortableMostExcess = 3.0;
    if (!plan) return KernelPath::kScalar;
    const KernelPath best = BestKernelPath();
    if (best == KernelPath::kPortable && plan->excess > kPortableMostExcess) {
        return KernelPath::kScalar;
    }
    return best;
}

}  // namespace velumor

#endif
