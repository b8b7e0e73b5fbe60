// Mixing with AVX-512: sixteen outputs at a time, their two table entries
// fetched with gather instructions from index vectors (the portable code
// would move each entry through a general register), the weighted sum formed
// in double, and the sample store rule applied with masks. The last, partial
// group runs under a lane mask, so nothing past the outputs is touched.
#include "conversion_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

// GCC 12 takes the deliberately undefined source vectors inside the AVX-512
// intrinsics for uninitialised values.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

namespace {

// upper * b + lower * a for eight outputs, both products exact in double.
VELUMOR_AVX512 inline __m512d Mix8(__m256 upper, __m256 b, __m256 lower, __m256 a) {
    const __m512d lowerPart = _mm512_mul_pd(_mm512_cvtps_pd(lower), _mm512_cvtps_pd(a));
    return _mm512_fmadd_pd(_mm512_cvtps_pd(upper), _mm512_cvtps_pd(b), lowerPart);
}

// The sample store rule: truncation, saturation, 0 for NaN and infinities.
VELUMOR_AVX512 inline __m256i Store8(__m512d v) {
    const __m512d clamped = _mm512_min_pd(_mm512_max_pd(v, _mm512_set1_pd(-32768.0)),
                                          _mm512_set1_pd(32767.0));
    const __mmask8 finite = _mm512_cmp_pd_mask(_mm512_abs_pd(v), _mm512_set1_pd(__builtin_huge_val()),
                                               _CMP_LT_OQ);
    return _mm512_maskz_cvttpd_epi32(finite, clamped);
}

// Sixteen outputs (the lanes of mask) from table indices lowerAt, upperAt.
VELUMOR_AVX512 inline void MixGroup(const float* table, __m512i lowerAt, __m512i upperAt,
                                    const float* upperWeight, const float* lowerWeight,
                                    __mmask16 mask, short* dst) {
    const __m512 a = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), mask, lowerAt, table, 4);
    const __m512 b = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), mask, upperAt, table, 4);
    const __m512 upper = _mm512_maskz_loadu_ps(mask, upperWeight);
    const __m512 lower = _mm512_maskz_loadu_ps(mask, lowerWeight);
    const __m256i low = Store8(Mix8(_mm512_castps512_ps256(upper), _mm512_castps512_ps256(b),
                                    _mm512_castps512_ps256(lower), _mm512_castps512_ps256(a)));
    const __m256i high = Store8(Mix8(_mm512_extractf32x8_ps(upper, 1), _mm512_extractf32x8_ps(b, 1),
                                     _mm512_extractf32x8_ps(lower, 1), _mm512_extractf32x8_ps(a, 1)));
    const __m512i whole = _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
    _mm256_mask_storeu_epi16(dst, mask, _mm512_cvtepi32_epi16(whole));
}

VELUMOR_AVX512 inline __mmask16 LanesLeft(int left) {
    return left >= 16 ? __mmask16(0xFFFF) : static_cast<__mmask16>((1u << left) - 1u);
}

}  // namespace

VELUMOR_AVX512 void MixDownAvx512(const DownFrame& f) {
    const __m512i first = _mm512_set1_epi32(f.first);
    const __m512i one = _mm512_set1_epi32(1);
    for (int j = 0; j < f.outputs; j += 16) {
        const __mmask16 mask = LanesLeft(f.outputs - j);
        const __m512i lowerAt =
            _mm512_sub_epi32(_mm512_maskz_loadu_epi32(mask, f.baseIndex + j), first);
        MixGroup(f.filtered, lowerAt, _mm512_add_epi32(lowerAt, one), f.upperWeight + j,
                 f.lowerWeight + j, mask, f.dst + j);
    }
}

VELUMOR_AVX512 void MixUpAvx512(const UpFrame& f) {
    const __m512i factor = _mm512_set1_epi32(f.factor);
    const __m512i stride = _mm512_set1_epi32(f.stride);
    for (int j = 0; j < f.outputs; j += 16) {
        const __mmask16 mask = LanesLeft(f.outputs - j);
        const __m512i row = _mm512_sub_epi32(factor, _mm512_maskz_loadu_epi32(mask, f.phase + j));
        const __m512i lowerAt = _mm512_add_epi32(_mm512_mullo_epi32(row, stride),
                                                 _mm512_maskz_loadu_epi32(mask, f.baseIndex + j));
        MixGroup(f.filtered, lowerAt, _mm512_sub_epi32(lowerAt, stride), f.upperWeight + j,
                 f.lowerWeight + j, mask, f.dst + j);
    }
}

}  // namespace velumor

#endif
