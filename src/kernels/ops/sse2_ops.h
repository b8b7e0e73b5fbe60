// The vector operations of the kernels with SSE2, the x86-64 baseline: two
// doubles a vector. SSE2 has no fused multiply-add and no variable blend or
// permute, so those are composed; a product of two floats is exact in
// double, so a multiply and an add round just as a fused multiply-add does.
#ifndef VELUMOR_KERNELS_OPS_SSE2_OPS_H
#define VELUMOR_KERNELS_OPS_SSE2_OPS_H

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

namespace velumor {
namespace {

struct Sse2Ops {
    using Vec = __m128d;
    using Mask = __m128d;  // all bits set in the lanes that blend
    static constexpr int kLanes = 2;
    // 16 registers: three stripe groups hold six sums and six sample
    // vectors; up, twelve sums and the coefficients.
    static constexpr int kGroups = 3;
    static constexpr int kTile = 12;
    static constexpr int kWindow = 256;  // picked one by one: any distance a byte holds

    static Vec Zero() { return _mm_setzero_pd(); }
    static Vec Load(const double* p) { return _mm_load_pd(p); }
    static Vec LoadUnaligned(const double* p) { return _mm_loadu_pd(p); }
    static Vec Broadcast(double x) { return _mm_set1_pd(x); }
    static void Store(double* p, Vec v) { _mm_store_pd(p, v); }
    static Vec MulAdd(Vec a, Vec b, Vec sum) { return _mm_add_pd(_mm_mul_pd(a, b), sum); }
    static Vec Mul(Vec a, Vec b) { return _mm_mul_pd(a, b); }
    static Mask MaskOf(unsigned bits) {
        const __m128i lane = _mm_set_epi32(0, 2, 0, 1);
        const __m128i set = _mm_and_si128(_mm_set1_epi32(static_cast<int>(bits)), lane);
        // Compare the low half of each lane, then spread its result over
        // the lane.
        const __m128i equal = _mm_cmpeq_epi32(set, lane);
        return _mm_castsi128_pd(_mm_shuffle_epi32(equal, 0xA0));
    }
    static Vec Blend(Mask mask, Vec a, Vec b) {
        return _mm_or_pd(_mm_and_pd(mask, b), _mm_andnot_pd(mask, a));
    }
    static __m128 LoadTwoFloats(const float* p) {
        long long bits;
        std::memcpy(&bits, p, sizeof bits);
        return _mm_castsi128_ps(_mm_cvtsi64_si128(bits));
    }
    static Vec LoadFloats(const float* p) { return _mm_cvtps_pd(LoadTwoFloats(p)); }
    // p[1], p[0].
    static Vec LoadFloatsReversed(const float* p) {
        const __m128 two = LoadTwoFloats(p);
        return _mm_cvtps_pd(_mm_shuffle_ps(two, two, 0x01));
    }
    static void StoreFloats(float* p, Vec v) {
        const long long bits = _mm_cvtsi128_si64(_mm_castps_si128(_mm_cvtpd_ps(v)));
        std::memcpy(p, &bits, sizeof bits);
    }
    static Vec ThroughFloat(Vec v) { return _mm_cvtps_pd(_mm_cvtpd_ps(v)); }

    // The sample store rule, as in the AVX2 operations.
    static void StoreSamples(short* dst, Vec v) {
        const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), v);
        const __m128d finite = _mm_cmplt_pd(magnitude, _mm_set1_pd(__builtin_inf()));
        const __m128d clamped = _mm_and_pd(_mm_min_pd(v, _mm_set1_pd(32767.0)), finite);
        const __m128i whole = _mm_cvttpd_epi32(clamped);
        const int two = _mm_cvtsi128_si32(_mm_packs_epi32(whole, whole));
        std::memcpy(dst, &two, sizeof two);
    }

    // out[t * 2 + i] = column[i][r + t] as a double, for t, i < 2.
    static void TransposeRows(const float* const* column, int r, double* out) {
        const __m128 pairs = _mm_unpacklo_ps(LoadTwoFloats(column[0] + r), LoadTwoFloats(column[1] + r));
        _mm_store_pd(out, _mm_cvtps_pd(pairs));
        _mm_store_pd(out + 2, _mm_cvtps_pd(_mm_movehl_ps(pairs, pairs)));
    }

    // out[i * 2 + g] = in[g * 2 + i], for g, i < 2.
    static void TransposeSamples(const short* in, short* out) {
        out[0] = in[0];
        out[1] = in[2];
        out[2] = in[1];
        out[3] = in[3];
    }

    static void Pick(const float* window, const std::uint8_t* pick, Vec& lower, Vec& upper) {
        lower = _mm_set_pd(window[pick[1]], window[pick[0]]);
        upper = _mm_set_pd(window[pick[3]], window[pick[2]]);
    }

    // lower[i] = grid[slot[i]], upper[i] = grid[slot[i] + step].
    static void Gather(const float* grid, const int* slot, int step, Vec& lower, Vec& upper) {
        lower = _mm_set_pd(grid[slot[1]], grid[slot[0]]);
        upper = _mm_set_pd(grid[slot[1] + step], grid[slot[0] + step]);
    }
};

}  // namespace
}  // namespace velumor

#endif
