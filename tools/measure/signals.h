#ifndef VELUMOR_MEASURE_SIGNALS_H
#define VELUMOR_MEASURE_SIGNALS_H

#include <cstddef>
#include <vector>

namespace measure {

// Test stream made of whole frames: a start-up part that is skipped (filter
// start-up and the peers' latency), the analysed block, and a tail that
// peers still hold back when the input ends.
struct Layout {
    double frameSeconds = 0.02;
    int settleFrames = 5;
    int blockFrames = 20;
    int tailFrames = 5;

    int TotalFrames() const { return settleFrames + blockFrames + tailFrames; }
    double TotalSeconds() const { return TotalFrames() * frameSeconds; }
};

// Full-scale -6 dB: room for the filters' overshoot.
constexpr double kTestAmplitude = 16384.0;

// amplitude * cos(2 pi frequency i / rate), rounded to 16 bits.
std::vector<short> Tone(double rate, double frequency, double amplitude, std::size_t length);
// One sample of `height` at `at`, zero elsewhere.
std::vector<short> Impulse(std::size_t length, std::size_t at, short height);
// Zero before `at`, `height` from `at` on.
std::vector<short> Step(std::size_t length, std::size_t at, short height);

}  // namespace measure

#endif
