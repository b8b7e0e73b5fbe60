// The downsampler with AVX-512 over the stripes of down_stripes.h: eight
// outputs a vector, lane i of group j being output j + i * stride.
//
// Per frame: Work is transposed into `transposedWork` (eight rows at a time:
// eight loads, an 8 x 8 transpose of floats, eight widenings to double). Then each
// group's sums run tap by tap in increasing order, as the scalar path forms
// them: the samples of tap m are row groupRow + m blended with the row after
// it on the lanes whose window starts one sample later. That vector is tap
// m of the lower sum and tap m - 1 of the upper one, so one load and one
// blend feed two multiply-adds. Five groups run side by side, ten sums, so
// that the multiply-adds of one sum do not wait on each other even on cores
// with two 512-bit multiply-add units. Each tap is read from Coefficients
// and widened where the groups use it, once for five groups: cheaper than
// widening them all into an array first, and a caller who writes
// Coefficients still gets the taps it wrote. The outputs are mixed in the
// registers and stored group by group, then transposed into dst.
#include "kernels/avx512/avx512_kernels.h"
#include "kernels/avx512/down_stripes.h"
#include "kernels/avx512/sample_store_avx512.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <algorithm>

// GCC 12 takes the deliberately undefined source vectors inside the AVX-512
// intrinsics for uninitialised values.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

