// The frame kernels with AVX-512: eight doubles a vector; the downsampler's
// tiles hold eight vectors of accumulators, the upsampler's nine phase rows
// of two vectors (18 of the 32 registers), so that each input vector loaded
// feeds nine multiply-adds. Mixing picks entries with permutes
// (mix_avx512.cpp).
#include "frame_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

VELUMOR_AVX512 void ConvertDownAvx512(const DownFrame& frame) {
    kernels::FillDownTable<8, 8>(frame);
    MixDownAvx512(frame);
}

VELUMOR_AVX512 void ConvertUpAvx512(const UpFrame& frame) {
    kernels::FillUpTable<8, 9, 2>(frame);
    MixUpAvx512(frame);
}

}  // namespace velumor

#endif
