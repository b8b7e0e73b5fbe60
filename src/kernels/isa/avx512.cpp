// The two algorithms compiled for AVX-512 (F, VL, BW, DQ), eight doubles a vector.
#include "kernels/isa/vector_code.h"

#if defined(__x86_64__)

// Every header that has code of its own comes first, outside the region
// compiled for the instruction set, so that no inline function of theirs
// is emitted with instructions that not every processor runs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <immintrin.h>
#include "common/aligned_array.h"
#include "kernels/layout/down_stripes.h"
#include "kernels/layout/up_lanes.h"

// The vectors never cross a call between code compiled for different sets,
// so GCC's note that their calling convention differs does not apply. GCC
// 12 also takes the deliberately undefined source vectors inside some
// intrinsics for uninitialised values.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")
#endif

#include "kernels/ops/avx512_ops.h"
#include "kernels/algorithms/down_stripes_kernel.h"
#include "kernels/algorithms/up_lanes_kernel.h"

namespace velumor {

namespace {

void Down(const DownStripes& stripes, const float* coefficients, int taps, const float* work,
          short* dst) {
    DownStripesKernel<Avx512Ops>::Convert(stripes, coefficients, taps, work, dst);
}

void Up(const UpLanes& lanes, const float* coefficients, const float* work,
        const float* upperWeight, const float* lowerWeight, short* dst) {
    UpLanesKernel<Avx512Ops>::Convert(lanes, coefficients, work, upperWeight, lowerWeight, dst);
}

}  // namespace

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

VectorCode Avx512Code() {
    VectorCode code;
    code.lanes = Avx512Ops::kLanes;
    code.window = Avx512Ops::kWindow;
    code.down = Down;
    code.up = Up;
    return code;
}

}  // namespace velumor

#else

namespace velumor {

VectorCode Avx512Code() { return {}; }

}  // namespace velumor

#endif
