// The table kernels compiled for each instruction set (table_*.cpp): fill
// the frame's table, then mix the outputs into dst.
#ifndef VELUMOR_KERNELS_TABLE_TABLE_PATHS_H
#define VELUMOR_KERNELS_TABLE_TABLE_PATHS_H

#include "kernels/table/table_layout.h"

namespace velumor {

void ConvertDownTablePortable(const DownTable& table, short* dst);
void ConvertUpTablePortable(const UpTable& table, short* dst);
#if defined(__x86_64__) || defined(__i386__)
void ConvertDownTableAvx2(const DownTable& table, short* dst);
void ConvertUpTableAvx2(const UpTable& table, short* dst);
void ConvertDownTableAvx512(const DownTable& table, short* dst);
void ConvertUpTableAvx512(const UpTable& table, short* dst);
// The upsampler's mixing with AVX-512 (table_mix_avx512.cpp).
void MixUpTableAvx512(const UpTable& table, short* dst);
#endif

}  // namespace velumor

#endif
