// Filters designed by the library: the figures and coefficients a caller
// gets, the files it writes, and streams built from either.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../temp_file.h"
#include "stream_runner.h"

namespace {

std::vector<float> Design(int in, int out, int taps, int factor, velumor_filter_design& d) {
    // Asked with no array first, as a caller sizing one would.
    EXPECT_EQ(velumor_design_filter(in, out, taps, factor, nullptr, 0, &d), VELUMOR_ERROR_OUTPUT_SIZE);
    std::vector<float> h(static_cast<std::size_t>(d.taps));
    EXPECT_EQ(velumor_design_filter(in, out, taps, factor, h.data(), h.size() - 1, &d),
              VELUMOR_ERROR_OUTPUT_SIZE);
    EXPECT_EQ(velumor_design_filter(in, out, taps, factor, h.data(), h.size(), &d), VELUMOR_OK)
        << velumor_error_message();
    return h;
}

struct DesignCase {
    int in, out, taps, factor;  // asked for
    int expectedTaps, expectedFactor;
    double filterRate;
};

// The defaults pick the fewest taps reaching 80 dB; the filter is symmetric
// and each of its L branches sums to 1 / L.
TEST(DesignTest, FiguresAndCoefficientsOfDefaultAndGivenDesigns) {
    for (const DesignCase& c : {DesignCase{48000, 16000, 0, 0, 167, 1, 48000.0},
                                DesignCase{16000, 48000, 0, 0, 169, 3, 48000.0},
                                DesignCase{8000, 22050, 0, 0, 833, 16, 128000.0},
                                DesignCase{22050, 8000, 61, 7, 61, 1, 22050.0},
                                DesignCase{8000, 22050, 209, 8, 209, 8, 64000.0}}) {
        velumor_filter_design d{};
        const std::vector<float> h = Design(c.in, c.out, c.taps, c.factor, d);
        SCOPED_TRACE(std::to_string(c.in) + " -> " + std::to_string(c.out));
        EXPECT_EQ(d.taps, c.expectedTaps);
        EXPECT_EQ(d.factor, c.expectedFactor);
        EXPECT_EQ(d.filter_rate, c.filterRate);
        EXPECT_NEAR(d.kaiser_beta, 7.857, 1e-3);
        EXPECT_EQ(d.passband_edge_hz, 0.4 * std::min(c.in, c.out));
        EXPECT_EQ(d.stopband_edge_hz, 0.5 * std::min(c.in, c.out));
        if (c.taps == 0) {  // given tap counts here are too short for that
            EXPECT_GE(d.attenuation_db, 80.0);
            EXPECT_LT(d.ripple_db, 0.001);
        }
        for (std::size_t i = 0; i < h.size(); ++i) ASSERT_EQ(h[i], h[h.size() - 1 - i]) << "tap " << i;
        for (int r = 0; r < d.factor; ++r) {
            double sum = 0.0;
            for (std::size_t i = static_cast<std::size_t>(r); i < h.size(); i += static_cast<std::size_t>(d.factor)) {
                sum += h[i];
            }
            EXPECT_NEAR(sum, 1.0 / d.factor, 1e-6) << "branch " << r;
        }
    }
}

TEST(DesignTest, RefusesWhatCannotBeDesigned) {
    velumor_filter_design d{};
    float h[8];
    EXPECT_EQ(velumor_design_filter(8000, 8000, 0, 0, h, 8, &d), VELUMOR_ERROR_RATE);
    EXPECT_EQ(velumor_design_filter(0, 8000, 0, 0, h, 8, &d), VELUMOR_ERROR_RATE);
    EXPECT_EQ(velumor_design_filter(48000, 16000, 100, 0, h, 8, &d), VELUMOR_ERROR_DESIGN);
    EXPECT_STREQ(velumor_error_message(), "taps 100: the downsampler's filter needs an odd tap count");
    EXPECT_EQ(velumor_design_filter(16000, 48000, -3, 0, h, 8, &d), VELUMOR_ERROR_ARGUMENT);
    EXPECT_EQ(velumor_design_filter(16000, 48000, 0, 0, h, 8, nullptr), VELUMOR_ERROR_ARGUMENT);
    EXPECT_EQ(velumor_write_coefficients("/dev/full", h, 8), VELUMOR_ERROR_FILE);
    EXPECT_NE(std::string(velumor_error_message()).find("/dev/full: cannot write"), std::string::npos)
        << velumor_error_message();
    EXPECT_EQ(velumor_write_coefficients("/nonexistent/f.txt", h, 8), VELUMOR_ERROR_FILE);
    EXPECT_EQ(velumor_write_coefficients(nullptr, h, 8), VELUMOR_ERROR_ARGUMENT);
}

// A stream designing its own filter and one reading the written design
// from a file give the same output: the file holds the floats exactly.
TEST(DesignTest, WrittenDesignStreamsLikeTheDesignItself) {
    for (const auto& [in, out] : {std::pair{48000, 16000}, std::pair{16000, 48000}}) {
        velumor_filter_design d{};
        const std::vector<float> h = Design(in, out, 0, 0, d);
        const TempFile file("");
        ASSERT_EQ(velumor_write_coefficients(file.path(), h.data(), h.size()), VELUMOR_OK);
        StreamSetup designed;
        designed.inputRate = in;
        designed.outputRate = out;
        designed.channels = 2;
        StreamSetup fromFile = designed;
        fromFile.coefficientFile = file.path();
        fromFile.taps = d.taps;
        fromFile.factor = d.factor;
        const std::vector<std::int16_t> input = TestSignal(static_cast<std::size_t>(in / 5), 2, 9);
        EXPECT_EQ(OneShot(fromFile, input), OneShot(designed, input)) << in << " -> " << out;
    }
}

// With an odd G (a coefficient file of L*G+1 taps, G odd) and rates that
// allow no priming to make the delay whole, it is rounded to the nearest
// output sample: a click then lands within one output sample of its place.
TEST(DesignTest, FileWithAnOddDelayIsAlignedToTheNearestOutputSample) {
    velumor_filter_design d{};
    const std::vector<float> h = Design(16000, 48000, 0, 3, d);  // 169 taps, G = 56
    // 166 = 3 * 55 + 1 taps, still symmetric: means of neighbouring taps.
    std::vector<float> odd(166);
    for (std::size_t i = 0; i < odd.size(); ++i) odd[i] = 0.5f * (h[i + 1] + h[i + 2]);
    const TempFile file("");
    ASSERT_EQ(velumor_write_coefficients(file.path(), odd.data(), odd.size()), VELUMOR_OK);
    StreamSetup s;
    s.inputRate = 16000;
    s.outputRate = 48000;
    s.coefficientFile = file.path();
    s.taps = static_cast<int>(odd.size());
    s.factor = 3;
    std::vector<std::int16_t> input(8000, 0);
    input[3001] = 20000;
    const std::vector<std::int16_t> whole = OneShot(s, input);
    ASSERT_EQ(whole.size(), 24000u);
    TestStream cut(s);
    EXPECT_EQ(cut.Run(input, RandomChunks(8, 700)), whole);
    std::size_t peak = 0;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (std::abs(whole[i]) > std::abs(whole[peak])) peak = i;
    }
    EXPECT_NEAR(static_cast<double>(peak), 3001.0 * 3.0, 1.0);
}

}  // namespace
