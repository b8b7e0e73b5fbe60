// The vector operations of the kernels with AVX2 and FMA: four doubles a
// vector. Included only inside a region compiled for AVX2 (isa/avx2.cpp).
#ifndef VELUMOR_KERNELS_OPS_AVX2_OPS_H
#define VELUMOR_KERNELS_OPS_AVX2_OPS_H

#include <immintrin.h>

#include <cstdint>
#include <cstring>

namespace velumor {
namespace {

struct Avx2Ops {
    using Vec = __m256d;
    using Mask = __m256d;  // all bits set in the lanes that blend
    static constexpr int kLanes = 4;
    // 16 registers: three stripe groups hold six sums and six sample
    // vectors; up, twelve sums and the coefficients.
    static constexpr int kGroups = 3;
    static constexpr int kTile = 12;
    static constexpr int kWindow = 16;  // grid values two permutes pick from

    static Vec Zero() { return _mm256_setzero_pd(); }
    static Vec Load(const double* p) { return _mm256_load_pd(p); }
    static Vec LoadUnaligned(const double* p) { return _mm256_loadu_pd(p); }
    static Vec Broadcast(double x) { return _mm256_set1_pd(x); }
    // p[0], p[1], p[0], p[1].
    template <int kCount>
    static Vec LoadRepeated(const double* p) {
        static_assert(kCount == 2, "two doubles");
        return _mm256_broadcast_pd(reinterpret_cast<const __m128d*>(p));
    }
    static void Store(double* p, Vec v) { _mm256_store_pd(p, v); }
    static Vec MulAdd(Vec a, Vec b, Vec sum) { return _mm256_fmadd_pd(a, b, sum); }
    static Vec Mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
    static Mask MaskOf(unsigned bits) {
        const __m256i lane = _mm256_setr_epi64x(1, 2, 4, 8);
        const __m256i set = _mm256_and_si256(_mm256_set1_epi64x(bits), lane);
        return _mm256_castsi256_pd(_mm256_cmpeq_epi64(set, lane));
    }
    static Vec Blend(Mask mask, Vec a, Vec b) { return _mm256_blendv_pd(a, b, mask); }
    static Vec LoadFloats(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
    // p[3], ..., p[0].
    static Vec LoadFloatsReversed(const float* p) {
        const __m128 four = _mm_loadu_ps(p);
        return _mm256_cvtps_pd(_mm_shuffle_ps(four, four, 0x1B));
    }
    static void StoreFloats(float* p, Vec v) { _mm_storeu_ps(p, _mm256_cvtpd_ps(v)); }
    static Vec ThroughFloat(Vec v) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(v)); }

    // The sample store rule: NaN and infinities become 0 before the
    // truncation, the top is clamped, and a value below the 16-bit range
    // truncates to one below it too (or to INT_MIN), which the packing
    // saturates to -32768.
    static void StoreSamples(short* dst, Vec v) {
        const __m256d magnitude = _mm256_andnot_pd(_mm256_set1_pd(-0.0), v);
        const __m256d finite = _mm256_cmp_pd(magnitude, _mm256_set1_pd(__builtin_inf()), _CMP_LT_OQ);
        const __m256d clamped = _mm256_and_pd(_mm256_min_pd(v, _mm256_set1_pd(32767.0)), finite);
        const __m128i whole = _mm256_cvttpd_epi32(clamped);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packs_epi32(whole, whole));
    }

    // out[t * 4 + i] = column[i][r + t] as a double, for t, i < 4.
    static void TransposeRows(const float* const* column, int r, double* out) {
        __m128 a = _mm_loadu_ps(column[0] + r);
        __m128 b = _mm_loadu_ps(column[1] + r);
        __m128 c = _mm_loadu_ps(column[2] + r);
        __m128 d = _mm_loadu_ps(column[3] + r);
        _MM_TRANSPOSE4_PS(a, b, c, d);
        _mm256_store_pd(out, _mm256_cvtps_pd(a));
        _mm256_store_pd(out + 4, _mm256_cvtps_pd(b));
        _mm256_store_pd(out + 8, _mm256_cvtps_pd(c));
        _mm256_store_pd(out + 12, _mm256_cvtps_pd(d));
    }

    // out[i * 4 + g] = in[g * 4 + i], for g, i < 4.
    static void TransposeSamples(const short* in, short* out) {
        const __m128i first = _mm_load_si128(reinterpret_cast<const __m128i*>(in));       // groups 0, 1
        const __m128i second = _mm_load_si128(reinterpret_cast<const __m128i*>(in + 8));  // groups 2, 3
        const __m128i even = _mm_unpacklo_epi16(first, second);  // groups 0 and 2, lane by lane
        const __m128i odd = _mm_unpackhi_epi16(first, second);   // groups 1 and 3
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(even, odd));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi16(even, odd));
    }

    // lower[i] = window[pick[i]], upper[i] = window[pick[4 + i]]: a permute
    // of each half of 16 floats, blended by the index's fourth bit.
    static void Pick(const float* window, const std::uint8_t* pick, Vec& lower, Vec& upper) {
        long long bytes;
        std::memcpy(&bytes, pick, sizeof bytes);
        const __m256i index = _mm256_cvtepu8_epi32(_mm_cvtsi64_si128(bytes));
        const __m256 low = _mm256_permutevar8x32_ps(_mm256_loadu_ps(window), index);
        const __m256 high = _mm256_permutevar8x32_ps(_mm256_loadu_ps(window + 8), index);
        const __m256 fromHigh = _mm256_castsi256_ps(_mm256_slli_epi32(index, 28));
        const __m256 both = _mm256_blendv_ps(low, high, fromHigh);
        lower = _mm256_cvtps_pd(_mm256_castps256_ps128(both));
        upper = _mm256_cvtps_pd(_mm256_extractf128_ps(both, 1));
    }

    // lower[i] = grid[slot[i]], upper[i] = grid[slot[i] + step].
    static void Gather(const float* grid, const int* slot, int step, Vec& lower, Vec& upper) {
        const __m128i index = _mm_loadu_si128(reinterpret_cast<const __m128i*>(slot));
        lower = _mm256_cvtps_pd(_mm_i32gather_ps(grid, index, 4));
        upper = _mm256_cvtps_pd(_mm_i32gather_ps(grid + step, index, 4));
    }
};

}  // namespace
}  // namespace velumor

#endif
