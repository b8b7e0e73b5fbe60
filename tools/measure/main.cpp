// Measures Velumor's converters beside open resamplers and writes CSV files
// for the quality page (docs/plot_quality.py draws them).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "peers.h"
#include "report.h"
#include "velumor_converters.h"

namespace {

constexpr const char* kUsage =
    "usage: velumor_measure [--out DIR] [--no-peers]\n"
    "         the default converters, 22050 -> 8000 Hz and 8000 -> 22050 Hz\n"
    "       velumor_measure [--out DIR] [--no-peers] [--name NAME]\n"
    "                       --down-file IN_HZ OUT_HZ TAPS FILE\n"
    "       velumor_measure [--out DIR] [--no-peers] [--name NAME]\n"
    "                       --up-file IN_HZ OUT_HZ FACTOR FILE_TAPS FILE\n"
    "         a filter from a coefficient file, beside the peers at the same rates\n"
    "Writes NAME_*.csv files (NAME: down, up, or down|up_IN_OUT) into DIR (default .).\n";

struct Options {
    std::string out = ".";
    std::string name;
    bool peers = true;
    std::string mode = "builtin";  // builtin, down-file or up-file
    measure::RatePair rates;
    int factor = 1;
    int taps = 0;
    std::string file;
};

[[noreturn]] void Usage(const std::string& problem) {
    std::cerr << "velumor_measure: " << problem << '\n' << kUsage;
    std::exit(2);
}

double Number(const std::string& text, const char* what) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used == text.size() && value > 0) return value;
    } catch (const std::exception&) {
    }
    Usage(std::string("bad ") + what + " '" + text + "'");
}

Options Parse(int argc, char** argv) {
    Options options;
    std::vector<std::string> args(argv + 1, argv + argc);
    auto take = [&](std::size_t& i, const std::string& option) {
        if (i + 1 >= args.size()) Usage(option + " needs a value");
        return args[++i];
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--out") {
            options.out = take(i, arg);
        } else if (arg == "--name") {
            options.name = take(i, arg);
        } else if (arg == "--no-peers") {
            options.peers = false;
        } else if (arg == "--down-file" || arg == "--up-file") {
            options.mode = arg.substr(2);
            options.rates.input = Number(take(i, arg), "input rate");
            options.rates.output = Number(take(i, arg), "output rate");
            if (arg == "--up-file") options.factor = static_cast<int>(Number(take(i, arg), "factor"));
            options.taps = static_cast<int>(Number(take(i, arg), "tap count"));
            options.file = take(i, arg);
        } else {
            Usage("unknown argument '" + arg + "'");
        }
    }
    if (options.mode != "builtin" && !std::filesystem::exists(options.file)) {
        std::cerr << "velumor_measure: coefficient file '" << options.file << "' does not exist\n";
        std::exit(1);
    }
    return options;
}

std::string RateName(const std::string& prefix, measure::RatePair rates) {
    return prefix + "_" + std::to_string(static_cast<long>(rates.input)) + "_" +
           std::to_string(static_cast<long>(rates.output));
}

std::vector<measure::Direction> Directions(const Options& options) {
    using namespace measure;
    std::vector<Direction> directions;
    if (options.mode == "builtin") {
        directions.push_back({"down", kDefaultDown, TelephoneBands(kDefaultDown), BuiltInDownTable(),
                              {BuiltInDownSampler()}});
        directions.push_back({"up", kDefaultUp, TelephoneBands(kDefaultUp), BuiltInUpTable(),
                              {BuiltInUpSampler()}});
    } else if (options.mode == "down-file") {
        const RatePair rates = options.rates;
        if (rates.output >= rates.input) Usage("--down-file needs IN_HZ above OUT_HZ");
        directions.push_back({options.name.empty() ? RateName("down", rates) : options.name, rates,
                              TelephoneBands(rates), FileDownTable(rates, options.taps, options.file),
                              {FileDownSampler(rates, options.taps, options.file)}});
    } else {
        const RatePair rates = options.rates;
        if (rates.output <= rates.input) Usage("--up-file needs IN_HZ below OUT_HZ");
        directions.push_back(
            {options.name.empty() ? RateName("up", rates) : options.name, rates,
             TelephoneBands(rates), FileUpTable(rates, options.factor, options.taps, options.file),
             {FileUpSampler(rates, options.factor, options.taps, options.file)}});
    }
    return directions;
}

// Rounds away the sign of values that print as zero.
double Shown(double value) { return std::abs(value) < 5e-4 ? 0.0 : value; }

void PrintFigures(const measure::Direction& direction, const std::vector<measure::Figures>& all) {
    std::printf("\n%s: %.0f -> %.0f Hz (passband %.0f Hz, stopband from %.0f Hz)\n",
                direction.name.c_str(), direction.rates.input, direction.rates.output,
                direction.bands.passbandHz, direction.bands.stopbandHz);
    std::printf("%-28s %15s %9s %9s %8s %9s %10s\n", "converter", "passband dB", "stop dB",
                "alias dB", "THD+N", "delay ms", "frames dB");
    for (std::size_t i = 0; i < all.size(); ++i) {
        const measure::Figures& f = all[i];
        std::printf("%-28s %+6.2f..%+6.2f %9.1f %9.1f %8.1f %9.3f %10.1f\n",
                    direction.converters[i].name.c_str(), f.rippleMinDb, f.rippleMaxDb,
                    f.stopAttenuationDb, f.aliasRejectionDb, f.thdnDb, Shown(f.delayMs),
                    f.artefactDb);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = Parse(argc, argv);
    try {
        std::filesystem::create_directories(options.out);
        std::vector<measure::Direction> directions = Directions(options);
        for (measure::Direction& direction : directions) {
            if (options.peers) {
                measure::PeerSet peers = measure::Peers(direction.rates);
                for (const std::string& missing : peers.missing) {
                    std::cerr << "velumor_measure: built without " << missing
                              << "; it is left out of the comparison\n";
                }
                for (measure::ConverterKind& kind : peers.kinds) {
                    direction.converters.push_back(std::move(kind));
                }
            }
            PrintFigures(direction, measure::MeasureAndWrite(direction, options.out));
        }
    } catch (const std::exception& error) {
        std::cerr << "velumor_measure: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
