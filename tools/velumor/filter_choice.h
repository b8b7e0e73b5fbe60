#ifndef VELUMOR_TOOL_FILTER_CHOICE_H
#define VELUMOR_TOOL_FILTER_CHOICE_H

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "frame_converter.h"

namespace velumor_tool {

// The filter options of `velumor convert`.
struct FilterOptions {
    std::optional<std::string> file;
    std::optional<int> taps;
    std::optional<int> factor;
    std::optional<double> frameSeconds;
};

// A designed coefficient file in the temporary directory, removed with the
// object (the library reads coefficients from a file only).
class ScratchFile {
public:
    explicit ScratchFile(const std::string& text);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Picks the converter for each rate pair: the built-in filters for 22050 <->
// 8000 Hz when no filter option is given, the coefficient file given, or a
// filter designed on the spot. Designed files live as long as this object.
class FilterChooser {
public:
    explicit FilterChooser(FilterOptions options) : options_(std::move(options)) {}

    // Throws UsageError for unusable options, IoError for a coefficient file
    // that cannot be read. The recipe's frame geometry is checked too.
    const ConverterRecipe& Choose(int inputRate, int outputRate);
    // Whether Choose() has already been called for this pair.
    bool Known(int inputRate, int outputRate) const {
        return recipes_.count(std::make_pair(inputRate, outputRate)) != 0;
    }

private:
    ConverterRecipe Make(int inputRate, int outputRate);

    FilterOptions options_;
    std::map<std::pair<int, int>, ConverterRecipe> recipes_;
    std::map<std::pair<int, int>, std::unique_ptr<ScratchFile>> designed_;
};

}  // namespace velumor_tool

#endif
