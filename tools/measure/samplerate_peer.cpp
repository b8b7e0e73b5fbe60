#include <samplerate.h>

#include <stdexcept>

#include "peers.h"

namespace measure {
namespace {

class SamplerateConverter : public Converter {
public:
    SamplerateConverter(RatePair rates, std::size_t chunk)
        : ratio_(rates.output / rates.input),
          chunk_(chunk),
          input_(chunk),
          buffer_(chunk * static_cast<std::size_t>(ratio_ + 1) + 64) {
        int error = 0;
        state_ = src_new(SRC_SINC_FASTEST, 1, &error);
        if (state_ == nullptr) throw std::runtime_error(src_strerror(error));
    }
    ~SamplerateConverter() override { src_delete(state_); }
    SamplerateConverter(const SamplerateConverter&) = delete;
    SamplerateConverter& operator=(const SamplerateConverter&) = delete;

    std::size_t ChunkLength() const override { return chunk_; }

    void Process(const short* input, std::vector<short>& output) override {
        for (std::size_t i = 0; i < chunk_; ++i) input_[i] = static_cast<float>(input[i] / 32768.0);
        std::size_t used = 0;
        while (used < chunk_) {
            SRC_DATA data{};
            data.data_in = input_.data() + used;
            data.input_frames = static_cast<long>(chunk_ - used);
            data.data_out = buffer_.data();
            data.output_frames = static_cast<long>(buffer_.size());
            data.src_ratio = ratio_;
            if (src_process(state_, &data) != 0) throw std::runtime_error("src_process failed");
            for (long i = 0; i < data.output_frames_gen; ++i) {
                output.push_back(ToSample(buffer_[static_cast<std::size_t>(i)]));
            }
            used += static_cast<std::size_t>(data.input_frames_used);
            if (data.input_frames_used == 0 && data.output_frames_gen == 0) break;
        }
    }

private:
    double ratio_;
    std::size_t chunk_;
    std::vector<float> input_;
    std::vector<float> buffer_;
    SRC_STATE* state_ = nullptr;
};

}  // namespace

std::vector<ConverterKind> SampleratePeers(RatePair rates) {
    return {{"libsamplerate sinc fastest", [rates](double seconds) {
                 return std::make_unique<SamplerateConverter>(rates,
                                                              ChunkSamples(seconds, rates.input));
             }}};
}

}  // namespace measure
