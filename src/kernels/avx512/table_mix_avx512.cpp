// The upsampler table kernel's mixing with AVX-512: sixteen outputs at a
// time. Their table entries lie close together, so they are picked out of a
// few whole-vector loads with permutes; gather instructions, much slower
// here, serve only the groups whose entries lie too far apart, and the
// last, partial group, which runs under a lane mask so that nothing past
// the outputs is touched. The weighted sum is formed in double and stored
// by the sample store rule.
#include "kernels/avx512/sample_store_avx512.h"
#include "kernels/table/table_paths.h"

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

// Sixteen outputs (the lanes of mask) from their table entries a and b.
VELUMOR_AVX512 inline void MixGroup(__m512 a, __m512 b, const float* upperWeight,
                                    const float* lowerWeight, __mmask16 mask, short* dst) {
    const __m512 upper = _mm512_maskz_loadu_ps(mask, upperWeight);
    const __m512 lower = _mm512_maskz_loadu_ps(mask, lowerWeight);
    const __m128i low =
        StoreSamplesAvx512(Mix8(_mm512_castps512_ps256(upper), _mm512_castps512_ps256(b),
                                _mm512_castps512_ps256(lower), _mm512_castps512_ps256(a)));
    const __m128i high =
        StoreSamplesAvx512(Mix8(_mm512_extractf32x8_ps(upper, 1), _mm512_extractf32x8_ps(b, 1),
                                _mm512_extractf32x8_ps(lower, 1), _mm512_extractf32x8_ps(a, 1)));
    _mm256_mask_storeu_epi16(dst, mask,
                             _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1));
}

VELUMOR_AVX512 inline void GatherGroup(const float* table, __m512i lowerAt, __m512i upperAt,
                                       const float* upperWeight, const float* lowerWeight,
                                       __mmask16 mask, short* dst) {
    const __m512 a = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), mask, lowerAt, table, 4);
    const __m512 b = _mm512_mask_i32gather_ps(_mm512_setzero_ps(), mask, upperAt, table, 4);
    MixGroup(a, b, upperWeight, lowerWeight, mask, dst);
}

VELUMOR_AVX512 inline int Lane(__m512i v, int lane) {
    alignas(64) int lanes[16];
    _mm512_store_si512(lanes, v);
    return lanes[lane];
}

VELUMOR_AVX512 inline bool AllBelow(__m512i v, int limit) {
    return _mm512_cmpge_epi32_mask(v, _mm512_set1_epi32(limit)) == 0;
}

// Upsampler: sixteen neighbouring outputs lie within sixteen input
// positions, so each phase row contributes one 16-entry window, permuted to
// the outputs' positions and kept in the lanes whose row it is.
constexpr int kMostRowsToPick = 24;

VELUMOR_AVX512 inline void UpGroup(const UpTable& f, __m512i base, __m512i row,
                                   const float* upperWeight, const float* lowerWeight, short* dst) {
    const int first = Lane(base, 0);
    const __m512i offset = _mm512_sub_epi32(base, _mm512_set1_epi32(first));
    const __m512i stride = _mm512_set1_epi32(f.stride);
    if (f.factor + 1 > kMostRowsToPick || !AllBelow(offset, 16)) {
        const __m512i lowerAt = _mm512_add_epi32(_mm512_mullo_epi32(row, stride), base);
        GatherGroup(f.filtered.get(), lowerAt, _mm512_sub_epi32(lowerAt, stride), upperWeight,
                    lowerWeight, 0xFFFF, dst);
        return;
    }
    __m512 a = _mm512_setzero_ps();
    __m512 b = _mm512_setzero_ps();
    const float* window = f.filtered.get() + first;
    for (int r = 0; r <= f.factor; ++r, window += f.stride) {
        const __m512 picked = _mm512_permutexvar_ps(offset, _mm512_loadu_ps(window));
        a = _mm512_mask_mov_ps(a, _mm512_cmpeq_epi32_mask(row, _mm512_set1_epi32(r)), picked);
        b = _mm512_mask_mov_ps(b, _mm512_cmpeq_epi32_mask(row, _mm512_set1_epi32(r + 1)), picked);
    }
    MixGroup(a, b, upperWeight, lowerWeight, 0xFFFF, dst);
}

VELUMOR_AVX512 inline __mmask16 LanesLeft(int left) {
    return static_cast<__mmask16>((1u << left) - 1u);
}

}  // namespace

VELUMOR_AVX512 void MixUpTableAvx512(const UpTable& f, short* dst) {
    const __m512i factor = _mm512_set1_epi32(f.factor);
    const __m512i stride = _mm512_set1_epi32(f.stride);
    int j = 0;
    for (; j + 16 <= f.outputs; j += 16) {
        const __m512i row = _mm512_sub_epi32(factor, _mm512_loadu_si512(f.phase + j));
        UpGroup(f, _mm512_loadu_si512(f.baseIndex + j), row, f.upperWeight + j, f.lowerWeight + j,
                dst + j);
    }
    if (j < f.outputs) {
        const __mmask16 mask = LanesLeft(f.outputs - j);
        const __m512i row = _mm512_sub_epi32(factor, _mm512_maskz_loadu_epi32(mask, f.phase + j));
        const __m512i lowerAt = _mm512_add_epi32(_mm512_mullo_epi32(row, stride),
                                                 _mm512_maskz_loadu_epi32(mask, f.baseIndex + j));
        GatherGroup(f.filtered.get(), lowerAt, _mm512_sub_epi32(lowerAt, stride), f.upperWeight + j,
                    f.lowerWeight + j, mask, dst + j);
    }
}

}  // namespace velumor

#endif
