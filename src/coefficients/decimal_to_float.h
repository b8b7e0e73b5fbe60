#ifndef VELUMOR_COEFFICIENTS_DECIMAL_TO_FLOAT_H
#define VELUMOR_COEFFICIENTS_DECIMAL_TO_FLOAT_H

#include <cstddef>
#include <cstdint>

namespace velumor {

// A decimal real gathered digit by digit, in fixed memory however long its
// text: (negative ? -1 : 1) * 0.d1d2d3... * 10^(leading + 1), where only
// the first kKeptDigits significant digits are kept and a sticky flag
// remembers whether any later digit was non-zero. A float, or the midpoint
// between two floats, has at most 112 significant digits, so this keeps the
// correctly rounded result.
class DecimalNumber {
public:
    static constexpr std::size_t kKeptDigits = 160;

    void SetNegative(bool negative) { negative_ = negative; }
    // Digits of the integer part, then of the fraction, in text order.
    void AddIntegerDigit(char digit);
    void AddFractionDigit(char digit);
    // Adds an explicit exponent (already saturated by the caller).
    void AddExponent(std::int64_t exponent) { exponent_ += exponent; }

    // Rounds the number once, to the nearest float (ties to even). Beyond
    // the float range it gives an infinity, below it a subnormal or zero.
    float ToFloat() const;

private:
    void Keep(char digit);

    bool negative_ = false;
    char digits_[kKeptDigits + 1] = {};
    std::size_t count_ = 0;      // significant digits kept
    bool sticky_ = false;        // a non-zero digit was dropped
    std::int64_t exponent_ = 0;  // scales the last kept digit
};

}  // namespace velumor

#endif
