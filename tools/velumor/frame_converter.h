#ifndef VELUMOR_TOOL_FRAME_CONVERTER_H
#define VELUMOR_TOOL_FRAME_CONVERTER_H

#include <velumor.h>

#include <memory>
#include <string>

namespace velumor_tool {

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
    std::string description;    // which filter, for the messages
};

// One library converter, either direction, behind one interface.
class FrameConverter {
public:
    explicit FrameConverter(const ConverterRecipe& recipe);

    int InputLength() const;
    int OutputLength() const;
    // Output samples that come before the one aligned with the first input
    // sample: the upsampler's delay of G / 2 input samples, rounded to
    // output samples; 0 for the downsampler.
    int DelayOutputSamples() const { return delay_; }
    void Convert(const short* input, short* output);

private:
    std::unique_ptr<CDownSampler> down_;
    std::unique_ptr<CUpSampler> up_;
    int delay_ = 0;
};

// Throws UsageError unless the converter's frames keep the exact rate ratio
// (otherwise the output would drift from the input over the file).
void CheckFrameGeometry(const FrameConverter& converter, const ConverterRecipe& recipe,
                        bool frameGiven);

// The frame duration closest to 20 ms whose frames hold whole numbers of
// samples at both rates.
float DefaultFrameSeconds(int inputRate, int outputRate);

}  // namespace velumor_tool

#endif
