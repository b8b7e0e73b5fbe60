#include "velumor_converters.h"

#include <velumor.h>

#include <memory>
#include <stdexcept>

namespace measure {
namespace {

// Wraps either library class; both expose the same frame interface.
template <class Library>
class FrameConverter : public Converter {
public:
    explicit FrameConverter(std::unique_ptr<Library> library) : library_(std::move(library)) {}

    std::size_t ChunkLength() const override {
        return static_cast<std::size_t>(library_->InputLength);
    }

    void Process(const short* input, std::vector<short>& output) override {
        const std::size_t start = output.size();
        output.resize(start + static_cast<std::size_t>(library_->OutputLength));
        library_->Conversion(input, output.data() + start);
    }

private:
    std::unique_ptr<Library> library_;
};

template <class Library>
std::unique_ptr<Converter> Wrap(std::unique_ptr<Library> library) {
    return std::make_unique<FrameConverter<Library>>(std::move(library));
}

template <class Library>
FilterTable TableOf(const Library& library, double rate) {
    if (library.TapCount <= 0) throw std::runtime_error("the converter has no filter taps");
    return {std::vector<double>(library.Coefficients, library.Coefficients + library.TapCount),
            rate};
}

}  // namespace

ConverterKind BuiltInDownSampler() {
    return {"Velumor", [](double seconds) {
                return Wrap(std::make_unique<CDownSampler>(static_cast<float>(seconds)));
            }};
}

ConverterKind BuiltInUpSampler() {
    return {"Velumor", [](double seconds) {
                return Wrap(std::make_unique<CUpSampler>(static_cast<float>(seconds)));
            }};
}

ConverterKind FileDownSampler(RatePair rates, int tapCount, const std::string& path) {
    return {"Velumor", [=](double seconds) {
                return Wrap(std::make_unique<CDownSampler>(
                    static_cast<float>(seconds), static_cast<float>(rates.input),
                    static_cast<float>(rates.output), tapCount, path.c_str()));
            }};
}

ConverterKind FileUpSampler(RatePair rates, int factor, int fileTapCount, const std::string& path) {
    return {"Velumor", [=](double seconds) {
                return Wrap(std::make_unique<CUpSampler>(
                    static_cast<float>(seconds), static_cast<float>(rates.input),
                    static_cast<float>(rates.output), factor, fileTapCount, path.c_str()));
            }};
}

FilterTable BuiltInDownTable() {
    const CDownSampler down(0.02f);
    return TableOf(down, kDefaultDown.input);
}

FilterTable BuiltInUpTable() {
    const CUpSampler up(0.02f);
    return TableOf(up, kDefaultUp.input * up.Factor);
}

FilterTable FileDownTable(RatePair rates, int tapCount, const std::string& path) {
    const CDownSampler down(0.02f, static_cast<float>(rates.input),
                            static_cast<float>(rates.output), tapCount, path.c_str());
    return TableOf(down, rates.input);
}

FilterTable FileUpTable(RatePair rates, int factor, int fileTapCount, const std::string& path) {
    const CUpSampler up(0.02f, static_cast<float>(rates.input), static_cast<float>(rates.output),
                        factor, fileTapCount, path.c_str());
    return TableOf(up, rates.input * up.Factor);
}

}  // namespace measure
