#ifndef VELUMOR_TOOL_CONVERT_FILE_H
#define VELUMOR_TOOL_CONVERT_FILE_H

#include <cstdint>
#include <string>

#include "audio_file.h"
#include "frame_converter.h"
#include "progress.h"

namespace velumor_tool {

struct ConvertJob {
    std::string input;
    std::string output;
    int outputFormat = 0;
    const ConverterRecipe* recipe = nullptr;
};

struct ConvertResult {
    int channels;
    std::int64_t inputFrames;
    std::int64_t outputFrames;
    double seconds;  // reading, converting and writing
};

// Converts one file: each channel through its own converter (channels on up
// to `threads` threads), written through a temporary file that replaces the
// output only when complete. Throws IoError.
ConvertResult ConvertFile(const ConvertJob& job, const RawInput& raw, bool overwrite, int threads,
                          Progress& progress);

}  // namespace velumor_tool

#endif
