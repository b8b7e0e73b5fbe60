// Construction and conversion with arbitrary arguments: durations and rates
// of any bit pattern (0, negatives, NaN, infinities, huge values), tap counts
// and factors at and beyond their limits, coefficient text from the input and
// a few frames of arbitrary samples. src and dst are heap arrays of exactly
// InputLength and OutputLength samples, so AddressSanitizer catches any
// access outside them.
//
// Geometries whose arrays would hold more than kMaxElements (or whose frame
// would take more than kMaxProducts multiply-adds) are skipped: they would
// only measure the machine's memory and patience. Geometries whose arrays are
// too large to index are kept: their constructor must throw std::bad_alloc
// before allocating anything large.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/frame_length.h"
#include "fuzz_temp_file.h"
#include "velumor.h"

namespace {

constexpr std::int64_t kMaxElements = std::int64_t{1} << 16;
constexpr std::int64_t kMaxProducts = std::int64_t{1} << 18;
constexpr int kMaxFrames = 3;

enum class Verdict { kConvert, kBadAlloc, kSkip };

void Require(bool condition) {
    if (!condition) std::abort();
}

float TakeReal(FuzzedDataProvider& in) {
    static const float kSpecial[] = {
        0.0f, -0.0f, 0.02f, 0.01f, -0.02f, 1.0f, 8000.0f, 22050.0f, 44100.0f, 1e-30f,
        1e30f, std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(),
        std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
        2147483647.0f, 4294967296.0f, 9.3e18f};
    if (in.ConsumeBool()) return in.PickValueInArray(kSpecial);
    const auto bits = in.ConsumeIntegral<std::uint32_t>();
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

int TakeCount(FuzzedDataProvider& in) {
    static const int kSpecial[] = {0, 1, 2, 3, 8, 35, 145, -1, INT_MIN, INT_MAX, INT_MAX - 1,
                                   1 << 30, 1 << 16};
    if (in.ConsumeBool()) return in.PickValueInArray(kSpecial);
    return in.ConsumeIntegral<int>();
}

struct Arguments {
    int kind = 0;  // 0 default down, 1 file down, 2 default up, 3 file up
    float duration = 0.0f;
    float inputRate = 0.0f;
    float outputRate = 0.0f;
    int count = 0;   // tapCount (down) or fileTapCount (up)
    int factor = 1;  // up only
};

// Which way construction must go, from the array sizes the header documents.
Verdict Judge(const Arguments& a) {
    const bool down = a.kind < 2;
    const bool file = a.kind == 1 || a.kind == 3;
    const float inRate = file ? a.inputRate : (down ? 22050.0f : 8000.0f);
    const float outRate = file ? a.outputRate : (down ? 8000.0f : 22050.0f);
    const std::int64_t in = velumor::FrameLength(a.duration, inRate);
    const std::int64_t out = velumor::FrameLength(a.duration, outRate);
    if (out > kMaxElements) return Verdict::kSkip;
    if (down) {
        const std::int64_t taps = file ? std::max(a.count, 0) : 35;
        const std::int64_t half = taps / 2;
        if (taps > kMaxElements) return Verdict::kSkip;
        if (in + 2 * half > INT_MAX) return Verdict::kBadAlloc;  // Work at its smallest
        if (in + half + taps + 1 > kMaxElements) return Verdict::kSkip;
        return out * taps > kMaxProducts ? Verdict::kSkip : Verdict::kConvert;
    }
    const std::int64_t factor = file ? std::max(a.factor, 1) : 8;
    const std::int64_t g = file ? std::max(a.count, 0) / factor : 18;
    const std::int64_t taps = factor * g + 1;
    if (taps > INT_MAX) return Verdict::kBadAlloc;
    if (taps > kMaxElements || in + g > kMaxElements) return Verdict::kSkip;
    return out * g > kMaxProducts ? Verdict::kSkip : Verdict::kConvert;
}

template <typename Converter>
std::unique_ptr<Converter> Make(const Arguments& a, const char* path);

template <>
std::unique_ptr<CDownSampler> Make<CDownSampler>(const Arguments& a, const char* path) {
    if (a.kind == 0) return std::make_unique<CDownSampler>(a.duration);
    return std::make_unique<CDownSampler>(a.duration, a.inputRate, a.outputRate, a.count, path);
}

template <>
std::unique_ptr<CUpSampler> Make<CUpSampler>(const Arguments& a, const char* path) {
    if (a.kind == 2) return std::make_unique<CUpSampler>(a.duration);
    return std::make_unique<CUpSampler>(a.duration, a.inputRate, a.outputRate, a.factor, a.count,
                                        path);
}

void CheckFields(const CDownSampler& s) {
    Require(s.InputLength >= 0 && s.OutputLength >= 0 && s.TapCount >= 0);
}

void CheckFields(const CUpSampler& s) {
    Require(s.InputLength >= 0 && s.OutputLength >= 0 && s.Factor >= 1);
    Require(s.Span >= 1 && s.TapCount == s.Factor * (s.Span - 1) + 1);
}

// The first output of a downsampled frame is its first input, unfiltered.
void CheckFrame(const CDownSampler& s, const short* src, const short* dst) {
    if (s.OutputLength > 0) Require(dst[0] == (s.InputLength > 0 ? src[0] : 0));
}

void CheckFrame(const CUpSampler&, const short*, const short*) {}

template <typename Converter>
void Run(const Arguments& a, const char* path, bool inPlace, FuzzedDataProvider& in) {
    const std::unique_ptr<Converter> converter = Make<Converter>(a, path);
    CheckFields(*converter);
    const auto inLength = static_cast<std::size_t>(converter->InputLength);
    const auto outLength = static_cast<std::size_t>(converter->OutputLength);
    // A twin converts the same frames in one shared buffer; src is read
    // completely before dst is written, so the outputs must agree.
    const std::unique_ptr<Converter> twin = inPlace ? Make<Converter>(a, path) : nullptr;

    const int frames = in.ConsumeIntegralInRange(1, kMaxFrames);
    for (int f = 0; f < frames; ++f) {
        std::unique_ptr<short[]> src(new short[inLength]);
        std::unique_ptr<short[]> dst(new short[outLength]);
        for (std::size_t i = 0; i < inLength; ++i) src[i] = in.ConsumeIntegral<short>();
        converter->Conversion(src.get(), dst.get());
        CheckFrame(*converter, src.get(), dst.get());
        if (twin) {
            std::unique_ptr<short[]> shared(new short[std::max(inLength, outLength)]);
            std::copy(src.get(), src.get() + inLength, shared.get());
            twin->Conversion(shared.get(), shared.get());
            Require(std::equal(dst.get(), dst.get() + outLength, shared.get()));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Arguments a;
    a.kind = in.ConsumeIntegralInRange(0, 3);
    a.duration = TakeReal(in);
    a.inputRate = TakeReal(in);
    a.outputRate = TakeReal(in);
    a.count = TakeCount(in);
    a.factor = TakeCount(in);
    const bool inPlace = in.ConsumeBool();
    const bool noFile = in.ConsumeBool();
    const std::string text = in.ConsumeRandomLengthString(512);
    const char* path = noFile ? nullptr : WriteScratchFile(text.data(), text.size());

    const Verdict verdict = Judge(a);
    if (verdict == Verdict::kSkip) return 0;
    const bool down = a.kind < 2;
    if (verdict == Verdict::kBadAlloc) {
        try {
            if (down) Make<CDownSampler>(a, path);
            else Make<CUpSampler>(a, path);
        } catch (const std::bad_alloc&) {
            return 0;
        }
        std::abort();  // arrays too large to index were allocated
    }
    if (down) Run<CDownSampler>(a, path, inPlace, in);
    else Run<CUpSampler>(a, path, inPlace, in);
    return 0;
}
