// Behaviour both converters share, run once per converter. Each converter's
// traits hold the numbers it documents; what only one direction does is in
// down_sampler_test.cpp and up_sampler_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "converters/builtin_filters.h"
#include "support/converter_test_support.h"
#include "support/temp_file.h"
#include "velumor.h"

namespace {

// Expected output values from position `first` on.
struct Run {
    std::size_t first;
    std::vector<short> values;
};

Run Repeat(std::size_t first, std::size_t count, short value) {
    return Run{first, std::vector<short>(count, value)};
}

void ExpectRuns(const std::vector<short>& frame, const std::vector<Run>& runs, const std::string& what) {
    for (const Run& run : runs) {
        ASSERT_LE(run.first + run.values.size(), frame.size()) << what;
        EXPECT_EQ(Slice(frame, run.first, run.values.size()), run.values) << what << ", from " << run.first;
    }
}

// An impulse of 10000 in an otherwise silent frame.
struct ImpulseResponse {
    std::size_t position;          // input sample that holds the impulse
    int firstNonZero;              // outputs outside [firstNonZero, lastNonZero] are 0
    int lastNonZero;
    std::vector<int> zerosInside;  // outputs inside that range that are 0 all the same
    Run values;
    short peak;                    // no output exceeds it
};

// The history that a frame of 1000 leaves behind, seen in the silent frame after it.
struct HistoryTail {
    std::vector<Run> values;
    int reach;    // outputs from here on are 0
    int nonZero;  // how many outputs before `reach` are not 0
};

struct DownTraits {
    using Converter = CDownSampler;
    static constexpr const char* kName = "down";

    // Geometry at 20 ms.
    static constexpr int kInputLength = 441;
    static constexpr int kOutputLength = 160;
    static constexpr int kTapCount = 35;
    static constexpr float kStep = 2.75625f;
    static std::vector<std::pair<int, float>> Coefficients() { return {{17, 0.335601f}, {34, -0.014966f}}; }

    // The built-in table.
    static std::vector<float> BuiltInTable() {
        std::vector<float> table(velumor::kDownTapCount);
        velumor::FillDownFilter(table.data());
        return table;
    }
    static constexpr double kTableSum = 0.967545;

    // A steady input of 1000: the first frame, and the frames after it.
    static std::vector<Run> SteadyFirst() {
        return {{0, {1000, 1063, 939, 1014, 960, 998, 974}},
                Repeat(7, 147, 967),
                {154, {990, 979, 983, 990, 965, 1031}}};
    }
    static std::vector<Run> SteadyLater() {
        return {{0, {1000}}, Repeat(1, 153, 967), {154, {990, 979, 983, 990, 965, 1031}}};
    }

    static HistoryTail AfterSteady() { return {{{0, {0, -95, 27, -46, 7, -31, -6}}}, 7, 6}; }

    static ImpulseResponse Impulse() {
        return {100, 30, 42, {}, {30, {-102, 69, -29, -34, 132, -382, 2900, 1393, -581, 369, -274, 222, -144}},
                2900};
    }

    static Converter BuiltIn() { return Converter(0.02f); }
    static Converter FromFile(const char* path) { return Converter(0.02f, 22050.0f, 8000.0f, 35, path); }

    // Frames of 5 samples, shorter than the history of 17.
    static Converter ShortFrames(const char* path) { return Converter(0.005f, 1000.0f, 500.0f, 35, path); }
    static constexpr int kHistoryLength = 17;
    static constexpr float kHistoryScale = 1.0f;
};

struct UpTraits {
    using Converter = CUpSampler;
    static constexpr const char* kName = "up";

    static constexpr int kInputLength = 160;
    static constexpr int kOutputLength = 441;
    static constexpr int kTapCount = 145;
    static constexpr float kStep = 2.9024944f;
    static std::vector<std::pair<int, float>> Coefficients() { return {{72, 0.13125f}, {144, -0.0001094568f}}; }

    static std::vector<float> BuiltInTable() {
        std::vector<float> table(velumor::kUpTapCount);
        velumor::FillUpFilter(table.data());
        return table;
    }
    static constexpr double kTableSum = 1.000223;

