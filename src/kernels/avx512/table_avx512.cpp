// The table kernels with AVX-512: eight doubles a vector. They serve the
// geometries that the AVX-512 layouts do not take: a downsampler whose
// positions do not grow along the frame, an upsampler whose Factor is not 8.
// The upsampler's tiles are nine phase rows of two vectors (18 of the 32
// registers), so that each input vector loaded feeds nine multiply-adds, and
// its mixing picks entries with permutes (table_mix_avx512.cpp).
#include "kernels/table/table_kernels.h"
#include "kernels/table/table_paths.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX512 __attribute__((target("avx512f,avx512vl,avx512bw,avx512dq,avx2,fma")))

namespace velumor {

VELUMOR_AVX512 void ConvertDownTableAvx512(const DownTable& table, short* dst) {
    kernels::FillDownTable<8, 8>(table);
    kernels::MixDown<8>(table, dst);
}

VELUMOR_AVX512 void ConvertUpTableAvx512(const UpTable& table, short* dst) {
    kernels::FillUpTable<8, 9, 2>(table);
    MixUpTableAvx512(table, dst);
}

}  // namespace velumor

#endif
