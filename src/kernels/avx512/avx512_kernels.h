// The AVX-512 code over the layouts of down_stripes.h and up_lanes.h, and
// the copy of a frame into Work; compiled for AVX-512 only, to be called
// where the processor runs it.
#ifndef VELUMOR_KERNELS_AVX512_AVX512_KERNELS_H
#define VELUMOR_KERNELS_AVX512_AVX512_KERNELS_H

#if defined(__x86_64__) || defined(__i386__)

namespace velumor {

struct DownStripes;
struct UpLanes;

// Outputs 1 .. OutputLength - 1 of a downsampler frame into dst, from Work.
void ConvertDownStripesAvx512(DownStripes& stripes, const float* coefficients, int taps,
                              const float* work, short* dst);

// The whole frame of an upsampler with Factor 8 into dst, from Work.
void ConvertUpLanesAvx512(UpLanes& lanes, const float* coefficients, const float* work,
                          const float* upperWeight, const float* lowerWeight, short* dst);

// dst[i] = src[i] * scale for i < count, sixteen at a time, in float.
void WidenSamplesAvx512(const short* src, float* dst, int count, float scale);

}  // namespace velumor

#endif

#endif
