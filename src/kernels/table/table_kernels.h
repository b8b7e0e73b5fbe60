// The table kernels, written once over generic vector types and
// instantiated per instruction set (table_*.cpp) inside functions that carry
// a target attribute: every helper here is always inlined, so each copy is
// compiled for its caller's instructions and nothing leaks between them.
//
// Idea: the filtered value at an input position (downsampler) or at an input
// position and phase (upsampler) does not depend on which output asks for
// it, so a frame's filtered values are computed once, as a table, and the
// outputs then mix two table entries each. The table is filled in tiles of
// neighbouring positions: lanes run across positions, never across taps, so
// every sum is still formed tap by tap in increasing order, exactly as the
// scalar code forms it, with the accumulators kept in registers. A product
// of two floats is exact in double, so a fused multiply-add rounds just as a
// multiply followed by an add does.
#ifndef VELUMOR_KERNELS_TABLE_TABLE_KERNELS_H
#define VELUMOR_KERNELS_TABLE_TABLE_KERNELS_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "kernels/table/table_layout.h"

#define VELUMOR_INLINE inline __attribute__((always_inline))

// Vectors pass between these helpers only inside one inlined body, never
// across a call, so the note that their calling convention differs between
// instruction sets does not apply.
#if defined(__clang__)
#if __has_warning("-Wpsabi")
#pragma clang diagnostic ignored "-Wpsabi"
#endif
#elif defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace velumor {
namespace kernels {

template <int Lanes>
struct VectorTypes {
    typedef double Wide __attribute__((vector_size(Lanes * sizeof(double))));
    typedef float Narrow __attribute__((vector_size(Lanes * sizeof(float))));
    typedef int Index __attribute__((vector_size(Lanes * sizeof(int))));
};

template <typename V, typename T>
VELUMOR_INLINE V LoadVector(const T* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V, typename T>
VELUMOR_INLINE void StoreVector(T* p, const V& v) {
    std::memcpy(p, &v, sizeof v);
}

// dst[i] = src[i] as double, for i < count.
template <int Lanes>
VELUMOR_INLINE void Widen(const float* src, double* dst, int count) {
    typedef typename VectorTypes<Lanes>::Wide Wide;
    typedef typename VectorTypes<Lanes>::Narrow Narrow;
    int i = 0;
    for (; i + Lanes <= count; i += Lanes) {
        StoreVector(dst + i, __builtin_convertvector(LoadVector<Narrow>(src + i), Wide));
    }
    for (; i < count; ++i) dst[i] = src[i];
}

// The sample store rule on a vector: truncation toward zero, saturation to
// the 16-bit range, 0 for NaN and infinities.
template <int Lanes>
VELUMOR_INLINE void StoreSamples(const typename VectorTypes<Lanes>::Wide& v, short* dst) {
    typedef typename VectorTypes<Lanes>::Wide Wide;
    typedef typename VectorTypes<Lanes>::Index Index;
    const Wide low = Wide{} - 32768.0;
    const Wide high = Wide{} + 32767.0;
    const Wide magnitude = v < 0.0 ? -v : v;
    const Wide clamped = v < low ? low : (v > high ? high : v);
    const Wide stored = magnitude < __builtin_huge_val() ? clamped : Wide{};
    const Index whole = __builtin_convertvector(stored, Index);
    for (int i = 0; i < Lanes; ++i) dst[i] = static_cast<short>(whole[i]);
}

// Lanes outputs: upper * table[upperAt] + lower * table[lowerAt] in double,
// each table entry being a float, then the sample store rule.
template <int Lanes>
VELUMOR_INLINE void MixLanes(const float* table, const typename VectorTypes<Lanes>::Index& lowerAt,
                             const typename VectorTypes<Lanes>::Index& upperAt, const float* upper,
                             const float* lower, short* dst) {
    typedef typename VectorTypes<Lanes>::Wide Wide;
    typedef typename VectorTypes<Lanes>::Narrow Narrow;
    Narrow a;
    Narrow b;
    for (int i = 0; i < Lanes; ++i) {
        a[i] = table[lowerAt[i]];
        b[i] = table[upperAt[i]];
    }
    const Wide v = __builtin_convertvector(LoadVector<Narrow>(upper), Wide) *
                       __builtin_convertvector(b, Wide) +
                   __builtin_convertvector(LoadVector<Narrow>(lower), Wide) *
                       __builtin_convertvector(a, Wide);
    StoreSamples<Lanes>(v, dst);
}

// Runs At(group) -> (lower, upper) table indices and MixLanes over count
// outputs, Lanes at a time; the last, partial group goes through padded
// copies so that nothing is read or written past count.
template <int Lanes, typename At>
VELUMOR_INLINE void MixAll(const float* table, const At& at, const int* base, const int* phase,
                           const float* upper, const float* lower, int count, short* dst) {
    typedef typename VectorTypes<Lanes>::Index Index;
    int j = 0;
    for (; j + Lanes <= count; j += Lanes) {
        Index lowerAt;
        Index upperAt;
        at(LoadVector<Index>(base + j), LoadVector<Index>(phase + j), lowerAt, upperAt);
        MixLanes<Lanes>(table, lowerAt, upperAt, upper + j, lower + j, dst + j);
    }
    if (j == count) return;
    const unsigned rest = static_cast<unsigned>(count - j);
    int basePad[Lanes];
    int phasePad[Lanes];
    float upperPad[Lanes] = {};
    float lowerPad[Lanes] = {};
    short dstPad[Lanes];
    for (int i = 0; i < Lanes; ++i) {
        basePad[i] = base[j];
        phasePad[i] = phase[j];
    }
    std::memcpy(basePad, base + j, sizeof(int) * rest);
    std::memcpy(phasePad, phase + j, sizeof(int) * rest);
    std::memcpy(upperPad, upper + j, sizeof(float) * rest);
    std::memcpy(lowerPad, lower + j, sizeof(float) * rest);
    Index lowerAt;
    Index upperAt;
    at(LoadVector<Index>(basePad), LoadVector<Index>(phasePad), lowerAt, upperAt);
    MixLanes<Lanes>(table, lowerAt, upperAt, upperPad, lowerPad, dstPad);
    std::memcpy(dst + j, dstPad, sizeof(short) * rest);
}

// Downsampler: filtered values at positions first.. ; output j mixes the
// values at BaseIndex[j] and BaseIndex[j] + 1.
template <int Lanes>
struct DownAt {
    typedef typename VectorTypes<Lanes>::Index Index;
    int first;
    VELUMOR_INLINE void operator()(const Index& base, const Index&, Index& lowerAt,
                                   Index& upperAt) const {
        lowerAt = base - first;
        upperAt = lowerAt + 1;
    }
};

// The Lanes-wide window starting Shift entries into lo, running on into hi.
template <int Shift, typename V, std::size_t... I>
VELUMOR_INLINE V Window(const V& lo, const V& hi, std::index_sequence<I...>) {
    return __builtin_shufflevector(lo, hi, static_cast<int>(Shift + I)...);
}

// Taps kb + Shift .. kb + Lanes - 1 of a downsampler tile. Every other
// window is cut from the vectors already loaded, the rest are loaded
// unaligned: that splits the work between the load and the shuffle units.
template <int Lanes, int Chains, int Shift>
struct DownTaps {
    typedef typename VectorTypes<Lanes>::Wide Wide;
    static VELUMOR_INLINE void Run(const double* weights, const double* x,
                                   const Wide (&in)[Chains + 1], Wide (&acc)[Chains]) {
        const double w = weights[Shift];
        for (int c = 0; c < Chains; ++c) {
            if constexpr (Shift % 2 == 1) {
                acc[c] += w * Window<Shift>(in[c], in[c + 1], std::make_index_sequence<Lanes>());
            } else {
                acc[c] += w * LoadVector<Wide>(x + Shift + c * Lanes);
            }
        }
        DownTaps<Lanes, Chains, Shift + 1>::Run(weights, x, in, acc);
    }
};

template <int Lanes, int Chains>
struct DownTaps<Lanes, Chains, Lanes> {
    typedef typename VectorTypes<Lanes>::Wide Wide;
    static VELUMOR_INLINE void Run(const double*, const double*, const Wide (&)[Chains + 1],
                                   Wide (&)[Chains]) {}
};

// One downsampler tile of Chains x Lanes positions, taps taken Lanes at a
// time from Chains + 1 aligned-to-the-tile vectors. The taps run
// on to a whole number of Lanes with zero coefficients, which leave every
// sum as it is (an accumulator is never -0, so adding a zero product
// changes no bit, and the samples are finite).
template <int Lanes, int Chains>
VELUMOR_INLINE void DownTile(const double* coef, int paddedTaps, const double* x, float* out) {
    typedef typename VectorTypes<Lanes>::Wide Wide;
    typedef typename VectorTypes<Lanes>::Narrow Narrow;
    Wide acc[Chains];
    for (int c = 0; c < Chains; ++c) acc[c] = Wide{};
    for (int kb = 0; kb < paddedTaps; kb += Lanes) {
        Wide in[Chains + 1];
        for (int c = 0; c <= Chains; ++c) in[c] = LoadVector<Wide>(x + kb + c * Lanes);
        DownTaps<Lanes, Chains, 0>::Run(coef + kb, x + kb, in, acc);
    }
    for (int c = 0; c < Chains; ++c) {
        StoreVector(out + c * Lanes, __builtin_convertvector(acc[c], Narrow));
    }
}

template <int Lanes, int Chains>
VELUMOR_INLINE void DownTileOf(int vectors, const double* coef, int paddedTaps, const double* x,
                               float* out) {
    if (vectors == Chains) {
        DownTile<Lanes, Chains>(coef, paddedTaps, x, out);
    } else if constexpr (Chains > 1) {
        DownTileOf<Lanes, Chains - 1>(vectors, coef, paddedTaps, x, out);
    }
}

// wideCoefficients holds zeros past the taps, up to a multiple of 8.
template <int Lanes, int Chains>
VELUMOR_INLINE void FillDownTable(const DownTable& f) {
    Widen<Lanes>(f.coefficients, f.wideCoefficients, f.taps);
    Widen<Lanes>(f.work, f.wideWork, f.workLength);
    const int paddedTaps = (f.taps + Lanes - 1) / Lanes * Lanes;
    const double* x = f.wideWork + f.first;
    const int vectorCount = (f.count + Lanes - 1) / Lanes;
    const int tiles = (vectorCount + Chains - 1) / Chains;
    for (int t = 0; t < tiles; ++t) {
        const int begin = static_cast<int>(std::int64_t{vectorCount} * t / tiles);
        const int end = static_cast<int>(std::int64_t{vectorCount} * (t + 1) / tiles);
        DownTileOf<Lanes, Chains>(end - begin, f.wideCoefficients, paddedTaps, x + begin * Lanes,
                                  f.filtered.get() + begin * Lanes);
    }
}

template <int Lanes>
VELUMOR_INLINE void MixDown(const DownTable& f, short* dst) {
    MixAll<Lanes>(f.filtered.get(), DownAt<Lanes>{f.first}, f.baseIndex, f.baseIndex, f.upperWeight,
                  f.lowerWeight, f.outputs, dst);
}

// Upsampler: row r holds the grid values that use coefficients r, r + Factor,
// ...; output j takes A from row Factor - Phase[j] and B from the row before.
template <int Lanes>
struct UpAt {
    typedef typename VectorTypes<Lanes>::Index Index;
    int factor;
    int stride;
    VELUMOR_INLINE void operator()(const Index& base, const Index& phase, Index& lowerAt,
                                   Index& upperAt) const {
        lowerAt = (factor - phase) * stride + base;
        upperAt = lowerAt - stride;
    }
};

// Rows phase rows at Vectors x Lanes neighbouring positions: each input
// vector loaded serves every row, which draws on its own coefficients.
template <int Lanes, int Rows, int Vectors>
VELUMOR_INLINE void PhaseTile(const UpTable& f, int row, const double* x, float* out) {
    typedef typename VectorTypes<Lanes>::Wide Wide;
    typedef typename VectorTypes<Lanes>::Narrow Narrow;
    Wide acc[Rows][Vectors];
    for (int r = 0; r < Rows; ++r) {
        for (int v = 0; v < Vectors; ++v) acc[r][v] = Wide{};
    }
    const double* coef = f.wideCoefficients + row;
    for (int k = 0; k < f.g; ++k) {
        Wide input[Vectors];
        for (int v = 0; v < Vectors; ++v) input[v] = LoadVector<Wide>(x + k + v * Lanes);
        const double* weights = coef + static_cast<long>(k) * f.factor;
        for (int r = 0; r < Rows; ++r) {
            for (int v = 0; v < Vectors; ++v) acc[r][v] += weights[r] * input[v];
        }
    }
    for (int r = 0; r < Rows; ++r) {
        for (int v = 0; v < Vectors; ++v) {
            StoreVector(out + static_cast<long>(r) * f.stride + v * Lanes,
                        __builtin_convertvector(acc[r][v], Narrow));
        }
    }
}

// PhaseTile for rows (1 .. Rows) rows, Rows fixed at compile time.
template <int Lanes, int Rows, int Vectors>
VELUMOR_INLINE void PhaseTileOf(int rows, int vectors, const UpTable& f, int row, const double* x,
                                float* out) {
    if (rows == Rows) {
        if (vectors == Vectors) {
            PhaseTile<Lanes, Rows, Vectors>(f, row, x, out);
        } else if constexpr (Vectors > 1) {
            PhaseTileOf<Lanes, Rows, Vectors - 1>(rows, vectors, f, row, x, out);
        }
    } else if constexpr (Rows > 1) {
        PhaseTileOf<Lanes, Rows - 1, Vectors>(rows, vectors, f, row, x, out);
    }
}

template <int Lanes, int Rows, int Vectors>
VELUMOR_INLINE void FillUpTable(const UpTable& f) {
    Widen<Lanes>(f.coefficients, f.wideCoefficients, f.taps);
    Widen<Lanes>(f.work, f.wideWork, f.workLength);
    const int vectorCount = (f.count + Lanes - 1) / Lanes;
    for (int row = 0; row <= f.factor; row += Rows) {
        const int rows = std::min(Rows, f.factor + 1 - row);
        for (int v = 0; v < vectorCount; v += Vectors) {
            const int vectors = std::min(Vectors, vectorCount - v);
            PhaseTileOf<Lanes, Rows, Vectors>(rows, vectors, f, row, f.wideWork + 1 + v * Lanes,
                                              f.filtered.get() + static_cast<long>(row) * f.stride + v * Lanes);
        }
    }
}

template <int Lanes>
VELUMOR_INLINE void MixUp(const UpTable& f, short* dst) {
    MixAll<Lanes>(f.filtered.get(), UpAt<Lanes>{f.factor, f.stride}, f.baseIndex, f.phase,
                  f.upperWeight, f.lowerWeight, f.outputs, dst);
}

}  // namespace kernels
}  // namespace velumor

#endif
