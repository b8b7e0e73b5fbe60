#include <unistd.h>
#include <velumor_stream.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "arguments.h"
#include "atomic_output.h"
#include "coefficient_text.h"
#include "commands.h"
#include "errors.h"

namespace velumor_tool {
namespace {

const char* const kHelp = R"(Usage: velumor design --from HZ --to HZ [options]

Writes a coefficient file for converting from one rate to the other: a
Kaiser-windowed sinc low-pass, passband to 0.4 and stopband from 0.5 of the
lower rate, in the library's format (one "index value" line per coefficient).

  Converting down: a filter at the input rate, for CDownSampler; an odd tap
  count keeps it centred (no delay).
  Converting up: a filter at L times the input rate, for CUpSampler with
  factor L; N = L*G+1 taps with G even (the converter's delay, G/2 input
  samples, is then whole), each polyphase branch summing to 1/L so that the
  converter's multiplication by L gives unity gain.

Without --taps, the fewest taps that reach 80 dB stopband attenuation are
chosen by measuring the designed filter's frequency response. The passband
ripple and stopband attenuation reached are printed either way.

Options:
  --from HZ       input rate
  --to HZ         output rate
  --taps N        tap count (default: chosen by measurement)
  --factor L      upsampling factor (default: to/gcd(from,to), which puts every
                  output on the grid, when at most 32; else 16)
  --out FILE      write the coefficients to FILE (default: standard output,
                  with the report on stderr)
  --force, -f     overwrite FILE
  --quiet, -q     no report
  --help, -h      show this help
)";

std::optional<int> WholeOption(const ParsedArguments& a, const std::string& name, int min, int max) {
    const auto text = a.Value(name);
    if (!text) return std::nullopt;
    return ParseWholeNumber("--" + name, *text, min, max);
}

int RequiredRate(const ParsedArguments& a, const std::string& name) {
    const auto rate = WholeOption(a, name, 1000, 768000);
    if (!rate) throw UsageError("design: --" + name + " HZ is required");
    return *rate;
}

struct Designed {
    int from;
    int to;
    velumor_filter_design figures;
    std::vector<float> coefficients;
};

// The library's designer; its messages name the taps as "taps N: ...".
Designed Design(int from, int to, std::optional<int> taps, std::optional<int> factor) {
    Designed d{from, to, {}, {}};
    const auto design = [&](float* into, std::size_t capacity) {
        return velumor_design_filter(from, to, taps.value_or(0), factor.value_or(0), into, capacity,
                                     &d.figures);
    };
    velumor_status status = design(nullptr, 0);
    if (status == VELUMOR_ERROR_OUTPUT_SIZE) {
        d.coefficients.resize(static_cast<std::size_t>(d.figures.taps));
        status = design(d.coefficients.data(), d.coefficients.size());
    }
    if (status == VELUMOR_ERROR_DESIGN) throw UsageError(std::string("--") + velumor_error_message());
    if (status != VELUMOR_OK) throw UsageError(velumor_error_message());
    return d;
}

void PrintReport(std::FILE* to, const Designed& d, const std::string& file) {
    const velumor_filter_design& f = d.figures;
    const bool up = d.to > d.from;
    std::fprintf(to, "%s filter, %d -> %d Hz: %d taps at %.0f Hz", up ? "upsampler" : "downsampler",
                 d.from, d.to, f.taps, f.filter_rate);
    if (up) std::fprintf(to, " (factor %d, delay %d input samples)", f.factor, (f.taps - 1) / f.factor / 2);
    std::fprintf(to, "\nKaiser window, beta %.3f, cutoff %.1f Hz\n", f.kaiser_beta, f.cutoff_hz);
    std::fprintf(to, "passband 0-%.0f Hz: ripple %.5f dB\n", f.passband_edge_hz, f.ripple_db);
    std::fprintf(to, "stopband %.0f-%.0f Hz: attenuation %.1f dB\n", f.stopband_edge_hz,
                 f.filter_rate / 2.0, f.attenuation_db);
    std::fprintf(to, "use: velumor convert IN OUT --rate %d --filter %s --taps %d", d.to, file.c_str(), f.taps);
    if (up) std::fprintf(to, " --factor %d", f.factor);
    std::fprintf(to, "\n");
}

}  // namespace

int RunDesign(const std::vector<std::string>& args) {
    const ParsedArguments a = ParseArguments(
        "design",
        {{"from", true, ""}, {"to", true, ""}, {"taps", true, ""}, {"factor", true, ""},
         {"out", true, "o"}, {"force", false, "f"}, {"quiet", false, "q"}},
        args);
    if (a.Flag("help")) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!a.positional.empty()) throw UsageError("design: unexpected argument '" + a.positional[0] + "'");
    const int from = RequiredRate(a, "from");
    const int to = RequiredRate(a, "to");
    if (from == to) throw UsageError("--to " + std::to_string(to) + ": same as --from");
    const std::optional<int> taps = WholeOption(a, "taps", 1, 1000000);
    const std::optional<int> factor = WholeOption(a, "factor", 1, 1024);
    if (factor && to < from) throw UsageError("--factor: only for converting up");
    const std::optional<std::string> out = a.Value("out");
    if (out) CheckOutputPath(*out, a.Flag("force"));

    const Designed f = Design(from, to, taps, factor);
    const std::string text = CoefficientText(f.coefficients.data(), f.coefficients.size());
    if (out) {
        AtomicOutput file(*out, a.Flag("force"));
        WriteAll(file.Descriptor(), text, *out);
        file.Commit();
        if (!a.Flag("quiet")) PrintReport(stdout, f, *out);
    } else {
        WriteAll(STDOUT_FILENO, text, "standard output");
        if (!a.Flag("quiet")) PrintReport(stderr, f, "FILE");
    }
    return 0;
}

}  // namespace velumor_tool
