#ifndef VELUMOR_COMMON_SAMPLE_STORE_H
#define VELUMOR_COMMON_SAMPLE_STORE_H

#include <cmath>

namespace velumor {

// Turns a real output value into a 16-bit sample: truncation toward zero,
// then saturation to -32768 .. 32767. NaN and infinities give 0.
inline short StoreSample(double value) {
    if (!std::isfinite(value)) return 0;
    if (value >= 32767.0) return 32767;
    if (value <= -32768.0) return -32768;
    return static_cast<short>(value);
}

}  // namespace velumor

#endif
