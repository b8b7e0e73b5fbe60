// The downsampler with AVX-512, without a table: eight outputs a vector.
//
// Idea: output j needs the filtered values at b = BaseIndex[j] (lower) and
// at b + 1 (upper), and no other output needs them while Step is above 1.
// The sample Work[b + m] is tap m of the lower sum and tap m - 1 of the upper
// one, so one vector of samples, lane i holding Work[BaseIndex[j + i] + m],
// feeds both sums: TapCount + 1 sample vectors and 2 * TapCount
// multiply-adds per eight outputs, and only the values the outputs use are
// formed. The eight samples lie within 32 floats of the first, so the
// vectors of two taps, m and m + 1, are picked as one 16-float vector from
// two loads with one permute, then widened to double half by half. Lanes
// run across outputs, never across taps: each sum is formed tap by tap in
// increasing order, as the scalar path forms it. Four groups run side by
// side so that the multiply-adds of one sum do not wait on each other.
//
// A group whose samples lie further apart (a large Step) is computed lane by
// lane in scalar code, the same sums in the same order.
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

constexpr int kGroups = 4;  // groups of eight outputs in flight
constexpr int kReach = 32;  // floats a permute of two loads picks from

struct Group {
    const float* window;  // Work + the group's first BaseIndex
    __m512i offset;       // per lane: BaseIndex - the first one (low 8 lanes)
    __m512i pair;         // the offsets, then the offsets + 1
    __mmask8 lanes;       // the outputs that exist
    bool near;            // every offset + 1 below kReach
};

VELUMOR_AVX512 inline Group GroupAt(const DownFrame& f, int j) {
    const int left = f.outputs - j;
    const __mmask8 lanes = left >= 8 ? __mmask8{0xFF} : static_cast<__mmask8>((1u << left) - 1u);
    const int first = f.baseIndex[j];
    const __m256i base = _mm256_maskz_loadu_epi32(lanes, f.baseIndex + j);
    const __m256i offset = _mm256_maskz_sub_epi32(lanes, base, _mm256_set1_epi32(first));
    const bool near = _mm256_cmpge_epu32_mask(offset, _mm256_set1_epi32(kReach - 1)) == 0;
    const __m512i pair = _mm512_inserti64x4(_mm512_castsi256_si512(offset),
                                            _mm256_add_epi32(offset, _mm256_set1_epi32(1)), 1);
    return Group{f.work + first, _mm512_castsi256_si512(offset), pair, lanes, near};
}

// Lane i: Work[BaseIndex[j + i] + m], as double.
VELUMOR_AVX512 inline __m512d Samples(const Group& g, int m) {
    const __m512 picked = _mm512_permutex2var_ps(_mm512_loadu_ps(g.window + m), g.offset,
                                                 _mm512_loadu_ps(g.window + m + 16));
    return _mm512_cvtps_pd(_mm512_castps512_ps256(picked));
}

// Samples at m and m + 1, picked with one permute.
VELUMOR_AVX512 inline void SamplePair(const Group& g, int m, __m512d& x, __m512d& next) {
    const __m512 picked = _mm512_permutex2var_ps(_mm512_loadu_ps(g.window + m), g.pair,
                                                 _mm512_loadu_ps(g.window + m + 16));
    x = _mm512_cvtps_pd(_mm512_castps512_ps256(picked));
    next = _mm512_cvtps_pd(_mm512_extractf32x8_ps(picked, 1));
}

// The mixing step and the sample store rule for the group's outputs.
VELUMOR_AVX512 inline void Store(const DownFrame& f, int j, __mmask8 lanes, __m512d lower,
                                 __m512d upper) {
    const __m512d lowerValue = _mm512_cvtps_pd(_mm512_cvtpd_ps(lower));
    const __m512d upperValue = _mm512_cvtps_pd(_mm512_cvtpd_ps(upper));
    const __m512d upperWeight = _mm512_cvtps_pd(_mm256_maskz_loadu_ps(lanes, f.upperWeight + j));
    const __m512d lowerWeight = _mm512_cvtps_pd(_mm256_maskz_loadu_ps(lanes, f.lowerWeight + j));
    const __m512d v = _mm512_fmadd_pd(upperWeight, upperValue, _mm512_mul_pd(lowerWeight, lowerValue));
    const __m512d clamped = _mm512_min_pd(_mm512_max_pd(v, _mm512_set1_pd(-32768.0)),
                                          _mm512_set1_pd(32767.0));
    const __mmask8 finite = _mm512_cmp_pd_mask(_mm512_abs_pd(v),
                                               _mm512_set1_pd(__builtin_huge_val()), _CMP_LT_OQ);
    const __m256i whole = _mm512_maskz_cvttpd_epi32(finite, clamped);
    _mm_mask_storeu_epi16(f.dst + j, lanes, _mm256_cvtepi32_epi16(whole));
}