    // The filter's delay: outputs 30 .. 45 of the first frame are not checked.
    static std::vector<Run> SteadyFirst() {
        return {{0, {0,   0,    1,   1,   0,    -3,   -2,   5,    9,    0,    -13, -11, 9,   25,  8,
                     -28, -37,  7,   64,  48,   -59,  -142, -34,  309,  750,  1064, 1137, 1042, 943, 940}},
                Repeat(46, 441 - 46, 1000)};
    }
    static std::vector<Run> SteadyLater() { return {Repeat(0, 441, 1000)}; }

    static HistoryTail AfterSteady() { return {{{0, {1001, 1000, 998, 998, 1001}}}, 46, 45}; }

    static ImpulseResponse Impulse() { return {50, 138, 187, {139, 181}, {162, {9508, 10107, 6280}}, 10107}; }

    static Converter BuiltIn() { return Converter(0.02f); }
    static Converter FromFile(const char* path) { return Converter(0.02f, 8000.0f, 22050.0f, 8, 145, path); }

    // Frames of 5 samples, shorter than the history of 18; History holds the input times Factor.
    static Converter ShortFrames(const char* path) { return Converter(0.005f, 1000.0f, 2000.0f, 8, 145, path); }
    static constexpr int kHistoryLength = 18;
    static constexpr float kHistoryScale = 8.0f;
};

template <typename Traits>
class ConverterTest : public ::testing::Test {};

struct TraitsName {
    template <typename Traits>
    static std::string GetName(int) {
        return Traits::kName;
    }
};

using BothConverters = ::testing::Types<DownTraits, UpTraits>;
TYPED_TEST_SUITE(ConverterTest, BothConverters, TraitsName);

TYPED_TEST(ConverterTest, DefaultGeometryAt20Milliseconds) {
    using T = TypeParam;
    const auto converter = T::BuiltIn();
    EXPECT_EQ(converter.InputLength, T::kInputLength);
    EXPECT_EQ(converter.OutputLength, T::kOutputLength);
    EXPECT_EQ(converter.TapCount, T::kTapCount);
    EXPECT_EQ(converter.Step, T::kStep);
    for (const auto& [index, value] : T::Coefficients()) {
        EXPECT_EQ(converter.Coefficients[index], value) << "coefficient " << index;
    }
}

TYPED_TEST(ConverterTest, BuiltInTableIsSymmetricAndSumsAsDocumented) {
    using T = TypeParam;
    const std::vector<float> table = T::BuiltInTable();
    ASSERT_EQ(table.size(), std::size_t(T::kTapCount));
    double sum = 0.0;
    for (std::size_t k = 0; k < table.size(); ++k) {
        EXPECT_EQ(table[k], table[table.size() - 1 - k]) << k;
        sum += table[k];
    }
    EXPECT_NEAR(sum, T::kTableSum, 1e-6);
}

TYPED_TEST(ConverterTest, SilenceGivesExactZeros) {
    auto converter = TypeParam::BuiltIn();
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(ConvertFrame(converter, SteadyFrame(converter, 0)),
                  std::vector<short>(std::size_t(TypeParam::kOutputLength), 0))
            << "frame " << frame;
    }
}

TYPED_TEST(ConverterTest, SteadyInputOf1000) {
    using T = TypeParam;
    auto converter = T::BuiltIn();
    ExpectRuns(ConvertFrame(converter, SteadyFrame(converter, 1000)), T::SteadyFirst(), "first frame");
    for (int frame = 1; frame < 3; ++frame) {
        ExpectRuns(ConvertFrame(converter, SteadyFrame(converter, 1000)), T::SteadyLater(),
                   "frame " + std::to_string(frame));
    }
}

