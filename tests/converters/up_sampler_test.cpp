#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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

TEST(UpSamplerTest, DefaultGeometryAt20Milliseconds) {
    CUpSampler up(0.02f);
    EXPECT_EQ(up.InputLength, 160);
    EXPECT_EQ(up.OutputLength, 441);
    EXPECT_EQ(up.Factor, 8);
    EXPECT_EQ(up.Step, 2.9024944f);
    EXPECT_EQ(up.TapCount, 145);
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
    EXPECT_EQ(up.Coefficients[72], 0.13125f);
    EXPECT_EQ(up.Coefficients[144], -0.0001094568f);
}

TEST(UpSamplerTest, BuiltInTablePolyphaseSumsGiveUnityGain) {
    const std::vector<float> table = BuiltInUpFilter();
    double total = 0.0;
    for (int k = 0; k < velumor::kUpTapCount; ++k) {
        EXPECT_EQ(table[std::size_t(k)], table[std::size_t(144 - k)]);
        total += table[std::size_t(k)];
    }
    EXPECT_NEAR(total, 1.000223, 1e-6);
    // The 18-term sums that Conversion forms, for every phase.
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
    if (c.later >= 0) EXPECT_EQ(later, c.later);
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

TEST(UpSamplerTest, SilenceGivesExactZeros) {
    CUpSampler up(0.02f);
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(ConvertFrame(up, SteadyFrame(up, 0)), std::vector<short>(441, 0));
    }
}

TEST(UpSamplerTest, SteadyInputOf1000) {
    CUpSampler up(0.02f);
    const std::vector<short> first = ConvertFrame(up, SteadyFrame(up, 1000));
    EXPECT_EQ(Slice(first, 0, 30),
              (std::vector<short>{0,   0,    1,   1,   0,    -3,   -2,   5,    9,    0,
                                  -13, -11,  9,   25,  8,    -28,  -37,  7,    64,   48,
                                  -59, -142, -34, 309, 750,  1064, 1137, 1042, 943,  940}));
    EXPECT_EQ(Slice(first, 46, 441 - 46), std::vector<short>(441 - 46, 1000));
    for (int frame = 1; frame < 3; ++frame) {
        EXPECT_EQ(ConvertFrame(up, SteadyFrame(up, 1000)), std::vector<short>(441, 1000));
    }
}

TEST(UpSamplerTest, HistoryCarriesTheLastFrameIntoASilentOne) {
    CUpSampler up(0.02f);
    ConvertFrame(up, SteadyFrame(up, 1000));
    const std::vector<short> after = ConvertFrame(up, SteadyFrame(up, 0));
    EXPECT_EQ(Slice(after, 0, 5), (std::vector<short>{1001, 1000, 998, 998, 1001}));
    int nonZero = 0;
    for (short s : Slice(after, 0, 46)) nonZero += s != 0;
    EXPECT_EQ(nonZero, 45);
    EXPECT_EQ(Slice(after, 46, 441 - 46), std::vector<short>(441 - 46, 0));
    EXPECT_EQ(ConvertFrame(up, SteadyFrame(up, 0)), std::vector<short>(441, 0));
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

TEST(UpSamplerTest, ImpulseAtIndex50ArrivesAfterTheDelay) {
    CUpSampler up(0.02f);
    std::vector<short> input = SteadyFrame(up, 0);
    input[50] = 10000;
    const std::vector<short> out = ConvertFrame(up, input);
    for (int j = 0; j < 441; ++j) {
        const bool inside = j >= 138 && j <= 187 && j != 139 && j != 181;
        EXPECT_EQ(out[std::size_t(j)] != 0, inside) << "output " << j << " = " << out[std::size_t(j)];
    }
    EXPECT_EQ(out[162], 9508);
    EXPECT_EQ(out[163], 10107);
    EXPECT_EQ(out[164], 6280);
    for (int j = 0; j < 441; ++j) EXPECT_LE(out[std::size_t(j)], 10107);
    EXPECT_EQ(ConvertFrame(up, SteadyFrame(up, 0)), std::vector<short>(441, 0));
}

TEST(UpSamplerTest, BuiltInTableFromAFileGivesTheSameOutput) {
    TempFile file(CoefficientText(BuiltInUpFilter()));
    CUpSampler fromFile(0.02f, 8000.0f, 22050.0f, 8, 145, file.path());
    CUpSampler builtIn(0.02f);
    ASSERT_EQ(fromFile.Step, builtIn.Step);
    std::vector<short> input = SteadyFrame(builtIn, 0);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<short>(std::lround(9000.0 * std::sin(0.05 * double(i * i % 977))));
    }
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(ConvertFrame(fromFile, input), ConvertFrame(builtIn, input));
    }
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

TEST(UpSamplerTest, HistoryHoldsTheStreamTailWhenFramesAreShort) {
    TempFile file(CoefficientText(BuiltInUpFilter()));
    CUpSampler up(0.005f, 1000.0f, 2000.0f, 8, 145, file.path());
    ASSERT_EQ(up.InputLength, 5);
    std::vector<short> stream;
    for (int frame = 0; frame < 6; ++frame) {
        std::vector<short> input(5);
        for (short& s : input) {
            s = static_cast<short>(100 + stream.size());
            stream.push_back(s);
        }
        ConvertFrame(up, input);
        for (int i = 0; i < 18; ++i) {
            const long position = static_cast<long>(stream.size()) - 18 + i;
            const float expected = position < 0 ? 0.0f : 8.0f * float(stream[std::size_t(position)]);
            EXPECT_EQ(up.History[i], expected) << "frame " << frame << ", slot " << i;
        }
    }
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

TEST(UpSamplerTest, OddFrameArgumentsGiveEmptyFrames) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float d : {-0.02f, 0.0f, nan, inf, -inf}) {
        CUpSampler up(d);
        EXPECT_EQ(up.InputLength, 0) << d;
        EXPECT_EQ(up.OutputLength, 0) << d;
        up.Conversion(nullptr, nullptr);
    }
}

}  // namespace
