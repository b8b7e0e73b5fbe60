#include "channel_stream.h"

#include <algorithm>

namespace velumor_tool {

ChannelStream::ChannelStream(const ConverterRecipe& recipe, std::int64_t inputSamples)
    : converter_(recipe),
      frameIn_(static_cast<std::size_t>(converter_.InputLength())),
      frameOut_(static_cast<std::size_t>(converter_.OutputLength())),
      toSkip_(converter_.DelayOutputSamples()),
      toEmit_(OutputSamplesFor(inputSamples, recipe.inputRate, recipe.outputRate)) {
    // The outputs of the priming silence fall within the dropped delay.
    const std::vector<short> silence(static_cast<std::size_t>(converter_.PrimingInputSamples()), 0);
    std::vector<short> none;
    Push(silence.data(), silence.size(), none);
}

std::int64_t ChannelStream::OutputSamplesFor(std::int64_t inputSamples, int inputRate, int outputRate) {
    // Exact integer rounding to nearest (halves up).
    return (2 * inputSamples * outputRate + inputRate) / (2 * std::int64_t{inputRate});
}

void ChannelStream::Push(const short* input, std::size_t count, std::vector<short>& output) {
    while (count > 0) {
        const std::size_t take = std::min(count, frameIn_.size() - filled_);
        std::copy(input, input + take, frameIn_.begin() + static_cast<std::ptrdiff_t>(filled_));
        filled_ += take;
        input += take;
        count -= take;
        if (filled_ == frameIn_.size()) ConvertFrame(output);
    }
}

void ChannelStream::Finish(std::vector<short>& output) {
    // Silence after the end flushes the delayed tail out of the upsampler.
    while (toEmit_ > 0) {
        std::fill(frameIn_.begin() + static_cast<std::ptrdiff_t>(filled_), frameIn_.end(), short{0});
        ConvertFrame(output);
    }
}

void ChannelStream::ConvertFrame(std::vector<short>& output) {
    converter_.Convert(frameIn_.data(), frameOut_.data());
    filled_ = 0;
    std::int64_t first = std::min<std::int64_t>(toSkip_, static_cast<std::int64_t>(frameOut_.size()));
    toSkip_ -= first;
    const std::int64_t count =
        std::min<std::int64_t>(toEmit_, static_cast<std::int64_t>(frameOut_.size()) - first);
    output.insert(output.end(), frameOut_.begin() + first, frameOut_.begin() + first + count);
    toEmit_ -= count;
}

}  // namespace velumor_tool
