// Differential fuzz target: every kernel this processor runs must give the
// scalar kernel's output bit for bit, on geometries,
// coefficients and frames chosen by the fuzzer. The coefficients are written
// straight into the converters' Coefficients arrays, which every path reads
// afresh on each frame.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "converters/engine_of.h"
#include "kernels/kernel_path.h"
#include "velumor.h"

namespace {

using velumor::KernelPath;

// A converter run on an engine of one kernel in place of its own.
template <typename Converter>
struct OnKernel {
    std::unique_ptr<Converter> converter;
    std::unique_ptr<typename velumor::EngineOf<Converter>::Type> engine;
    void Conversion(const short* src, short* dst) { engine->Convert(*converter, src, dst); }
};
constexpr const char* kNoFile = "/nonexistent/velumor-fuzz-coefficients.txt";

// Reads fuzz bytes front to back; past the end everything reads as zero.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint32_t Take(int count) {
        std::uint32_t v = 0;
        for (int i = 0; i < count; ++i) v = v << 8 | (at_ < size_ ? data_[at_++] : 0u);
        return v;
    }
    float Fraction() { return static_cast<float>(Take(2)) / 65535.0f; }
    float AnyFloat() {
        const std::uint32_t bits = Take(4);
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    short Sample() { return static_cast<short>(static_cast<std::uint16_t>(Take(2))); }
    bool Empty() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Small coefficients mostly; now and then any float at all, NaN included.
void FillCoefficients(Bytes& bytes, float* coefficients, int count) {
    for (int k = 0; k < count; ++k) {
        const std::uint32_t kind = bytes.Take(1);
        coefficients[k] = kind < 8 ? bytes.AnyFloat() : (bytes.Fraction() - 0.5f) * 0.5f;
    }
}

template <typename Converter>
void CompareFrames(Bytes& bytes, std::vector<OnKernel<Converter>>& converters) {
    const Converter& geometry = *converters.front().converter;
    OnKernel<Converter>& reference = converters.front();
    const std::size_t size =
        static_cast<std::size_t>(std::max(geometry.InputLength, geometry.OutputLength)) + 1;
    for (int frame = 0; frame < 4 && !bytes.Empty(); ++frame) {
        std::vector<short> input(size);
        for (int i = 0; i < geometry.InputLength; ++i) input[static_cast<std::size_t>(i)] = bytes.Sample();
        std::vector<short> expected(size, 0x5A5A);
        reference.Conversion(input.data(), expected.data());
        for (std::size_t c = 1; c < converters.size(); ++c) {
            std::vector<short> actual(size, 0x5A5A);
            converters[c].Conversion(input.data(), actual.data());
            if (actual != expected) __builtin_trap();
        }
    }
}

// The scalar kernel first, then the kernel of each vector path that runs
// here and takes the geometry.
template <typename Converter, typename Make>
std::vector<OnKernel<Converter>> MakeAll(Make make) {
    using Engine = typename velumor::EngineOf<Converter>::Type;
    std::vector<OnKernel<Converter>> all;
    for (const KernelPath path : velumor::kKernelPaths) {
        std::unique_ptr<Converter> c = make();
        std::unique_ptr<Engine> engine = Engine::OnPath(*c, path);
        if (engine) all.push_back({std::move(c), std::move(engine)});
    }
    return all;
}

void FuzzDown(Bytes& bytes) {
    const float duration = 0.0005f + 0.05f * bytes.Fraction();
    const float inputRate = 4000.0f + 92000.0f * bytes.Fraction();
    const float outputRate = inputRate / (0.3f + 9.7f * bytes.Fraction());
    const int taps = static_cast<int>(bytes.Take(1));
    auto all = MakeAll<CDownSampler>([&] {
        return std::make_unique<CDownSampler>(duration, inputRate, outputRate, taps, kNoFile);
    });
    if (all.front().converter->InputLength < taps / 2) return;  // too short for its history
    std::vector<float> coefficients(static_cast<std::size_t>(taps));
    FillCoefficients(bytes, coefficients.data(), taps);
    for (auto& c : all) std::copy(coefficients.begin(), coefficients.end(), c.converter->Coefficients);
    CompareFrames(bytes, all);
}

void FuzzUp(Bytes& bytes) {
    const float duration = 0.0005f + 0.05f * bytes.Fraction();
    const float inputRate = 4000.0f + 44000.0f * bytes.Fraction();
    const float outputRate = inputRate * (1.0f + 7.0f * bytes.Fraction());
    const int factor = 1 + static_cast<int>(bytes.Take(1) % 48);
    const int fileTaps = factor * static_cast<int>(bytes.Take(1) % 32) + static_cast<int>(bytes.Take(1) % 3);
    auto all = MakeAll<CUpSampler>([&] {
        return std::make_unique<CUpSampler>(duration, inputRate, outputRate, factor, fileTaps, kNoFile);
    });
    const CUpSampler& first = *all.front().converter;
    if (first.InputLength < first.Span - 1) return;  // too short for its history
    std::vector<float> coefficients(static_cast<std::size_t>(first.TapCount));
    FillCoefficients(bytes, coefficients.data(), first.TapCount);
    for (auto& c : all) std::copy(coefficients.begin(), coefficients.end(), c.converter->Coefficients);
    CompareFrames(bytes, all);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Bytes bytes(data, size);
    if (bytes.Take(1) % 2 == 0) {
        FuzzDown(bytes);
    } else {
        FuzzUp(bytes);
    }
    return 0;
}
