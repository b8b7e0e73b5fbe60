// The C functions of <velumor_stream.h>: argument checks, then the C++
// objects behind them, with every failure turned into a status.
#include <velumor_stream.h>

#include <algorithm>
#include <new>
#include <optional>

#include "stream/coefficient_file.h"
#include "stream/errors.h"
#include "stream/filter_design.h"
#include "stream/filter_plan.h"
#include "stream/stream.h"

struct velumor_stream {
    velumor::stream::Stream state;
};

using velumor::stream::Fail;
using velumor::stream::Guard;

extern "C" {

void velumor_stream_config_init(velumor_stream_config* config, int input_rate, int output_rate,
                                int channels) {
    if (config == nullptr) return;
    *config = velumor_stream_config{};
    config->input_rate = input_rate;
    config->output_rate = output_rate;
    config->channels = channels;
    config->frame_duration = 0.0;
    config->coefficient_file = nullptr;
    config->taps = 0;
    config->factor = 0;
}

velumor_status velumor_stream_create(const velumor_stream_config* config, velumor_stream** stream) {
    if (stream == nullptr) return Fail(VELUMOR_ERROR_ARGUMENT, "stream: a null pointer");
    *stream = nullptr;
    if (config == nullptr) return Fail(VELUMOR_ERROR_ARGUMENT, "config: a null pointer");
    return Guard([&] { *stream = new velumor_stream{velumor::stream::Stream(*config)}; });
}

void velumor_stream_destroy(velumor_stream* stream) { delete stream; }

size_t velumor_stream_max_output(const velumor_stream* stream, size_t input_count) {
    return stream == nullptr ? 0 : stream->state.MaxOutput(input_count);
}

size_t velumor_stream_latency(const velumor_stream* stream) {
    return stream == nullptr ? 0 : stream->state.Latency();
}

velumor_status velumor_stream_process(velumor_stream* stream, const int16_t* input,
                                      size_t input_count, int16_t* output, size_t output_capacity,
                                      size_t* output_count) {
    if (output_count != nullptr) *output_count = 0;
    if (stream == nullptr) return Fail(VELUMOR_ERROR_ARGUMENT, "stream: a null pointer");
    if (output_count == nullptr) return Fail(VELUMOR_ERROR_ARGUMENT, "output_count: a null pointer");
    if (input == nullptr && input_count > 0) {
        return Fail(VELUMOR_ERROR_ARGUMENT, "input: a null pointer for %zu samples", input_count);
    }
    if (output == nullptr && output_capacity > 0) {
        return Fail(VELUMOR_ERROR_ARGUMENT, "output: a null pointer for %zu samples", output_capacity);
    }
    return stream->state.Process(input, input_count, output, output_capacity, output_count);
}

velumor_status velumor_stream_finish(velumor_stream* stream, int16_t* output, size_t output_capacity,
                                     size_t* output_count) {
    if (output_count != nullptr) *output_count = 0;
    if (stream == nullptr) return Fail(VELUMOR_ERROR_ARGUMENT, "stream: a null pointer");
    if (output_count == nullptr) return Fail(VELUMOR_ERROR_ARGUMENT, "output_count: a null pointer");
    if (output == nullptr && output_capacity > 0) {
        return Fail(VELUMOR_ERROR_ARGUMENT, "output: a null pointer for %zu samples", output_capacity);
    }
    return stream->state.Finish(output, output_capacity, output_count);
}

velumor_status velumor_design_filter(int input_rate, int output_rate, int taps, int factor,
                                     float* coefficients, size_t capacity,
                                     velumor_filter_design* design) {
    namespace vs = velumor::stream;
    if (design == nullptr) return Fail(VELUMOR_ERROR_ARGUMENT, "design: a null pointer");
    *design = velumor_filter_design{};
    if (input_rate < 1 || input_rate > VELUMOR_MAX_RATE || output_rate < 1 ||
        output_rate > VELUMOR_MAX_RATE || input_rate == output_rate) {
        return Fail(VELUMOR_ERROR_RATE, "rates %d -> %d Hz: each must be 1 to %d Hz, and differ",
                    input_rate, output_rate, VELUMOR_MAX_RATE);
    }
    if (taps < 0 || taps > vs::kMaxTaps) {
        return Fail(VELUMOR_ERROR_ARGUMENT, "taps %d is out of range (0 to %d)", taps, vs::kMaxTaps);
    }
    if (factor < 0 || factor > vs::kMaxFactor) {
        return Fail(VELUMOR_ERROR_ARGUMENT, "factor %d is out of range (0 to %d)", factor, vs::kMaxFactor);
    }
    bool fits = false;
    const velumor_status status = Guard([&] {
        const vs::DesignedFilter f =
            vs::DesignFilter(input_rate, output_rate, taps != 0 ? std::optional<int>(taps) : std::nullopt,
                             factor != 0 ? std::optional<int>(factor) : std::nullopt);
        design->taps = static_cast<int>(f.coefficients.size());
        design->factor = f.factor;
        design->filter_rate = f.filterRate;
        design->cutoff_hz = f.cutoffHz;
        design->kaiser_beta = f.beta;
        design->passband_edge_hz = f.response.passbandEdgeHz;
        design->stopband_edge_hz = f.response.stopbandEdgeHz;
        design->ripple_db = f.response.rippleDb;
        design->attenuation_db = f.response.attenuationDb;
        fits = coefficients != nullptr && capacity >= f.coefficients.size();
        if (fits) std::copy(f.coefficients.begin(), f.coefficients.end(), coefficients);
    });
    if (status != VELUMOR_OK) return status;
    if (!fits) {
        return Fail(VELUMOR_ERROR_OUTPUT_SIZE, "the coefficient array holds %zu floats; the filter has %d",
                    coefficients == nullptr ? size_t{0} : capacity, design->taps);
    }
    return VELUMOR_OK;
}

velumor_status velumor_write_coefficients(const char* path, const float* coefficients, size_t count) {
    if (path == nullptr) return Fail(VELUMOR_ERROR_ARGUMENT, "path: a null pointer");
    if (coefficients == nullptr && count > 0) {
        return Fail(VELUMOR_ERROR_ARGUMENT, "coefficients: a null pointer for %zu values", count);
    }
    return Guard([&] { velumor::stream::WriteCoefficients(path, coefficients, count); });
}

}  // extern "C"
