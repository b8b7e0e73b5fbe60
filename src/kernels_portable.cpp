// The frame kernels for the architecture's baseline (SSE2 on x86-64): two
// doubles a vector, four vectors of accumulators a tile.
#include "frame_kernels.h"

namespace velumor {

void ConvertDownPortable(const DownFrame& frame) { kernels::ConvertDown<2, 4>(frame); }

void ConvertUpPortable(const UpFrame& frame) { kernels::ConvertUp<2, 4>(frame); }

}  // namespace velumor
