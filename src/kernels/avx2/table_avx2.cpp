// The table kernels with AVX2 and FMA: four doubles a vector; tiles of four
// vectors down, six phase rows of two vectors up (12 of the 16 registers).
#include "kernels/table/table_kernels.h"
#include "kernels/table/table_paths.h"

#if defined(__x86_64__) || defined(__i386__)

#define VELUMOR_AVX2 __attribute__((target("avx2,fma")))

namespace velumor {

VELUMOR_AVX2 void ConvertDownTableAvx2(const DownTable& table, short* dst) {
    kernels::FillDownTable<4, 4>(table);
    kernels::MixDown<4>(table, dst);
}

VELUMOR_AVX2 void ConvertUpTableAvx2(const UpTable& table, short* dst) {
    kernels::FillUpTable<4, 6, 2>(table);
    kernels::MixUp<4>(table, dst);
}

}  // namespace velumor

#endif
