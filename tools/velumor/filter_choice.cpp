#include "filter_choice.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "coefficient_text.h"
#include "errors.h"
#include "filter_design.h"

namespace velumor_tool {
namespace {

bool IsBuiltInPair(int inputRate, int outputRate) {
    return (inputRate == 22050 && outputRate == 8000) || (inputRate == 8000 && outputRate == 22050);
}

std::string Rates(int inputRate, int outputRate) {
    return std::to_string(inputRate) + " -> " + std::to_string(outputRate) + " Hz";
}

std::string DescribeDesign(const DesignedFilter& f) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "designed Kaiser-windowed sinc, %zu taps%s (passband ripple %.4f dB to %.0f Hz, "
                  "stopband attenuation %.1f dB from %.0f Hz)",
                  f.coefficients.size(), f.up ? (", factor " + std::to_string(f.factor)).c_str() : "",
                  f.response.rippleDb, f.response.passbandEdgeHz, f.response.attenuationDb,
                  f.response.stopbandEdgeHz);
    return text;
}

}  // namespace

ScratchFile::ScratchFile(const std::string& text) {
    const char* directory = std::getenv("TMPDIR");
    std::string pattern = std::string(directory != nullptr && *directory ? directory : "/tmp") +
                          "/velumor-filter.XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) throw IoError(pattern + ": cannot create: " + std::strerror(errno));
    path_ = name.data();
    try {
        WriteAll(fd, text, path_);
    } catch (...) {
        close(fd);
        unlink(path_.c_str());
        throw;
    }
    close(fd);
}

ScratchFile::~ScratchFile() { unlink(path_.c_str()); }

const ConverterRecipe& FilterChooser::Choose(int inputRate, int outputRate) {
    const auto key = std::make_pair(inputRate, outputRate);
    auto it = recipes_.find(key);
    if (it == recipes_.end()) it = recipes_.emplace(key, Make(inputRate, outputRate)).first;
    return it->second;
}

ConverterRecipe FilterChooser::Make(int inputRate, int outputRate) {
    ConverterRecipe r;
    r.up = outputRate > inputRate;
    r.inputRate = inputRate;
    r.outputRate = outputRate;
    const std::string rates = Rates(inputRate, outputRate);
    if (options_.file) {
        if (!options_.taps) throw UsageError("--filter: needs --taps N, the coefficients to use");
        if (r.up && !options_.factor) {
            throw UsageError("--filter: converting up (" + rates + ") needs --factor L too");
        }
        // The library reads a file it cannot open as all zeros: check first.
        struct stat st{};
        if (stat(options_.file->c_str(), &st) != 0 || access(options_.file->c_str(), R_OK) != 0) {
            throw IoError(*options_.file + ": cannot open coefficient file: " + std::strerror(errno));
        }
        if (!S_ISREG(st.st_mode)) throw IoError(*options_.file + ": not a coefficient file");
        r.coefficientPath = *options_.file;
        r.taps = *options_.taps;
        r.factor = options_.factor.value_or(1);
        r.description = rates + ": coefficient file " + r.coefficientPath + ", " + std::to_string(r.taps) +
                        " taps" + (r.up ? ", factor " + std::to_string(r.factor) : "");
    } else if (IsBuiltInPair(inputRate, outputRate) && !options_.taps && !options_.factor) {
        r.builtIn = true;
        r.description = rates + ": built-in " + std::string(r.up ? "145-tap filter, factor 8" : "35-tap filter");
    } else {
        const DesignedFilter f = DesignFilter(inputRate, outputRate, options_.taps, options_.factor);
        auto file = std::make_unique<ScratchFile>(FormatCoefficients(f.coefficients));
        r.coefficientPath = file->Path();
        r.taps = static_cast<int>(f.coefficients.size());
        r.factor = f.factor;
        r.description = rates + ": " + DescribeDesign(f);
        designed_[std::make_pair(inputRate, outputRate)] = std::move(file);
    }
    r.frameSeconds = options_.frameSeconds ? static_cast<float>(*options_.frameSeconds) : DefaultFrameSeconds(r);
    CheckFrameGeometry(FrameConverter(r), r, options_.frameSeconds.has_value());
    return r;
}

}  // namespace velumor_tool
