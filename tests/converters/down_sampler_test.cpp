#include <gtest/gtest.h>

#include <cmath>
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

// Lengths, Step and coefficients at 20 ms are checked in converter_test.cpp.
TEST(DownSamplerTest, InputPositionsAt20Milliseconds) {
    CDownSampler down(0.02f);
    EXPECT_EQ(down.BaseIndex[1], 2);
    EXPECT_EQ(down.BaseIndex[159], 438);
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
