// The two algorithms compiled for Advanced SIMD (NEON), the aarch64 baseline, two doubles a vector; no target region is needed.
#include "kernels/isa/vector_code.h"

#if defined(__aarch64__)

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <arm_neon.h>
#include "common/aligned_array.h"
#include "kernels/layout/down_stripes.h"
#include "kernels/layout/up_lanes.h"
#include "kernels/ops/neon_ops.h"
#include "kernels/algorithms/down_stripes_kernel.h"
#include "kernels/algorithms/up_lanes_kernel.h"

namespace velumor {

namespace {

void Down(const DownStripes& stripes, const float* coefficients, int taps, const float* work,
          short* dst) {
    DownStripesKernel<NeonOps>::Convert(stripes, coefficients, taps, work, dst);
}

void Up(const UpLanes& lanes, const float* coefficients, const float* work,
        const float* upperWeight, const float* lowerWeight, short* dst) {
    UpLanesKernel<NeonOps>::Convert(lanes, coefficients, work, upperWeight, lowerWeight, dst);
}

}  // namespace

VectorCode NeonCode() {
    VectorCode code;
    code.lanes = NeonOps::kLanes;
    code.window = NeonOps::kWindow;
    code.down = Down;
    code.up = Up;
    return code;
}

}  // namespace velumor

#else

namespace velumor {

VectorCode NeonCode() { return {}; }

}  // namespace velumor

#endif
