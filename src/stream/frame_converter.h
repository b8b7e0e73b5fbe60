#ifndef VELUMOR_STREAM_FRAME_CONVERTER_H
#define VELUMOR_STREAM_FRAME_CONVERTER_H

#include <velumor.h>

#include <memory>
#include <string>

namespace velumor::stream {

// Everything needed to build the converter of one channel.
struct ConverterRecipe {
    bool up = false;            // CUpSampler, else CDownSampler
    int inputRate = 0;
    int outputRate = 0;
    float frameSeconds = 0.02f;
    bool builtIn = false;       // the library's own 22050 <-> 8000 Hz filter
    std::string coefficientPath;
    int taps = 0;               // entries the coefficient file holds
    int factor = 1;             // upsampling factor L
};

// One frame converter of <velumor.h>, either direction, behind one interface.
class FrameConverter {
public:
    explicit FrameConverter(const ConverterRecipe& recipe);  // throws std::bad_alloc

    int InputLength() const { return up_ ? up_->InputLength : down_->InputLength; }
    int OutputLength() const { return up_ ? up_->OutputLength : down_->OutputLength; }
    // G, the upsampler's delay in input samples times two; 0 downsampling.
    int DelayTimesTwo() const { return up_ ? up_->Span - 1 : 0; }
    void Convert(const short* input, short* output) {
        if (up_) {
            up_->Conversion(input, output);
        } else {
            down_->Conversion(input, output);
        }
    }

private:
    std::unique_ptr<CDownSampler> down_;
    std::unique_ptr<CUpSampler> up_;
};

}  // namespace velumor::stream

#endif