// Both sums of a group whose samples lie too far apart, lane by lane.
VELUMOR_AVX512 inline void FarGroup(const DownFrame& f, int j, const Group& g) {
    alignas(64) double lower[8] = {};
    alignas(64) double upper[8] = {};
    for (int i = 0; i < 8 && j + i < f.outputs; ++i) {
        const float* window = f.work + f.baseIndex[j + i];
        for (int k = 0; k < f.taps; ++k) {
            const double c = f.coefficients[k];
            lower[i] += c * static_cast<double>(window[k]);
            upper[i] += c * static_cast<double>(window[k + 1]);
        }
    }
    Store(f, j, g.lanes, _mm512_load_pd(lower), _mm512_load_pd(upper));
}

// Up to kGroups near groups starting at output j (count of them).
template <int Count>
VELUMOR_AVX512 inline void NearGroups(const DownFrame& f, int j, const Group (&g)[kGroups]) {
    __m512d lower[Count];
    __m512d upper[Count];
    const double* c = f.wideCoefficients;
    for (int n = 0; n < Count; ++n) {
        lower[n] = _mm512_setzero_pd();
        upper[n] = _mm512_setzero_pd();
    }
    if (f.taps > 0) {
        for (int n = 0; n < Count; ++n) {
            lower[n] = _mm512_fmadd_pd(_mm512_set1_pd(c[0]), Samples(g[n], 0), lower[n]);
        }
    }
    int m = 1;
    for (; m + 1 < f.taps; m += 2) {
        const __m512d tap = _mm512_set1_pd(c[m]);
        const __m512d before = _mm512_set1_pd(c[m - 1]);
        const __m512d after = _mm512_set1_pd(c[m + 1]);
        for (int n = 0; n < Count; ++n) {
            __m512d x;
            __m512d next;
            SamplePair(g[n], m, x, next);
            lower[n] = _mm512_fmadd_pd(tap, x, lower[n]);
            upper[n] = _mm512_fmadd_pd(before, x, upper[n]);
            lower[n] = _mm512_fmadd_pd(after, next, lower[n]);
            upper[n] = _mm512_fmadd_pd(tap, next, upper[n]);
        }
    }
    for (; m < f.taps; ++m) {
        const __m512d tap = _mm512_set1_pd(c[m]);
        const __m512d before = _mm512_set1_pd(c[m - 1]);
        for (int n = 0; n < Count; ++n) {
            const __m512d x = Samples(g[n], m);
            lower[n] = _mm512_fmadd_pd(tap, x, lower[n]);
            upper[n] = _mm512_fmadd_pd(before, x, upper[n]);
        }
    }
    if (f.taps > 0) {
        const __m512d last = _mm512_set1_pd(c[f.taps - 1]);
        for (int n = 0; n < Count; ++n) {
            upper[n] = _mm512_fmadd_pd(last, Samples(g[n], f.taps), upper[n]);
        }
    }
    for (int n = 0; n < Count; ++n) Store(f, j + 8 * n, g[n].lanes, lower[n], upper[n]);
}

VELUMOR_AVX512 inline void NearGroupsOf(int count, const DownFrame& f, int j,
                                        const Group (&g)[kGroups]) {
    switch (count) {
        case 4: NearGroups<4>(f, j, g); break;
        case 3: NearGroups<3>(f, j, g); break;
        case 2: NearGroups<2>(f, j, g); break;
        default: NearGroups<1>(f, j, g); break;
    }
}

}  // namespace

VELUMOR_AVX512 void ConvertDownPairsAvx512(const DownFrame& f) {
    for (int k = 0; k < f.taps; ++k) f.wideCoefficients[k] = f.coefficients[k];
    int j = 0;
    while (j < f.outputs) {
        // Up to kGroups near groups in a row; a far one is done on its own.
        Group g[kGroups];
        int count = 0;
        while (count < kGroups && j + 8 * count < f.outputs) {
            g[count] = GroupAt(f, j + 8 * count);
            if (!g[count].near) break;
            ++count;
        }
        if (count > 0) {
            NearGroupsOf(count, f, j, g);
            j += 8 * count;
        } else {
            FarGroup(f, j, g[0]);
            j += 8;
        }
    }
}

VELUMOR_AVX512 void WidenSamplesAvx512(const short* src, float* dst, int count) {
    for (int i = 0; i < count; i += 16) {
        const int left = count - i;
        const __mmask16 mask =
            left >= 16 ? __mmask16{0xFFFF} : static_cast<__mmask16>((1u << left) - 1u);
        const __m512i whole = _mm512_cvtepi16_epi32(_mm256_maskz_loadu_epi16(mask, src + i));
        _mm512_mask_storeu_ps(dst + i, mask, _mm512_cvtepi32_ps(whole));
    }
}

}  // namespace velumor

#endif
