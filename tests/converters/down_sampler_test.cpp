#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "converters/builtin_filters.h"
#include "support/converter_test_support.h"
#include "support/temp_file.h"
#include "velumor.h"

namespace {

std::vector<float> BuiltInDownFilter() {
    std::vector<float> table(velumor::kDownTapCount);
    velumor::FillDownFilter(table.data());
    return table;
}

TEST(DownSamplerTest, DefaultGeometryAt20Milliseconds) {
    CDownSampler down(0.02f);
    EXPECT_EQ(down.InputLength, 441);
    EXPECT_EQ(down.OutputLength, 160);
    EXPECT_EQ(down.TapCount, 35);
    EXPECT_EQ(down.Step, 2.75625f);
    EXPECT_EQ(down.BaseIndex[159], 438);
    EXPECT_EQ(down.BaseIndex[1], 2);
    EXPECT_EQ(down.UpperWeight[1], static_cast<float>(2.75625f - 2.0));
    EXPECT_EQ(down.LowerWeight[1], static_cast<float>(1.0 - double(down.UpperWeight[1])));
    EXPECT_EQ(down.Coefficients[17], 0.335601f);
    EXPECT_EQ(down.Coefficients[34], -0.014966f);
}

TEST(DownSamplerTest, BuiltInTableIsSymmetricAndSumsAsDesigned) {
    const std::vector<float> table = BuiltInDownFilter();
    double sum = 0.0;
    for (int k = 0; k < velumor::kDownTapCount; ++k) {
        EXPECT_EQ(table[std::size_t(k)], table[std::size_t(34 - k)]);
        sum += table[std::size_t(k)];
    }
    EXPECT_NEAR(sum, 0.967545, 1e-6);
}

TEST(DownSamplerTest, SilenceGivesExactZeros) {
    CDownSampler down(0.02f);
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(ConvertFrame(down, SteadyFrame(down, 0)), std::vector<short>(160, 0));
    }
}

TEST(DownSamplerTest, SteadyInputOf1000) {
    CDownSampler down(0.02f);
    const std::vector<short> tail = {990, 979, 983, 990, 965, 1031};
    const std::vector<short> first = ConvertFrame(down, SteadyFrame(down, 1000));
    EXPECT_EQ(Slice(first, 0, 7), (std::vector<short>{1000, 1063, 939, 1014, 960, 998, 974}));
    EXPECT_EQ(Slice(first, 7, 147), std::vector<short>(147, 967));
    EXPECT_EQ(Slice(first, 154, 6), tail);
    for (int frame = 1; frame < 3; ++frame) {
        const std::vector<short> later = ConvertFrame(down, SteadyFrame(down, 1000));
        EXPECT_EQ(later[0], 1000);
        EXPECT_EQ(Slice(later, 1, 153), std::vector<short>(153, 967));
        EXPECT_EQ(Slice(later, 154, 6), tail);
    }
}

TEST(DownSamplerTest, HistoryCarriesTheLastFrameIntoASilentOne) {
    CDownSampler down(0.02f);
    ConvertFrame(down, SteadyFrame(down, 1000));
    std::vector<short> expected(160, 0);
    const short start[] = {-95, 27, -46, 7, -31, -6};
    std::copy(std::begin(start), std::end(start), expected.begin() + 1);
    EXPECT_EQ(ConvertFrame(down, SteadyFrame(down, 0)), expected);
    EXPECT_EQ(ConvertFrame(down, SteadyFrame(down, 0)), std::vector<short>(160, 0));
}

TEST(DownSamplerTest, ImpulseAtIndex100) {
    CDownSampler down(0.02f);
    std::vector<short> input = SteadyFrame(down, 0);
    input[100] = 10000;
    std::vector<short> expected(160, 0);
    const short response[] = {-102, 69, -29, -34, 132, -382, 2900, 1393, -581, 369, -274, 222, -144};
    std::copy(std::begin(response), std::end(response), expected.begin() + 30);
    EXPECT_EQ(ConvertFrame(down, input), expected);
    EXPECT_EQ(ConvertFrame(down, SteadyFrame(down, 0)), std::vector<short>(160, 0));
}

