#include "coefficients/decimal_to_float.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace velumor {
namespace {

float Signed(bool negative, float magnitude) { return negative ? -magnitude : magnitude; }

}  // namespace

void DecimalNumber::Keep(char digit) {
    if (count_ < kKeptDigits) {
        digits_[count_++] = digit;
    } else {
        sticky_ = sticky_ || digit != '0';
        ++exponent_;  // the dropped digit still shifts the kept ones
    }
}

void DecimalNumber::AddIntegerDigit(char digit) {
    if (count_ == 0 && digit == '0') return;  // leading zero
    Keep(digit);
}

void DecimalNumber::AddFractionDigit(char digit) {
    if (count_ == 0 && digit == '0') {
        --exponent_;  // leading zero of the fraction
        return;
    }
    if (count_ < kKeptDigits) {
        Keep(digit);
        --exponent_;
    } else {
        sticky_ = sticky_ || digit != '0';
    }
}

float DecimalNumber::ToFloat() const {
    if (count_ == 0) return Signed(negative_, 0.0f);
    // Decimal exponent of the leading digit; floats live within 10^-46 .. 10^39.
    const std::int64_t leading = exponent_ + static_cast<std::int64_t>(count_) - 1;
    if (leading > 40) return Signed(negative_, std::numeric_limits<float>::infinity());
    if (leading < -50) return Signed(negative_, 0.0f);

    // digits, a sticky '1' for the dropped ones, 'e', the exponent.
    char text[kKeptDigits + 32];
    std::size_t length = count_;
    for (std::size_t i = 0; i < count_; ++i) text[i] = digits_[i];
    std::int64_t exponent = exponent_;
    if (sticky_) {
        text[length++] = '1';
        --exponent;
    }
    text[length++] = 'e';
    const auto written = std::to_chars(text + length, text + sizeof text, exponent);
    float magnitude = 0.0f;
    const auto parsed = std::from_chars(text, written.ptr, magnitude);
    if (parsed.ec == std::errc::result_out_of_range) {
        magnitude = leading > 0 ? std::numeric_limits<float>::infinity() : 0.0f;
    }
    return Signed(negative_, magnitude);
}

}  // namespace velumor
