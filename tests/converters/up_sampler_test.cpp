#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "converters/builtin_filters.h"
#include "support/converter_test_support.h"
#include "support/temp_file.h"
#include "velumor.h"

namespace {

std::vector<float> BuiltInUpFilter() {
    std::vector<float> table(velumor::kUpTapCount);
    velumor::FillUpFilter(table.data());
    return table;
}

// Coefficient text for entries 0 .. count - 1 whose values are 1, 2, 3, ...
std::string NumberedEntries(int count) {
    std::vector<float> values;
    for (int i = 0; i < count; ++i) values.push_back(float(i + 1));
    return CoefficientText(values);
}

// Lengths, Step and coefficients at 20 ms, and the table's symmetry and sum,
// are checked in converter_test.cpp.
TEST(UpSamplerTest, PolyphaseGeometryAt20Milliseconds) {
    CUpSampler up(0.02f);
    EXPECT_EQ(up.Factor, 8);
    EXPECT_EQ(up.Span, 19);
    EXPECT_EQ(up.Phase[0], 0);
    EXPECT_EQ(up.BaseIndex[0], 0);
    EXPECT_EQ(up.LowerWeight[0], 1.0f);
    EXPECT_EQ(up.UpperWeight[0], 0.0f);
    const int outputs[] = {1, 2, 3, 11};
    const int phases[] = {2, 5, 0, 7};
    const int bases[] = {0, 0, 1, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(up.Phase[outputs[i]], phases[i]) << "output " << outputs[i];
        EXPECT_EQ(up.BaseIndex[outputs[i]], bases[i]) << "output " << outputs[i];
    }
}

// The 18-term sums that Conversion forms, for every phase.
TEST(UpSamplerTest, BuiltInTablePolyphaseSumsGiveUnityGain) {
    const std::vector<float> table = BuiltInUpFilter();
    for (int first = 0; first <= 8; ++first) {
        double sum = 0.0;
        for (int k = 0; k < 18; ++k) sum += table[std::size_t(first + 8 * k)];
        EXPECT_GE(sum, 0.125008 - 1e-6) << first;
        EXPECT_LE(sum, 0.125088 + 1e-6) << first;
    }
}

// BaseIndex comes from the frame lengths, Phase from Step; counted here are
// the outputs whose BaseIndex differs from K / Factor, and by how much.
struct DisagreementCase {
    float duration;
    int later;    // BaseIndex one more than K / Factor
    int earlier;  // BaseIndex one less
};

void PrintTo(const DisagreementCase& c, std::ostream* os) { *os << c.duration << " s"; }

class PositionTableTest : public ::testing::TestWithParam<DisagreementCase> {};

TEST_P(PositionTableTest, BaseIndexAndPhaseAreIndependent) {
    const DisagreementCase c = GetParam();
    CUpSampler up(c.duration);
    int later = 0;
    int earlier = 0;
    for (int j = 0; j < up.OutputLength; ++j) {
        const double p = j * double(up.Step);
        const long k = long(p);
        ASSERT_EQ(up.Phase[j], k % 8);
        const long difference = up.BaseIndex[j] - k / 8;
        ASSERT_LE(std::labs(difference), 1);
        later += difference == 1;
        earlier += difference == -1;
    }
    if (c.later >= 0) {
        EXPECT_EQ(later, c.later);
    }
    EXPECT_EQ(later > 0, c.later != 0);
    EXPECT_EQ(earlier > 0, c.earlier != 0);
}

INSTANTIATE_TEST_SUITE_P(Durations, PositionTableTest,
                         ::testing::Values(DisagreementCase{0.01f, 29, 0}, DisagreementCase{0.02f, 0, 0},
                                           DisagreementCase{0.03f, -1, 0}, DisagreementCase{0.05f, -1, 0},
                                           DisagreementCase{0.0232f, 0, -1}, DisagreementCase{0.04f, 0, 0},
                                           DisagreementCase{0.1f, 0, 0}, DisagreementCase{1.0f, 0, 0}));

TEST(UpSamplerTest, TenMillisecondOutput11IsTakenOneSampleLate) {
    CUpSampler up(0.01f);
    ASSERT_EQ(up.InputLength, 80);
    ASSERT_EQ(up.OutputLength, 220);
    EXPECT_NEAR(11 * double(up.Step), 31.927, 1e-3);
    EXPECT_EQ(up.Phase[11], 7);
    EXPECT_EQ(up.BaseIndex[11], 4);
}

TEST(UpSamplerTest, LoudSteadyInputStaysNearItsLevelAndSaturates) {
    CUpSampler up(0.02f);
    ConvertFrame(up, SteadyFrame(up, 20000));
    for (short s : ConvertFrame(up, SteadyFrame(up, 20000))) {
        EXPECT_GE(s, 20001);
        EXPECT_LE(s, 20014);
    }
    CUpSampler full(0.02f);
    ConvertFrame(full, SteadyFrame(full, 32767));
    EXPECT_EQ(ConvertFrame(full, SteadyFrame(full, 32767)), std::vector<short>(441, 32767));
    CUpSampler negative(0.02f);
    ConvertFrame(negative, SteadyFrame(negative, -32768));
    EXPECT_EQ(ConvertFrame(negative, SteadyFrame(negative, -32768)), std::vector<short>(441, -32768));
}

struct FileTapsCase {
    int fileTaps;
    int factor;
    int span;
    int tapCount;
    float firstCoefficient;  // entries are numbered 1, 2, 3, ...
    float lastCoefficient;
};

void PrintTo(const FileTapsCase& c, std::ostream* os) {
    *os << c.fileTaps << " file taps, factor " << c.factor;
}

class FileTapsTest : public ::testing::TestWithParam<FileTapsCase> {};

// The filter is the centre TapCount entries of the file; what the file does
// not supply is 0, and nothing is written outside the table.
TEST_P(FileTapsTest, TakesTheCentreOfTheFile) {
    const FileTapsCase c = GetParam();
    TempFile file(NumberedEntries(c.fileTaps));
    CUpSampler up(0.02f, 8000.0f, 22050.0f, c.factor, c.fileTaps, file.path());
    EXPECT_EQ(up.Span, c.span);
    EXPECT_EQ(up.TapCount, c.tapCount);
    EXPECT_EQ(up.Coefficients[0], c.firstCoefficient);
    EXPECT_EQ(up.Coefficients[up.TapCount - 1], c.lastCoefficient);
}

INSTANTIATE_TEST_SUITE_P(Counts, FileTapsTest,
                         ::testing::Values(FileTapsCase{145, 8, 19, 145, 1, 145},
                                           FileTapsCase{150, 8, 19, 145, 3, 147},  // 2 skipped
                                           FileTapsCase{144, 8, 19, 145, 1, 0},    // one short
                                           FileTapsCase{32, 8, 5, 33, 1, 0},
                                           FileTapsCase{7, 8, 1, 1, 4, 4},  // G = 0, skip 3
                                           FileTapsCase{-3, 8, 1, 1, 0, 0}, FileTapsCase{5, 0, 6, 6, 1, 0},
                                           FileTapsCase{5, -4, 6, 6, 1, 0}));

TEST(UpSamplerTest, FactorBelowOneIsOne) {
    CUpSampler up(0.02f, 8000.0f, 22050.0f, 0, 5, "/nonexistent/velumor.txt");
    EXPECT_EQ(up.Factor, 1);
    EXPECT_EQ(up.Step, static_cast<float>(160.0 / 441.0));
}

TEST(UpSamplerTest, NoHistoryGivesZeros) {
    TempFile file(NumberedEntries(7));
    CUpSampler up(0.02f, 8000.0f, 22050.0f, 8, 7, file.path());
    ASSERT_EQ(up.Span, 1);
    EXPECT_EQ(ConvertFrame(up, SteadyFrame(up, 1000)), std::vector<short>(441, 0));
}

TEST(UpSamplerTest, EmptyFramesTouchNothing) {
    CUpSampler noOutput(0.02f, 8000.0f, 1.0f, 8, 145, "/nonexistent/velumor.txt");
    ASSERT_EQ(noOutput.OutputLength, 0);
    EXPECT_EQ(noOutput.Step, 0.0f);
    std::vector<short> input = SteadyFrame(noOutput, 9);
    noOutput.Conversion(input.data(), nullptr);

    TempFile file(CoefficientText(BuiltInUpFilter()));
    CUpSampler noInput(0.02f, 1.0f, 22050.0f, 8, 145, file.path());
    ASSERT_EQ(noInput.InputLength, 0);
    std::vector<short> dst(static_cast<std::size_t>(noInput.OutputLength), 7);
    noInput.Conversion(nullptr, dst.data());
    EXPECT_EQ(dst, std::vector<short>(dst.size(), 0));
}

}  // namespace