TEST(DownSamplerTest, FullScaleSaturatesInsteadOfWrapping) {
    CDownSampler down(0.02f);
    const std::vector<short> first = ConvertFrame(down, SteadyFrame(down, 32767));
    EXPECT_EQ(Slice(first, 0, 4), (std::vector<short>{32767, 32767, 30799, 32767}));
    for (int frame = 1; frame < 3; ++frame) {
        const std::vector<short> later = ConvertFrame(down, SteadyFrame(down, 32767));
        EXPECT_EQ(later[80], 31703);
        EXPECT_EQ(later[159], 32767);  // its filtered value is 33806
    }
    CDownSampler negative(0.02f);
    ConvertFrame(negative, SteadyFrame(negative, -32768));
    EXPECT_EQ(ConvertFrame(negative, SteadyFrame(negative, -32768))[159], -32768);
}

TEST(DownSamplerTest, FirstOutputIsTheFirstInputUnfiltered) {
    CDownSampler down(0.02f);
    for (short value : {short{-32768}, short{-7}, short{0}, short{12345}, short{32767}}) {
        std::vector<short> input = SteadyFrame(down, 500);
        input[0] = value;
        EXPECT_EQ(ConvertFrame(down, input)[0], value);
    }
}

TEST(DownSamplerTest, BuiltInTableFromAFileGivesTheSameOutput) {
    TempFile file(CoefficientText(BuiltInDownFilter()));
    CDownSampler fromFile(0.02f, 22050.0f, 8000.0f, 35, file.path());
    CDownSampler builtIn(0.02f);
    EXPECT_EQ(fromFile.Step, builtIn.Step);
    std::vector<short> input = SteadyFrame(builtIn, 0);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<short>(std::lround(9000.0 * std::sin(0.05 * double(i * i % 977))));
    }
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(ConvertFrame(fromFile, input), ConvertFrame(builtIn, input));
    }
}

TEST(DownSamplerTest, MissingOrShortFileLeavesZeroCoefficients) {
    CDownSampler missing(0.02f, 22050.0f, 8000.0f, 35, "/nonexistent/velumor.txt");
    TempFile shortFile("0 0.5\n1 0.25\n");
    CDownSampler partial(0.02f, 22050.0f, 8000.0f, 35, shortFile.path());
    for (int k = 0; k < 35; ++k) {
        EXPECT_EQ(missing.Coefficients[k], 0.0f);
        EXPECT_EQ(partial.Coefficients[k], k == 0 ? 0.5f : k == 1 ? 0.25f : 0.0f);
    }
    std::vector<short> expected(160, 0);
    expected[0] = 1000;
    EXPECT_EQ(ConvertFrame(missing, SteadyFrame(missing, 1000)), expected);
}

TEST(DownSamplerTest, NoTapsGiveZerosAfterTheFirstSample) {
    for (int taps : {0, -5}) {
        CDownSampler down(0.02f, 22050.0f, 8000.0f, taps, "/nonexistent/velumor.txt");
        EXPECT_EQ(down.TapCount, 0);
        std::vector<short> expected(160, 0);
        expected[0] = 1234;
        EXPECT_EQ(ConvertFrame(down, SteadyFrame(down, 1234)), expected);
    }
}

TEST(DownSamplerTest, OneOutputSampleIsTheFirstInput) {
    TempFile file(CoefficientText(BuiltInDownFilter()));
    CDownSampler down(0.02f, 22050.0f, 50.0f, 35, file.path());
    ASSERT_EQ(down.OutputLength, 1);
    std::vector<short> input = SteadyFrame(down, 300);
    input[0] = -77;
    short dst[2] = {5, 5};
    down.Conversion(input.data(), dst);
    EXPECT_EQ(dst[0], -77);
    EXPECT_EQ(dst[1], 5);
}

TEST(DownSamplerTest, EmptyFramesTouchNothing) {
    // No output: dst is not written.
    CDownSampler noOutput(0.02f, 22050.0f, 1.0f, 35, "/nonexistent/velumor.txt");
    ASSERT_EQ(noOutput.OutputLength, 0);
    std::vector<short> input = SteadyFrame(noOutput, 9);
    noOutput.Conversion(input.data(), nullptr);
    // No input: src is not read and the first output is 0.
    CDownSampler noInput(0.02f, 1.0f, 8000.0f, 35, "/nonexistent/velumor.txt");
    ASSERT_EQ(noInput.InputLength, 0);
    std::vector<short> dst(static_cast<std::size_t>(noInput.OutputLength), 7);
    noInput.Conversion(nullptr, dst.data());
    EXPECT_EQ(dst, std::vector<short>(dst.size(), 0));
}

