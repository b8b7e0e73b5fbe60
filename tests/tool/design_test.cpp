// `velumor design`: the coefficient files it writes, and what they do in
// the converters.
#include <sndfile.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "sound_files.h"
#include "tool_runner.h"

namespace {

std::vector<double> ReadCoefficients(const std::string& path) {
    std::ifstream in(path);
    std::vector<double> values;
    long index = 0;
    double value = 0.0;
    while (in >> index >> value) {
        EXPECT_EQ(index, static_cast<long>(values.size()));
        values.push_back(value);
    }
    return values;
}

double Db(double ratio) { return 20.0 * std::log10(ratio); }

struct DesignCase {
    const char* name;
    std::vector<std::string> args;
    int taps;    // expected count
    int factor;  // 1 for the downsampler
};

void PrintTo(const DesignCase& c, std::ostream* os) { *os << c.name; }

class DesignFileTest : public ToolTest, public ::testing::WithParamInterface<DesignCase> {};

// The downsampler's filter sums to 1; each of the upsampler's L polyphase
// branches sums to 1 / L (the converter multiplies its input by L), and the
// filter is symmetric, so it adds no phase distortion.
TEST_P(DesignFileTest, WritesASymmetricFilterWithUnityGainInEveryBranch) {
    const DesignCase& c = GetParam();
    std::vector<std::string> args{"design", "--out", "f.txt"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ToolRun run = Run(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(std::to_string(c.taps) + " taps"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("attenuation"), std::string::npos) << run.out;

    const std::vector<double> h = ReadCoefficients(Path("f.txt"));
    ASSERT_EQ(static_cast<int>(h.size()), c.taps);
    for (std::size_t i = 0; i < h.size(); ++i) EXPECT_EQ(h[i], h[h.size() - 1 - i]) << "tap " << i;
    for (int r = 0; r < c.factor; ++r) {
        double sum = 0.0;
        for (std::size_t i = static_cast<std::size_t>(r); i < h.size(); i += static_cast<std::size_t>(c.factor)) {
            sum += h[i];
        }
        EXPECT_NEAR(sum, 1.0 / c.factor, 1e-6) << "branch " << r;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, DesignFileTest,
    ::testing::Values(
        DesignCase{"Down48000To16000Default", {"--from", "48000", "--to", "16000"}, 167, 1},
        DesignCase{"Down22050To8000Taps", {"--from", "22050", "--to", "8000", "--taps", "61"}, 61, 1},
        DesignCase{"Up16000To48000Default", {"--from", "16000", "--to", "48000"}, 169, 3},
        DesignCase{"Up8000To22050Factor8", {"--from", "8000", "--to", "22050", "--factor", "8", "--taps", "209"},
                   209, 8}),
    [](const auto& p) { return std::string(p.param.name); });

// Designed on the spot, the filters keep a passband tone's level and remove
// what the conversion would otherwise fold into the band.
TEST_F(ToolTest, DesignedDownsamplerKeepsThePassbandAndRejectsTheStopband) {
    const int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    WriteSound(Path("pass.wav"), Tone(48000, 48000, 1000.0, 10000.0), format);
    WriteSound(Path("stop.wav"), Tone(48000, 48000, 11000.0, 10000.0), format);
    // Long frames: the downsampler copies each frame's first sample unfiltered
    // and ends each frame on a zero tail; the middles of frames show the filter.
    for (const char* name : {"pass", "stop"}) {
        const ToolRun run = Run({"convert", std::string(name) + ".wav", std::string(name) + "16.wav",
                                 "--rate", "16000", "--frame", "0.5"});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    const Sound pass = ReadSound(Path("pass16.wav"));
    const Sound stop = ReadSound(Path("stop16.wav"));
    EXPECT_NEAR(Db(ToneAmplitude(pass, 0, 1000.0, 1000, 7000) / 10000.0), 0.0, 0.01);
    // 11 kHz folds to 5 kHz at 16000 Hz.
    EXPECT_LT(Db(ToneAmplitude(stop, 0, 5000.0, 1000, 7000) / 10000.0), -75.0);
}

TEST_F(ToolTest, DesignedUpsamplerKeepsThePassbandAndRejectsTheImages) {
    WriteSound(Path("in.wav"), Tone(16000, 16000, 1000.0, 10000.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const ToolRun run = Run({"convert", "in.wav", "out.wav", "--rate", "48000"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Sound out = ReadSound(Path("out.wav"));
    EXPECT_NEAR(Db(ToneAmplitude(out, 0, 1000.0, 3000, 45000) / 10000.0), 0.0, 0.01);
    for (double image : {15000.0, 17000.0}) {
        EXPECT_LT(Db(ToneAmplitude(out, 0, image, 3000, 45000) / 10000.0), -75.0) << image << " Hz";
    }
}

}  // namespace
