// The frame kernels with AVX-512: eight doubles a vector. The downsampler
// forms only the values its outputs use, without a table
// (down_pairs_avx512.cpp); the upsampler's tiles hold nine phase rows of two
// vectors (18 of the 32 registers), so that each input vector loaded feeds
// nine multiply-adds, and mixing picks entries with permutes
// (mix_avx512.cpp).
#include "frame_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

VELUMOR_AVX512 void ConvertDownAvx512(const DownFrame& frame) {
    ConvertDownPairsAvx512(frame);
}

VELUMOR_AVX512 void ConvertUpAvx512(const UpFrame& frame) {
    kernels::FillUpTable<8, 9, 2>(frame);
    MixUpAvx512(frame);
}

}  // namespace velumor

#endif
