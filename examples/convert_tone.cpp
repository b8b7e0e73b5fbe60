// Converts one second of a 1 kHz tone from 22050 Hz to 8000 Hz and back,
// 20 ms at a time, and prints what each step did.
#include <velumor.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

double RmsLevelDb(const std::vector<short>& samples, std::size_t from) {
    double sum = 0.0;
    for (std::size_t i = from; i < samples.size(); ++i) sum += double(samples[i]) * samples[i];
    return 10.0 * std::log10(sum / double(samples.size() - from) / (32768.0 * 32768.0));
}

}  // namespace

int main() {
    const double kPi = 3.14159265358979323846;
    const float frame = 0.02f;
    CDownSampler down(frame);  // 441 samples in, 160 out
    CUpSampler up(frame);      // 160 samples in, 441 out
    const int frames = 50;     // one second

    std::vector<short> input(static_cast<std::size_t>(frames * down.InputLength));
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<short>(std::lround(10000.0 * std::sin(2.0 * kPi * 1000.0 * double(i) / 22050.0)));
    }
    std::vector<short> narrow(static_cast<std::size_t>(frames * down.OutputLength));
    std::vector<short> restored(static_cast<std::size_t>(frames * up.OutputLength));

    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        down.Conversion(&input[std::size_t(f * down.InputLength)], &narrow[std::size_t(f * down.OutputLength)]);
        up.Conversion(&narrow[std::size_t(f * up.InputLength)], &restored[std::size_t(f * up.OutputLength)]);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("1 kHz tone, %d frames of %g s\n", frames, double(frame));
    std::printf("down: 22050 Hz x %zu samples -> 8000 Hz x %zu samples\n", input.size(), narrow.size());
    std::printf("up:   8000 Hz x %zu samples -> 22050 Hz x %zu samples\n", narrow.size(), restored.size());
    std::printf("level: in %.2f dBFS, at 8000 Hz %.2f dBFS, back %.2f dBFS\n", RmsLevelDb(input, 441),
                RmsLevelDb(narrow, 160), RmsLevelDb(restored, 441));
    std::printf("time: %.3f ms for both directions (%.0f x real time)\n", seconds * 1e3, 1.0 / seconds);
    return 0;
}