namespace {

constexpr int kLanes = DownStripes::kLanes;
constexpr int kGroups = 5;  // groups in flight

// Rows r .. r + 7 of the transposed Work: lane i of row r + t is
// column[i][t], widened to double.
VELUMOR_AVX512 inline void TransposeRows(const float* const (&column)[kLanes], int r,
                                         double* out) {
    __m256 a[kLanes];
    for (int i = 0; i < kLanes; ++i) a[i] = _mm256_loadu_ps(column[i] + r);
    __m256 pairs[kLanes];  // rows interleaved two by two
    for (int i = 0; i < kLanes; i += 2) {
        pairs[i] = _mm256_unpacklo_ps(a[i], a[i + 1]);
        pairs[i + 1] = _mm256_unpackhi_ps(a[i], a[i + 1]);
    }
    __m256 quads[kLanes];  // four by four, in each 128-bit half
    for (int i = 0; i < kLanes; i += 4) {
        quads[i] = _mm256_shuffle_ps(pairs[i], pairs[i + 2], 0x44);
        quads[i + 1] = _mm256_shuffle_ps(pairs[i], pairs[i + 2], 0xEE);
        quads[i + 2] = _mm256_shuffle_ps(pairs[i + 1], pairs[i + 3], 0x44);
        quads[i + 3] = _mm256_shuffle_ps(pairs[i + 1], pairs[i + 3], 0xEE);
    }
    for (int t = 0; t < 4; ++t) {
        const __m256 low = _mm256_permute2f128_ps(quads[t], quads[t + 4], 0x20);
        const __m256 high = _mm256_permute2f128_ps(quads[t], quads[t + 4], 0x31);
        _mm512_store_pd(out + t * kLanes, _mm512_cvtps_pd(low));
        _mm512_store_pd(out + (t + 4) * kLanes, _mm512_cvtps_pd(high));
    }
}

VELUMOR_AVX512 void TransposeFrame(const DownStripes& s, const float* work) {
    const float* column[kLanes];
    for (int i = 0; i < kLanes; ++i) column[i] = work + s.first + s.laneOffset[i];
    for (int r = 0; r < s.rows; r += kLanes) TransposeRows(column, r, s.transposedWork.data + r * kLanes);
}

// The mixing step and the sample store rule, for group j's lanes.
VELUMOR_AVX512 inline __m128i Mix(const DownStripes& s, int j, __m512d lower, __m512d upper) {
    const __m512d lowerValue = _mm512_cvtps_pd(_mm512_cvtpd_ps(lower));
    const __m512d upperValue = _mm512_cvtps_pd(_mm512_cvtpd_ps(upper));
    const __m512d upperWeight = _mm512_cvtps_pd(_mm256_load_ps(s.upperWeight.data + j * kLanes));
    const __m512d lowerWeight = _mm512_cvtps_pd(_mm256_load_ps(s.lowerWeight.data + j * kLanes));
    return StoreSamplesAvx512(
        _mm512_fmadd_pd(upperWeight, upperValue, _mm512_mul_pd(lowerWeight, lowerValue)));
}

// Groups j .. j + Count - 1, both sums of every lane.
template <int Count>
VELUMOR_AVX512 inline void Groups(const DownStripes& s, const float* c, int taps, int j) {
    const double* row[Count];
    __mmask8 blend[Count];
    __m512d lower[Count];
    __m512d upper[Count];
    __m512d x[Count];     // samples of tap m
    __m512d next[Count];  // row m + 1
    // The loops over the groups are unrolled in full, so that these arrays
    // live in registers; otherwise GCC keeps them on the stack around the
    // tap loop.
#pragma GCC unroll 8
    for (int g = 0; g < Count; ++g) {
        row[g] = s.transposedWork.data + std::ptrdiff_t{s.groupRow[j + g]} * kLanes;
        blend[g] = s.groupBlendMask[j + g];
        lower[g] = _mm512_setzero_pd();
        upper[g] = _mm512_setzero_pd();
        next[g] = _mm512_load_pd(row[g] + kLanes);
        x[g] = _mm512_mask_blend_pd(blend[g], _mm512_load_pd(row[g]), next[g]);
    }
    // Two taps a step, so that the samples move on without register copies.
    int m = 0;
    for (; m + 2 <= taps; m += 2) {
        const __m512d tap = _mm512_set1_pd(c[m]);
        const __m512d tap1 = _mm512_set1_pd(c[m + 1]);
#pragma GCC unroll 8
        for (int g = 0; g < Count; ++g) {
            const __m512d after = _mm512_load_pd(row[g] + (m + 2) * kLanes);
            const __m512d x1 = _mm512_mask_blend_pd(blend[g], next[g], after);
            lower[g] = _mm512_fmadd_pd(tap, x[g], lower[g]);
            upper[g] = _mm512_fmadd_pd(tap, x1, upper[g]);
            const __m512d after1 = _mm512_load_pd(row[g] + (m + 3) * kLanes);
            const __m512d x2 = _mm512_mask_blend_pd(blend[g], after, after1);
            lower[g] = _mm512_fmadd_pd(tap1, x1, lower[g]);
            upper[g] = _mm512_fmadd_pd(tap1, x2, upper[g]);
            x[g] = x2;
            next[g] = after1;
        }
    }
    if (m < taps) {
        const __m512d tap = _mm512_set1_pd(c[m]);
#pragma GCC unroll 8
        for (int g = 0; g < Count; ++g) {
            const __m512d after = _mm512_load_pd(row[g] + (m + 2) * kLanes);
            lower[g] = _mm512_fmadd_pd(tap, x[g], lower[g]);
            const __m512d x1 = _mm512_mask_blend_pd(blend[g], next[g], after);
            upper[g] = _mm512_fmadd_pd(tap, x1, upper[g]);
        }
    }
#pragma GCC unroll 8
    for (int g = 0; g < Count; ++g) {
        _mm_store_si128(reinterpret_cast<__m128i*>(s.results.data + (j + g) * kLanes),
                        Mix(s, j + g, lower[g], upper[g]));
    }
}

// The last 1 .. Count groups.
template <int Count>
VELUMOR_AVX512 inline void Remainder(const DownStripes& s, const float* c, int taps, int j,
                                     int left) {
    if (left == Count) {
        Groups<Count>(s, c, taps, j);
    } else if constexpr (Count > 1) {
        Remainder<Count - 1>(s, c, taps, j, left);
    }
}

// Groups j0 .. j0 + 7 into dst: lane i of group j is output j + i * stride.
VELUMOR_AVX512 inline void StoreOutputs(const DownStripes& s, int j0, short* dst) {
    __m128i a[kLanes];
    for (int g = 0; g < kLanes; ++g) {
        a[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(s.results.data + (j0 + g) * kLanes));
    }
    __m128i pairs[kLanes];
    for (int g = 0; g < kLanes; g += 2) {
        pairs[g] = _mm_unpacklo_epi16(a[g], a[g + 1]);
        pairs[g + 1] = _mm_unpackhi_epi16(a[g], a[g + 1]);
    }
    __m128i quads[kLanes];
    for (int g = 0; g < kLanes; g += 4) {
        quads[g] = _mm_unpacklo_epi32(pairs[g], pairs[g + 2]);
        quads[g + 1] = _mm_unpackhi_epi32(pairs[g], pairs[g + 2]);
        quads[g + 2] = _mm_unpacklo_epi32(pairs[g + 1], pairs[g + 3]);
        quads[g + 3] = _mm_unpackhi_epi32(pairs[g + 1], pairs[g + 3]);
    }
    for (int lane = 0; lane < kLanes; ++lane) {
        const int q = lane / 2;
        const __m128i outputs = lane % 2 == 0 ? _mm_unpacklo_epi64(quads[q], quads[q + 4])
                                              : _mm_unpackhi_epi64(quads[q], quads[q + 4]);
        const int start = j0 + lane * s.stride;
        const int count = std::min({kLanes, s.stride - j0, s.outputs - start});
        if (count <= 0) continue;
        const __mmask8 keep = static_cast<__mmask8>((1u << count) - 1u);
        _mm_mask_storeu_epi16(dst + start, keep, outputs);
    }
}

}  // namespace

VELUMOR_AVX512 void ConvertDownStripesAvx512(DownStripes& s, const float* coefficients, int taps,
                                             const float* work, short* dst) {
    TransposeFrame(s, work);
    int j = 0;
    for (; j + kGroups <= s.stride; j += kGroups) Groups<kGroups>(s, coefficients, taps, j);
    Remainder<kGroups - 1>(s, coefficients, taps, j, s.stride - j);
    for (int j0 = 0; j0 < s.stride; j0 += kLanes) StoreOutputs(s, j0, dst);
}

}  // namespace velumor

#endif
