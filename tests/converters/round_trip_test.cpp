// The two converters together: speech-band content survives 22050 Hz ->
// 8000 Hz -> 22050 Hz at its level, delayed by the upsampler's 9 samples.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "velumor.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Level of one frequency in a signal (single-bin DFT), in dB re 1.
double ToneLevelDb(const std::vector<short>& signal, std::size_t from, double frequency, double rate) {
    double re = 0.0;
    double im = 0.0;
    const std::size_t count = signal.size() - from;
    for (std::size_t i = from; i < signal.size(); ++i) {
        const double phase = 2.0 * kPi * frequency * double(i) / rate;
        re += signal[i] * std::cos(phase);
        im += signal[i] * std::sin(phase);
    }
    return 20.0 * std::log10(2.0 * std::hypot(re, im) / double(count));
}

struct ToneCase {
    double frequency;
    double maxLossDb;
};

void PrintTo(const ToneCase& c, std::ostream* os) { *os << c.frequency << " Hz"; }

class RoundTripTest : public ::testing::TestWithParam<ToneCase> {};

TEST_P(RoundTripTest, SpeechBandToneComesBackAtItsLevel) {
    const double frequency = GetParam().frequency;
    CDownSampler down(0.02f);
    CUpSampler up(0.02f);
    const int frames = 100;
    std::vector<short> input(std::size_t(frames * down.InputLength));
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = short(std::lround(8000.0 * std::sin(2.0 * kPi * frequency * double(i) / 22050.0)));
    }
    std::vector<short> narrow(std::size_t(down.OutputLength));
    std::vector<short> output(input.size());
    for (int f = 0; f < frames; ++f) {
        down.Conversion(&input[std::size_t(f * down.InputLength)], narrow.data());
        up.Conversion(narrow.data(), &output[std::size_t(f * up.OutputLength)]);
    }
    // Skip the first frames while the history fills.
    const double in = ToneLevelDb(input, 4 * 441, frequency, 22050.0);
    const double out = ToneLevelDb(output, 4 * 441, frequency, 22050.0);
    EXPECT_NEAR(out, in, GetParam().maxLossDb) << frequency << " Hz";

    // The tone is delayed by 9 samples at 8000 Hz (24.8 samples at 22050 Hz):
    // the best-matching lag agrees with that, modulo the tone's period.
    const double delaySeconds = 9.0 / 8000.0;
    double bestLag = 0.0;
    double best = -1e300;
    for (int lag = 0; lag < 60; ++lag) {
        double c = 0.0;
        for (std::size_t i = 4 * 441; i + std::size_t(lag) < output.size(); ++i) {
            c += double(input[i]) * output[i + std::size_t(lag)];
        }
        if (c > best) {
            best = c;
            bestLag = lag;
        }
    }
    const double period = 22050.0 / frequency;
    const double offset = std::fmod(bestLag - delaySeconds * 22050.0 + 10.0 * period, period);
    EXPECT_LT(std::fmin(offset, period - offset), 1.0) << frequency << " Hz, lag " << bestLag;
}

INSTANTIATE_TEST_SUITE_P(SpeechBand, RoundTripTest,
                         ::testing::Values(ToneCase{300.0, 1.0}, ToneCase{1000.0, 1.0}, ToneCase{2500.0, 1.0}));

}  // namespace
