// velumor: converts audio files between sampling rates with the Velumor
// library, designs coefficient files for it, and describes audio files.
#include <sndfile.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "atomic_output.h"
#include "commands.h"
#include "errors.h"

namespace velumor_tool {

void ReportError(const std::string& message) { std::fprintf(stderr, "velumor: %s\n", message.c_str()); }

void ReportNote(const std::string& message) { std::fprintf(stderr, "velumor: %s\n", message.c_str()); }

}  // namespace velumor_tool

namespace {

const char* const kHelp = R"(Usage: velumor COMMAND [options]

Commands:
  convert IN OUT   convert an audio file to another sampling rate
  design           write a filter coefficient file for a rate pair
  info IN...       show the rate, channels, length and format of audio files

'velumor COMMAND --help' describes each command.
'-' as a file name is standard input or output ('velumor convert --help').
Exit status: 0 success (also when the reader of standard output goes away),
1 a file could not be read or written, 2 usage error.

Options:
  --help, -h       show this help
  --version        show the version
)";

}  // namespace

int main(int argc, char** argv) {
    using namespace velumor_tool;
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty()) {
        ReportError("no command given (convert, design or info; see 'velumor --help')");
        return kExitUsageError;
    }
    const std::string command = all[0];
    const std::vector<std::string> args(all.begin() + 1, all.end());
    RemoveTemporariesOnSignal();
    // A reader that goes away shows as EPIPE on the next write (BrokenPipe).
    std::signal(SIGPIPE, SIG_IGN);
    try {
        if (command == "--help" || command == "-h" || command == "help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (command == "--version") {
            std::printf("velumor %s (%s)\n", VELUMOR_VERSION, sf_version_string());
            return 0;
        }
        if (command == "convert") return RunConvert(args);
        if (command == "design") return RunDesign(args);
        if (command == "info") return RunInfo(args);
        throw UsageError(command + ": unknown command (convert, design or info)");
    } catch (const UsageError& e) {
        ReportError(e.what());
        return kExitUsageError;
    } catch (const IoError& e) {
        ReportError(e.what());
        return kExitIoError;
    } catch (const BrokenPipe&) {
        return 0;
    } catch (const std::bad_alloc&) {
        ReportError("out of memory");
        return kExitIoError;
    }
}
