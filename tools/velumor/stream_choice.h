#ifndef VELUMOR_TOOL_STREAM_CHOICE_H
#define VELUMOR_TOOL_STREAM_CHOICE_H

#include <velumor_stream.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace velumor_tool {

// The filter options of `velumor convert`.
struct FilterOptions {
    std::optional<std::string> file;
    std::optional<int> taps;
    std::optional<int> factor;
    std::optional<double> frameSeconds;
};

// What a conversion from one rate to another streams with: the stream
// library's configuration (its filter, frame and alignment choices), and
// which filter that is, for the messages.
struct StreamRecipe {
    int inputRate = 0;
    int outputRate = 0;
    FilterOptions options;
    std::string description;

    velumor_stream_config Config(int channels) const;
};

// Picks the recipe for each rate pair (the built-in filters for 22050 <->
// 8000 Hz when no filter option is given, the coefficient file given, or a
// filter the library designs) and checks it by building a stream once.
class StreamChooser {
public:
    explicit StreamChooser(FilterOptions options) : options_(std::move(options)) {}

    // Throws UsageError for unusable options, IoError for a coefficient file
    // that cannot be read.
    const StreamRecipe& Choose(int inputRate, int outputRate);
    bool Known(int inputRate, int outputRate) const {
        return recipes_.count(std::make_pair(inputRate, outputRate)) != 0;
    }

private:
    StreamRecipe Make(int inputRate, int outputRate);

    FilterOptions options_;
    std::map<std::pair<int, int>, StreamRecipe> recipes_;
};

// A stream of the library, for the tool: errors become UsageError or IoError
// with the option they concern.
class ToolStream {
public:
    ToolStream(const StreamRecipe& recipe, int channels);
    ~ToolStream() { velumor_stream_destroy(stream_); }
    ToolStream(const ToolStream&) = delete;
    ToolStream& operator=(const ToolStream&) = delete;

    std::size_t MaxOutput(std::size_t inputFrames) const {
        return velumor_stream_max_output(stream_, inputFrames);
    }
    // Interleaved in and out; returns the output frames written.
    std::size_t Process(const short* input, std::size_t frames, short* output, std::size_t capacity);
    std::size_t Finish(short* output, std::size_t capacity);

private:
    velumor_stream* stream_ = nullptr;
};

}  // namespace velumor_tool

#endif
