#ifndef VELUMOR_TESTS_STREAM_RUNNER_H
#define VELUMOR_TESTS_STREAM_RUNNER_H

#include <velumor_stream.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

// A configuration for the tests, as velumor_stream_config_init() gives it
// plus the fields a case sets.
struct StreamSetup {
    int inputRate = 22050;
    int outputRate = 8000;
    int channels = 1;
    int taps = 0;
    int factor = 0;
    double frameSeconds = 0.0;
    std::string coefficientFile;

    velumor_stream_config Config() const;
};

// Owns a stream for one test; fails the test if it cannot be created.
class TestStream {
public:
    explicit TestStream(const StreamSetup& setup);
    ~TestStream() { velumor_stream_destroy(stream_); }
    TestStream(const TestStream&) = delete;
    TestStream& operator=(const TestStream&) = delete;

    velumor_stream* get() const { return stream_; }
    int Channels() const { return channels_; }

    // Feeds the interleaved input in chunks of the sizes `nextChunk` returns
    // (per channel; 0 allowed), then finishes; every output buffer is exactly
    // as large as velumor_stream_max_output() asks. Checks along the way that
    // no call gives more than that, and that finishing gives exactly the
    // latency reported before it.
    std::vector<std::int16_t> Run(const std::vector<std::int16_t>& input,
                                  const std::function<std::size_t()>& nextChunk);

private:
    velumor_stream* stream_ = nullptr;
    int channels_;
};

// The whole input in one call.
std::vector<std::int16_t> OneShot(const StreamSetup& setup, const std::vector<std::int16_t>& input);

// Chunk sizes drawn from 0, 1 and 0 .. maxChunk, with a fixed seed.
std::function<std::size_t()> RandomChunks(unsigned seed, std::size_t maxChunk);

// Interleaved test signal: a tone, noise and a few full-scale steps per
// channel, different in every channel.
std::vector<std::int16_t> TestSignal(std::size_t frames, int channels, unsigned seed);

// round(count * outputRate / inputRate), halves up.
std::size_t ExpectedLength(std::size_t count, int inputRate, int outputRate);

#endif
