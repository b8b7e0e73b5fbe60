// The coefficient file grammar, read byte by byte with one byte of
// look-ahead: each entry is an optionally signed integer (ignored) and an
// optionally signed decimal real. A read stops at the first byte that cannot
// continue the number; that byte stays unread, everything before it stays
// consumed, so a stray character stops every later read too.
#include "coefficients/coefficient_reader.h"

#include <cstdint>
#include <cstdio>
#include <limits>

#include "coefficients/decimal_to_float.h"

namespace velumor {
namespace {

constexpr int kEnd = -1;
constexpr int kEndOfText = 0x1A;  // ends the data, like the end of the file

class ByteSource {
public:
    explicit ByteSource(std::FILE* file) : file_(file) {}

    int Peek() {
        if (position_ == size_ && !ended_) Refill();
        return position_ < size_ ? buffer_[position_] : kEnd;
    }
    void Take() { ++position_; }

private:
    void Refill() {
        size_ = std::fread(buffer_, 1, sizeof buffer_, file_);
        position_ = 0;
        for (std::size_t i = 0; i < size_; ++i) {
            if (buffer_[i] == kEndOfText) {
                size_ = i;
                ended_ = true;
                break;
            }
        }
        if (size_ == 0) ended_ = true;
    }

    std::FILE* file_;
    unsigned char buffer_[4096] = {};
    std::size_t size_ = 0;
    std::size_t position_ = 0;
    bool ended_ = false;
};

bool IsSpace(int c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsSign(int c) { return c == '+' || c == '-'; }

void SkipSpace(ByteSource& in) {
    while (IsSpace(in.Peek())) in.Take();
}

// Takes a sign if one is there; returns true for '-'.
bool TakeSign(ByteSource& in) {
    const int c = in.Peek();
    if (!IsSign(c)) return false;
    in.Take();
    return c == '-';
}

// Takes a run of digits, handing each to add (if given); returns how many.
template <typename Add>
std::size_t TakeDigits(ByteSource& in, Add add) {
    std::size_t count = 0;
    for (int c = in.Peek(); IsDigit(c); c = in.Peek()) {
        add(static_cast<char>(c));
        in.Take();
        ++count;
    }
    return count;
}

bool ReadInteger(ByteSource& in) {
    SkipSpace(in);
    TakeSign(in);
    return TakeDigits(in, [](char) {}) > 0;
}

// Exponent digits, saturated far beyond any float's reach.
std::int64_t TakeExponent(ByteSource& in) {
    const bool negative = TakeSign(in);
    constexpr std::int64_t kCap = std::int64_t{1} << 40;
    std::int64_t value = 0;
    for (int c = in.Peek(); IsDigit(c); c = in.Peek()) {
        if (value < kCap) value = value * 10 + (c - '0');
        in.Take();
    }
    return negative ? -value : value;
}

bool ReadReal(ByteSource& in, float* value) {
    SkipSpace(in);
    DecimalNumber number;
    number.SetNegative(TakeSign(in));
    std::size_t count = TakeDigits(in, [&](char d) { number.AddIntegerDigit(d); });
    if (in.Peek() == '.') {
        in.Take();
        count += TakeDigits(in, [&](char d) { number.AddFractionDigit(d); });
    }
    if (count == 0) return false;
    const int c = in.Peek();
    if (c == 'e' || c == 'E') {
        in.Take();
        number.AddExponent(TakeExponent(in));
    }
    *value = number.ToFloat();
    return true;
}

// A read that starts at a byte other than white space, a digit or a sign
// consumes nothing and fails, and so does every read after it.
bool Stuck(ByteSource& in) {
    const int c = in.Peek();
    return c == kEnd || !(IsSpace(c) || IsDigit(c) || IsSign(c));
}

// One "%d %f" read; returns whether a real was read into *value.
bool ReadEntry(ByteSource& in, float* value) {
    return ReadInteger(in) && ReadReal(in, value);
}

}  // namespace

void ReadCoefficients(const char* path, float* destination, int skip, int keep) {
    if (path == nullptr) return;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return;
    ByteSource in(file);
    const int skipped = skip > 0 ? skip : 0;
    const int kept = keep > 0 ? keep : 0;
    // Skipped entries go to the first slots that exist, then the kept ones
    // fill the table from slot 0.
    for (int i = 0; i < skipped && !Stuck(in); ++i) {
        float value = 0.0f;
        if (ReadEntry(in, &value) && i < kept) destination[i] = value;
    }
    for (int i = 0; i < kept && !Stuck(in); ++i) {
        float value = 0.0f;
        if (ReadEntry(in, &value)) destination[i] = value;
    }
    std::fclose(file);
}

}  // namespace velumor
