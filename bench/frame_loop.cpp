// The C++ side of bench/python_bench.py: the library's frame loop on a
// signal read from stdin (raw int16), timed over several passes with a new
// converter each pass. Prints the fastest pass's seconds.
//   velumor_frame_loop down|up FRAME_SECONDS PASSES < signal.raw
#include <velumor.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

template <class Converter>
double Pass(float frameSeconds, const std::vector<short>& signal, std::vector<short>& output) {
    const auto start = std::chrono::steady_clock::now();
    Converter converter(frameSeconds);
    const std::size_t in = static_cast<std::size_t>(converter.InputLength);
    const std::size_t out = static_cast<std::size_t>(converter.OutputLength);
    output.resize(signal.size() / in * out);
    for (std::size_t i = 0; (i + 1) * in <= signal.size(); ++i) {
        converter.Conversion(signal.data() + i * in, output.data() + i * out);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "down") != 0 && std::strcmp(argv[1], "up") != 0)) {
        std::fputs("usage: velumor_frame_loop down|up FRAME_SECONDS PASSES < signal.raw\n", stderr);
        return 2;
    }
    const bool down = std::strcmp(argv[1], "down") == 0;
    const float frameSeconds = std::strtof(argv[2], nullptr);
    const int passes = std::max(1, std::atoi(argv[3]));
    std::vector<short> signal;
    short buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, sizeof(short), 4096, stdin)) > 0) signal.insert(signal.end(), buffer, buffer + got);
    std::vector<short> output;
    double best = 1e300;
    for (int p = 0; p < passes; ++p) {
        best = std::min(best, down ? Pass<CDownSampler>(frameSeconds, signal, output)
                                   : Pass<CUpSampler>(frameSeconds, signal, output));
    }
    std::printf("%.9f\n", best);
    return 0;
}
