#ifndef VELUMOR_TOOL_CONVERT_FILE_H
#define VELUMOR_TOOL_CONVERT_FILE_H

#include <cstdint>
#include <memory>
#include <string>

#include "audio_file.h"
#include "progress.h"
#include "stream_choice.h"

namespace velumor_tool {

struct ConvertJob {
    std::string input;   // "-": standard input
    std::string output;  // "-": standard output
    int outputFormat = 0;
    const StreamRecipe* recipe = nullptr;
    // Standard input, opened (its header read) while the job was checked.
    std::unique_ptr<SoundReader> openInput;
};

struct ConvertResult {
    int channels;
    std::int64_t inputFrames;
    std::int64_t outputFrames;
    double seconds;  // reading, converting and writing
};

// Converts one input block by block, each block's output written as soon as
// it is converted: to a temporary file that replaces the output only when
// complete, or to standard output. Each channel goes through its own
// converter (channels on up to `threads` threads). Throws IoError, or
// BrokenPipe when standard output's reader has gone.
ConvertResult ConvertFile(ConvertJob& job, const RawInput& raw, bool overwrite, int threads,
                          Progress& progress);

}  // namespace velumor_tool

#endif
