// The upsampler with AVX-512 for Factor 8, over the layout of up_lanes.h:
// one vector of grid values per input position, lane q going to grid slot
// 9 * b + q + variant.
//
// Per frame: the coefficients are reversed and Work is widened, both to
// double, and each position's sums run tap by tap in increasing order, as
// the scalar path forms them, with the sample as an embedded broadcast.
// The sums are stored in grid order as floats; eight outputs then take
// their two values with one permute of a 32-float window, and are mixed
// and stored.
#include "kernels/avx512/avx512_kernels.h"
#include "kernels/avx512/sample_store_avx512.h"
#include "kernels/avx512/up_lanes.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

// GCC 12 takes the deliberately undefined source vectors inside the AVX-512
// intrinsics for uninitialised values.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

namespace {

constexpr int kLanes = UpLanes::kLanes;
// Positions in flight: cores with two 512-bit multiply-add units of four
// cycles need at least eight independent sums to keep both busy; ten leave
// room for the broadcast loads' latency.
constexpr int kTile = 10;

// The taps as doubles in reverse order: reversed[m] = coefficient[taps - 1 - m].
VELUMOR_AVX512 void ReverseCoefficients(UpLanes& s, const float* coefficients) {
    const int taps = UpLanes::kFactor * s.g + 1;
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    double* reversed = s.coefficients.data;
    int m = 0;
    for (; m + kLanes <= taps; m += kLanes) {
        const __m256 eight = _mm256_loadu_ps(coefficients + taps - kLanes - m);
        _mm512_store_pd(reversed + m, _mm512_cvtps_pd(_mm256_permutevar8x32_ps(eight, reverse)));
    }
    for (; m < taps; ++m) reversed[m] = coefficients[taps - 1 - m];
}

VELUMOR_AVX512 void WidenWork(UpLanes& s, const float* work) {
    int i = 0;
    for (; i + kLanes <= s.workLength; i += kLanes) {
        _mm512_store_pd(s.work.data + i, _mm512_cvtps_pd(_mm256_loadu_ps(work + i)));
    }
    for (; i < s.workLength; ++i) s.work.data[i] = work[i];
}

// Count positions of one variant: their grid values, stored from slot
// 9b + variant.
template <int Count>
VELUMOR_AVX512 inline void Positions(const UpLanes& s, const int* position, int variant) {
    // Tap k, lane q: coefficient 8k + 8 - variant - q, which is reversed
    // entry 8 (g - 1 - k) + variant + q.
    const double* coefficient = s.coefficients.data + kLanes * (s.g - 1) + variant;
    const double* x[Count];
    __m512d sum[Count];
    for (int p = 0; p < Count; ++p) {
        x[p] = s.work.data + position[p] + 1;
        sum[p] = _mm512_setzero_pd();
    }
    // g >= 1 (MakeUpLanes): with a loop that may run zero times, GCC keeps
    // the sums in memory.
    int k = 0;
    do {
        const __m512d c = _mm512_loadu_pd(coefficient - k * kLanes);
        for (int p = 0; p < Count; ++p) sum[p] = _mm512_fmadd_pd(_mm512_set1_pd(x[p][k]), c, sum[p]);
    } while (++k < s.g);
    for (int p = 0; p < Count; ++p) {
        _mm256_storeu_ps(s.grid.data + UpLanes::kSlots * position[p] + variant,
                         _mm512_cvtpd_ps(sum[p]));
    }
}

// The last 1 .. Count positions of a variant.
template <int Count>
VELUMOR_AVX512 inline void Remainder(const UpLanes& s, const int* position, int variant, int left) {
    if (left == Count) {
        Positions<Count>(s, position, variant);
    } else if constexpr (Count > 1) {
        Remainder<Count - 1>(s, position, variant, left);
    }
}

VELUMOR_AVX512 void FillGrid(const UpLanes& s) {
    const int* position = s.position.get();
    for (int variant = 0; variant < 2; ++variant) {
        const int count = s.positions[variant];
        int i = 0;
        for (; i + kTile <= count; i += kTile) Positions<kTile>(s, position + i, variant);
        Remainder<kTile - 1>(s, position + i, variant, count - i);
        position += count;
    }
}

// upper * b + lower * a in double, then the sample store rule.
VELUMOR_AVX512 inline __m128i Mix(__m256 upper, __m256 b, __m256 lower, __m256 a) {
    const __m512d lowerPart = _mm512_mul_pd(_mm512_cvtps_pd(lower), _mm512_cvtps_pd(a));
    return StoreSamplesAvx512(
        _mm512_fmadd_pd(_mm512_cvtps_pd(upper), _mm512_cvtps_pd(b), lowerPart));
}

// What the mixing reads and writes, copied out of UpLanes once a frame: the
// 16-byte stores may alias anything, so fields read through `s` would be
// loaded again after every store.
struct MixView {
    const float* grid;
    const int* groupStart;
    const std::uint8_t* pick;
    const int* gatherIndex;
    const float* upperWeight;
    const float* lowerWeight;
    short* dst;
};

// Outputs j .. j + 7 under mask: nothing past the outputs is read or written.
VELUMOR_AVX512 inline void MixOutputs(const MixView& v, int j, __mmask8 mask) {
    const int start = v.groupStart[j / kLanes];
    __m256 a;
    __m256 b;
    if (start < 0) {
        const int* index = v.gatherIndex + std::ptrdiff_t{-1 - start} * kLanes;
        const __m256i lower = _mm256_maskz_loadu_epi32(mask, index);
        a = _mm256_mmask_i32gather_ps(_mm256_setzero_ps(), mask, lower, v.grid, 4);
        b = _mm256_mmask_i32gather_ps(_mm256_setzero_ps(), mask,
                                      _mm256_add_epi32(lower, _mm256_set1_epi32(1)), v.grid, 4);
    } else {
        // a in the low half, b in the high half.
        const __m512i pick =
            _mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(v.pick + j * 2)));
        const __m512 both = _mm512_permutex2var_ps(_mm512_loadu_ps(v.grid + start), pick,
                                                   _mm512_loadu_ps(v.grid + start + 16));
        a = _mm512_castps512_ps256(both);
        b = _mm512_extractf32x8_ps(both, 1);
    }
    const __m128i samples = Mix(_mm256_maskz_loadu_ps(mask, v.upperWeight + j), b,
                                _mm256_maskz_loadu_ps(mask, v.lowerWeight + j), a);
    if (mask == 0xFF) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(v.dst + j), samples);
    } else {
        _mm_mask_storeu_epi16(v.dst + j, mask, samples);
    }
}

}  // namespace

VELUMOR_AVX512 void ConvertUpLanesAvx512(UpLanes& s, const float* coefficients, const float* work,
                                         const float* upperWeight, const float* lowerWeight,
                                         short* dst) {
    ReverseCoefficients(s, coefficients);
    WidenWork(s, work);
    FillGrid(s);
    const MixView view{s.grid.data, s.groupStart.get(), s.pick.get(), s.gatherIndex.get(),
                       upperWeight, lowerWeight, dst};
    const int outputs = s.outputs;
    int j = 0;
    for (; j + kLanes <= outputs; j += kLanes) MixOutputs(view, j, 0xFF);
    if (j < outputs) MixOutputs(view, j, static_cast<__mmask8>((1u << (outputs - j)) - 1u));
}

}  // namespace velumor

#endif
