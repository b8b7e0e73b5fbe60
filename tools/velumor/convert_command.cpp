#include <unistd.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "arguments.h"
#include "audio_file.h"
#include "atomic_output.h"
#include "commands.h"
#include "convert_file.h"
#include "errors.h"
#include "parallel.h"
#include "progress.h"
#include "stream_choice.h"

namespace velumor_tool {
namespace {

const char* const kHelp = R"(Usage: velumor convert IN OUT [options]
       velumor convert IN... --output-dir DIR [options]
       ... | velumor convert - - [--raw-rate HZ] --type TYPE [options] | ...

Converts audio files to another sampling rate, each channel through its own
converter, and writes 16-bit PCM in the format OUT's extension names (.wav,
.flac, .aiff, .au, .caf, .raw ...; .ogg is written as Vorbis). Any file
libsndfile reads is accepted; other encodings are read as 16-bit. The output
is aligned with the input and holds round(length * new rate / old rate)
samples per channel.

Filters: 22050 <-> 8000 Hz use the library's built-in filters. Other rate
pairs use the coefficient file given with --filter, or else a Kaiser-windowed
sinc designed on the spot (as 'velumor design' would). The filter used is
reported on stderr.

Pipes: '-' as IN reads standard input (any format libsndfile finds from its
header, or headerless PCM with --raw-rate), '-' as OUT writes standard output
in the format --type names (au, raw, flac ... on a pipe; raw is 16-bit
little-endian). Each block is written as soon as it is converted; the end of
the input ends the output at its exact length.

Options:
  --rate HZ          output rate (default: 8000 for 22050 Hz input, 22050 for
                     8000 Hz input; required otherwise)
  --frame SECONDS    converter frame duration; frames must hold whole
                     numbers of samples at both rates (default: near 0.02)
  --filter FILE      coefficient file (needs --taps; converting up, --factor)
  --taps N           coefficients in FILE, or taps of the designed filter
  --factor L         upsampling factor (converting up)
  --output-dir DIR   write each input to DIR under its own name
  --threads N, -j N  threads for channels or files (default: the processors)
  --raw-rate HZ      read input as headerless 16-bit little-endian PCM at HZ
  --raw-channels N   channels of that headerless input (default 1)
  --type TYPE        format of standard output (OUT '-'): wav, au, raw, flac ...
  --force, -f        overwrite existing output files
  --quiet, -q        no messages and no progress line, only errors
  --verbose, -v      print rates, lengths and time taken for each file
  --help, -h         show this help
)";

struct ConvertSettings {
    FilterOptions filter;
    std::optional<int> rate;
    std::optional<std::string> outputDir;
    std::optional<std::string> type;
    int threads = 1;
    RawInput raw;
    bool force = false;
    bool quiet = false;
    bool verbose = false;
};

std::optional<int> WholeOption(const ParsedArguments& a, const std::string& name, int min, int max) {
    const auto text = a.Value(name);
    if (!text) return std::nullopt;
    return ParseWholeNumber("--" + name, *text, min, max);
}

ConvertSettings ReadSettings(const ParsedArguments& a) {
    ConvertSettings s;
    s.rate = WholeOption(a, "rate", 1000, 768000);
    s.filter.taps = WholeOption(a, "taps", 1, 1000000);
    s.filter.factor = WholeOption(a, "factor", 1, 1024);
    s.filter.file = a.Value("filter");
    if (const auto frame = a.Value("frame")) s.filter.frameSeconds = ParseSeconds("--frame", *frame, 10.0);
    s.outputDir = a.Value("output-dir");
    s.type = a.Value("type");
    s.threads = WholeOption(a, "threads", 1, 1024).value_or(DefaultThreadCount());
    s.raw.rate = WholeOption(a, "raw-rate", 1000, 768000).value_or(0);
    s.raw.channels = WholeOption(a, "raw-channels", 1, 1024).value_or(1);
    if (a.Value("raw-channels") && s.raw.rate == 0) throw UsageError("--raw-channels: needs --raw-rate");
    s.force = a.Flag("force");
    s.quiet = a.Flag("quiet");
    s.verbose = a.Flag("verbose");
    return s;
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<ConvertJob> ListJobs(const ParsedArguments& a, const ConvertSettings& s) {
    std::vector<ConvertJob> jobs;
    if (s.outputDir) {
        if (a.positional.empty()) throw UsageError("convert: no input files given");
        std::set<std::string> outputs;
        for (const std::string& input : a.positional) {
            if (input == kStandardStream) throw UsageError("-: standard input cannot go to --output-dir");
            const std::string output = *s.outputDir + "/" + BaseName(input);
            if (!outputs.insert(output).second) {
                throw UsageError(input + ": another input has the same name; both would write " + output);
            }
            jobs.push_back({input, output, 0, nullptr, nullptr});
        }
    } else {
        if (a.positional.size() != 2) {
            throw UsageError("convert: expects IN and OUT (or several inputs with --output-dir), got " +
                             std::to_string(a.positional.size()) + " file names");
        }
        jobs.push_back({a.positional[0], a.positional[1], 0, nullptr, nullptr});
    }
    const bool toStandardOutput = jobs.size() == 1 && jobs[0].output == kStandardStream;
    if (toStandardOutput && !s.type) throw UsageError("-: standard output needs --type TYPE (au, raw, flac ...)");
    if (s.type && !toStandardOutput) throw UsageError("--type: names the format of standard output ('-') only");
    return jobs;
}

int OutputRate(const ConvertSettings& s, const std::string& input, int inputRate) {
    if (s.rate) {
        if (*s.rate == inputRate) {
            throw UsageError("--rate " + std::to_string(*s.rate) + ": " + input + " is already at that rate");
        }
        return *s.rate;
    }
    if (inputRate == 22050) return 8000;
    if (inputRate == 8000) return 22050;
    throw UsageError("--rate: needed for " + input + " (" + std::to_string(inputRate) + " Hz)");
}

void PrintSummary(const ConvertJob& job, int inputRate, const ConvertResult& r) {
    const double audioSeconds = static_cast<double>(r.inputFrames) / inputRate;
    // Not into the audio, when that goes to standard output.
    std::FILE* to = job.output == kStandardStream ? stderr : stdout;
    std::fprintf(to, "%s: %d Hz, %lld samples (%.3f s) -> %s: %d Hz, %lld samples; %d channel%s; "
                "%.1f ms, %.0fx real time\n",
                job.input.c_str(), inputRate, static_cast<long long>(r.inputFrames), audioSeconds,
                job.output.c_str(), job.recipe->outputRate, static_cast<long long>(r.outputFrames),
                r.channels, r.channels == 1 ? "" : "s", r.seconds * 1e3,
                r.seconds > 0.0 ? audioSeconds / r.seconds : 0.0);
}

}  // namespace

