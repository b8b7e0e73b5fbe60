// Arguments beyond the limits, one table per constructor: each odd value and
// the result the header documents for it (frame lengths of 0, a tap count or
// factor clamped, all-zero outputs, nothing written when OutputLength is 0,
// std::bad_alloc for arrays too large to index).
#include <gtest/gtest.h>

#include <climits>
#include <limits>
#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "support/temp_file.h"
#include "velumor.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kTiny = std::numeric_limits<float>::denorm_min();
// 2^32 + 512: one second at this rate is 2^32 + 512 samples, of which the
// low 32 bits, 512, are kept.
constexpr float kWrappingRate = 4294967808.0f;
// 2^31 - 128 samples in one second: a frame just short of INT_MAX.
constexpr float kNearIntMaxRate = 2147483520.0f;
constexpr short kLoud = 30000;
constexpr short kUnwritten = 12345;

// 400 coefficients of 1: any filter window over a loud frame saturates, so
// an all-zero output shows the filter really is empty or reads only zeros.
const char* OnesFile() {
    static const TempFile file(CoefficientText(std::vector<float>(400, 1.0f)));
    return file.path();
}

enum class Outputs {
    kAny,    // only bounds are checked
    kZeros,  // every output 0 (the downsampler's dst[0] is still src[0])
};

// Converts one loud frame; src is null when the frame is empty (it must not be
// read), dst has one guard slot past OutputLength, which must stay unwritten.
template <typename Converter>
std::vector<short> ConvertLoudFrame(Converter& converter) {
    std::vector<short> src(static_cast<std::size_t>(converter.InputLength), kLoud);
    std::vector<short> dst(static_cast<std::size_t>(converter.OutputLength) + 1, kUnwritten);
    converter.Conversion(src.empty() ? nullptr : src.data(), dst.data());
    EXPECT_EQ(dst.back(), kUnwritten) << "written past OutputLength";
    dst.pop_back();
    return dst;
}

struct DownCase {
    std::string name;
    bool builtIn;  // the one-argument constructor
    float duration, inputRate, outputRate;
    int tapCount;
    int inputLength, outputLength, expectedTapCount;
    Outputs outputs;
};

void PrintTo(const DownCase& c, std::ostream* os) { *os << c.name; }

class DownSamplerLimitsTest : public testing::TestWithParam<DownCase> {};

