#include "grouped_streams.h"

#include <algorithm>

namespace velumor_tool {
namespace {

std::size_t GroupCount(int channels, int threads) {
    return static_cast<std::size_t>(std::max(1, std::min(channels, threads)));
}

}  // namespace

GroupedStreams::GroupedStreams(const StreamRecipe& recipe, int channels, int threads,
                               std::size_t maxBlockFrames)
    : channels_(static_cast<std::size_t>(channels)),
      capacity_(0),
      groups_(GroupCount(channels, threads)),
      workers_(static_cast<int>(groups_.size()), threads) {
    const std::size_t n = groups_.size();
    for (std::size_t g = 0; g < n; ++g) {
        Group& group = groups_[g];
        group.first = g * channels_ / n;
        group.count = (g + 1) * channels_ / n - group.first;
        group.stream = std::make_unique<ToolStream>(recipe, static_cast<int>(group.count));
        capacity_ = std::max({capacity_, group.stream->MaxOutput(maxBlockFrames), group.stream->MaxOutput(0)});
    }
    output_.resize(capacity_ * channels_);
    if (n == 1) return;  // the one stream reads and writes the block itself
    for (Group& group : groups_) {
        group.in.resize(maxBlockFrames * group.count);
        group.out.resize(capacity_ * group.count);
    }
}

std::size_t GroupedStreams::Process(const short* interleaved, std::size_t frames) {
    if (groups_.size() == 1) return groups_[0].stream->Process(interleaved, frames, output_.data(), capacity_);
    return RunGroups(interleaved, frames, false);
}

std::size_t GroupedStreams::Finish() {
    if (groups_.size() == 1) return groups_[0].stream->Finish(output_.data(), capacity_);
    return RunGroups(nullptr, 0, true);
}

std::size_t GroupedStreams::RunGroups(const short* interleaved, std::size_t frames, bool finish) {
    workers_.Run([&](int index) {
        Group& g = groups_[static_cast<std::size_t>(index)];
        for (std::size_t i = 0; i < frames; ++i) {
            std::copy_n(interleaved + i * channels_ + g.first, g.count, g.in.data() + i * g.count);
        }
        g.got = finish ? g.stream->Finish(g.out.data(), capacity_)
                       : g.stream->Process(g.in.data(), frames, g.out.data(), capacity_);
        // Each group writes its own channels of the output.
        for (std::size_t i = 0; i < g.got; ++i) {
            std::copy_n(g.out.data() + i * g.count, g.count, output_.data() + i * channels_ + g.first);
        }
    });
    // Every group has the same frames, so the same output count.
    return groups_[0].got;
}

}  // namespace velumor_tool
