// The frame kernels for the architecture's baseline (SSE2 on x86-64): two
// doubles a vector; tiles of four vectors down, three phase rows of two
// vectors up.
#include "frame_kernels.h"

namespace velumor {

void ConvertDownPortable(const DownFrame& frame) {
    kernels::FillDownTable<2, 4>(frame);
    kernels::MixDown<2>(frame);
}

void ConvertUpPortable(const UpFrame& frame) {
    kernels::FillUpTable<2, 3, 2>(frame);
    kernels::MixUp<2>(frame);
}

}  // namespace velumor
