#ifndef VELUMOR_STREAM_FILTER_PLAN_H
#define VELUMOR_STREAM_FILTER_PLAN_H

#include <velumor_stream.h>

#include <memory>

#include "stream/coefficient_file.h"
#include "stream/frame_converter.h"

namespace velumor::stream {

// Limits of the configuration beyond those the header names.
constexpr double kMaxFrameSeconds = 10.0;
constexpr int kMaxTaps = 1000000;
constexpr int kMaxFactor = 1024;

// The converters a configuration asks for: the built-in filters, a
// coefficient file, or a designed filter in a scratch file that lives as
// long as the plan (the converters read it when built).
struct FilterPlan {
    ConverterRecipe recipe;
    std::unique_ptr<ScratchCoefficientFile> designed;
};

// Checks the configuration and picks the filter and the frame duration.
// Throws StreamError with the status of what is wrong.
FilterPlan PlanFilter(const velumor_stream_config& config);

}  // namespace velumor::stream

#endif
