#ifndef VELUMOR_TOOL_CHANNEL_STREAM_H
#define VELUMOR_TOOL_CHANNEL_STREAM_H

#include <cstdint>
#include <vector>

#include "frame_converter.h"

namespace velumor_tool {

// Converts one channel of a whole file, fed in pieces of any length: cuts
// the input into frames, drops the converter's delay from the front of the
// output, pads the last frame with silence and ends the output at exactly
// round(input length * output rate / input rate) samples.
class ChannelStream {
public:
    ChannelStream(const ConverterRecipe& recipe, std::int64_t inputSamples);

    // Appends the output that the input so far completes.
    void Push(const short* input, std::size_t count, std::vector<short>& output);
    // Appends the rest of the output (call once, after the last Push).
    void Finish(std::vector<short>& output);

    // round(inputSamples * outputRate / inputRate).
    static std::int64_t OutputSamplesFor(std::int64_t inputSamples, int inputRate, int outputRate);

private:
    void ConvertFrame(std::vector<short>& output);

    FrameConverter converter_;
    std::vector<short> frameIn_;
    std::vector<short> frameOut_;
    std::size_t filled_ = 0;
    std::int64_t toSkip_;
    std::int64_t toEmit_;
};

}  // namespace velumor_tool

#endif
