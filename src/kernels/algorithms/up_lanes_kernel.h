// The upsampler over the layout of layout/up_lanes.h, written once over an
// instruction set's operations (ops/*_ops.h) and compiled once per set
// (isa/*.cpp).
//
// Per frame: the coefficients (reversed) and Work are widened to double; each vector
// of grid values runs tap by tap in increasing order, as the scalar
// definition forms its sums, Ops::kTile vectors side by side so that the
// multiply-adds of one sum do not wait on each other. The sums are stored
// in the grid as floats; each group of outputs then picks its two values,
// and is mixed and stored.
//
// Everything here has internal linkage, so each instruction set's copy
// stays in the file compiled for it.
#ifndef VELUMOR_KERNELS_ALGORITHMS_UP_LANES_KERNEL_H
#define VELUMOR_KERNELS_ALGORITHMS_UP_LANES_KERNEL_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kernels/layout/up_lanes.h"

namespace velumor {
namespace {

template <typename Ops>
struct UpLanesKernel {
    using Vec = typename Ops::Vec;
    static constexpr int W = Ops::kLanes;

    // dst[i] = src[i] as a double, for i < count.
    static void Widen(const float* src, double* dst, int count) {
        int i = 0;
        for (; i + W <= count; i += W) Ops::Store(dst + i, Ops::LoadFloats(src + i));
        for (; i < count; ++i) dst[i] = src[i];
    }

    // reversed[m] = coefficients[taps - 1 - m], as doubles.
    static void WidenReversed(const float* coefficients, double* reversed, int taps) {
        int m = 0;
        for (; m + W <= taps; m += W) {
            Ops::Store(reversed + m, Ops::LoadFloatsReversed(coefficients + taps - W - m));
        }
        for (; m < taps; ++m) reversed[m] = coefficients[taps - 1 - m];
    }

    // With kPerVector positions a vector: per tap k the coefficients of
    // slots l / kPerVector (tap k of slot q being Coefficients[F (k + 1) -
    // q]; slots past F stay zero).
    template <int kPerVector>
    static void WidenRows(const UpLanes& s, const float* coefficients) {
        const int slots = s.factor + 1 < W / kPerVector ? s.factor + 1 : W / kPerVector;
        for (int k = 0; k < s.g; ++k) {
            double* row = s.coefficients.data + std::ptrdiff_t{k} * W;
            for (int q = 0; q < slots; ++q) {
                const double c = coefficients[s.factor * (k + 1) - q];
                for (int i = 0; i < kPerVector; ++i) row[q * kPerVector + i] = c;
            }
        }
    }

    // Count vectors that start at slot `slot`: their grid values, stored
    // from slot slots * b + slot. With kPerVector > 1, each holds slots of
    // kPerVector positions (and `slot` is 0). Not inlined: on its own, the
    // loop keeps every sample pointer in a general register, where inlined
    // into the frame's loops GCC moved some through vector registers, an
    // extra operation beside each multiply-add.
    template <int Count, int kPerVector>
    __attribute__((noinline)) static void Vectors(const UpLanes& s, const int* position, int slot) {
        // Tap k, lane l: reversed entry F (G - 1 - k) + slot + l, or lane l
        // of row k.
        constexpr bool kRows = kPerVector > 1;
        const double* coefficient =
            kRows ? s.coefficients.data : s.coefficients.data + std::ptrdiff_t{s.factor} * (s.g - 1) + slot;
        const std::ptrdiff_t step = kRows ? -W : s.factor;
        const double* x[Count];
        Vec sum[Count];
#pragma GCC unroll 16
        for (int p = 0; p < Count; ++p) {
            x[p] = s.work.data + position[p] + 1;
            sum[p] = Ops::Zero();
        }
        // g >= 1 (MakeUpLanes): with a loop that may run zero times, GCC
        // keeps the sums in memory.
        int k = 0;
        do {
            const Vec c = Ops::LoadUnaligned(coefficient - std::ptrdiff_t{k} * step);
#pragma GCC unroll 16
            for (int p = 0; p < Count; ++p) {
                Vec sample;
                if constexpr (kRows) {
                    sample = Ops::template LoadRepeated<kPerVector>(x[p] + k);
                } else {
                    sample = Ops::Broadcast(x[p][k]);
                }
                sum[p] = Ops::MulAdd(sample, c, sum[p]);
            }
        } while (++k < s.g);
#pragma GCC unroll 16
        for (int p = 0; p < Count; ++p) {
            Ops::StoreFloats(s.grid.data + std::ptrdiff_t{s.slots} * position[p] + slot, sum[p]);
        }
    }

