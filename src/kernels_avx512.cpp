// The frame kernels with AVX-512: eight doubles a vector, six vectors of
// accumulators a tile; the mixing step gathers (mix_avx512.cpp).
#include "frame_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

VELUMOR_AVX512 void ConvertDownAvx512(const DownFrame& frame) {
    kernels::FillDownTable<8, 8>(frame);
    MixDownAvx512(frame);
}

VELUMOR_AVX512 void ConvertUpAvx512(const UpFrame& frame) {
    kernels::FillUpTable<8, 8>(frame);
    MixUpAvx512(frame);
}

}  // namespace velumor

#endif
