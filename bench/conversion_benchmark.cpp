// Google Benchmark of Conversion: both default converters at frame lengths
// of 10 ms to 1 s, file filters of 35, 95 and 255 taps down and factors 3,
// 6, 8, 16 and 32 up, on every code path this processor runs. The counter x_realtime is
// seconds of audio converted per CPU second.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "converters/engine_of.h"
#include "velumor.h"

namespace {

using velumor::KernelPath;

template <typename Converter>
void RunFrames(benchmark::State& state, Converter& converter, KernelPath path, double seconds,
               double inputRate) {
    const auto engine = velumor::EngineOf<Converter>::Type::OnPath(converter, path);
    if (!engine) {
        state.SkipWithError("path not available for this converter");
        return;
    }
    const std::vector<short> signal = bench::SpeechBandSignal(1.0, inputRate);
    const std::size_t frame = static_cast<std::size_t>(converter.InputLength);
    std::vector<short> out(static_cast<std::size_t>(converter.OutputLength) + 1);
    std::size_t at = 0;
    for (auto _ : state) {
        if (at + frame > signal.size()) at = 0;
        engine->Convert(converter, signal.data() + at, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
        at += frame;
    }
    state.counters["x_realtime"] =
        benchmark::Counter(seconds, benchmark::Counter::kIsIterationInvariantRate);
    state.SetItemsProcessed(state.iterations() * converter.OutputLength);
}

void Down(benchmark::State& state, KernelPath path, float seconds, int taps) {
    std::unique_ptr<CDownSampler> converter;
    if (taps == 0) {
        converter = std::make_unique<CDownSampler>(seconds);
    } else {
        const std::string file = bench::LowPassFile(taps, 3600.0 / 22050.0, 1.0);
        converter = std::make_unique<CDownSampler>(seconds, 22050.0f, 8000.0f, taps, file.c_str());
    }
    RunFrames(state, *converter, path, seconds, 22050.0);
}

void Up(benchmark::State& state, KernelPath path, float seconds, int factor) {
    std::unique_ptr<CUpSampler> converter;
    if (factor == 0) {
        converter = std::make_unique<CUpSampler>(seconds);
    } else {
        // 18 input samples behind each grid value, as the built-in filter.
        const int taps = factor * 18 + 1;
        const std::string file = bench::LowPassFile(taps, 3800.0 / (8000.0 * factor), factor);
        converter = std::make_unique<CUpSampler>(seconds, 8000.0f, 22050.0f, factor, taps,
                                                 file.c_str());
    }
    RunFrames(state, *converter, path, seconds, 8000.0);
}

void RegisterAll() {
    for (const KernelPath path : velumor::kKernelPaths) {
        if (!velumor::KernelPathAvailable(path)) continue;
        const std::string name = velumor::KernelPathName(path);
        for (const int ms : {10, 20, 100, 1000}) {
            const float seconds = static_cast<float>(ms) / 1000.0f;
            benchmark::RegisterBenchmark(("down/" + name + "/builtin35/" + std::to_string(ms) + "ms").c_str(),
                                         Down, path, seconds, 0);
            benchmark::RegisterBenchmark(("up/" + name + "/builtin8/" + std::to_string(ms) + "ms").c_str(),
                                         Up, path, seconds, 0);
        }
        for (const int taps : {35, 95, 255}) {
            benchmark::RegisterBenchmark(("down/" + name + "/file" + std::to_string(taps) + "/20ms").c_str(),
                                         Down, path, 0.02f, taps);
        }
        for (const int factor : {3, 6, 8, 16, 32}) {
            benchmark::RegisterBenchmark(("up/" + name + "/factor" + std::to_string(factor) + "/20ms").c_str(),
                                         Up, path, 0.02f, factor);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
