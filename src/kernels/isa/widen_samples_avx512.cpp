// The copy of a frame into Work with AVX-512, sixteen samples at a time.
#include "kernels/isa/vector_code.h"

#if defined(__x86_64__)

#include <immintrin.h>

// GCC 12 takes the deliberately undefined source vectors inside the AVX-512
// intrinsics for uninitialised values.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace velumor {

__attribute__((target("avx512f,avx512bw,avx512vl"))) void WidenSamplesAvx512(const short* src,
                                                                           float* dst, int count,
                                                                           float scale) {
    for (int i = 0; i < count; i += 16) {
        const int left = count - i;
        const __mmask16 mask =
            left >= 16 ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << left) - 1u);
        const __m512i whole = _mm512_cvtepi16_epi32(_mm256_maskz_loadu_epi16(mask, src + i));
        _mm512_mask_storeu_ps(dst + i, mask,
                              _mm512_mul_ps(_mm512_cvtepi32_ps(whole), _mm512_set1_ps(scale)));
    }
}

}  // namespace velumor

#endif
