// The vector operations of the kernels with Advanced SIMD (NEON), the
// aarch64 baseline: two doubles a vector. The fused multiply-add rounds as
// a multiply and an add do, since a product of two floats is exact in
// double.
#ifndef VELUMOR_KERNELS_OPS_NEON_OPS_H
#define VELUMOR_KERNELS_OPS_NEON_OPS_H

#include <arm_neon.h>

#include <cstdint>
#include <cstring>

namespace velumor {
namespace {

struct NeonOps {
    using Vec = float64x2_t;
    using Mask = uint64x2_t;  // all bits set in the lanes that blend
    static constexpr int kLanes = 2;
    // 32 registers: five stripe groups hold ten sums and ten sample
    // vectors; up, sixteen sums and the coefficients.
    static constexpr int kGroups = 5;
    static constexpr int kTile = 16;
    static constexpr int kWindow = 256;  // picked one by one: any distance a byte holds

    static Vec Zero() { return vdupq_n_f64(0.0); }
    static Vec Load(const double* p) { return vld1q_f64(p); }
    static Vec LoadUnaligned(const double* p) { return vld1q_f64(p); }
    static Vec Broadcast(double x) { return vdupq_n_f64(x); }
    static void Store(double* p, Vec v) { vst1q_f64(p, v); }
    static Vec MulAdd(Vec a, Vec b, Vec sum) { return vfmaq_f64(sum, a, b); }
    static Vec Mul(Vec a, Vec b) { return vmulq_f64(a, b); }
    static Mask MaskOf(unsigned bits) {
        const uint64_t lanes[2] = {(bits & 1u) ? ~uint64_t{0} : 0, (bits & 2u) ? ~uint64_t{0} : 0};
        return vld1q_u64(lanes);
    }
    static Vec Blend(Mask mask, Vec a, Vec b) { return vbslq_f64(mask, b, a); }
    static Vec LoadFloats(const float* p) { return vcvt_f64_f32(vld1_f32(p)); }
    // p[1], p[0].
    static Vec LoadFloatsReversed(const float* p) { return vcvt_f64_f32(vrev64_f32(vld1_f32(p))); }
    static void StoreFloats(float* p, Vec v) { vst1_f32(p, vcvt_f32_f64(v)); }
    static Vec ThroughFloat(Vec v) { return vcvt_f64_f32(vcvt_f32_f64(v)); }

    // The sample store rule: NaN and infinities become 0, the value is
    // clamped to the 16-bit range, then truncated toward zero.
    static void StoreSamples(short* dst, Vec v) {
        const uint64x2_t finite = vcaltq_f64(v, vdupq_n_f64(__builtin_inf()));
        const float64x2_t kept = vbslq_f64(finite, v, vdupq_n_f64(0.0));
        const float64x2_t clamped =
            vminq_f64(vmaxq_f64(kept, vdupq_n_f64(-32768.0)), vdupq_n_f64(32767.0));
        const int32x2_t whole = vmovn_s64(vcvtq_s64_f64(clamped));
        const int16x4_t samples = vmovn_s32(vcombine_s32(whole, whole));
        const int32_t two = vget_lane_s32(vreinterpret_s32_s16(samples), 0);
        std::memcpy(dst, &two, sizeof two);
    }

    // out[t * 2 + i] = column[i][r + t] as a double, for t, i < 2.
    static void TransposeRows(const float* const* column, int r, double* out) {
        const float32x2_t a = vld1_f32(column[0] + r);
        const float32x2_t b = vld1_f32(column[1] + r);
        vst1q_f64(out, vcvt_f64_f32(vzip1_f32(a, b)));
        vst1q_f64(out + 2, vcvt_f64_f32(vzip2_f32(a, b)));
    }

    // out[i * 2 + g] = in[g * 2 + i], for g, i < 2.
    static void TransposeSamples(const short* in, short* out) {
        out[0] = in[0];
        out[1] = in[2];
        out[2] = in[1];
        out[3] = in[3];
    }

    static void Pick(const float* window, const std::uint8_t* pick, Vec& lower, Vec& upper) {
        const double low[2] = {window[pick[0]], window[pick[1]]};
        const double high[2] = {window[pick[2]], window[pick[3]]};
        lower = vld1q_f64(low);
        upper = vld1q_f64(high);
    }

    // lower[i] = grid[slot[i]], upper[i] = grid[slot[i] + step].
    static void Gather(const float* grid, const int* slot, int step, Vec& lower, Vec& upper) {
        const double low[2] = {grid[slot[0]], grid[slot[1]]};
        const double high[2] = {grid[slot[0] + step], grid[slot[1] + step]};
        lower = vld1q_f64(low);
        upper = vld1q_f64(high);
    }
};

}  // namespace
}  // namespace velumor

#endif
