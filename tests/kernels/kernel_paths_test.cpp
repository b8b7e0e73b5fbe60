// Every compiled code path of Conversion must give the scalar kernel's
// output bit for bit: random geometries, coefficient files and signals, each
// converter run on an engine of the path under test in place of its own. A
// path the processor cannot run is skipped with a message.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "converters/down_engine.h"
#include "converters/up_engine.h"
#include "kernels/kernel_path.h"
#include "support/temp_file.h"
#include "velumor.h"

namespace {

using velumor::KernelPath;

using velumor::DownEngine;
using velumor::UpEngine;

std::string PathName(KernelPath path) { return velumor::KernelPathName(path); }

// A converter run on an engine of the test's choosing instead of its own.
template <typename Converter, typename Engine>
struct OnEngine {
    Converter& converter;
    Engine& engine;
    void Conversion(const short* src, short* dst) { engine.Convert(converter, src, dst); }
    int InputLength() const { return converter.InputLength; }
    int OutputLength() const { return converter.OutputLength; }
};

// Coefficients of mixed sizes and signs; now and then one large enough to
// drive outputs past the 16-bit range, past the 32-bit range while still
// finite, to infinity, or to NaN.
std::vector<float> RandomCoefficients(std::mt19937& rng, int count) {
    std::uniform_real_distribution<double> exponent(-7.0, 0.3);
    std::uniform_int_distribution<int> kind(0, 199);
    std::vector<float> values(static_cast<std::size_t>(std::max(count, 0)));
    for (float& v : values) {
        const double sign = kind(rng) % 2 ? 1.0 : -1.0;
        const int k = kind(rng);
        const double magnitude = k == 0 ? 3e37 : k == 1 ? 0.0 : k == 2 ? 1e6 : std::pow(10.0, exponent(rng));
        v = static_cast<float>(sign * magnitude);
    }
    return values;
}

// A frame of one of several kinds: full-range noise, a loud tone, a steady
// extreme, or sparse clicks.
std::vector<short> RandomFrame(std::mt19937& rng, int length) {
    std::vector<short> frame(static_cast<std::size_t>(length));
    std::uniform_int_distribution<int> sample(-32768, 32767);
    const int kind = std::uniform_int_distribution<int>(0, 3)(rng);
    const double frequency = std::uniform_real_distribution<double>(0.001, 0.5)(rng);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        switch (kind) {
            case 0: frame[i] = static_cast<short>(sample(rng)); break;
            case 1: frame[i] = static_cast<short>(32767.0 * std::sin(frequency * double(i))); break;
            case 2: frame[i] = i % 2 ? short{32767} : short{-32768}; break;
            default: frame[i] = sample(rng) % 61 == 0 ? static_cast<short>(sample(rng)) : short{0};
        }
    }
    return frame;
}

// Runs the same frames through a converter on the scalar kernel and one on
// the engine under test and compares every output frame. Half of the runs
// convert in place; the bytes past OutputLength must stay untouched.
template <typename Converter, typename Engine>
void ExpectSameFrames(Converter& referenceConverter, Converter& testedConverter, Engine& engine,
                      std::mt19937& rng, const std::string& label) {
    const std::unique_ptr<Engine> scalar = Engine::OnPath(referenceConverter, KernelPath::kScalar);
    ASSERT_NE(scalar, nullptr);
    OnEngine<Converter, Engine> reference{referenceConverter, *scalar};
    OnEngine<Converter, Engine> tested{testedConverter, engine};
    const bool inPlace = rng() % 2 == 0;
    const std::size_t size =
        static_cast<std::size_t>(std::max(reference.InputLength(), reference.OutputLength()));
    for (int frame = 0; frame < 4; ++frame) {
        const std::vector<short> input = RandomFrame(rng, reference.InputLength());
        std::vector<short> expected(size, 7);
        std::vector<short> actual(size, 7);
        std::copy(input.begin(), input.end(), expected.begin());
        reference.Conversion(expected.data(), expected.data());
        if (inPlace) {
            std::copy(input.begin(), input.end(), actual.begin());
            tested.Conversion(actual.data(), actual.data());
        } else {
            tested.Conversion(input.data(), actual.data());
        }
        if (!inPlace) {
            expected.assign(expected.begin(), expected.begin() + reference.OutputLength());
            expected.resize(size, 7);
        }
        ASSERT_EQ(actual, expected) << label << ", frame " << frame;
    }
}

