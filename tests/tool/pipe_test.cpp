// `velumor convert` on pipes: standard input and output as "-", read as the
// bytes come and written as soon as converted, with the same samples as a
// conversion of files.
#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "piped_tool.h"
#include "sound_files.h"
#include "tool_runner.h"

namespace {

using std::chrono::milliseconds;

// 16-bit little-endian bytes of interleaved samples.
std::string RawBytes(const Sound& sound) {
    std::string bytes;
    for (const int v : sound.samples) {
        bytes.push_back(static_cast<char>(v & 0xff));
        bytes.push_back(static_cast<char>((v >> 8) & 0xff));
    }
    return bytes;
}

Sound TestSound(int rate, int channels, long frames) {
    Sound sound = Silence(rate, channels, frames);
    const Sound tone = Tone(rate, frames, 700.0, 9000.0);
    for (long i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            sound.samples[static_cast<std::size_t>(i * channels + c)] = tone.At(i, 0) / (c + 1);
        }
    }
    for (int c = 0; c < channels; ++c) AddClick(sound, c, frames / 3 + 50 * c, 20000);
    return sound;
}

struct TrickleCase {
    const char* name;
    int inRate;
    int outRate;
    int channels;
    bool rawInput;            // else a WAV file's bytes on standard input
    const char* type;         // of standard output
    const char* fileOutput;   // the same conversion between files, for comparison
};

void PrintTo(const TrickleCase& c, std::ostream* os) { *os << c.name; }

class TrickleTest : public ToolTest, public testing::WithParamInterface<TrickleCase> {};

