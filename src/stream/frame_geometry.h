#ifndef VELUMOR_STREAM_FRAME_GEOMETRY_H
#define VELUMOR_STREAM_FRAME_GEOMETRY_H

#include <cstdint>

namespace velumor::stream {

// How a stream lines its output up with its input: silent input samples fed
// before the signal, and output samples dropped from the front then.
struct Alignment {
    int primingInput = 0;
    std::int64_t delayOutput = 0;
};

// The upsampler delays by G / 2 input samples; priming lengthens that delay
// to a whole number of output samples (exact alignment) where the rates
// allow, else the delay is rounded. The downsampler (G = 0) has no delay.
Alignment AlignmentFor(int g, int inputRate, int outputRate);

// The default frame duration: frames hold whole numbers of samples at both
// rates, about 20 ms of them. The upsampler takes each frame's output
// positions from its Step but their input samples from the frame lengths;
// where Step is inexact and an output falls exactly on an input sample, the
// two disagree by one input sample. Frames of 1 / gcd(rates) seconds have no
// such output after the first, so the upsampler gets those unless its Step
// is exact (always so with the built-in filter).
double DefaultFrameSeconds(int inputRate, int outputRate, bool builtIn, int factor);

// Throws StreamError (VELUMOR_ERROR_FRAME) unless frames of inputLength and
// outputLength samples keep the rate ratio exactly (otherwise the output
// would drift from the input); the message suggests hintSeconds.
void CheckFrameGeometry(int inputLength, int outputLength, int inputRate, int outputRate,
                        double hintSeconds);

// round(count * outputRate / inputRate), halves up, for count >= 0 or < 0.
std::int64_t RoundedOutput(std::int64_t count, std::int64_t inputRate, std::int64_t outputRate);

}  // namespace velumor::stream

#endif
