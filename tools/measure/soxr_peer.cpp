#include <soxr.h>

#include <stdexcept>
#include <string>

#include "peers.h"

namespace measure {
namespace {

class SoxrConverter : public Converter {
public:
    SoxrConverter(RatePair rates, unsigned long recipe, std::size_t chunk)
        : chunk_(chunk),
          input_(chunk),
          buffer_(chunk * static_cast<std::size_t>(rates.output / rates.input + 1) + 64) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(recipe, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t error = nullptr;
        state_ = soxr_create(rates.input, rates.output, 1, &error, &io, &quality, &runtime);
        if (error != nullptr) throw std::runtime_error(std::string("soxr_create: ") + error);
    }
    ~SoxrConverter() override { soxr_delete(state_); }
    SoxrConverter(const SoxrConverter&) = delete;
    SoxrConverter& operator=(const SoxrConverter&) = delete;

    std::size_t ChunkLength() const override { return chunk_; }

    void Process(const short* input, std::vector<short>& output) override {
        for (std::size_t i = 0; i < chunk_; ++i) input_[i] = static_cast<float>(input[i] / 32768.0);
        // soxr may hold output back after taking the input: call again with
        // no new input (not the end of input) until nothing more comes.
        std::size_t used = 0;
        for (;;) {
            std::size_t inDone = 0;
            std::size_t outDone = 0;
            const soxr_error_t error = soxr_process(state_, input_.data() + used, chunk_ - used,
                                                    &inDone, buffer_.data(), buffer_.size(),
                                                    &outDone);
            if (error != nullptr) throw std::runtime_error(std::string("soxr_process: ") + error);
            for (std::size_t i = 0; i < outDone; ++i) output.push_back(ToSample(buffer_[i]));
            used += inDone;
            if (inDone == 0 && outDone == 0) break;
        }
    }

private:
    std::size_t chunk_;
    std::vector<float> input_;
    std::vector<float> buffer_;
    soxr_t state_ = nullptr;
};

ConverterKind SoxrKind(RatePair rates, unsigned long recipe, const std::string& name) {
    return {name, [rates, recipe](double seconds) {
                return std::make_unique<SoxrConverter>(rates, recipe,
                                                       ChunkSamples(seconds, rates.input));
            }};
}

}  // namespace

std::vector<ConverterKind> SoxrPeers(RatePair rates) {
    return {SoxrKind(rates, SOXR_QQ, "soxr quick"), SoxrKind(rates, SOXR_HQ, "soxr high")};
}

}  // namespace measure