// A writer that trickles a few bytes at a time, cutting samples and frames
// anywhere, gets the samples a conversion of files gives.
TEST_P(TrickleTest, GivesTheSamplesOfTheFileConversion) {
    const TrickleCase& c = GetParam();
    const Sound in = TestSound(c.inRate, c.channels, c.inRate * 6 / 10 + 13);
    WriteSound(Path("in.wav"), in, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const std::string rate = std::to_string(c.outRate);
    const ToolRun file = Run({"convert", "in.wav", c.fileOutput, "--rate", rate, "-q"});
    ASSERT_EQ(file.status, 0) << file.err;

    std::vector<std::string> args{"convert", "-", "-", "--rate", rate, "--type", c.type, "-q"};
    if (c.rawInput) {
        args.insert(args.end(), {"--raw-rate", std::to_string(c.inRate), "--raw-channels",
                                 std::to_string(c.channels)});
    }
    const std::string input = c.rawInput ? RawBytes(in) : FileBytes(Path("in.wav"));
    PipedTool tool(args, Path("."));
    std::thread writer([&] {
        std::mt19937 random(1);
        for (std::size_t done = 0; done < input.size();) {
            const std::size_t n = std::min<std::size_t>(1 + random() % 7, input.size() - done);
            if (!tool.Write(input.substr(done, n))) break;
            done += n;
        }
        tool.CloseInput();
    });
    const std::string output = tool.ReadToEnd();
    writer.join();
    const PipedTool::Result result = tool.Wait();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    if (std::string(c.type) == "raw") {
        EXPECT_EQ(output, FileBytes(Path(c.fileOutput)));
    } else {
        const std::string piped = Path(std::string("piped.") + c.type);
        std::FILE* f = std::fopen(piped.c_str(), "wb");
        std::fwrite(output.data(), 1, output.size(), f);
        std::fclose(f);
        EXPECT_EQ(ReadSound(piped).samples, ReadSound(Path(c.fileOutput)).samples);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pipes, TrickleTest,
    testing::Values(TrickleCase{"RawDownMono", 22050, 8000, 1, true, "raw", "out.raw"},
                    TrickleCase{"RawUpStereo", 8000, 22050, 2, true, "raw", "out.raw"},
                    TrickleCase{"WavInAuOutDesigned", 48000, 16000, 2, false, "au", "out.au"},
                    TrickleCase{"WavInFlacOutUp", 8000, 22050, 1, false, "flac", "out.flac"}),
    [](const auto& p) { return std::string(p.param.name); });

// Output comes while the input is still open: each block is converted and
// written as it arrives, not at the end.
TEST_F(ToolTest, OutputAppearsWhileInputIsStillComing) {
    PipedTool tool({"convert", "-", "-", "--raw-rate", "22050", "--type", "raw", "--rate", "8000"},
                   Path("."));
    const Sound half = TestSound(22050, 1, 11025);
    ASSERT_TRUE(tool.Write(RawBytes(half)));
    std::string early;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    // All but the last part-frame of 0.5 s (4000 samples, 8000 bytes) is due.
    while (early.size() < 2 * (4000 - 160) && std::chrono::steady_clock::now() < deadline) {
        early += tool.Read(milliseconds(100));
    }
    EXPECT_GE(early.size(), 2u * (4000 - 160)) << "output held back until the input ends";
    tool.CloseInput();
    const std::string rest = tool.ReadToEnd();
    EXPECT_EQ(early.size() + rest.size(), 2u * 4000);
    EXPECT_EQ(tool.Wait().status, 0);
}

// A reader that has had enough (head -c, a closed player) ends the tool
// quietly: status 0, nothing on stderr (the filter note is off with --quiet).
TEST_F(ToolTest, EarlyClosingReaderEndsTheToolQuietly) {
    WriteSound(Path("long.wav"), TestSound(22050, 2, 22050 * 8), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    PipedTool tool({"convert", "long.wav", "-", "--type", "raw", "--quiet"}, Path("."));
    tool.CloseInput();
    EXPECT_FALSE(tool.Read(milliseconds(30000), 100).empty());
    tool.CloseOutput();
    const PipedTool::Result result = tool.Wait();
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

TEST_F(ToolTest, WriteErrorOnStandardOutputIsOneLineAndStatusOne) {
    WriteSound(Path("in.wav"), TestSound(22050, 1, 30000), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const int full = open("/dev/full", O_WRONLY);
    if (full < 0) GTEST_SKIP() << "no /dev/full";
    PipedTool tool({"convert", "in.wav", "-", "--type", "raw", "-q"}, Path("."), full);
    close(full);
    tool.CloseInput();
    const PipedTool::Result result = tool.Wait();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "velumor: standard output: cannot write: No space left on device\n");
}

// WAV and the like rewrite their header at the end, which a pipe cannot
// take: refused before anything is read or written, naming the option.
TEST_F(ToolTest, FormatsThatCannotGoToAPipeAreRefusedUpFront) {
    WriteSound(Path("in.wav"), TestSound(22050, 1, 3000), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    for (const char* type : {"wav", "aiff", "caf"}) {
        PipedTool tool({"convert", "in.wav", "-", "--type", type}, Path("."));
        tool.CloseInput();
        EXPECT_EQ(tool.ReadToEnd(), "") << type;
        const PipedTool::Result result = tool.Wait();
        EXPECT_EQ(result.status, 2) << type;
        EXPECT_EQ(result.err.rfind("velumor: --type " + std::string(type) + ": ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find("cannot be written to a pipe"), std::string::npos) << result.err;
    }
}

// Memory stays flat: a minute of input takes no more than a second does.
TEST_F(ToolTest, MemoryDoesNotGrowWithTheLengthOfAStream) {
    long peak[2] = {0, 0};
    const long seconds[2] = {1, 60};
    for (int k = 0; k < 2; ++k) {
        PipedTool tool({"convert", "-", "-", "--raw-rate", "8000", "--type", "raw", "--rate", "22050"},
                       Path("."));
        const std::string second = RawBytes(TestSound(8000, 1, 8000));
        std::thread writer([&] {
            for (long s = 0; s < seconds[k] && tool.Write(second); ++s) {
            }
            tool.CloseInput();
        });
        const std::size_t bytes = tool.ReadToEnd().size();
        writer.join();
        EXPECT_EQ(bytes, static_cast<std::size_t>(2 * 22050 * seconds[k]));
        const PipedTool::Result result = tool.Wait();
        ASSERT_EQ(result.status, 0) << result.err;
        peak[k] = result.peakKb;
    }
    // The minute's input alone is 940 kB and its output 2.6 MB.
    EXPECT_LT(peak[1] - peak[0], 400) << peak[0] << " kB for 1 s, " << peak[1] << " kB for 60 s";
}

}  // namespace