    // The last 1 .. Count vectors of a run.
    template <int Count, int kPerVector>
    static void Remainder(const UpLanes& s, const int* position, int slot, int left) {
        if (left == Count) {
            Vectors<Count, kPerVector>(s, position, slot);
        } else if constexpr (Count > 1) {
            Remainder<Count - 1, kPerVector>(s, position, slot, left);
        }
    }

    template <int kPerVector>
    static void FillGrid(const UpLanes& s) {
        for (int run = 0; run < s.runs; ++run) {
            const int slot = s.runSlot.data[run];
            const int end = s.runBegin.data[run + 1];
            int v = s.runBegin.data[run];
            for (; v + Ops::kTile <= end; v += Ops::kTile) {
                Vectors<Ops::kTile, kPerVector>(s, s.position.data + v, slot);
            }
            Remainder<Ops::kTile - 1, kPerVector>(s, s.position.data + v, slot, end - v);
        }
    }

    // The grid: with several positions a vector (two or four, never more
    // than half the lanes), or one.
    static void Sums(const UpLanes& s, const float* coefficients, const float* work) {
        Widen(work, s.work.data, s.workLength);
        if constexpr (W >= 4) {
            if (s.perVector == 2) {
                WidenRows<2>(s, coefficients);
                FillGrid<2>(s);
                return;
            }
        }
        if constexpr (W >= 8) {
            if (s.perVector == 4) {
                WidenRows<4>(s, coefficients);
                FillGrid<4>(s);
                return;
            }
        }
        WidenReversed(coefficients, s.coefficients.data, s.taps);
        FillGrid<1>(s);
    }

    // What the mixing reads, copied out of the layout once a frame: the
    // samples' stores may alias anything, so fields read through the layout
    // would be loaded again after each of them.
    struct Mixing {
        const float* grid;
        const int* groupStart;
        const std::uint8_t* pick;
        const int* gatherSlot;
        int upperStep;  // from an output's lower grid value to its upper one
    };

    // upper * (its grid value) + lower * (its grid value) in double, then
    // the sample store rule, for outputs j .. j + W - 1 of the group.
    static void MixGroup(const Mixing& m, int j, const float* upperWeight,
                         const float* lowerWeight, short* dst) {
        const int start = m.groupStart[j / W];
        Vec lower;
        Vec upper;
        if (start >= 0) {
            Ops::Pick(m.grid + start, m.pick + std::ptrdiff_t{j} * 2, lower, upper);
        } else {
            Ops::Gather(m.grid, m.gatherSlot + std::ptrdiff_t{-1 - start} * W, m.upperStep, lower,
                        upper);
        }
        const Vec v = Ops::MulAdd(Ops::LoadFloats(upperWeight), upper,
                                  Ops::Mul(Ops::LoadFloats(lowerWeight), lower));
        Ops::StoreSamples(dst, v);
    }

    static void Convert(const UpLanes& s, const float* coefficients, const float* work,
                        const float* upperWeight, const float* lowerWeight, short* dst) {
        Sums(s, coefficients, work);
        const Mixing m{s.grid.data, s.groupStart.data, s.pick.data, s.gatherSlot.data, s.perVector};
        const int outputs = s.outputs;
        int j = 0;
        for (; j + W <= outputs; j += W) MixGroup(m, j, upperWeight + j, lowerWeight + j, dst + j);
        const int left = outputs - j;
        if (left == 0) return;
        // The last, partial group through copies padded with zero weights,
        // so that nothing past the outputs is read or written.
        float upperPad[W] = {};
        float lowerPad[W] = {};
        short samples[W];
        std::memcpy(upperPad, upperWeight + j, sizeof(float) * static_cast<unsigned>(left));
        std::memcpy(lowerPad, lowerWeight + j, sizeof(float) * static_cast<unsigned>(left));
        MixGroup(m, j, upperPad, lowerPad, samples);
        std::memcpy(dst + j, samples, sizeof(short) * static_cast<unsigned>(left));
    }
};

}  // namespace
}  // namespace velumor

#endif
