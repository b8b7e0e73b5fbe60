// Every error: its exit status, a stderr line naming the file or option,
// and no output file left behind (nor any temporary file).
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sound_files.h"
#include "tool_runner.h"

namespace {

struct ErrorCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* message;  // part of the one stderr line
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }

class ErrorTest : public ToolTest, public ::testing::WithParamInterface<ErrorCase> {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        WriteSound(Path("in.wav"), Tone(22050, 5000, 500.0, 5000.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        WriteSound(Path("in48.wav"), Tone(48000, 5000, 500.0, 5000.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        std::ofstream(Path("text.wav")) << "not audio\n";
        std::ofstream(Path("exists.wav")) << "keep me\n";
        std::filesystem::create_directory(Path("outdir"));
        std::filesystem::create_directory(Path("dir.wav"));
    }
};

TEST_P(ErrorTest, ReportsOneLineExitsWithItsStatusAndWritesNothing) {
    const ErrorCase& c = GetParam();
    const std::vector<std::string> before = Files();
    const ToolRun run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.err.rfind("velumor: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line expected:\n" << run.err;
    EXPECT_EQ(Files(), before);
    std::ifstream kept(Path("exists.wav"));
    std::string line;
    std::getline(kept, line);
    EXPECT_EQ(line, "keep me");
}

INSTANTIATE_TEST_SUITE_P(
    Convert, ErrorTest,
    ::testing::Values(
        ErrorCase{"MissingInput", {"convert", "missing.wav", "out.wav"}, 1, "missing.wav: cannot open"},
        ErrorCase{"InputIsNotAudio", {"convert", "text.wav", "out.wav"}, 1, "text.wav: not an audio file"},
        ErrorCase{"InputIsADirectory", {"convert", ".", "out.wav"}, 1, ".: is a directory"},
        ErrorCase{"OutputExists", {"convert", "in.wav", "exists.wav"}, 1, "exists.wav: already exists"},
        ErrorCase{"ForcedOutputIsNotARegularFile", {"convert", "in.wav", "dir.wav", "--force"}, 1,
                  "dir.wav: exists and is not a regular file"},
        ErrorCase{"OutputWithoutExtension", {"convert", "in.wav", "out"}, 2, "out: no extension"},
        ErrorCase{"OutputDirectoryMissing", {"convert", "in.wav", "no/such/dir/out.wav"}, 1,
                  "no/such/dir/out.wav: cannot create"},
        ErrorCase{"UnknownOutputFormat", {"convert", "in.wav", "out.xyz"}, 2, "out.xyz: unknown output format"},
        ErrorCase{"RateNotANumber", {"convert", "in.wav", "out.wav", "--rate", "fast"}, 2, "--rate: 'fast'"},
        ErrorCase{"RateZero", {"convert", "in.wav", "out.wav", "--rate", "0"}, 2, "--rate: 0 is out of range"},
        ErrorCase{"RateUnchanged", {"convert", "in.wav", "out.wav", "--rate", "22050"}, 2,
                  "--rate 22050: in.wav is already at that rate"},
        ErrorCase{"RateNeeded", {"convert", "in48.wav", "out.wav"}, 2, "--rate: needed for in48.wav"},
        ErrorCase{"TapsNotANumber", {"convert", "in.wav", "out.wav", "--taps", "many"}, 2, "--taps: 'many'"},
        ErrorCase{"TapsEvenForDownsampler", {"convert", "in.wav", "out.wav", "--taps", "100"}, 2,
                  "--taps 100: the downsampler's filter needs an odd tap count"},
        ErrorCase{"TapsNotLGPlusOne", {"convert", "in.wav", "up.wav", "--rate", "44100", "--taps", "100"}, 2,
                  "--taps 100: the upsampler's filter needs L*G+1 taps"},
        ErrorCase{"FrameZero", {"convert", "in.wav", "out.wav", "--frame", "0"}, 2, "--frame: 0 s is out of range"},
        ErrorCase{"FrameBreaksTheRatio", {"convert", "in.wav", "out.wav", "--frame", "0.01"}, 2,
                  "--frame: frames of 220 samples at 22050 Hz and 80 at 8000 Hz do not keep the rate ratio"},
        ErrorCase{"FilterFileMissing", {"convert", "in.wav", "out.wav", "--filter", "nofile.txt", "--taps", "35"}, 1,
                  "nofile.txt: cannot open coefficient file"},
        ErrorCase{"FilterWithoutTaps", {"convert", "in.wav", "out.wav", "--filter", "in.wav"}, 2,
                  "--filter: needs --taps"},
        ErrorCase{"UnknownOption", {"convert", "in.wav", "out.wav", "--speed", "2"}, 2,
                  "--speed: unknown option for 'convert'"},
        ErrorCase{"OptionWithoutValue", {"convert", "in.wav", "out.wav", "--rate"}, 2, "--rate: needs a value"},
        ErrorCase{"TooManyFiles", {"convert", "in.wav", "out.wav", "more.wav"}, 2, "expects IN and OUT"},
        ErrorCase{"OneBadInputStopsTheBatch", {"convert", "in.wav", "missing.wav", "--output-dir", "outdir"},
                  1, "missing.wav: cannot open"},
        ErrorCase{"OutputDirNamesClash", {"convert", "in.wav", "outdir/../in.wav", "--output-dir", "outdir"}, 2,
                  "another input has the same name"},
        ErrorCase{"OutputDirHoldsTheInput", {"convert", "in.wav", "--output-dir", "."}, 1,
                  "./in.wav: already exists"},
        ErrorCase{"StandardOutputWithoutType", {"convert", "in.wav", "-"}, 2,
                  "-: standard output needs --type TYPE"},
        ErrorCase{"UnknownType", {"convert", "in.wav", "-", "--type", "xyz"}, 2,
                  "--type xyz: unknown format"},
        ErrorCase{"TypeForAFile", {"convert", "in.wav", "out.wav", "--type", "au"}, 2,
                  "--type: names the format of standard output ('-') only"},
        ErrorCase{"StandardInputToOutputDir", {"convert", "-", "--output-dir", "outdir"}, 2,
                  "-: standard input cannot go to --output-dir"},
        ErrorCase{"StandardInputNotAudio", {"convert", "-", "out.wav"}, 1,
                  "standard input: not audio libsndfile can read"},
        ErrorCase{"NoCommand", {}, 2, "no command given"},
        ErrorCase{"UnknownCommand", {"shrink", "in.wav"}, 2, "shrink: unknown command"},
        ErrorCase{"DesignWithoutRates", {"design", "--to", "8000"}, 2, "design: --from HZ is required"},
        ErrorCase{"DesignSameRates", {"design", "--from", "8000", "--to", "8000"}, 2, "--to 8000: same as --from"},
        ErrorCase{"DesignOutExists", {"design", "--from", "48000", "--to", "16000", "--out", "exists.wav"}, 1,
                  "exists.wav: already exists"},
        ErrorCase{"InfoMissingFile", {"info", "missing.wav"}, 1, "missing.wav: cannot open"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(ToolTest, ForceReplacesAnExistingOutputOnlyWhenComplete) {
    WriteSound(Path("in.wav"), Tone(22050, 5000, 500.0, 5000.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    std::ofstream(Path("out.wav")) << "old\n";
    const ToolRun run = Run({"convert", "in.wav", "out.wav", "--force"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadSound(Path("out.wav")).Frames(), 1814);
    EXPECT_EQ(Files(), (std::vector<std::string>{"in.wav", "out.wav"}));
}

TEST_F(ToolTest, HelpOnEveryCommandAndVersion) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"convert", "--help"}, {"design", "-h"}, {"info", "--help"}}) {
        const ToolRun run = Run(args);
        EXPECT_EQ(run.status, 0) << args[0];
        EXPECT_EQ(run.out.rfind("Usage: velumor", 0), 0u) << run.out;
        EXPECT_EQ(run.err, "");
    }
    const ToolRun version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("velumor ", 0), 0u) << version.out;
}

TEST_F(ToolTest, InfoShowsRateChannelsLengthAndFormat) {
    Sound stereo = Silence(44100, 2, 4410);
    WriteSound(Path("a.flac"), stereo, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    const ToolRun run = Run({"info", "a.flac"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("44100 Hz"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("channels: 2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("4410 samples (0.100 s)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("FLAC"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("24 bit"), std::string::npos) << run.out;
}

}  // namespace