class KernelPathTest : public ::testing::TestWithParam<KernelPath> {
protected:
    void SetUp() override {
        if (!velumor::KernelPathAvailable(GetParam())) {
            GTEST_SKIP() << PathName(GetParam()) << " path: not built here or not run by this processor";
        }
    }
    // Both default converters at one frame duration, on the path's kernels.
    void ExpectDefaultConvertersMatch(float duration) {
        const std::string label = "duration " + std::to_string(duration);
        CDownSampler downReference(duration);
        CDownSampler down(duration);
        const std::unique_ptr<DownEngine> downEngine = DownEngine::OnPath(down, GetParam());
        ASSERT_NE(downEngine, nullptr) << label;
        ExpectSameFrames(downReference, down, *downEngine, rng_, "down, " + label);
        CUpSampler upReference(duration);
        CUpSampler up(duration);
        const std::unique_ptr<UpEngine> upEngine = UpEngine::OnPath(up, GetParam());
        ASSERT_NE(upEngine, nullptr) << label;
        ExpectSameFrames(upReference, up, *upEngine, rng_, "up, " + label);
    }

    std::mt19937 rng_{20260514u};
};

TEST_P(KernelPathTest, DefaultConvertersAtManyFrameLengths) {
    for (const float duration : {0.001f, 0.0025f, 0.01f, 0.02f, 0.0232f, 0.03f, 0.1f, 1.0f}) {
        ExpectDefaultConvertersMatch(duration);
    }
}

TEST_P(KernelPathTest, DownsamplerOnRandomGeometries) {
    std::uniform_real_distribution<double> rate(4000.0, 96000.0);
    std::uniform_real_distribution<double> step(0.4, 8.0);
    std::uniform_real_distribution<double> duration(0.0005, 0.06);
    std::uniform_int_distribution<int> taps(0, 260);
    for (int run = 0; run < 60; ++run) {
        const float inputRate = static_cast<float>(rate(rng_));
        const float outputRate = static_cast<float>(inputRate / step(rng_));
        const float d = static_cast<float>(duration(rng_));
        const int tapCount = taps(rng_);
        TempFile file(CoefficientText(RandomCoefficients(rng_, tapCount)));
        const std::string label = "run " + std::to_string(run) + ": " + std::to_string(inputRate) +
                                  " -> " + std::to_string(outputRate) + " Hz, " +
                                  std::to_string(d) + " s, " + std::to_string(tapCount) + " taps";
        CDownSampler reference(d, inputRate, outputRate, tapCount, file.path());
        CDownSampler tested(d, inputRate, outputRate, tapCount, file.path());
        if (reference.InputLength < tapCount / 2 || reference.OutputLength < 2) continue;
        const std::unique_ptr<DownEngine> engine = DownEngine::OnPath(tested, GetParam());
        ASSERT_NE(engine, nullptr) << label;
        ExpectSameFrames(reference, tested, *engine, rng_, label);
    }
}

// Rates so far apart that the positions wrap to 32 bits and are clamped into
// the frame, back and forth: the path's stripes refuse them, and the
// converter keeps the scalar definition.
TEST_P(KernelPathTest, DownsamplerWithWrappedPositions) {
    TempFile file(CoefficientText(RandomCoefficients(rng_, 35)));
    CDownSampler tested(2.14748365e9f, 2.14748365e9f, 5.96745508e-07f, 35, file.path());
    ASSERT_EQ(tested.OutputLength, 1281);
    EXPECT_EQ(DownEngine::OnPath(tested, GetParam()), nullptr);
    EXPECT_EQ(DownEngine::ForConverter(tested)->Path(), KernelPath::kScalar);
}

// Outputs so sparse that each stripe's windows lie far apart (19 outputs
// over 1900 input samples), and so dense that neighbours share most of
// their window.
TEST_P(KernelPathTest, DownsamplerWithSparseAndDenseOutputs) {
    for (const auto& [inputRate, outputRate] : {std::pair{96000.0f, 1000.0f}, std::pair{22050.0f, 22000.0f}}) {
        TempFile file(CoefficientText(RandomCoefficients(rng_, 95)));
        CDownSampler reference(0.02f, inputRate, outputRate, 95, file.path());
        CDownSampler tested(0.02f, inputRate, outputRate, 95, file.path());
        const std::unique_ptr<DownEngine> engine = DownEngine::OnPath(tested, GetParam());
        ASSERT_NE(engine, nullptr) << outputRate;
        ExpectSameFrames(reference, tested, *engine, rng_, std::to_string(outputRate) + " Hz");
    }
}

