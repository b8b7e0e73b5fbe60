#include <cstdio>
#include <string>
#include <vector>

#include "arguments.h"
#include "audio_file.h"
#include "commands.h"
#include "errors.h"

namespace velumor_tool {
namespace {

const char* const kHelp = R"(Usage: velumor info IN... [options]

Prints the rate, channels, length and format of audio files.

Options:
  --raw-rate HZ      read input as headerless 16-bit little-endian PCM at HZ
  --raw-channels N   channels of that headerless input (default 1)
  --help, -h         show this help
)";

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
    const ParsedArguments a = ParseArguments("info", {{"raw-rate", true, ""}, {"raw-channels", true, ""}}, args);
    if (a.Flag("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (a.positional.empty()) throw UsageError("info: no input file given");
    RawInput raw;
    if (const auto rate = a.Value("raw-rate")) raw.rate = ParseWholeNumber("--raw-rate", *rate, 1000, 768000);
    if (const auto channels = a.Value("raw-channels")) {
        if (raw.rate == 0) throw UsageError("--raw-channels: needs --raw-rate");
        raw.channels = ParseWholeNumber("--raw-channels", *channels, 1, 1024);
    }
    for (const std::string& path : a.positional) {
        const SoundReader file(path, raw);
        std::printf("%s\n  rate:     %d Hz\n  channels: %d\n  length:   %lld samples (%.3f s)\n"
                    "  format:   %s\n",
                    path.c_str(), file.Rate(), file.Channels(), static_cast<long long>(file.Frames()),
                    static_cast<double>(file.Frames()) / file.Rate(), DescribeFormat(file.Format()).c_str());
    }
    return 0;
}

}  // namespace velumor_tool
