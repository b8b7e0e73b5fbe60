#include "coefficients/coefficient_reader.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "support/temp_file.h"

namespace {

// Slots a read leaves alone keep this value.
constexpr float S = 99.0f;
constexpr float kInf = std::numeric_limits<float>::infinity();

std::vector<float> Read(const std::string& text, int skip, int keep) {
    TempFile file(text);
    std::vector<float> slots(static_cast<std::size_t>(keep > 0 ? keep : 0), S);
    velumor::ReadCoefficients(file.path(), slots.data(), skip, keep);
    return slots;
}

// Compares bit patterns, so that -0 and +0 or two infinities are told apart.
void ExpectSameFloats(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        std::uint32_t a = 0;
        std::uint32_t e = 0;
        std::memcpy(&a, &actual[i], sizeof a);
        std::memcpy(&e, &expected[i], sizeof e);
        EXPECT_EQ(a, e) << "slot " << i << ": " << actual[i] << " instead of " << expected[i];
    }
}

struct ReadCase {
    const char* name;
    std::string text;
    int keep;
    std::vector<float> expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class GrammarTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(GrammarTest, ReadsEntriesInFileOrder) {
    ExpectSameFloats(Read(GetParam().text, 0, GetParam().keep), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, GrammarTest,
    ::testing::Values(
        ReadCase{"TwoLines", "0 0.5\n1 -0.25\n", 2, {0.5f, -0.25f}},
        ReadCase{"IndicesIgnored", "7 0.5\n3 -0.25\n", 2, {0.5f, -0.25f}},
        ReadCase{"SpacesForLineEnds", "0 0.5 1 -0.25", 2, {0.5f, -0.25f}},
        ReadCase{"CrLf", "0 0.5\r\n1 -0.25\r\n", 2, {0.5f, -0.25f}},
        ReadCase{"NoSpaceBeforeSign", "3-0.5", 1, {-0.5f}},
        ReadCase{"RealAloneSplitsAtPoint", "0.25\n", 1, {0.25f}},
        ReadCase{"IntegerPartGoesToIndex", "2.5\n", 1, {0.5f}},
        ReadCase{"SignGoesWithIndex", "-0.25\n", 1, {0.25f}},
        ReadCase{"CommaAfterRealStopsLaterReads", "0 0.5,\n1 -0.25,\n", 2, {0.5f, S}},
        ReadCase{"CommaAfterIndexStopsAll", "0, 0.5\n1 -0.25\n", 2, {S, S}},
        ReadCase{"LoneSignSkipsOneSlot", "0 -\n1 0.75\n", 2, {S, 0.75f}},
        ReadCase{"ShortFile", "0 0.5\n", 3, {0.5f, S, S}},
        ReadCase{"EndOfTextByte", std::string("0 0.5\n\x1a") + "1 -0.25\n", 2, {0.5f, S}},
        ReadCase{"Exponents", "0 1e2\n1 2.5E-1\n2 -3e+1\n3 5.e1\n", 4, {100.0f, 0.25f, -30.0f, 50.0f}},
        ReadCase{"ExponentWithoutDigits", "0 1e x", 2, {1.0f, S}},
        ReadCase{"HexadecimalIsNotANumber", "0 0x1p3\n1 0.5\n", 2, {0.0f, S}},
        ReadCase{"InfinityIsNotANumber", "0 inf\n1 0.5\n", 2, {S, S}},
        ReadCase{"NanIsNotANumber", "0 nan\n1 0.5\n", 2, {S, S}},
        // The point is taken, the line end left: the next entry reads.
        ReadCase{"LonePointIsNotANumber", "0 .\n1 0.5\n", 2, {S, 0.5f}},
        ReadCase{"LongIndex", "123456789012345678901234567890 0.5\n-99999999999999999999 0.25", 2,
                 {0.5f, 0.25f}},
        ReadCase{"BeyondFloatRange", "0 1e39\n1 -1e39\n2 1e-50\n3 -1e-50\n4 1e-40\n5 1e999999999999", 6,
                 {kInf, -kInf, 0.0f, -0.0f, 1e-40f, kInf}},
        ReadCase{"LargestFloatAndJustPast", "0 3.4028235e38\n1 3.4028236e38\n", 2,
                 {3.4028235e38f, kInf}},
        // Just above the midpoint between 1 and the next float: rounding
        // through double would land on the midpoint and round to even (1).
        ReadCase{"RoundedOnceToFloat", "0 1.00000005960464477539062500000001\n", 1,
                 {1.00000011920928955078125f}},
        ReadCase{"ManyDigits", "0 0." + std::string(299, '0') + "1e300\n1 " + std::string(400, '3') + "e-400\n",
                 2, {1.0f, 0.333333333f}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(CoefficientReaderTest, SkippedEntriesLandInTheFirstSlotsThenKeptOnesOverwrite) {
    const std::string five = "0 1\n1 2\n2 3\n3 4\n4 5\n";
    ExpectSameFloats(Read(five, 2, 3), {3, 4, 5});
    // A short file leaves what the skipped entries wrote.
    ExpectSameFloats(Read("0 1\n1 2\n2 3\n", 2, 3), {3, 2, S});
}

TEST(CoefficientReaderTest, SkippedEntriesPastTheTableAreDiscarded) {
    // The destination holds one float: skipping 3 must not write past it.
    ExpectSameFloats(Read("0 1\n1 2\n2 3\n3 4\n", 3, 1), {4});
    ExpectSameFloats(Read("0 1\n1 2\n", 3, 1), {1});
}

TEST(CoefficientReaderTest, MissingFileOrNoCountsReadNothing) {
    std::vector<float> slots(2, S);
    velumor::ReadCoefficients("/nonexistent/velumor/coefficients.txt", slots.data(), 0, 2);
    ExpectSameFloats(slots, {S, S});
    velumor::ReadCoefficients(nullptr, slots.data(), 0, 2);
    ExpectSameFloats(slots, {S, S});
    ExpectSameFloats(Read("0 0.5\n", -4, -1), {});
}

TEST(CoefficientReaderTest, DecimalCommaLocaleStillReadsAPoint) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous != nullptr ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed (localedef -i de_DE -f UTF-8 de_DE.UTF-8)";
    }
    const std::vector<float> slots = Read("0 0.5\n1 -0.25\n", 0, 2);
    std::setlocale(LC_ALL, saved.c_str());
    ExpectSameFloats(slots, {0.5f, -0.25f});
}

}  // namespace
