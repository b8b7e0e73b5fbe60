#include "stream/filter_plan.h"

#include <cmath>
#include <string>
#include <vector>

#include "stream/errors.h"
#include "stream/filter_design.h"
#include "stream/frame_geometry.h"

namespace velumor::stream {
namespace {

bool IsBuiltInPair(int inputRate, int outputRate) {
    return (inputRate == 22050 && outputRate == 8000) || (inputRate == 8000 && outputRate == 22050);
}

void CheckRange(velumor_status status, const char* what, long value, long low, long high) {
    if (value >= low && value <= high) return;
    throw StreamError(status, std::string(what) + " " + std::to_string(value) + " is out of range (" +
                                  std::to_string(low) + " to " + std::to_string(high) + ")");
}

void CheckConfig(const velumor_stream_config& c) {
    CheckRange(VELUMOR_ERROR_RATE, "input_rate", c.input_rate, 1, VELUMOR_MAX_RATE);
    CheckRange(VELUMOR_ERROR_RATE, "output_rate", c.output_rate, 1, VELUMOR_MAX_RATE);
    if (c.input_rate == c.output_rate) {
        throw StreamError(VELUMOR_ERROR_RATE,
                          "input_rate and output_rate are both " + std::to_string(c.input_rate) + " Hz");
    }
    CheckRange(VELUMOR_ERROR_CHANNELS, "channels", c.channels, 1, VELUMOR_MAX_CHANNELS);
    if (!std::isfinite(c.frame_duration) || c.frame_duration < 0.0 || c.frame_duration > kMaxFrameSeconds) {
        throw StreamError(VELUMOR_ERROR_FRAME, "frame_duration " + std::to_string(c.frame_duration) +
                                                   " s is out of range (0 to 10; 0 picks one)");
    }
    CheckRange(VELUMOR_ERROR_ARGUMENT, "taps", c.taps, 0, kMaxTaps);
    CheckRange(VELUMOR_ERROR_ARGUMENT, "factor", c.factor, 0, kMaxFactor);
    if (c.coefficient_file != nullptr && c.taps == 0) {
        throw StreamError(VELUMOR_ERROR_ARGUMENT,
                          "taps: needed with a coefficient file (the entries it holds)");
    }
}

}  // namespace

FilterPlan PlanFilter(const velumor_stream_config& c) {
    CheckConfig(c);
    FilterPlan plan;
    ConverterRecipe& r = plan.recipe;
    r.up = c.output_rate > c.input_rate;
    r.inputRate = c.input_rate;
    r.outputRate = c.output_rate;
    const int factor = c.factor != 0 ? c.factor : DefaultFactor(c.input_rate, c.output_rate);
    if (c.coefficient_file != nullptr) {
        CheckReadable(c.coefficient_file);
        r.coefficientPath = c.coefficient_file;
        r.taps = c.taps;
        r.factor = r.up ? factor : 1;
    } else if (IsBuiltInPair(c.input_rate, c.output_rate) && c.taps == 0 && c.factor == 0) {
        r.builtIn = true;
        r.factor = r.up ? 8 : 1;
    } else {
        const DesignedFilter f = DesignFilter(c.input_rate, c.output_rate,
                                              c.taps != 0 ? std::optional<int>(c.taps) : std::nullopt,
                                              factor);
        plan.designed = std::make_unique<ScratchCoefficientFile>(f.coefficients.data(), f.coefficients.size());
        r.coefficientPath = plan.designed->Path();
        r.taps = static_cast<int>(f.coefficients.size());
        r.factor = f.factor;
    }
    const double chosen = c.frame_duration != 0.0
                              ? c.frame_duration
                              : DefaultFrameSeconds(c.input_rate, c.output_rate, r.builtIn, r.factor);
    r.frameSeconds = static_cast<float>(chosen);
    return plan;
}

}  // namespace velumor::stream
