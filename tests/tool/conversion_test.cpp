// Whole files through `velumor convert`: rates, lengths, channels, formats,
// and alignment, seen from the files the tool writes.
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sound_files.h"
#include "tool_runner.h"

namespace {

enum class Filter { BuiltIn, DesignedOnTheSpot, DesignedFile };

struct ConversionCase {
    const char* name;
    int inRate;
    int outRate;
    int channels;
    const char* input;   // file name; its extension sets the format
    int inputFormat;
    const char* output;
    Filter filter;
    std::vector<std::string> designArgs;   // for DesignedFile: `velumor design` options
    std::vector<std::string> convertArgs;  // extra `velumor convert` options
    const char* expectedNote;              // part of the stderr report
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

// 0.7 s plus a part of a frame, so the last frame is padded.
long InputFrames(int rate) { return rate * 7 / 10 + 37; }

// Channel c clicks mid-frame (20 ms frames), at 0.31 s + 0.1 s * c.
long ClickFrame(int rate, int channel) { return std::lround((0.31 + 0.1 * channel) * rate); }

class ConversionTest : public ToolTest, public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(ConversionTest, OutputHasTheRateLengthChannelsAndAlignmentOfTheInput) {
    const ConversionCase& c = GetParam();
    Sound in = Silence(c.inRate, c.channels, InputFrames(c.inRate));
    for (int ch = 0; ch < c.channels; ++ch) AddClick(in, ch, ClickFrame(c.inRate, ch), 24000);
    WriteSound(Path(c.input), in, c.inputFormat);

    std::vector<std::string> args{"convert", c.input, c.output, "--rate", std::to_string(c.outRate)};
    if (c.filter == Filter::DesignedFile) {
        std::vector<std::string> design{"design", "--from", std::to_string(c.inRate), "--to",
                                        std::to_string(c.outRate), "--out", "filter.txt"};
        design.insert(design.end(), c.designArgs.begin(), c.designArgs.end());
        const ToolRun designed = Run(design);
        ASSERT_EQ(designed.status, 0) << designed.err;
        args.insert(args.end(), {"--filter", "filter.txt"});
    }
    args.insert(args.end(), c.convertArgs.begin(), c.convertArgs.end());
    const ToolRun run = Run(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find(c.expectedNote), std::string::npos) << run.err;

    const Sound out = ReadSound(Path(c.output));
    EXPECT_EQ(out.rate, c.outRate);
    EXPECT_EQ(out.channels, c.channels);
    EXPECT_EQ(out.format & SF_FORMAT_SUBMASK, SF_FORMAT_PCM_16);
    const double ratio = static_cast<double>(c.outRate) / c.inRate;
    EXPECT_EQ(out.Frames(), std::lround(static_cast<double>(in.Frames()) * ratio));

