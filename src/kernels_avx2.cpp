// The frame kernels with AVX2 and FMA: four doubles a vector; tiles of four
// vectors down, six phase rows of two vectors up (12 of the 16 registers).
#include "frame_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX2 __attribute__((target("avx2,fma")))

namespace velumor {

VELUMOR_AVX2 void ConvertDownAvx2(const DownFrame& frame) {
    kernels::FillDownTable<4, 4>(frame);
    kernels::MixDown<4>(frame);
}

VELUMOR_AVX2 void ConvertUpAvx2(const UpFrame& frame) {
    kernels::FillUpTable<4, 6, 2>(frame);
    kernels::MixUp<4>(frame);
}

}  // namespace velumor

#endif
