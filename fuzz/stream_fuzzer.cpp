// The stream interface with arbitrary rates (from common ones), channels,
// frame durations, tap counts, chunkings and output capacities: every call
// either succeeds within its capacity or is refused taking and writing
// nothing, and the output equals, bit for bit, the one-shot conversion of
// the same input, of exactly round(n * out / in) samples per channel.
// Buffers are heap arrays of exactly the capacity given, so AddressSanitizer
// catches any write beyond it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "velumor_stream.h"

namespace {

constexpr int kRates[] = {8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000};

struct Free {
    void operator()(velumor_stream* s) const { velumor_stream_destroy(s); }
};
using Stream = std::unique_ptr<velumor_stream, Free>;

Stream Create(const velumor_stream_config& config) {
    velumor_stream* s = nullptr;
    const velumor_status status = velumor_stream_create(&config, &s);
    if ((status == VELUMOR_OK) != (s != nullptr)) std::abort();
    return Stream(s);
}

void Append(std::vector<int16_t>& to, const int16_t* from, size_t values) {
    to.insert(to.end(), from, from + values);
}

std::vector<int16_t> OneShot(const velumor_stream_config& config, const std::vector<int16_t>& input,
                             size_t frames) {
    Stream s = Create(config);
    const size_t c = static_cast<size_t>(config.channels);
    std::vector<int16_t> out(velumor_stream_max_output(s.get(), frames) * c);
    std::vector<int16_t> all;
    size_t got = 0;
    if (velumor_stream_process(s.get(), input.data(), frames, out.data(), out.size() / c, &got) != VELUMOR_OK) {
        std::abort();
    }
    Append(all, out.data(), got * c);
    out.assign(velumor_stream_max_output(s.get(), 0) * c, 0);
    if (velumor_stream_finish(s.get(), out.data(), out.size() / c, &got) != VELUMOR_OK) std::abort();
    Append(all, out.data(), got * c);
    return all;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    velumor_stream_config config;
    const int inputRate = in.PickValueInArray(kRates);
    const int outputRate = in.PickValueInArray(kRates);
    const int channels = in.ConsumeIntegralInRange(1, 4);
    velumor_stream_config_init(&config, inputRate, outputRate, channels);
    // Short designs keep each run fast; 0 (the built-in or the default design) now and then.
    const int taps = in.ConsumeIntegralInRange(0, 8);
    config.taps = taps == 0 ? 0 : in.ConsumeIntegralInRange(3, 160);
    config.factor = in.ConsumeBool() ? 0 : in.ConsumeIntegralInRange(1, 12);
    config.frame_duration = in.ConsumeBool() ? 0.0 : in.ConsumeIntegralInRange(1, 60) * 0.005;
    Stream stream = Create(config);
    if (!stream) return 0;  // refused: bad frames, design or equal rates

    const size_t c = static_cast<size_t>(channels);
    std::vector<size_t> chunks;
    for (int i = 0, n = in.ConsumeIntegralInRange(0, 12); i < n; ++i) {
        chunks.push_back(in.ConsumeBool() ? in.ConsumeIntegralInRange<size_t>(0, 2)
                                          : in.ConsumeIntegralInRange<size_t>(0, 3000));
    }
    size_t frames = 0;
    for (const size_t n : chunks) frames += n;
    std::vector<int16_t> input(frames * c);
    for (int16_t& v : input) v = in.ConsumeIntegral<int16_t>();

    std::vector<int16_t> output;
    size_t done = 0;
    for (size_t k = 0; k <= chunks.size(); ++k) {
        const bool finishing = k == chunks.size();
        const size_t n = finishing ? 0 : chunks[k];
        const size_t most = velumor_stream_max_output(stream.get(), n);
        // Any capacity up to the bound; a refusal is then repeated with the bound.
        size_t capacity = in.ConsumeIntegralInRange<size_t>(0, most);
        for (;;) {
            std::vector<int16_t> buffer(capacity * c, 0x5a5a);
            size_t got = 7;
            const velumor_status status =
                finishing ? velumor_stream_finish(stream.get(), buffer.data(), capacity, &got)
                          : velumor_stream_process(stream.get(), input.data() + done * c, n, buffer.data(),
                                                   capacity, &got);
            if (status == VELUMOR_OK) {
                if (got > capacity) std::abort();
                Append(output, buffer.data(), got * c);
                break;
            }
            if (status != VELUMOR_ERROR_OUTPUT_SIZE || got != 0 || capacity == most) std::abort();
            for (const int16_t v : buffer) {
                if (v != 0x5a5a) std::abort();
            }
            capacity = most;
        }
        done += n;
    }
    const size_t expected =
        static_cast<size_t>((2 * static_cast<int64_t>(frames) * outputRate + inputRate) / (2LL * inputRate));
    if (output.size() != expected * c) std::abort();
    if (output != OneShot(config, input, frames)) std::abort();
    return 0;
}