TEST_P(KernelPathTest, UpsamplerOnRandomGeometries) {
    std::uniform_real_distribution<double> rate(4000.0, 48000.0);
    std::uniform_real_distribution<double> step(1.0, 6.0);
    std::uniform_real_distribution<double> duration(0.001, 0.06);
    std::uniform_int_distribution<int> factor(1, 40);
    std::uniform_int_distribution<int> span(0, 30);
    int compared = 0;
    for (int run = 0; run < 60; ++run) {
        const float inputRate = static_cast<float>(rate(rng_));
        const float outputRate = static_cast<float>(inputRate * step(rng_));
        const float d = static_cast<float>(duration(rng_));
        const int l = factor(rng_);
        const int fileTaps = l * span(rng_) + static_cast<int>(rng_() % 3);
        TempFile file(CoefficientText(RandomCoefficients(rng_, fileTaps)));
        const std::string label = "run " + std::to_string(run) + ": " + std::to_string(inputRate) +
                                  " -> " + std::to_string(outputRate) + " Hz, " +
                                  std::to_string(d) + " s, factor " + std::to_string(l) + ", " +
                                  std::to_string(fileTaps) + " file taps";
        CUpSampler reference(d, inputRate, outputRate, l, fileTaps, file.path());
        CUpSampler tested(d, inputRate, outputRate, l, fileTaps, file.path());
        if (reference.InputLength < reference.Span - 1 || reference.OutputLength < 1) continue;
        // Sums without taps are left to the scalar definition.
        const std::unique_ptr<UpEngine> engine = UpEngine::OnPath(tested, GetParam());
        if (tested.Span < 2) {
            EXPECT_EQ(engine, nullptr) << label;
            continue;
        }
        ASSERT_NE(engine, nullptr) << label;
        ExpectSameFrames(reference, tested, *engine, rng_, label);
        ++compared;
    }
    EXPECT_GE(compared, 30);
}

// The benchmarked factors at rates around the default, with outputs whose
// BaseIndex and Phase disagree, positions that need both their first and
// last phase row, and outputs too far apart to share a window; factors 1
// to 3 put several positions in a vector.
TEST_P(KernelPathTest, UpsamplerWithCommonFactors) {
    std::uniform_real_distribution<double> step(1.2, 5.0);
    std::uniform_real_distribution<double> duration(0.0005, 0.05);
    std::uniform_int_distribution<int> span(1, 24);
    constexpr int kFactors[] = {1, 2, 3, 6, 8, 16, 32};
    for (int run = 0; run < 56; ++run) {
        const int factor = kFactors[run % 7];
        const float inputRate = 8000.0f;
        const float outputRate = static_cast<float>(inputRate * step(rng_));
        const float d = static_cast<float>(duration(rng_));
        const int fileTaps = factor * span(rng_) + static_cast<int>(rng_() % 3);
        TempFile file(CoefficientText(RandomCoefficients(rng_, fileTaps)));
        const std::string label = "run " + std::to_string(run) + ": 8000 -> " +
                                  std::to_string(outputRate) + " Hz, " + std::to_string(d) +
                                  " s, factor " + std::to_string(factor) + ", " +
                                  std::to_string(fileTaps) + " file taps";
        CUpSampler reference(d, inputRate, outputRate, factor, fileTaps, file.path());
        CUpSampler tested(d, inputRate, outputRate, factor, fileTaps, file.path());
        if (reference.OutputLength < 1) continue;
        const std::unique_ptr<UpEngine> engine = UpEngine::OnPath(tested, GetParam());
        ASSERT_NE(engine, nullptr) << label;
        ExpectSameFrames(reference, tested, *engine, rng_, label);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, KernelPathTest,
                         ::testing::Values(KernelPath::kSse2, KernelPath::kNeon,
                                           KernelPath::kAvx2, KernelPath::kAvx512),
                         [](const ::testing::TestParamInfo<KernelPath>& info) {
                             return PathName(info.param);
                         });

}  // namespace
