// The frame kernels with AVX2 and FMA: four doubles a vector, four vectors
// of accumulators a tile (two FMA pipes of four cycles' latency).
#include "frame_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX2 __attribute__((target("avx2,fma")))

namespace velumor {

VELUMOR_AVX2 void ConvertDownAvx2(const DownFrame& frame) {
    kernels::FillDownTable<4, 4>(frame);
    kernels::MixDown<4>(frame);
}

VELUMOR_AVX2 void ConvertUpAvx2(const UpFrame& frame) {
    kernels::FillUpTable<4, 4>(frame);
    kernels::MixUp<4>(frame);
}

}  // namespace velumor

#endif