// Arguments outside the documented limits give empty, inert converters.
TEST(DownSamplerTest, OddFrameArgumentsGiveEmptyFrames) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float d : {-0.02f, 0.0f, nan, inf, -inf}) {
        CDownSampler down(d);
        EXPECT_EQ(down.InputLength, 0) << d;
        EXPECT_EQ(down.OutputLength, 0) << d;
        down.Conversion(nullptr, nullptr);
    }
}

// The same stream, fed frame by frame into a converter whose frames are
// shorter than its history, keeps History = the last H samples of the stream.
TEST(DownSamplerTest, HistoryHoldsTheStreamTailWhenFramesAreShort) {
    TempFile file(CoefficientText(BuiltInDownFilter()));
    CDownSampler down(0.005f, 1000.0f, 500.0f, 35, file.path());
    ASSERT_EQ(down.InputLength, 5);
    std::vector<short> stream;
    for (int frame = 0; frame < 6; ++frame) {
        std::vector<short> input(5);
        for (short& s : input) {
            s = static_cast<short>(100 + stream.size());
            stream.push_back(s);
        }
        ConvertFrame(down, input);
        for (int i = 0; i < 17; ++i) {
            const long position = static_cast<long>(stream.size()) - 17 + i;
            const float expected = position < 0 ? 0.0f : float(stream[std::size_t(position)]);
            EXPECT_EQ(down.History[i], expected) << "frame " << frame << ", slot " << i;
        }
    }
}

// A straightforward model of one frame: input positions past the frame read
// as zero however far a window reaches.
std::vector<short> ModelFrame(const CDownSampler& down, const std::vector<float>& history,
                              const std::vector<short>& input) {
    std::vector<float> work(history);
    work.insert(work.end(), input.begin(), input.end());
    work.resize(work.size() + std::size_t(down.TapCount) + 8, 0.0f);
    std::vector<short> out(static_cast<std::size_t>(down.OutputLength));
    out[0] = input[0];
    for (int j = 1; j < down.OutputLength; ++j) {
        const double p = j * double(down.Step);
        const int m = int(p);
        const float upper = float(p - m);
        const float lower = float(1.0 - double(upper));
        double a = 0.0;
        double b = 0.0;
        for (int k = 0; k < down.TapCount; ++k) {
            a += double(down.Coefficients[k]) * work[std::size_t(m + k)];
            b += double(down.Coefficients[k]) * work[std::size_t(m + k + 1)];
        }
        const double v = double(upper) * float(b) + double(lower) * float(a);
        out[std::size_t(j)] = static_cast<short>(std::trunc(std::fmax(-32768.0, std::fmin(32767.0, v))));
    }
    return out;
}

struct ReachCase {
    float inputRate;
    float outputRate;
    int taps;
};

void PrintTo(const ReachCase& c, std::ostream* os) {
    *os << c.inputRate << " to " << c.outputRate << " Hz, " << c.taps << " taps";
}

class LastWindowTest : public ::testing::TestWithParam<ReachCase> {};

// Geometries whose last window reaches past the frame by up to two samples:
// those positions read as zero and nothing outside Work is touched.
TEST_P(LastWindowTest, ReadsZerosPastTheFrame) {
    const ReachCase c = GetParam();
    std::vector<float> taps(std::size_t(c.taps));
    for (std::size_t k = 0; k < taps.size(); ++k) taps[k] = 0.05f + 0.01f * float(k % 7);
    TempFile file(CoefficientText(taps));
    CDownSampler down(0.02f, c.inputRate, c.outputRate, c.taps, file.path());
    const int h = c.taps / 2;
    std::vector<float> history(std::size_t(h), 0.0f);
    for (int frame = 0; frame < 3; ++frame) {
        std::vector<short> input(static_cast<std::size_t>(down.InputLength));
        for (std::size_t i = 0; i < input.size(); ++i) input[i] = short(1000 + 37 * int(i % 11) - frame);
        const std::vector<short> expected = ModelFrame(down, history, input);
        EXPECT_EQ(ConvertFrame(down, input), expected) << "frame " << frame;
        for (int i = 0; i < h; ++i) history[std::size_t(i)] = input[input.size() - std::size_t(h - i)];
    }
}

INSTANTIATE_TEST_SUITE_P(Geometries, LastWindowTest,
                         ::testing::Values(ReachCase{11025, 8000, 35}, ReachCase{8000, 8000, 35},
                                           ReachCase{8000, 8000, 36}, ReachCase{16000, 8000, 35},
                                           ReachCase{8000, 16000, 36}, ReachCase{22050, 8000, 35}));

}  // namespace
