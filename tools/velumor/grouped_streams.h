#ifndef VELUMOR_TOOL_GROUPED_STREAMS_H
#define VELUMOR_TOOL_GROUPED_STREAMS_H

#include <cstddef>
#include <memory>
#include <vector>

#include "parallel.h"
#include "stream_choice.h"

namespace velumor_tool {

// The channels of a file split into up to `threads` groups of neighbouring
// channels, each a stream of the library on a thread of its own (one group,
// one stream, on the caller's thread, when threads is 1). Every channel is
// converted as alone, so the grouping never changes a sample. All buffers
// are sized at construction for blocks of up to maxBlockFrames.
class GroupedStreams {
public:
    GroupedStreams(const StreamRecipe& recipe, int channels, int threads, std::size_t maxBlockFrames);

    // Converts a block of interleaved input; the interleaved output is
    // Output(), Process's result frames long.
    std::size_t Process(const short* interleaved, std::size_t frames);
    std::size_t Finish();
    const short* Output() const { return output_.data(); }

private:
    struct Group {
        std::size_t first;  // channel
        std::size_t count;
        std::unique_ptr<ToolStream> stream;
        std::vector<short> in;
        std::vector<short> out;
        std::size_t got = 0;
    };

    std::size_t RunGroups(const short* interleaved, std::size_t frames, bool finish);

    std::size_t channels_;
    std::size_t capacity_;  // output frames
    std::vector<Group> groups_;
    PinnedWorkers workers_;
    std::vector<short> output_;
};

}  // namespace velumor_tool

#endif
