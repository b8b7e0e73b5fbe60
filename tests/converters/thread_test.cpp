// Separate streams on separate threads at once: each must come out exactly
// as the same stream converted alone. The ThreadSanitizer build runs this to
// show the converters share no state.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

#include "support/temp_file.h"
#include "velumor.h"

namespace {

constexpr int kStreams = 4;
constexpr int kFrames = 60;
constexpr float kFrameSeconds = 0.02f;

// A different pseudo-random stream per index: noise over a slow tone.
std::vector<short> StreamSamples(int stream, std::size_t count) {
    std::vector<short> samples(count);
    std::uint32_t state = 0x9E3779B9u * static_cast<std::uint32_t>(stream + 1);
    for (std::size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        const int noise = static_cast<int>(state >> 20) - 2048;
        const int tone = static_cast<int>((i * static_cast<std::size_t>(stream + 3)) % 400) * 40 - 8000;
        samples[i] = static_cast<short>(noise + tone);
    }
    return samples;
}

// Even streams use the built-in filters, odd ones the same filters read from
// files, so that construction from a file runs concurrently too.
struct Chain {
    Chain(int stream, const char* downFile, const char* upFile)
        : down(stream % 2 == 0 ? CDownSampler(kFrameSeconds)
                               : CDownSampler(kFrameSeconds, 22050, 8000, 35, downFile)),
          up(stream % 2 == 0 ? CUpSampler(kFrameSeconds)
                             : CUpSampler(kFrameSeconds, 8000, 22050, 8, 145, upFile)) {}
    CDownSampler down;
    CUpSampler up;
};

// The stream down and back up, frame by frame; both outputs, concatenated.
std::vector<short> Convert(int stream, const char* downFile, const char* upFile) {
    Chain chain(stream, downFile, upFile);
    const auto in = static_cast<std::size_t>(chain.down.InputLength);
    const std::vector<short> input = StreamSamples(stream, in * kFrames);
    std::vector<short> low(static_cast<std::size_t>(chain.down.OutputLength));
    std::vector<short> high(static_cast<std::size_t>(chain.up.OutputLength));
    std::vector<short> result;
    for (int f = 0; f < kFrames; ++f) {
        chain.down.Conversion(input.data() + in * static_cast<std::size_t>(f), low.data());
        chain.up.Conversion(low.data(), high.data());
        result.insert(result.end(), low.begin(), low.end());
        result.insert(result.end(), high.begin(), high.end());
    }
    return result;
}

std::vector<float> Table(const float* coefficients, int count) {
    return std::vector<float>(coefficients, coefficients + count);
}

TEST(ThreadTest, ConcurrentStreamsMatchTheSameStreamsConvertedAlone) {
    const CDownSampler builtInDown(kFrameSeconds);
    const CUpSampler builtInUp(kFrameSeconds);
    const TempFile downFile(CoefficientText(Table(builtInDown.Coefficients, builtInDown.TapCount)));
    const TempFile upFile(CoefficientText(Table(builtInUp.Coefficients, builtInUp.TapCount)));

    std::vector<std::vector<short>> alone;
    for (int s = 0; s < kStreams; ++s) alone.push_back(Convert(s, downFile.path(), upFile.path()));

    std::vector<std::vector<short>> together(kStreams);
    std::atomic<int> waiting{kStreams};
    std::vector<std::thread> threads;
    for (int s = 0; s < kStreams; ++s) {
        threads.emplace_back([&, s] {
            // Start together, so that the conversions really overlap.
            waiting.fetch_sub(1);
            while (waiting.load() > 0) std::this_thread::yield();
            together[static_cast<std::size_t>(s)] = Convert(s, downFile.path(), upFile.path());
        });
    }
    for (std::thread& t : threads) t.join();

    for (int s = 0; s < kStreams; ++s) {
        EXPECT_EQ(together[static_cast<std::size_t>(s)], alone[static_cast<std::size_t>(s)])
            << "stream " << s;
    }
    EXPECT_NE(alone[0], alone[1]) << "the streams should differ";
}

}  // namespace
