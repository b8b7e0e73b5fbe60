#include "stream_choice.h"

#include <cstdio>

#include "errors.h"

namespace velumor_tool {
namespace {

bool IsBuiltInPair(int inputRate, int outputRate) {
    return (inputRate == 22050 && outputRate == 8000) || (inputRate == 8000 && outputRate == 22050);
}

std::string Rates(int inputRate, int outputRate) {
    return std::to_string(inputRate) + " -> " + std::to_string(outputRate) + " Hz";
}

std::string DescribeDesign(const StreamRecipe& r) {
    velumor_filter_design d{};
    const velumor_status status =
        velumor_design_filter(r.inputRate, r.outputRate, r.options.taps.value_or(0),
                              r.options.factor.value_or(0), nullptr, 0, &d);
    if (status != VELUMOR_OK && status != VELUMOR_ERROR_OUTPUT_SIZE) return "designed filter";
    const bool up = r.outputRate > r.inputRate;
    char text[256];
    std::snprintf(text, sizeof text,
                  "designed Kaiser-windowed sinc, %d taps%s (passband ripple %.4f dB to %.0f Hz, "
                  "stopband attenuation %.1f dB from %.0f Hz)",
                  d.taps, up ? (", factor " + std::to_string(d.factor)).c_str() : "", d.ripple_db,
                  d.passband_edge_hz, d.attenuation_db, d.stopband_edge_hz);
    return text;
}

// The library's messages name its configuration; the tool's, its options.
[[noreturn]] void ThrowFor(velumor_status status, const StreamRecipe& r) {
    const std::string message = velumor_error_message();
    switch (status) {
        case VELUMOR_ERROR_FILE:
            throw IoError(message);
        case VELUMOR_ERROR_MEMORY:
            throw IoError("out of memory");
        case VELUMOR_ERROR_DESIGN:
            throw UsageError("--" + message);  // "taps N: ..."
        case VELUMOR_ERROR_FRAME:
            if (r.options.frameSeconds) throw UsageError("--frame: " + message);
            throw UsageError("--rate " + std::to_string(r.outputRate) + ": " + message);
        default:
            throw UsageError(message);
    }
}

}  // namespace

velumor_stream_config StreamRecipe::Config(int channels) const {
    velumor_stream_config config;
    velumor_stream_config_init(&config, inputRate, outputRate, channels);
    config.frame_duration = options.frameSeconds.value_or(0.0);
    config.coefficient_file = options.file ? options.file->c_str() : nullptr;
    config.taps = options.taps.value_or(0);
    config.factor = options.factor.value_or(0);
    return config;
}

const StreamRecipe& StreamChooser::Choose(int inputRate, int outputRate) {
    const auto key = std::make_pair(inputRate, outputRate);
    auto it = recipes_.find(key);
    if (it == recipes_.end()) it = recipes_.emplace(key, Make(inputRate, outputRate)).first;
    return it->second;
}

StreamRecipe StreamChooser::Make(int inputRate, int outputRate) {
    StreamRecipe r;
    r.inputRate = inputRate;
    r.outputRate = outputRate;
    r.options = options_;
    const bool up = outputRate > inputRate;
    const std::string rates = Rates(inputRate, outputRate);
    if (options_.file) {
        if (!options_.taps) throw UsageError("--filter: needs --taps N, the coefficients to use");
        if (up && !options_.factor) {
            throw UsageError("--filter: converting up (" + rates + ") needs --factor L too");
        }
        r.description = rates + ": coefficient file " + *options_.file + ", " +
                        std::to_string(*options_.taps) + " taps" +
                        (up ? ", factor " + std::to_string(*options_.factor) : "");
    } else if (IsBuiltInPair(inputRate, outputRate) && !options_.taps && !options_.factor) {
        r.description = rates + ": built-in " + std::string(up ? "145-tap filter, factor 8" : "35-tap filter");
    } else {
        r.description = rates + ": " + DescribeDesign(r);
    }
    const ToolStream check(r, 1);  // everything else the library checks
    return r;
}

ToolStream::ToolStream(const StreamRecipe& recipe, int channels) {
    const velumor_stream_config config = recipe.Config(channels);
    const velumor_status status = velumor_stream_create(&config, &stream_);
    if (status != VELUMOR_OK) ThrowFor(status, recipe);
}

std::size_t ToolStream::Process(const short* input, std::size_t frames, short* output,
                                std::size_t capacity) {
    std::size_t got = 0;
    if (velumor_stream_process(stream_, input, frames, output, capacity, &got) != VELUMOR_OK) {
        throw IoError(std::string("conversion: ") + velumor_error_message());
    }
    return got;
}

std::size_t ToolStream::Finish(short* output, std::size_t capacity) {
    std::size_t got = 0;
    if (velumor_stream_finish(stream_, output, capacity, &got) != VELUMOR_OK) {
        throw IoError(std::string("conversion: ") + velumor_error_message());
    }
    return got;
}

}  // namespace velumor_tool
