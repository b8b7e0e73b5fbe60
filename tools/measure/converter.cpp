#include "converter.h"

#include <cmath>

namespace measure {

std::size_t ChunkSamples(double seconds, double rate) {
    return static_cast<std::size_t>(static_cast<double>(static_cast<float>(seconds)) * rate + 0.1);
}

std::vector<short> RunStream(const ConverterKind& kind, const std::vector<short>& input,
                             double chunkSeconds) {
    const std::unique_ptr<Converter> converter = kind.make(chunkSeconds);
    const std::size_t chunk = converter->ChunkLength();
    std::vector<short> output;
    for (std::size_t start = 0; chunk > 0 && start + chunk <= input.size(); start += chunk) {
        converter->Process(input.data() + start, output);
    }
    return output;
}

short ToSample(double fullScaleOne) {
    const double value = std::nearbyint(fullScaleOne * 32768.0);
    if (value > 32767.0) return 32767;
    if (value < -32768.0) return -32768;
    return static_cast<short>(value);
}

}  // namespace measure