    for (int ch = 0; ch < c.channels; ++ch) {
        long peak = 0;
        for (long i = 0; i < out.Frames(); ++i) {
            if (std::abs(out.At(i, ch)) > std::abs(out.At(peak, ch))) peak = i;
        }
        const double expected = static_cast<double>(ClickFrame(c.inRate, ch)) * ratio;
        EXPECT_NEAR(static_cast<double>(peak), expected, 0.5) << "channel " << ch;
        EXPECT_GT(std::abs(out.At(peak, ch)), 2000) << "channel " << ch;
    }
}

const int kWav16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

INSTANTIATE_TEST_SUITE_P(
    Files, ConversionTest,
    ::testing::Values(
        ConversionCase{"Down22050To8000", 22050, 8000, 1, "in.wav", kWav16, "out.wav", Filter::BuiltIn, {}, {},
                       "built-in 35-tap"},
        ConversionCase{"Up8000To22050", 8000, 22050, 1, "in.wav", kWav16, "out.wav", Filter::BuiltIn, {}, {},
                       "built-in 145-tap"},
        ConversionCase{"DownThreeChannelsOnTwoThreads", 22050, 8000, 3, "in.wav", kWav16, "out.wav",
                       Filter::BuiltIn, {}, {"--threads", "2"}, "built-in"},
        ConversionCase{"UpStereoAiff", 8000, 22050, 2, "in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16,
                       "out.aiff", Filter::BuiltIn, {}, {}, "built-in"},
        ConversionCase{"Flac24BitInFlacOut", 22050, 8000, 2, "in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24,
                       "out.flac", Filter::BuiltIn, {}, {}, "24 bit PCM read as 16-bit"},
        ConversionCase{"Down48000To16000Designed", 48000, 16000, 1, "in.wav", kWav16, "out.wav",
                       Filter::DesignedOnTheSpot, {}, {}, "designed Kaiser-windowed sinc"},
        ConversionCase{"Up16000To48000Designed", 16000, 48000, 1, "in.wav", kWav16, "out.wav",
                       Filter::DesignedOnTheSpot, {}, {}, "designed Kaiser-windowed sinc"},
        ConversionCase{"Down48000To16000DesignFile", 48000, 16000, 2, "in.wav", kWav16, "out.wav",
                       Filter::DesignedFile, {"--taps", "101"}, {"--taps", "101"}, "coefficient file"},
        ConversionCase{"Up16000To48000DesignFile", 16000, 48000, 2, "in.wav", kWav16, "out.wav",
                       Filter::DesignedFile, {"--taps", "145", "--factor", "6"},
                       {"--taps", "145", "--factor", "6"}, "coefficient file"},
        ConversionCase{"Up44100To48000Designed", 44100, 48000, 1, "in.wav", kWav16, "out.wav",
                       Filter::DesignedOnTheSpot, {}, {}, "factor 16"},
        ConversionCase{"Up32000To48000Designed", 32000, 48000, 1, "in.wav", kWav16, "out.wav",
                       Filter::DesignedOnTheSpot, {}, {}, "factor 3"},
        ConversionCase{"Down44100To16000Designed", 44100, 16000, 1, "in.wav", kWav16, "out.wav",
                       Filter::DesignedOnTheSpot, {}, {}, "designed"}),
    [](const auto& p) { return std::string(p.param.name); });

// A multichannel file is converted channel by channel: each output channel
// equals the mono conversion of its input channel, whatever the threads.
TEST_F(ToolTest, ChannelsConvertLikeSeparateMonoFilesOnAnyThreadCount) {
    Sound left = Tone(22050, 30000, 440.0, 8000.0);
    Sound right = Tone(22050, 30000, 1900.0, 6000.0);
    AddClick(right, 0, 12345, 9000);
    Sound stereo = Silence(22050, 2, 30000);
    for (long i = 0; i < 30000; ++i) {
        stereo.samples[static_cast<std::size_t>(2 * i)] = left.At(i, 0);
        stereo.samples[static_cast<std::size_t>(2 * i + 1)] = right.At(i, 0);
    }
    const int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    WriteSound(Path("left.wav"), left, format);
    WriteSound(Path("right.wav"), right, format);
    WriteSound(Path("stereo.wav"), stereo, format);
    ASSERT_EQ(Run({"convert", "left.wav", "left8.wav", "-q"}).status, 0);
    ASSERT_EQ(Run({"convert", "right.wav", "right8.wav", "-q"}).status, 0);
    ASSERT_EQ(Run({"convert", "stereo.wav", "one.wav", "-q", "--threads", "1"}).status, 0);
    ASSERT_EQ(Run({"convert", "stereo.wav", "two.wav", "-q", "--threads", "2"}).status, 0);

    const Sound l8 = ReadSound(Path("left8.wav"));
    const Sound r8 = ReadSound(Path("right8.wav"));
    for (const char* name : {"one.wav", "two.wav"}) {
        const Sound s8 = ReadSound(Path(name));
        ASSERT_EQ(s8.Frames(), l8.Frames()) << name;
        long differences = 0;
        for (long i = 0; i < s8.Frames(); ++i) {
            differences += s8.At(i, 0) != l8.At(i, 0);
            differences += s8.At(i, 1) != r8.At(i, 0);
        }
        EXPECT_EQ(differences, 0) << name;
    }
}

// --output-dir converts several files (in parallel), each as on its own.
TEST_F(ToolTest, OutputDirConvertsEveryInputAsASingleConversionWould) {
    const int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    WriteSound(Path("a.wav"), Tone(22050, 20000, 300.0, 5000.0), format);
    WriteSound(Path("b.wav"), Tone(8000, 9000, 700.0, 5000.0), format);
    WriteSound(Path("c.flac"), Tone(48000, 40000, 1000.0, 5000.0), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    ASSERT_EQ(Run({"convert", "a.wav", "a-single.wav", "-q"}).status, 0);
    ASSERT_EQ(Run({"convert", "b.wav", "b-single.wav", "-q"}).status, 0);
    std::filesystem::create_directory(Path("out"));
    // c.flac needs --rate; a and b then go to that rate too, so use two runs.
    const ToolRun run = Run({"convert", "a.wav", "b.wav", "--output-dir", "out", "--threads", "2", "-v"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("a.wav: 22050 Hz, 20000 samples"), std::string::npos) << run.out;
    EXPECT_EQ(ReadSound(Path("out/a.wav")).samples, ReadSound(Path("a-single.wav")).samples);
    EXPECT_EQ(ReadSound(Path("out/b.wav")).samples, ReadSound(Path("b-single.wav")).samples);

    const ToolRun flac = Run({"convert", "c.flac", "--output-dir", "out", "--rate", "16000", "-q"});
    ASSERT_EQ(flac.status, 0) << flac.err;
    const Sound c = ReadSound(Path("out/c.flac"));
    EXPECT_EQ(c.rate, 16000);
    EXPECT_EQ(c.Frames(), 13333);
}

}  // namespace

namespace {

// Containers without 16-bit PCM: .ogg is written as Vorbis.
TEST_F(ToolTest, OggOutputIsVorbisAtTheNewRate) {
    WriteSound(Path("in.wav"), Tone(22050, 22050, 440.0, 8000.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const ToolRun run = Run({"convert", "in.wav", "out.ogg", "-q"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Sound out = ReadSound(Path("out.ogg"));
    EXPECT_EQ(out.format, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    EXPECT_EQ(out.rate, 8000);
    EXPECT_EQ(out.Frames(), 8000);
}

}  // namespace
