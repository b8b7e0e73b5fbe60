// The downsampler over the stripes of layout/down_stripes.h, written once
// over an instruction set's operations (ops/*_ops.h) and compiled once per
// set (isa/*.cpp): lane i of group j is output j + i * stride.
//
// Per frame: Work is transposed into `transposedWork`, a block of rows at a
// time, widened to double. Then each group's sums run tap by tap in
// increasing order, as the scalar definition forms them: the samples of tap
// m are row groupRow + m blended with the row after it on the lanes whose
// window starts one sample later. That vector is tap m of the lower sum and
// tap m - 1 of the upper one, so one load and one blend feed two
// multiply-adds. Ops::kGroups groups run side by side, so that the
// multiply-adds of one sum do not wait on each other. The coefficients are
// widened from Coefficients on every frame: a caller who writes them still
// gets the taps it wrote. The outputs are mixed in the registers and
// stored group by group, then transposed into dst.
//
// Everything here has internal linkage, so each instruction set's copy
// stays in the file compiled for it.
#ifndef VELUMOR_KERNELS_ALGORITHMS_DOWN_STRIPES_KERNEL_H
#define VELUMOR_KERNELS_ALGORITHMS_DOWN_STRIPES_KERNEL_H

#include <cstddef>
#include <cstring>

#include "kernels/layout/down_stripes.h"

namespace velumor {
namespace {

template <typename Ops>
struct DownStripesKernel {
    using Vec = typename Ops::Vec;
    using Mask = typename Ops::Mask;
    static constexpr int W = Ops::kLanes;

    static void WidenCoefficients(const DownStripes& s, const float* c, int taps) {
        double* wide = s.coefficients.data;
        int m = 0;
        for (; m + W <= taps; m += W) Ops::Store(wide + m, Ops::LoadFloats(c + m));
        for (; m < taps; ++m) wide[m] = c[m];
    }

    static void TransposeFrame(const DownStripes& s, const float* work) {
        const float* column[W];
        for (int i = 0; i < W; ++i) column[i] = work + s.first + s.laneOffset[i];
        double* out = s.transposedWork.data;
        for (int r = 0; r < s.rows; r += W) Ops::TransposeRows(column, r, out + std::ptrdiff_t{r} * W);
    }

    // The mixing step and the sample store rule, for group j's lanes.
    static void Mix(const DownStripes& s, int j, Vec lower, Vec upper) {
        const Vec upperWeight = Ops::LoadFloats(s.upperWeight.data + j * W);
        const Vec lowerWeight = Ops::LoadFloats(s.lowerWeight.data + j * W);
        const Vec v = Ops::MulAdd(upperWeight, Ops::ThroughFloat(upper),
                                  Ops::Mul(lowerWeight, Ops::ThroughFloat(lower)));
        Ops::StoreSamples(s.results.data + j * W, v);
    }

    // Groups j .. j + Count - 1, both sums of every lane. The samples of
    // tap m serve tap m of the lower sum and tap m - 1 of the upper one, so
    // each blended vector feeds two multiply-adds as soon as it is formed,
    // and only the sums stay in registers.
    template <int Count>
    static void Groups(const DownStripes& s, const double* c, int taps, int j) {
        const double* row[Count];
        Mask blend[Count];
        Vec lower[Count];
        Vec upper[Count];
        // The loops over the groups are unrolled in full, so that these
        // arrays live in registers; otherwise GCC keeps them on the stack
        // around the tap loop.
#pragma GCC unroll 16
        for (int g = 0; g < Count; ++g) {
            row[g] = s.transposedWork.data + std::ptrdiff_t{s.groupRow.data[j + g]} * W;
            blend[g] = Ops::MaskOf(s.groupBlendMask.data[j + g]);
            lower[g] = Ops::Zero();
            upper[g] = Ops::Zero();
        }
        if (taps > 0) {
            Vec previous = Ops::Broadcast(c[0]);
#pragma GCC unroll 16
            for (int g = 0; g < Count; ++g) {
                lower[g] = Ops::MulAdd(previous, Samples(row[g], blend[g], 0), lower[g]);
            }
            for (int m = 1; m < taps; ++m) {
                const Vec tap = Ops::Broadcast(c[m]);
#pragma GCC unroll 16
                for (int g = 0; g < Count; ++g) {
                    const Vec x = Samples(row[g], blend[g], m);
                    lower[g] = Ops::MulAdd(tap, x, lower[g]);
                    upper[g] = Ops::MulAdd(previous, x, upper[g]);
                }
                previous = tap;
            }
#pragma GCC unroll 16
            for (int g = 0; g < Count; ++g) {
                upper[g] = Ops::MulAdd(previous, Samples(row[g], blend[g], taps), upper[g]);
            }
        }
#pragma GCC unroll 16
        for (int g = 0; g < Count; ++g) Mix(s, j + g, lower[g], upper[g]);
    }

    // A group's samples of tap m: row m, and row m + 1 on the lanes whose
    // window starts a sample later.
    static Vec Samples(const double* row, Mask blend, int m) {
        return Ops::Blend(blend, Ops::Load(row + std::ptrdiff_t{m} * W),
                          Ops::Load(row + std::ptrdiff_t{m + 1} * W));
    }

    // The last 1 .. Count groups.
    template <int Count>
    static void Remainder(const DownStripes& s, const double* c, int taps, int j, int left) {
        if (left == Count) {
            Groups<Count>(s, c, taps, j);
        } else if constexpr (Count > 1) {
            Remainder<Count - 1>(s, c, taps, j, left);
        }
    }

    // Groups j0 .. j0 + W - 1 into dst: lane i of group j is output j + i * stride.
    static void StoreOutputs(const DownStripes& s, int j0, short* dst) {
        alignas(16) short lanes[W * W];
        Ops::TransposeSamples(s.results.data + std::ptrdiff_t{j0} * W, lanes);
        const int groups = s.stride - j0;
        for (int lane = 0; lane < W; ++lane) {
            const int start = j0 + lane * s.stride;
            int count = s.outputs - start;
            if (count > groups) count = groups;
            if (count >= W) {
                std::memcpy(dst + start, lanes + lane * W, sizeof(short) * W);
            } else {
                for (int i = 0; i < count; ++i) dst[start + i] = lanes[lane * W + i];
            }
        }
    }

    static void Convert(const DownStripes& s, const float* coefficients, int taps,
                        const float* work, short* dst) {
        WidenCoefficients(s, coefficients, taps);
        TransposeFrame(s, work);
        const double* c = s.coefficients.data;
        int j = 0;
        for (; j + Ops::kGroups <= s.stride; j += Ops::kGroups) Groups<Ops::kGroups>(s, c, taps, j);
        Remainder<Ops::kGroups - 1>(s, c, taps, j, s.stride - j);
        for (int j0 = 0; j0 < s.stride; j0 += W) StoreOutputs(s, j0, dst);
    }
};

}  // namespace
}  // namespace velumor

#endif
