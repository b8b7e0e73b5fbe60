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
    // Silent input samples to feed before the signal, and output samples to
    // drop from the front then, so that the output is aligned with the input.
    // The upsampler delays by G / 2 input samples; priming lengthens that
    // delay to a whole number of output samples (exact alignment) where the
    // rates allow, else the delay is rounded. The downsampler has no delay.
    int PrimingInputSamples() const { return priming_; }
    int DelayOutputSamples() const { return delay_; }
    void Convert(const short* input, short* output);

private:
    void SetAlignment(int g, int inputRate, int outputRate);

    std::unique_ptr<CDownSampler> down_;
    std::unique_ptr<CUpSampler> up_;
    int priming_ = 0;
    int delay_ = 0;
};

// Throws UsageError unless the converter's frames keep the exact rate ratio
// (otherwise the output would drift from the input over the file).
void CheckFrameGeometry(const FrameConverter& converter, const ConverterRecipe& recipe,
                        bool frameGiven);

// The default frame duration for a recipe: frames hold whole numbers of
// samples at both rates, about 20 ms of them. The upsampler takes each
// frame's output positions from its Step but their input samples from the
// frame lengths; where Step is inexact and an output falls exactly on an
// input sample, the two disagree by one input sample. Frames of 1 / gcd(rates)
// seconds have no such output after the first, so the upsampler gets those
// unless its Step is exact.
float DefaultFrameSeconds(const ConverterRecipe& recipe);

}  // namespace velumor_tool

#endif
