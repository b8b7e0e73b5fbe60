#ifndef VELUMOR_STREAM_FILTER_DESIGN_H
#define VELUMOR_STREAM_FILTER_DESIGN_H

#include <optional>
#include <string>
#include <vector>

namespace velumor::stream {

// Band edges, as fractions of the lower of the two rates: the passband ends
// at 0.4 of it and the stopband starts at its Nyquist frequency, 0.5.
constexpr double kPassbandFraction = 0.4;
constexpr double kStopbandFraction = 0.5;
// The stopband attenuation the default tap counts are chosen to reach.
constexpr double kTargetAttenuationDb = 80.0;

// Passband and stopband of a filter, measured on its frequency response.
struct FilterResponse {
    double passbandEdgeHz;
    double stopbandEdgeHz;
    double rippleDb;        // largest deviation from 0 dB in the passband
    double attenuationDb;   // smallest attenuation in the stopband
};

// A Kaiser-windowed sinc low-pass for one rate pair, as the converter
// for that direction uses it.
struct DesignedFilter {
    bool up;            // for CUpSampler (else CDownSampler)
    int fromRate;
    int toRate;
    int factor;         // upsampling factor L (1 for the downsampler)
    double filterRate;  // the rate the filter runs at: input rate, or L times it
    double cutoffHz;
    double beta;
    std::vector<float> coefficients;
    FilterResponse response;
};

// Factor for an upsampler designed from `from` to `to`: to / gcd(from, to),
// the smallest that puts every output on the grid (no interpolation), when
// that is at most 32 (e.g. 3 for 16000 -> 48000 or 32000 -> 48000 Hz);
// otherwise 16, whose linear interpolation on the grid leaves images near
// -60 dB (e.g. 44100 -> 48000 or 8000 -> 22050 Hz).
int DefaultFactor(int fromRate, int toRate);

// Designs the filter. Without taps, picks the fewest taps whose measured
// stopband attenuation reaches kTargetAttenuationDb. Throws StreamError
// (VELUMOR_ERROR_DESIGN) for a tap count the converter cannot use; the
// message starts "taps N: ".
DesignedFilter DesignFilter(int fromRate, int toRate, std::optional<int> taps,
                            std::optional<int> factor);

// Measures a symmetric odd-length filter running at rateHz.
FilterResponse MeasureResponse(const std::vector<float>& coefficients, double rateHz,
                               double passbandEdgeHz, double stopbandEdgeHz);

}  // namespace velumor::stream

#endif
