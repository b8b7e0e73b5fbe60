// Numeric conventions shared by both converters: real values become
// integers by truncation toward zero to 64 bits, never by rounding.
#ifndef VELUMOR_COMMON_NUMERIC_H
#define VELUMOR_COMMON_NUMERIC_H

#include <cmath>
#include <cstdint>

namespace velumor {

// Truncates toward zero. A value that is not finite or has a magnitude of
// 2^63 or more has no 64-bit truncation and gives 0.
inline std::int64_t TruncateToInt64(double value) {
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (!(std::fabs(value) < kLimit)) return 0;
    return static_cast<std::int64_t>(value);
}

// Keeps the low 32 bits of a 64-bit integer as a two's-complement value.
inline std::int32_t LowBits32(std::int64_t value) {
    const auto bits = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
    return bits <= 0x7FFFFFFFu ? static_cast<std::int32_t>(bits)
                               : -static_cast<std::int32_t>(~bits) - 1;
}

}  // namespace velumor

#endif
