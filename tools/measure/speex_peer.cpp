#include <speex/speex_resampler.h>

#include <stdexcept>
#include <string>

#include "peers.h"

namespace measure {
namespace {

class SpeexConverter : public Converter {
public:
    SpeexConverter(RatePair rates, int quality, std::size_t chunk)
        : chunk_(chunk),
          buffer_(chunk * static_cast<std::size_t>(rates.output / rates.input + 1) + 64) {
        int error = 0;
        state_ = speex_resampler_init(1, static_cast<spx_uint32_t>(rates.input),
                                      static_cast<spx_uint32_t>(rates.output), quality, &error);
        if (state_ == nullptr) throw std::runtime_error("speex_resampler_init failed");
    }
    ~SpeexConverter() override { speex_resampler_destroy(state_); }
    SpeexConverter(const SpeexConverter&) = delete;
    SpeexConverter& operator=(const SpeexConverter&) = delete;

    std::size_t ChunkLength() const override { return chunk_; }

    void Process(const short* input, std::vector<short>& output) override {
        std::size_t used = 0;
        while (used < chunk_) {
            auto inLength = static_cast<spx_uint32_t>(chunk_ - used);
            auto outLength = static_cast<spx_uint32_t>(buffer_.size());
            speex_resampler_process_int(state_, 0, input + used, &inLength, buffer_.data(),
                                        &outLength);
            output.insert(output.end(), buffer_.begin(), buffer_.begin() + outLength);
            used += inLength;
            if (inLength == 0 && outLength == 0) break;
        }
    }

private:
    std::size_t chunk_;
    std::vector<short> buffer_;
    SpeexResamplerState* state_ = nullptr;
};

ConverterKind SpeexKind(RatePair rates, int quality) {
    return {"speexdsp q" + std::to_string(quality), [rates, quality](double seconds) {
                return std::make_unique<SpeexConverter>(rates, quality,
                                                        ChunkSamples(seconds, rates.input));
            }};
}

}  // namespace

std::vector<ConverterKind> SpeexPeers(RatePair rates) {
    return {SpeexKind(rates, 3), SpeexKind(rates, 4)};
}

}  // namespace measure
