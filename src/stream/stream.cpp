#include "stream/stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <type_traits>

#include "stream/errors.h"
#include "stream/filter_plan.h"
#include "stream/frame_geometry.h"

static_assert(std::is_same_v<std::int16_t, short>, "the converters' samples are int16_t");

namespace velumor::stream {
namespace {

constexpr std::size_t kSizeMax = std::numeric_limits<std::size_t>::max();

std::size_t SaturatingProduct(std::size_t a, std::size_t b) {
    return (b != 0 && a > kSizeMax / b) ? kSizeMax : a * b;
}

}  // namespace

Stream::Stream(const velumor_stream_config& config) : channels_(config.channels) {
    const FilterPlan plan = PlanFilter(config);
    const ConverterRecipe& r = plan.recipe;
    converters_.reserve(static_cast<std::size_t>(channels_));
    converters_.emplace_back(r);
    const FrameConverter& first = converters_.front();
    CheckFrameGeometry(first.InputLength(), first.OutputLength(), r.inputRate, r.outputRate,
                       DefaultFrameSeconds(r.inputRate, r.outputRate, r.builtIn, r.factor));
    while (converters_.size() < converters_.capacity()) converters_.emplace_back(r);

    inputLength_ = static_cast<std::size_t>(first.InputLength());
    outputLength_ = static_cast<std::size_t>(first.OutputLength());
    const Alignment alignment = AlignmentFor(first.DelayTimesTwo(), r.inputRate, r.outputRate);
    priming_ = static_cast<std::size_t>(alignment.primingInput);
    delay_ = static_cast<std::size_t>(alignment.delayOutput);
    toDrop_ = delay_;
    const std::size_t channels = static_cast<std::size_t>(channels_);
    frameIn_.assign(channels * inputLength_, 0);
    frameOut_.assign(channels * outputLength_, 0);
    maxInput_ = kSizeMax / sizeof(short) / channels;

    // The outputs of the priming silence fall within the dropped delay.
    for (std::size_t left = priming_; left > 0;) {
        const std::size_t take = std::min(left, inputLength_ - filled_);
        filled_ += take;
        left -= take;
        std::size_t none = 0;
        if (filled_ == inputLength_) ConvertFrame(nullptr, nullptr, none, 0);
    }
}

std::size_t Stream::MaxOutput(std::size_t inputCount) const {
    if (inputCount == 0) return delay_ + outputLength_;
    // With I - 1 samples already held, every I more complete a frame.
    const std::size_t frames =
        inputCount / inputLength_ + (inputCount % inputLength_ + inputLength_ - 1) / inputLength_;
    return SaturatingProduct(frames, outputLength_);
}

std::size_t Stream::OutputFor(std::size_t inputCount) const {
    const std::size_t frames =
        inputCount / inputLength_ + (filled_ + inputCount % inputLength_) / inputLength_;
    const std::size_t produced = SaturatingProduct(frames, outputLength_);
    return produced > toDrop_ ? produced - toDrop_ : 0;
}

std::size_t Stream::Owed() const {
    const auto held = static_cast<std::int64_t>(filled_) - static_cast<std::int64_t>(priming_);
    const std::int64_t rest = RoundedOutput(held, static_cast<std::int64_t>(inputLength_),
                                            static_cast<std::int64_t>(outputLength_));
    return static_cast<std::size_t>(static_cast<std::int64_t>(delay_ - toDrop_) + rest);
}

velumor_status Stream::Process(const short* input, std::size_t inputCount, short* output,
                               std::size_t capacity, std::size_t* outputCount) {
    if (finished_) return Fail(VELUMOR_ERROR_FINISHED, "the stream was already finished");
    if (inputCount > maxInput_) {
        return Fail(VELUMOR_ERROR_ARGUMENT, "input_count %zu is too large to index", inputCount);
    }
    const std::size_t produced = OutputFor(inputCount);
    if (produced > capacity) {
        return Fail(VELUMOR_ERROR_OUTPUT_SIZE,
                    "the output buffer holds %zu samples per channel; this call gives %zu",
                    capacity, produced);
    }
    std::size_t written = 0;
    const std::size_t channels = static_cast<std::size_t>(channels_);
    while (inputCount > 0) {
        if (channels == 1 && filled_ == 0 && inputCount >= inputLength_) {
            // A whole frame in the caller's buffer: no copy.
            filled_ = inputLength_;
            ConvertFrame(input, output, written, kSizeMax);
            input += inputLength_;
            inputCount -= inputLength_;
            continue;
        }
        const std::size_t take = std::min(inputCount, inputLength_ - filled_);
        Take(input, take);
        input += take * channels;
        inputCount -= take;
        if (filled_ == inputLength_) ConvertFrame(nullptr, output, written, kSizeMax);
    }
    *outputCount = written;
    return VELUMOR_OK;
}

velumor_status Stream::Finish(short* output, std::size_t capacity, std::size_t* outputCount) {
    if (finished_) return Fail(VELUMOR_ERROR_FINISHED, "the stream was already finished");
    const std::size_t owed = Owed();
    if (owed > capacity) {
        return Fail(VELUMOR_ERROR_OUTPUT_SIZE,
                    "the output buffer holds %zu samples per channel; finishing gives %zu", capacity,
                    owed);
    }
    // Silence after the end flushes the delayed tail out of the converters.
    std::size_t written = 0;
    while (written < owed) {
        for (std::size_t c = 0; c < static_cast<std::size_t>(channels_); ++c) {
            short* row = frameIn_.data() + c * inputLength_;
            std::fill(row + filled_, row + inputLength_, short{0});
        }
        filled_ = inputLength_;
        ConvertFrame(nullptr, output, written, owed - written);
    }
    finished_ = true;
    *outputCount = written;
    return VELUMOR_OK;
}

void Stream::Take(const short* input, std::size_t count) {
    if (channels_ == 1) {
        std::memcpy(frameIn_.data() + filled_, input, count * sizeof(short));
    } else {
        const std::size_t channels = static_cast<std::size_t>(channels_);
        for (std::size_t c = 0; c < channels; ++c) {
            short* row = frameIn_.data() + c * inputLength_ + filled_;
            for (std::size_t i = 0; i < count; ++i) row[i] = input[i * channels + c];
        }
    }
    filled_ += count;
}

void Stream::ConvertFrame(const short* monoInput, short* output, std::size_t& written,
                          std::size_t limit) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const std::size_t first = std::min(toDrop_, outputLength_);
    const std::size_t count = std::min(outputLength_ - first, limit);
    toDrop_ -= first;
    filled_ = 0;
    if (channels == 1 && count == outputLength_) {
        // Every output is kept: straight into the caller's buffer.
        converters_[0].Convert(monoInput != nullptr ? monoInput : frameIn_.data(), output + written);
        written += count;
        return;
    }
    for (std::size_t c = 0; c < channels; ++c) {
        const short* in = (monoInput != nullptr) ? monoInput : frameIn_.data() + c * inputLength_;
        converters_[c].Convert(in, frameOut_.data() + c * outputLength_);
    }
    if (count == 0) return;
    short* to = output + written * channels;
    if (channels == 1) {
        std::memcpy(to, frameOut_.data() + first, count * sizeof(short));
    } else {
        for (std::size_t c = 0; c < channels; ++c) {
            const short* row = frameOut_.data() + c * outputLength_ + first;
            for (std::size_t i = 0; i < count; ++i) to[i * channels + c] = row[i];
        }
    }
    written += count;
}

}  // namespace velumor::stream
