// The frame kernels with AVX-512: eight doubles a vector, four vectors of
// accumulators a tile.
#include "frame_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

VELUMOR_AVX512 void ConvertDownAvx512(const DownFrame& frame) {
    kernels::ConvertDown<8, 4>(frame);
}

VELUMOR_AVX512 void ConvertUpAvx512(const UpFrame& frame) { kernels::ConvertUp<8, 4>(frame); }

}  // namespace velumor

#endif
