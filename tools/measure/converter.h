#ifndef VELUMOR_MEASURE_CONVERTER_H
#define VELUMOR_MEASURE_CONVERTER_H

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace measure {

// One resampler under test, fed a 16-bit stream chunk by chunk.
class Converter {
public:
    virtual ~Converter() = default;
    // Input samples per call of Process (a whole frame for frame converters).
    virtual std::size_t ChunkLength() const = 0;
    // Converts the next ChunkLength() samples and appends what comes out.
    virtual void Process(const short* input, std::vector<short>& output) = 0;
};

// A named way to build a fresh converter that takes chunks of the given
// duration in seconds.
struct ConverterKind {
    std::string name;
    std::function<std::unique_ptr<Converter>(double chunkSeconds)> make;
};

struct RatePair {
    double input = 0;
    double output = 0;
};

// Samples per chunk, by the library's frame length rule.
std::size_t ChunkSamples(double seconds, double rate);

// Converts a whole signal, whose length is a multiple of the chunk length,
// one chunk at a time through a new converter.
std::vector<short> RunStream(const ConverterKind& kind, const std::vector<short>& input,
                             double chunkSeconds);

// Rounds a peer's float output (full scale 1.0) to 16-bit, clipping.
short ToSample(double fullScaleOne);

}  // namespace measure

#endif
