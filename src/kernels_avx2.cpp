// The frame kernels with AVX2 and FMA: four doubles a vector, four vectors
// of accumulators a tile (two FMA pipes of four cycles' latency).
#include "frame_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

namespace velumor {

__attribute__((target("avx2,fma"))) void ConvertDownAvx2(const DownFrame& frame) {
    kernels::ConvertDown<4, 4>(frame);
}

__attribute__((target("avx2,fma"))) void ConvertUpAvx2(const UpFrame& frame) {
    kernels::ConvertUp<4, 4>(frame);
}

}  // namespace velumor

#endif
