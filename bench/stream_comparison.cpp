// The stream library beside the frame classes on the same job, in one run:
// 22050 <-> 8000 Hz, 10 s of speech-band audio, the frame classes fed 20 ms
// frames by hand, the stream fed 20 ms, 1-sample and 1-second chunks. Each
// pass goes round every entry, so that a slow spell of the shared machine
// falls on all alike; the median pass of each is reported, with its ratio to
// the frame classes. Usage: velumor_stream_comparison [PASSES]
#include <velumor.h>
#include <velumor_stream.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

constexpr double kSeconds = 10.0;

struct Entry {
    std::string name;
    double audioSeconds;
    std::function<void()> run;
    std::vector<double> times;
};

// The frame classes, 20 ms frames, as a caller who cuts frames would.
template <typename Converter>
std::function<void()> Frames(const std::vector<short>& input, std::vector<short>& output) {
    return [&input, &output] {
        Converter converter(0.02f);
        const std::size_t in = static_cast<std::size_t>(converter.InputLength);
        const std::size_t out = static_cast<std::size_t>(converter.OutputLength);
        output.resize(input.size() / in * out);
        for (std::size_t f = 0; f < input.size() / in; ++f) {
            converter.Conversion(input.data() + f * in, output.data() + f * out);
        }
    };
}

std::function<void()> Stream(int inRate, int outRate, std::size_t chunk, const std::vector<short>& input,
                             std::vector<short>& output) {
    return [=, &input, &output] {
        velumor_stream_config config;
        velumor_stream_config_init(&config, inRate, outRate, 1);
        velumor_stream* s = nullptr;
        if (velumor_stream_create(&config, &s) != VELUMOR_OK) std::abort();
        const std::size_t most = velumor_stream_max_output(s, chunk);
        output.resize(input.size() * static_cast<std::size_t>(outRate) / static_cast<std::size_t>(inRate) + most + 1024);
        std::size_t written = 0;
        std::size_t got = 0;
        for (std::size_t done = 0; done < input.size(); done += chunk) {
            const std::size_t n = std::min(chunk, input.size() - done);
            velumor_stream_process(s, input.data() + done, n, output.data() + written, most, &got);
            written += got;
        }
        velumor_stream_finish(s, output.data() + written, output.size() - written, &got);
        velumor_stream_destroy(s);
    };
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const std::vector<short> at22050 = bench::SpeechBandSignal(kSeconds, 22050.0);
    const std::vector<short> at8000 = bench::SpeechBandSignal(kSeconds, 8000.0);
    std::vector<short> sink;
    std::vector<Entry> entries;
    entries.push_back({"22050 -> 8000  frame classes, 20 ms", kSeconds, Frames<CDownSampler>(at22050, sink), {}});
    entries.push_back({"22050 -> 8000  stream, 20 ms chunks", kSeconds, Stream(22050, 8000, 441, at22050, sink), {}});
    entries.push_back({"22050 -> 8000  stream, 1 s chunks", kSeconds, Stream(22050, 8000, 22050, at22050, sink), {}});
    entries.push_back({"22050 -> 8000  stream, 1-sample chunks", kSeconds, Stream(22050, 8000, 1, at22050, sink), {}});
    entries.push_back({"8000 -> 22050  frame classes, 20 ms", kSeconds, Frames<CUpSampler>(at8000, sink), {}});
    entries.push_back({"8000 -> 22050  stream, 20 ms chunks", kSeconds, Stream(8000, 22050, 160, at8000, sink), {}});
    entries.push_back({"8000 -> 22050  stream, 1 s chunks", kSeconds, Stream(8000, 22050, 8000, at8000, sink), {}});
    entries.push_back({"8000 -> 22050  stream, 1-sample chunks", kSeconds, Stream(8000, 22050, 1, at8000, sink), {}});
    for (int pass = 0; pass < passes; ++pass) {
        for (Entry& e : entries) {
            const auto start = std::chrono::steady_clock::now();
            e.run();
            e.times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::printf("%-40s %14s %12s\n", "entry (median of passes)", "x real time", "vs frames");
    double frames = 0.0;
    for (const Entry& e : entries) {
        const double t = Median(e.times);
        if (e.name.find("frame classes") != std::string::npos) frames = t;
        std::printf("%-40s %14.0f %11.1f%%\n", e.name.c_str(), e.audioSeconds / t, 100.0 * frames / t);
    }
    return 0;
}
