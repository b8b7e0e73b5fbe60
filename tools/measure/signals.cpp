#include "signals.h"

#include <cmath>

namespace measure {

std::vector<short> Tone(double rate, double frequency, double amplitude, std::size_t length) {
    constexpr double kPi = 3.14159265358979323846;
    std::vector<short> signal(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double angle = 2 * kPi * std::fmod(frequency * static_cast<double>(i), rate) / rate;
        signal[i] = static_cast<short>(std::lround(amplitude * std::cos(angle)));
    }
    return signal;
}

std::vector<short> Impulse(std::size_t length, std::size_t at, short height) {
    std::vector<short> signal(length, 0);
    signal.at(at) = height;
    return signal;
}

std::vector<short> Step(std::size_t length, std::size_t at, short height) {
    std::vector<short> signal(length, 0);
    for (std::size_t i = at; i < length; ++i) signal[i] = height;
    return signal;
}

}  // namespace measure
