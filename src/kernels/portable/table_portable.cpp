// The table kernels for the architecture's baseline (SSE2 on x86-64): two
// doubles a vector; tiles of four vectors down, three phase rows of two
// vectors up.
#include "kernels/table/table_kernels.h"
#include "kernels/table/table_paths.h"

namespace velumor {

void ConvertDownTablePortable(const DownTable& table, short* dst) {
    kernels::FillDownTable<2, 4>(table);
    kernels::MixDown<2>(table, dst);
}

void ConvertUpTablePortable(const UpTable& table, short* dst) {
    kernels::FillUpTable<2, 3, 2>(table);
    kernels::MixUp<2>(table, dst);
}

}  // namespace velumor
