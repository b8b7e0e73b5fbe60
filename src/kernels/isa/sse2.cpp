// The two algorithms compiled for SSE2, the x86-64 baseline, two doubles a vector; no target region is needed.
#include "kernels/isa/vector_code.h"

#if defined(__x86_64__)

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <emmintrin.h>
#include "common/aligned_array.h"
#include "kernels/layout/down_stripes.h"
#include "kernels/layout/up_lanes.h"
#include "kernels/ops/sse2_ops.h"
#include "kernels/algorithms/down_stripes_kernel.h"
#include "kernels/algorithms/up_lanes_kernel.h"

namespace velumor {

namespace {

void Down(const DownStripes& stripes, const float* coefficients, int taps, const float* work,
          short* dst) {
    DownStripesKernel<Sse2Ops>::Convert(stripes, coefficients, taps, work, dst);
}

void Up(const UpLanes& lanes, const float* coefficients, const float* work,
        const float* upperWeight, const float* lowerWeight, short* dst) {
    UpLanesKernel<Sse2Ops>::Convert(lanes, coefficients, work, upperWeight, lowerWeight, dst);
}

}  // namespace

VectorCode Sse2Code() {
    VectorCode code;
    code.lanes = Sse2Ops::kLanes;
    code.window = Sse2Ops::kWindow;
    code.down = Down;
    code.up = Up;
    return code;
}

}  // namespace velumor

#else

namespace velumor {

VectorCode Sse2Code() { return {}; }

}  // namespace velumor

#endif
