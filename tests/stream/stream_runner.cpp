#include "stream_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

velumor_stream_config StreamSetup::Config() const {
    velumor_stream_config config;
    velumor_stream_config_init(&config, inputRate, outputRate, channels);
    config.taps = taps;
    config.factor = factor;
    config.frame_duration = frameSeconds;
    config.coefficient_file = coefficientFile.empty() ? nullptr : coefficientFile.c_str();
    return config;
}

TestStream::TestStream(const StreamSetup& setup) : channels_(setup.channels) {
    const velumor_stream_config config = setup.Config();
    const velumor_status status = velumor_stream_create(&config, &stream_);
    EXPECT_EQ(status, VELUMOR_OK) << velumor_error_message();
}

std::vector<std::int16_t> TestStream::Run(const std::vector<std::int16_t>& input,
                                          const std::function<std::size_t()>& nextChunk) {
    std::vector<std::int16_t> output;
    if (stream_ == nullptr) return output;
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const std::size_t frames = input.size() / channels;
    std::vector<std::int16_t> buffer;
    for (std::size_t done = 0; done < frames || done == 0;) {
        const std::size_t n = std::min(nextChunk(), frames - done);
        const std::size_t capacity = velumor_stream_max_output(stream_, n);
        buffer.assign(capacity * channels, 0);
        std::size_t got = 12345;
        const velumor_status status = velumor_stream_process(
            stream_, n ? input.data() + done * channels : nullptr, n, buffer.data(), capacity, &got);
        EXPECT_EQ(status, VELUMOR_OK) << velumor_error_message();
        EXPECT_LE(got, capacity);
        if (status != VELUMOR_OK) return output;
        output.insert(output.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got * channels));
        done += n;
        if (frames == 0) break;
    }
    const std::size_t latency = velumor_stream_latency(stream_);
    const std::size_t capacity = velumor_stream_max_output(stream_, 0);
    EXPECT_LE(latency, capacity);
    buffer.assign(capacity * channels, 0);
    std::size_t got = 12345;
    EXPECT_EQ(velumor_stream_finish(stream_, buffer.data(), capacity, &got), VELUMOR_OK)
        << velumor_error_message();
    EXPECT_EQ(got, latency);
    output.insert(output.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got * channels));
    return output;
}

std::vector<std::int16_t> OneShot(const StreamSetup& setup, const std::vector<std::int16_t>& input) {
    TestStream stream(setup);
    bool first = true;
    const std::size_t all = input.size() / static_cast<std::size_t>(setup.channels);
    return stream.Run(input, [&] {
        const std::size_t n = first ? all : 0;
        first = false;
        return n;
    });
}

std::function<std::size_t()> RandomChunks(unsigned seed, std::size_t maxChunk) {
    auto random = std::make_shared<std::mt19937>(seed);
    return [random, maxChunk] {
        const unsigned kind = (*random)() % 8;
        if (kind == 0) return std::size_t{0};
        if (kind == 1) return std::size_t{1};
        return static_cast<std::size_t>((*random)() % (maxChunk + 1));
    };
}

std::vector<std::int16_t> TestSignal(std::size_t frames, int channels, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-3000, 3000);
    std::vector<std::int16_t> signal(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            double v = 12000.0 * std::sin(0.01 * (c + 1) * static_cast<double>(i)) + noise(random);
            if ((i / 997 + static_cast<std::size_t>(c)) % 5 == 0) v = 32767.0;  // saturating steps
            signal[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
        }
    }
    return signal;
}

std::size_t ExpectedLength(std::size_t count, int inputRate, int outputRate) {
    return static_cast<std::size_t>((2 * static_cast<long long>(count) * outputRate + inputRate) /
                                    (2LL * inputRate));
}
