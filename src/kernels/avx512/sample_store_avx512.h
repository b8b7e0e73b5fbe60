// The sample store rule of common/sample_store.h for eight values at a time, with
// AVX-512: truncation toward zero, saturation to -32768 .. 32767, 0 for NaN
// and infinities.
#ifndef VELUMOR_KERNELS_AVX512_SAMPLE_STORE_AVX512_H
#define VELUMOR_KERNELS_AVX512_SAMPLE_STORE_AVX512_H

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace velumor {

// Eight samples from eight doubles. Only the top needs a clamp: a value
// below the 16-bit range truncates to one below it too (or to INT_MIN when
// it leaves the 32-bit range), and the packing saturates it to -32768. NaN
// and infinities are found by class. The samples come back in a register:
// a narrowing store (vpmovsdw to memory) is slow on some cores.
__attribute__((target("avx512f,avx512vl,avx512dq"))) inline __m128i StoreSamplesAvx512(
    __m512d v) {
    constexpr int kNaNOrInfinity = 0x01 | 0x08 | 0x10 | 0x80;  // quiet, +inf, -inf, signalling
    const __mmask8 finite = static_cast<__mmask8>(~_mm512_fpclass_pd_mask(v, kNaNOrInfinity));
    const __m256i whole =
        _mm512_maskz_cvttpd_epi32(finite, _mm512_min_pd(v, _mm512_set1_pd(32767.0)));
    return _mm_packs_epi32(_mm256_castsi256_si128(whole), _mm256_extracti128_si256(whole, 1));
}

}  // namespace velumor

#endif

#endif
