#ifndef VELUMOR_STREAM_STREAM_H
#define VELUMOR_STREAM_STREAM_H

#include <velumor_stream.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "stream/frame_converter.h"

namespace velumor::stream {

// The state behind a velumor_stream handle: one frame converter per channel,
// the frame being filled (planar, one row per channel), the last frame's
// output, and how many output samples the alignment still drops.
//
// Every count below is per channel. With I and O the frame lengths, P the
// priming samples and D the dropped delay, after N input samples the
// converters have taken k frames and hold f = (P + N) - k I samples; the
// stream has given max(0, k O - D) samples and owes
//   round(N O / I) - given = min(k O, D) + round((f - P) O / I),
// which is what finishing gives and what the latency reports.
class Stream {
public:
    // Throws StreamError (or std::bad_alloc) for what cannot be built.
    explicit Stream(const velumor_stream_config& config);

    std::size_t MaxOutput(std::size_t inputCount) const;
    std::size_t Latency() const { return finished_ ? 0 : Owed(); }

    // The C functions' contracts; arguments are already checked for null.
    velumor_status Process(const short* input, std::size_t inputCount, short* output,
                           std::size_t capacity, std::size_t* outputCount);
    velumor_status Finish(short* output, std::size_t capacity, std::size_t* outputCount);

    int Channels() const { return channels_; }

private:
    std::size_t OutputFor(std::size_t inputCount) const;
    std::size_t Owed() const;
    void Take(const short* input, std::size_t count);
    // Converts the full frame (from `monoInput` when given, else from the
    // frame buffer) and appends up to `limit` of its outputs after the
    // delay still to drop to output[written * channels ...].
    void ConvertFrame(const short* monoInput, short* output, std::size_t& written,
                      std::size_t limit);

    int channels_;
    std::size_t inputLength_;   // I
    std::size_t outputLength_;  // O
    std::size_t priming_;       // P
    std::size_t delay_;         // D
    std::vector<FrameConverter> converters_;
    std::vector<short> frameIn_;   // channels * I
    std::vector<short> frameOut_;  // channels * O
    std::size_t filled_ = 0;       // f
    std::size_t toDrop_;           // max(0, D - k O)
    std::size_t maxInput_;         // largest input count whose values can be indexed
    bool finished_ = false;
};

}  // namespace velumor::stream

#endif
