// The frame kernels with AVX-512: eight doubles a vector. The downsampler
// normally runs over its stripes, without a table (down_stripes_avx512.cpp);
// its table kernel here serves the rare geometry whose stripes do not fit.
// The upsampler with Factor 8 runs over one vector of grid values per input
// position (up_lanes_avx512.cpp); for other factors its table kernel here
// has tiles of nine phase rows of two vectors (18 of the 32 registers), so
// that each input vector loaded feeds nine multiply-adds, and mixing picks
// entries with permutes (mix_avx512.cpp).
#include "frame_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

VELUMOR_AVX512 void ConvertDownAvx512(const DownFrame& frame) {
    kernels::FillDownTable<8, 8>(frame);
    kernels::MixDown<8>(frame);
}

VELUMOR_AVX512 void ConvertUpAvx512(const UpFrame& frame) {
    kernels::FillUpTable<8, 9, 2>(frame);
    MixUpAvx512(frame);
}

}  // namespace velumor

#endif
