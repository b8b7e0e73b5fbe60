#include "common/frame_length.h"

#include "common/numeric.h"

namespace velumor {

int FrameLength(float durationSeconds, float rateHz) {
    const double samples = static_cast<double>(durationSeconds) * static_cast<double>(rateHz) +
                           static_cast<double>(0.1f);
    const int length = LowBits32(TruncateToInt64(samples));
    return length < 0 ? 0 : length;
}

}  // namespace velumor
