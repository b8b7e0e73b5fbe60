// The vector operations of the kernels with AVX-512: eight doubles a vector.
// Included only inside a region compiled for AVX-512 (isa/avx512.cpp).
#ifndef VELUMOR_KERNELS_OPS_AVX512_OPS_H
#define VELUMOR_KERNELS_OPS_AVX512_OPS_H

#include <immintrin.h>

#include <cstdint>

namespace velumor {
namespace {

struct Avx512Ops {
    using Vec = __m512d;
    using Mask = __mmask8;
    static constexpr int kLanes = 8;
    // Stripe groups in flight down (two sums each) and vectors in flight up:
    // cores with two 512-bit multiply-add units of four cycles need at least
    // eight independent sums; 32 registers hold ten with their samples.
    static constexpr int kGroups = 5;
    static constexpr int kTile = 10;
    static constexpr int kWindow = 32;  // grid values one permute picks from

    static Vec Zero() { return _mm512_setzero_pd(); }
    static Vec Load(const double* p) { return _mm512_load_pd(p); }
    static Vec LoadUnaligned(const double* p) { return _mm512_loadu_pd(p); }
    static Vec Broadcast(double x) { return _mm512_set1_pd(x); }
    // p[0 .. kCount - 1], repeated across the vector.
    template <int kCount>
    static Vec LoadRepeated(const double* p) {
        static_assert(kCount == 2 || kCount == 4, "two or four doubles");
        if constexpr (kCount == 2) {
            return _mm512_broadcast_f64x2(_mm_loadu_pd(p));
        } else {
            return _mm512_broadcast_f64x4(_mm256_loadu_pd(p));
        }
    }
    static void Store(double* p, Vec v) { _mm512_store_pd(p, v); }
    static Vec MulAdd(Vec a, Vec b, Vec sum) { return _mm512_fmadd_pd(a, b, sum); }
    static Vec Mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
    static Mask MaskOf(unsigned bits) { return static_cast<Mask>(bits); }
    // Lanes in the mask from b, the others from a.
    static Vec Blend(Mask mask, Vec a, Vec b) { return _mm512_mask_blend_pd(mask, a, b); }
    static Vec LoadFloats(const float* p) { return _mm512_cvtps_pd(_mm256_loadu_ps(p)); }
    // p[7], ..., p[0].
    static Vec LoadFloatsReversed(const float* p) {
        const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
        return _mm512_cvtps_pd(_mm256_permutevar8x32_ps(_mm256_loadu_ps(p), reverse));
    }
    static void StoreFloats(float* p, Vec v) { _mm256_storeu_ps(p, _mm512_cvtpd_ps(v)); }
    static Vec ThroughFloat(Vec v) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(v)); }

    // The sample store rule. Only the top needs a clamp: a value below the
    // 16-bit range truncates to one below it too (or to INT_MIN when it
    // leaves the 32-bit range), and the packing saturates it to -32768. NaN
    // and infinities are found by class.
    static void StoreSamples(short* dst, Vec v) {
        constexpr int kNaNOrInfinity = 0x01 | 0x08 | 0x10 | 0x80;
        const __mmask8 finite = static_cast<__mmask8>(~_mm512_fpclass_pd_mask(v, kNaNOrInfinity));
        const __m256i whole =
            _mm512_maskz_cvttpd_epi32(finite, _mm512_min_pd(v, _mm512_set1_pd(32767.0)));
        const __m128i samples =
            _mm_packs_epi32(_mm256_castsi256_si128(whole), _mm256_extracti128_si256(whole, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), samples);
    }

    // out[t * 8 + i] = column[i][r + t] as a double, for t, i < 8.
    static void TransposeRows(const float* const* column, int r, double* out) {
        __m256 a[8];
        for (int i = 0; i < 8; ++i) a[i] = _mm256_loadu_ps(column[i] + r);
        __m256 pairs[8];  // rows interleaved two by two
        for (int i = 0; i < 8; i += 2) {
            pairs[i] = _mm256_unpacklo_ps(a[i], a[i + 1]);
            pairs[i + 1] = _mm256_unpackhi_ps(a[i], a[i + 1]);
        }
        __m256 quads[8];  // four by four, in each 128-bit half
        for (int i = 0; i < 8; i += 4) {
            quads[i] = _mm256_shuffle_ps(pairs[i], pairs[i + 2], 0x44);
            quads[i + 1] = _mm256_shuffle_ps(pairs[i], pairs[i + 2], 0xEE);
            quads[i + 2] = _mm256_shuffle_ps(pairs[i + 1], pairs[i + 3], 0x44);
            quads[i + 3] = _mm256_shuffle_ps(pairs[i + 1], pairs[i + 3], 0xEE);
        }
        for (int t = 0; t < 4; ++t) {
            const __m256 low = _mm256_permute2f128_ps(quads[t], quads[t + 4], 0x20);
            const __m256 high = _mm256_permute2f128_ps(quads[t], quads[t + 4], 0x31);
            _mm512_store_pd(out + t * 8, _mm512_cvtps_pd(low));
            _mm512_store_pd(out + (t + 4) * 8, _mm512_cvtps_pd(high));
        }
    }

    // out[i * 8 + g] = in[g * 8 + i], for g, i < 8.
    static void TransposeSamples(const short* in, short* out) {
        __m128i a[8];
        for (int g = 0; g < 8; ++g) a[g] = _mm_load_si128(reinterpret_cast<const __m128i*>(in + g * 8));
        __m128i pairs[8];
        for (int g = 0; g < 8; g += 2) {
            pairs[g] = _mm_unpacklo_epi16(a[g], a[g + 1]);
            pairs[g + 1] = _mm_unpackhi_epi16(a[g], a[g + 1]);
        }
        __m128i quads[8];
        for (int g = 0; g < 8; g += 4) {
            quads[g] = _mm_unpacklo_epi32(pairs[g], pairs[g + 2]);
            quads[g + 1] = _mm_unpackhi_epi32(pairs[g], pairs[g + 2]);
            quads[g + 2] = _mm_unpacklo_epi32(pairs[g + 1], pairs[g + 3]);
            quads[g + 3] = _mm_unpackhi_epi32(pairs[g + 1], pairs[g + 3]);
        }
        for (int i = 0; i < 8; ++i) {
            const int q = i / 2;
            const __m128i lane = i % 2 == 0 ? _mm_unpacklo_epi64(quads[q], quads[q + 4])
                                            : _mm_unpackhi_epi64(quads[q], quads[q + 4]);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 8), lane);
        }
    }

    // lower[i] = window[pick[i]], upper[i] = window[pick[8 + i]]: one
    // two-table permute of 32 floats.
    static void Pick(const float* window, const std::uint8_t* pick, Vec& lower, Vec& upper) {
        const __m512i index =
            _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(pick)));
        const __m512 both = _mm512_permutex2var_ps(_mm512_loadu_ps(window), index,
                                                   _mm512_loadu_ps(window + 16));
        lower = _mm512_cvtps_pd(_mm512_castps512_ps256(both));
        upper = _mm512_cvtps_pd(_mm512_extractf32x8_ps(both, 1));
    }

    // lower[i] = grid[slot[i]], upper[i] = grid[slot[i] + step].
    static void Gather(const float* grid, const int* slot, int step, Vec& lower, Vec& upper) {
        const __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(slot));
        lower = _mm512_cvtps_pd(_mm256_i32gather_ps(grid, index, 4));
        upper = _mm512_cvtps_pd(_mm256_i32gather_ps(grid + step, index, 4));
    }
};

}  // namespace
}  // namespace velumor

#endif