TYPED_TEST(ConverterTest, HistoryCarriesTheLastFrameIntoASilentOne) {
    using T = TypeParam;
    const HistoryTail tail = T::AfterSteady();
    auto converter = T::BuiltIn();
    ConvertFrame(converter, SteadyFrame(converter, 1000));
    const std::vector<short> after = ConvertFrame(converter, SteadyFrame(converter, 0));
    ExpectRuns(after, tail.values, "silent frame");
    int nonZero = 0;
    for (short s : Slice(after, 0, std::size_t(tail.reach))) nonZero += s != 0;
    EXPECT_EQ(nonZero, tail.nonZero);
    EXPECT_EQ(Slice(after, std::size_t(tail.reach), after.size() - std::size_t(tail.reach)),
              std::vector<short>(after.size() - std::size_t(tail.reach), 0));
    EXPECT_EQ(ConvertFrame(converter, SteadyFrame(converter, 0)), std::vector<short>(after.size(), 0));
}

TYPED_TEST(ConverterTest, ImpulseResponse) {
    using T = TypeParam;
    const ImpulseResponse impulse = T::Impulse();
    auto converter = T::BuiltIn();
    std::vector<short> input = SteadyFrame(converter, 0);
    input[impulse.position] = 10000;
    const std::vector<short> out = ConvertFrame(converter, input);
    for (int j = 0; j < T::kOutputLength; ++j) {
        bool inside = j >= impulse.firstNonZero && j <= impulse.lastNonZero;
        for (int zero : impulse.zerosInside) inside = inside && j != zero;
        EXPECT_EQ(out[std::size_t(j)] != 0, inside) << "output " << j << " = " << out[std::size_t(j)];
        EXPECT_LE(out[std::size_t(j)], impulse.peak) << "output " << j;
    }
    ExpectRuns(out, {impulse.values}, "impulse");
    EXPECT_EQ(ConvertFrame(converter, SteadyFrame(converter, 0)), std::vector<short>(out.size(), 0));
}

TYPED_TEST(ConverterTest, BuiltInTableFromAFileGivesTheSameOutput) {
    using T = TypeParam;
    TempFile file(CoefficientText(T::BuiltInTable()));
    auto fromFile = T::FromFile(file.path());
    auto builtIn = T::BuiltIn();
    ASSERT_EQ(fromFile.Step, builtIn.Step);
    std::vector<short> input = SteadyFrame(builtIn, 0);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input[i] = static_cast<short>(std::lround(9000.0 * std::sin(0.05 * double(i * i % 977))));
    }
    for (int frame = 0; frame < 3; ++frame) {
        EXPECT_EQ(ConvertFrame(fromFile, input), ConvertFrame(builtIn, input)) << "frame " << frame;
    }
}

// The same stream, fed frame by frame into a converter whose frames are
// shorter than its history, keeps History = the last samples of the stream.
TYPED_TEST(ConverterTest, HistoryHoldsTheStreamTailWhenFramesAreShort) {
    using T = TypeParam;
    TempFile file(CoefficientText(T::BuiltInTable()));
    auto converter = T::ShortFrames(file.path());
    ASSERT_EQ(converter.InputLength, 5);
    std::vector<short> stream;
    for (int frame = 0; frame < 6; ++frame) {
        std::vector<short> input(5);
        for (short& s : input) {
            s = static_cast<short>(100 + stream.size());
            stream.push_back(s);
        }
        ConvertFrame(converter, input);
        for (int i = 0; i < T::kHistoryLength; ++i) {
            const long position = static_cast<long>(stream.size()) - T::kHistoryLength + i;
            const float expected = position < 0 ? 0.0f : T::kHistoryScale * float(stream[std::size_t(position)]);
            EXPECT_EQ(converter.History[i], expected) << "frame " << frame << ", slot " << i;
        }
    }
}

// Arguments outside the documented limits give empty, inert converters.
TYPED_TEST(ConverterTest, OddFrameArgumentsGiveEmptyFrames) {
    using Converter = typename TypeParam::Converter;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float d : {-0.02f, 0.0f, nan, inf, -inf}) {
        Converter converter(d);
        EXPECT_EQ(converter.InputLength, 0) << d;
        EXPECT_EQ(converter.OutputLength, 0) << d;
        converter.Conversion(nullptr, nullptr);
    }
}

}  // namespace
