#include "bench_support.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace bench {

std::vector<short> SpeechBandSignal(double seconds, double rate) {
    const double pi = 3.14159265358979323846;
    const std::size_t n = static_cast<std::size_t>(seconds * rate);
    std::vector<short> signal(n);
    std::uint32_t noise = 12345u;
    const double tones[][2] = {{180.0, 0.30}, {520.0, 0.22}, {1150.0, 0.15},
                               {2400.0, 0.08}, {3300.0, 0.05}};
    for (std::size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double envelope = 0.55 + 0.45 * std::sin(2.0 * pi * 4.0 * t);
        double v = 0.0;
        for (const auto& tone : tones) v += tone[1] * std::sin(2.0 * pi * tone[0] * t);
        noise = noise * 1664525u + 1013904223u;
        v = envelope * v + 0.02 * (static_cast<double>(noise >> 8) / 16777216.0 - 0.5);
        signal[i] = static_cast<short>(std::lround(26000.0 * v));
    }
    return signal;
}

std::string LowPassFile(int taps, double cutoff, double gain) {
    const double pi = 3.14159265358979323846;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("velumor-bench-" + std::to_string(::getpid()) + "-" +
                               std::to_string(taps) + ".txt"))
                                 .string();
    std::ofstream out(path);
    const double centre = (taps - 1) / 2.0;
    for (int k = 0; k < taps; ++k) {
        const double x = k - centre;
        const double sinc = x == 0.0 ? 2.0 * cutoff : std::sin(2.0 * pi * cutoff * x) / (pi * x);
        const double window = 0.54 - 0.46 * std::cos(2.0 * pi * k / (taps - 1));
        char line[64];
        std::snprintf(line, sizeof line, "%d %.9g\n", k, gain * sinc * window);
        out << line;
    }
    static std::vector<std::string> made;
    if (made.empty()) std::atexit([] {
        for (const std::string& p : made) std::remove(p.c_str());
    });
    made.push_back(path);
    return path;
}

}  // namespace bench