int RunConvert(const std::vector<std::string>& args) {
    const ParsedArguments a = ParseArguments(
        "convert",
        {{"rate", true, ""}, {"frame", true, ""}, {"filter", true, ""}, {"taps", true, ""},
         {"factor", true, ""}, {"output-dir", true, ""}, {"threads", true, "j"},
         {"raw-rate", true, ""}, {"raw-channels", true, ""}, {"type", true, ""}, {"force", false, "f"},
         {"quiet", false, "q"}, {"verbose", false, "v"}},
        args);
    if (a.Flag("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const ConvertSettings s = ReadSettings(a);
    std::vector<ConvertJob> jobs = ListJobs(a, s);
    StreamChooser chooser(s.filter);
    std::vector<int> inputRates;
    std::vector<std::string> notes;
    Progress progress(!s.quiet);

    // Everything that can be checked before writing is checked for every
    // file first, so a mistake leaves no output at all.
    for (ConvertJob& job : jobs) {
        const bool toStandardOutput = job.output == kStandardStream;
        job.outputFormat = toStandardOutput ? OutputFormatForType(*s.type) : OutputFormatFor(job.output);
        auto reader = std::make_unique<SoundReader>(job.input, s.raw);
        const SoundReader& probe = *reader;
        const int outputRate = OutputRate(s, job.input, probe.Rate());
        if (toStandardOutput) {
            CheckOutputFormat("--type " + *s.type, job.outputFormat, outputRate, probe.Channels());
            CheckStandardOutputFormat("--type " + *s.type, job.outputFormat, outputRate, probe.Channels());
        } else {
            CheckOutputFormat(job.output, job.outputFormat, outputRate, probe.Channels());
            CheckOutputPath(job.output, s.force);
        }
        const bool known = chooser.Known(probe.Rate(), outputRate);
        job.recipe = &chooser.Choose(probe.Rate(), outputRate);
        if (!known) notes.push_back(job.recipe->description);
        if (!probe.IsSixteenBit()) {
            notes.push_back(job.input + ": " + DescribeEncoding(probe.Format()) +
                            " read as 16-bit PCM (libsndfile's conversion)");
        }
        inputRates.push_back(probe.Rate());
        progress.AddTotal(probe.Frames());
        // Standard input cannot be opened twice: its header has been read.
        if (probe.IsStandardInput()) job.openInput = std::move(reader);
    }
    if (!s.quiet) {
        for (const std::string& note : notes) ReportNote(note);
    }

    if (jobs.size() == 1) {
        const ConvertResult r = ConvertFile(jobs[0], s.raw, s.force, s.threads, progress);
        progress.Finish();
        if (s.verbose) PrintSummary(jobs[0], inputRates[0], r);
        return 0;
    }
    // Several files: one file per thread, each file's channels on that thread.
    std::mutex reportMutex;
    std::vector<std::optional<ConvertResult>> results(jobs.size());
    ParallelFor(static_cast<int>(jobs.size()), s.threads, [&](int i) {
        const std::size_t k = static_cast<std::size_t>(i);
        try {
            results[k] = ConvertFile(jobs[k], s.raw, s.force, 1, progress);
        } catch (const IoError& e) {
            const std::lock_guard<std::mutex> lock(reportMutex);
            progress.Finish();
            ReportError(e.what());
        }
    });
    progress.Finish();
    int status = 0;
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        if (!results[k]) {
            status = kExitIoError;
        } else if (s.verbose) {
            PrintSummary(jobs[k], inputRates[k], *results[k]);
        }
    }
    return status;
}

}  // namespace velumor_tool
