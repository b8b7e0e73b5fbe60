#include "stream/frame_converter.h"

namespace velumor::stream {

FrameConverter::FrameConverter(const ConverterRecipe& r) {
    const float in = static_cast<float>(r.inputRate);
    const float out = static_cast<float>(r.outputRate);
    if (r.up) {
        up_ = r.builtIn ? std::make_unique<CUpSampler>(r.frameSeconds)
                        : std::make_unique<CUpSampler>(r.frameSeconds, in, out, r.factor, r.taps,
                                                       r.coefficientPath.c_str());
    } else {
        down_ = r.builtIn ? std::make_unique<CDownSampler>(r.frameSeconds)
                          : std::make_unique<CDownSampler>(r.frameSeconds, in, out, r.taps,
                                                           r.coefficientPath.c_str());
    }
}

}  // namespace velumor::stream