TEST_P(DownSamplerLimitsTest, GivesTheDocumentedConverter) {
    const DownCase& c = GetParam();
    const auto down = c.builtIn ? std::make_unique<CDownSampler>(c.duration)
                                : std::make_unique<CDownSampler>(c.duration, c.inputRate,
                                                                 c.outputRate, c.tapCount, OnesFile());
    EXPECT_EQ(down->InputLength, c.inputLength);
    EXPECT_EQ(down->OutputLength, c.outputLength);
    EXPECT_EQ(down->TapCount, c.expectedTapCount);
    for (int j = 0; j < down->OutputLength; ++j) {
        ASSERT_GE(down->BaseIndex[j], 0) << "output " << j;
        ASSERT_LE(down->BaseIndex[j], down->InputLength + down->TapCount / 2) << "output " << j;
    }
    const std::vector<short> out = ConvertLoudFrame(*down);
    if (!out.empty()) EXPECT_EQ(out[0], down->InputLength > 0 ? kLoud : 0);
    if (c.outputs == Outputs::kZeros) {
        for (std::size_t j = 1; j < out.size(); ++j) ASSERT_EQ(out[j], 0) << "output " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, DownSamplerLimitsTest,
    testing::Values(
        DownCase{"BuiltInZeroDuration", true, 0.0f, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"BuiltInNegativeZeroDuration", true, -0.0f, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"BuiltInNegativeDuration", true, -0.02f, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"BuiltInNaNDuration", true, kNaN, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"BuiltInInfiniteDuration", true, kInf, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"BuiltInMinusInfiniteDuration", true, -kInf, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"BuiltInHugeDuration", true, 1e30f, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"BuiltInLargestDuration", true, kMax, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"BuiltInTinyDuration", true, kTiny, 0, 0, 0, 0, 0, 35, Outputs::kAny},
        DownCase{"NegativeTapCountIsZero", false, 0.02f, 22050, 8000, -5, 441, 160, 0,
                 Outputs::kZeros},
        DownCase{"LowestTapCountIsZero", false, 0.02f, 22050, 8000, INT_MIN, 441, 160, 0,
                 Outputs::kZeros},
        DownCase{"OneTap", false, 0.02f, 22050, 8000, 1, 441, 160, 1, Outputs::kAny},
        DownCase{"ZeroDuration", false, 0.0f, 22050, 8000, 35, 0, 0, 35, Outputs::kAny},
        DownCase{"NaNDuration", false, kNaN, 22050, 8000, 35, 0, 0, 35, Outputs::kAny},
        DownCase{"ZeroInputRate", false, 0.02f, 0, 8000, 35, 0, 160, 35, Outputs::kZeros},
        DownCase{"NegativeInputRate", false, 0.02f, -22050, 8000, 35, 0, 160, 35,
                 Outputs::kZeros},
        DownCase{"NaNInputRate", false, 0.02f, kNaN, 8000, 35, 0, 160, 35, Outputs::kZeros},
        DownCase{"InfiniteInputRate", false, 0.02f, kInf, 8000, 35, 0, 160, 35, Outputs::kZeros},
        DownCase{"HugeInputRate", false, 0.02f, 1e30f, 8000, 35, 0, 160, 35, Outputs::kZeros},
        DownCase{"ZeroOutputRate", false, 0.02f, 22050, 0, 35, 441, 0, 35, Outputs::kAny},
        DownCase{"NegativeOutputRate", false, 0.02f, 22050, -8000, 35, 441, 0, 35, Outputs::kAny},
        DownCase{"NaNOutputRate", false, 0.02f, 22050, kNaN, 35, 441, 0, 35, Outputs::kAny},
        DownCase{"InfiniteOutputRate", false, 0.02f, 22050, kInf, 35, 441, 0, 35, Outputs::kAny},
        DownCase{"MinusInfiniteOutputRate", false, 0.02f, 22050, -kInf, 35, 441, 0, 35,
                 Outputs::kAny},
        DownCase{"HugeOutputRate", false, 0.02f, 22050, 1e30f, 35, 441, 0, 35, Outputs::kAny},
        // Step is about 4.3e6: positions leave the frame, and wrap past 2^31.
        DownCase{"LengthKeepsLow32Bits", false, 1.0f, kWrappingRate, 1000, 35, 512, 1000, 35,
                 Outputs::kAny}),
    [](const testing::TestParamInfo<DownCase>& info) { return info.param.name; });

struct UpCase {
    std::string name;
    bool builtIn;  // the one-argument constructor
    float duration, inputRate, outputRate;
    int factor, fileTapCount;
    int inputLength, outputLength, expectedFactor, expectedTapCount, expectedSpan;
    Outputs outputs;
};

void PrintTo(const UpCase& c, std::ostream* os) { *os << c.name; }

class UpSamplerLimitsTest : public testing::TestWithParam<UpCase> {};

TEST_P(UpSamplerLimitsTest, GivesTheDocumentedConverter) {
    const UpCase& c = GetParam();
    const auto up = c.builtIn ? std::make_unique<CUpSampler>(c.duration)
                              : std::make_unique<CUpSampler>(c.duration, c.inputRate, c.outputRate,
                                                             c.factor, c.fileTapCount, OnesFile());
    EXPECT_EQ(up->InputLength, c.inputLength);
    EXPECT_EQ(up->OutputLength, c.outputLength);
    EXPECT_EQ(up->Factor, c.expectedFactor);
    EXPECT_EQ(up->TapCount, c.expectedTapCount);
    EXPECT_EQ(up->Span, c.expectedSpan);
    if (!c.builtIn && up->OutputLength == 0) EXPECT_EQ(up->Step, 0.0f);
    const std::vector<short> out = ConvertLoudFrame(*up);
    if (c.outputs == Outputs::kZeros) {
        for (std::size_t j = 0; j < out.size(); ++j) ASSERT_EQ(out[j], 0) << "output " << j;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, UpSamplerLimitsTest,
    testing::Values(
        UpCase{"BuiltInZeroDuration", true, 0.0f, 0, 0, 0, 0, 0, 0, 8, 145, 19, Outputs::kAny},
        UpCase{"BuiltInNegativeDuration", true, -0.02f, 0, 0, 0, 0, 0, 0, 8, 145, 19,
               Outputs::kAny},
        UpCase{"BuiltInNaNDuration", true, kNaN, 0, 0, 0, 0, 0, 0, 8, 145, 19, Outputs::kAny},
        UpCase{"BuiltInInfiniteDuration", true, kInf, 0, 0, 0, 0, 0, 0, 8, 145, 19, Outputs::kAny},
        UpCase{"BuiltInMinusInfiniteDuration", true, -kInf, 0, 0, 0, 0, 0, 0, 8, 145, 19,
               Outputs::kAny},
        UpCase{"BuiltInHugeDuration", true, 1e30f, 0, 0, 0, 0, 0, 0, 8, 145, 19, Outputs::kAny},
        UpCase{"BuiltInLargestDuration", true, kMax, 0, 0, 0, 0, 0, 0, 8, 145, 19, Outputs::kAny},
        UpCase{"BuiltInTinyDuration", true, kTiny, 0, 0, 0, 0, 0, 0, 8, 145, 19, Outputs::kAny},
        UpCase{"ZeroFactorIsOne", false, 0.02f, 8000, 22050, 0, 10, 160, 441, 1, 11, 11,
               Outputs::kAny},
        UpCase{"NegativeFactorIsOne", false, 0.02f, 8000, 22050, -3, 10, 160, 441, 1, 11, 11,
               Outputs::kAny},
        UpCase{"LowestFactorIsOne", false, 0.02f, 8000, 22050, INT_MIN, 10, 160, 441, 1, 11, 11,
               Outputs::kAny},
        UpCase{"NegativeFileTapCountIsZero", false, 0.02f, 8000, 22050, 8, -1, 160, 441, 8, 1, 1,
               Outputs::kZeros},
        UpCase{"LowestFileTapCountIsZero", false, 0.02f, 8000, 22050, 8, INT_MIN, 160, 441, 8, 1,
               1, Outputs::kZeros},
        UpCase{"FewerTapsThanFactor", false, 0.02f, 8000, 22050, 8, 7, 160, 441, 8, 1, 1,
               Outputs::kZeros},
        UpCase{"AsManyTapsAsFactor", false, 0.02f, 8000, 22050, 8, 8, 160, 441, 8, 9, 2,
               Outputs::kAny},
        UpCase{"LargestFactor", false, 0.02f, 8000, 22050, INT_MAX, 145, 160, 441, INT_MAX, 1, 1,
               Outputs::kZeros},
        UpCase{"ZeroDuration", false, 0.0f, 8000, 22050, 8, 145, 0, 0, 8, 145, 19, Outputs::kAny},
        UpCase{"ZeroInputRate", false, 0.02f, 0, 22050, 8, 145, 0, 441, 8, 145, 19,
               Outputs::kZeros},
        UpCase{"NegativeInputRate", false, 0.02f, -8000, 22050, 8, 145, 0, 441, 8, 145, 19,
               Outputs::kZeros},
        UpCase{"NaNInputRate", false, 0.02f, kNaN, 22050, 8, 145, 0, 441, 8, 145, 19,
               Outputs::kZeros},
        UpCase{"InfiniteInputRate", false, 0.02f, kInf, 22050, 8, 145, 0, 441, 8, 145, 19,
               Outputs::kZeros},
        UpCase{"ZeroOutputRate", false, 0.02f, 8000, 0, 8, 145, 160, 0, 8, 145, 19, Outputs::kAny},
        UpCase{"NaNOutputRate", false, 0.02f, 8000, kNaN, 8, 145, 160, 0, 8, 145, 19,
               Outputs::kAny},
        UpCase{"InfiniteOutputRate", false, 0.02f, 8000, kInf, 8, 145, 160, 0, 8, 145, 19,
               Outputs::kAny},
        UpCase{"HugeOutputRate", false, 0.02f, 8000, 1e30f, 8, 145, 160, 0, 8, 145, 19,
               Outputs::kAny},
        UpCase{"LengthKeepsLow32Bits", false, 1.0f, kWrappingRate, 1000, 8, 145, 512, 1000, 8, 145,
               19, Outputs::kAny}),
    [](const testing::TestParamInfo<UpCase>& info) { return info.param.name; });

// Arrays whose length passes INT_MAX cannot be indexed: the constructor throws
// std::bad_alloc before it allocates anything that large.
struct TooLargeCase {
    std::string name;
    void (*construct)();
};

void PrintTo(const TooLargeCase& c, std::ostream* os) { *os << c.name; }

class TooLargeToIndexTest : public testing::TestWithParam<TooLargeCase> {};

TEST_P(TooLargeToIndexTest, ThrowsBadAlloc) {
    EXPECT_THROW(GetParam().construct(), std::bad_alloc);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, TooLargeToIndexTest,
    testing::Values(
        // Work: a frame of 2^31 - 128 samples plus 2 * 150 of history and tail.
        TooLargeCase{"DownSamplerWork",
                     [] { CDownSampler(1.0f, kNearIntMaxRate, 1000, 300, nullptr); }},
        // Work: a frame of 2^31 - 128 samples plus 200 of history.
        TooLargeCase{"UpSamplerWork",
                     [] { CUpSampler(1.0f, kNearIntMaxRate, 1000, 1, 200, nullptr); }},
        // L * G + 1 = 2^31 coefficients, with L = 1 and with G = 1; computing
        // the count once overflowed an int.
        TooLargeCase{"UpSamplerTapsWithFactorOne",
                     [] { CUpSampler(0.02f, 8000, 22050, 1, INT_MAX, nullptr); }},
        TooLargeCase{"UpSamplerTapsWithLargestFactor",
                     [] { CUpSampler(0.02f, 8000, 22050, INT_MAX, INT_MAX, nullptr); }}),
    [](const testing::TestParamInfo<TooLargeCase>& info) { return info.param.name; });

}  // namespace
