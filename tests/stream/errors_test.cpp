// Every failure: its status, its message, nothing consumed or written, and
// the stream still usable where the failure was the caller's buffer.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "../temp_file.h"
#include "stream_runner.h"

namespace {

struct CreateCase {
    const char* name;
    std::function<void(velumor_stream_config&)> change;
    velumor_status status;
    const char* message;  // part of velumor_error_message()
};

void PrintTo(const CreateCase& c, std::ostream* os) { *os << c.name; }

class CreateErrorTest : public testing::TestWithParam<CreateCase> {};

TEST_P(CreateErrorTest, FailsWithItsStatusAndMessageAndNoStream) {
    const CreateCase& c = GetParam();
    velumor_stream_config config;
    velumor_stream_config_init(&config, 22050, 8000, 1);
    c.change(config);
    velumor_stream* stream = reinterpret_cast<velumor_stream*>(&config);  // must be overwritten
    EXPECT_EQ(velumor_stream_create(&config, &stream), c.status);
    EXPECT_EQ(stream, nullptr);
    EXPECT_NE(std::string(velumor_error_message()).find(c.message), std::string::npos)
        << velumor_error_message();
    EXPECT_STRNE(velumor_status_text(c.status), velumor_status_text(VELUMOR_OK));
}

INSTANTIATE_TEST_SUITE_P(
    Config, CreateErrorTest,
    testing::Values(
        CreateCase{"InputRateZero", [](auto& c) { c.input_rate = 0; }, VELUMOR_ERROR_RATE,
                   "input_rate 0 is out of range (1 to 1000000)"},
        CreateCase{"OutputRateTooHigh", [](auto& c) { c.output_rate = VELUMOR_MAX_RATE + 1; },
                   VELUMOR_ERROR_RATE, "output_rate 1000001 is out of range"},
        CreateCase{"EqualRates", [](auto& c) { c.output_rate = 22050; }, VELUMOR_ERROR_RATE,
                   "both 22050 Hz"},
        CreateCase{"NoChannels", [](auto& c) { c.channels = 0; }, VELUMOR_ERROR_CHANNELS,
                   "channels 0 is out of range (1 to 256)"},
        CreateCase{"TooManyChannels", [](auto& c) { c.channels = VELUMOR_MAX_CHANNELS + 1; },
                   VELUMOR_ERROR_CHANNELS, "channels 257"},
        CreateCase{"FrameNegative", [](auto& c) { c.frame_duration = -0.02; }, VELUMOR_ERROR_FRAME,
                   "frame_duration"},
        CreateCase{"FrameNotANumber", [](auto& c) { c.frame_duration = std::nan(""); },
                   VELUMOR_ERROR_FRAME, "frame_duration"},
        CreateCase{"FrameBreaksTheRatio", [](auto& c) { c.frame_duration = 0.01; }, VELUMOR_ERROR_FRAME,
                   "frames of 220 samples at 22050 Hz and 80 at 8000 Hz do not keep the rate ratio; "
                   "frames of 0.02 s do"},
        CreateCase{"FrameTooShortForOneSample", [](auto& c) { c.frame_duration = 1e-6; },
                   VELUMOR_ERROR_FRAME, "frames of 0 samples"},
        CreateCase{"TapsNegative", [](auto& c) { c.taps = -1; }, VELUMOR_ERROR_ARGUMENT,
                   "taps -1 is out of range"},
        CreateCase{"FactorTooLarge", [](auto& c) { c.factor = 5000; }, VELUMOR_ERROR_ARGUMENT,
                   "factor 5000 is out of range"},
        CreateCase{"FileWithoutTaps", [](auto& c) { c.coefficient_file = "f.txt"; },
                   VELUMOR_ERROR_ARGUMENT, "taps: needed with a coefficient file"},
        CreateCase{"FileMissing",
                   [](auto& c) {
                       c.coefficient_file = "/nonexistent/f.txt";
                       c.taps = 35;
                   },
                   VELUMOR_ERROR_FILE, "/nonexistent/f.txt: cannot open coefficient file: No such file"},
        CreateCase{"FileIsADirectory",
                   [](auto& c) {
                       c.coefficient_file = "/";
                       c.taps = 35;
                   },
                   VELUMOR_ERROR_FILE, "/: not a coefficient file"},
        CreateCase{"DesignEvenTapsDown", [](auto& c) { c.taps = 100; }, VELUMOR_ERROR_DESIGN,
                   "taps 100: the downsampler's filter needs an odd tap count"},
        CreateCase{"DesignTooFewTaps", [](auto& c) { c.taps = 1; }, VELUMOR_ERROR_DESIGN,
                   "taps 1: too few taps (at least 3)"},
        CreateCase{"DesignUpNotLGPlusOne",
                   [](auto& c) {
                       c.input_rate = 8000;
                       c.output_rate = 22050;
                       c.taps = 100;
                   },
                   VELUMOR_ERROR_DESIGN, "taps 100: the upsampler's filter needs L*G+1 taps with G even"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(StreamErrorTest, NullArgumentsAreRefusedWithoutACrash) {
    velumor_stream* stream = nullptr;
    EXPECT_EQ(velumor_stream_create(nullptr, &stream), VELUMOR_ERROR_ARGUMENT);
    EXPECT_EQ(stream, nullptr);
    velumor_stream_config config;
    velumor_stream_config_init(&config, 22050, 8000, 1);
    EXPECT_EQ(velumor_stream_create(&config, nullptr), VELUMOR_ERROR_ARGUMENT);
    velumor_stream_destroy(nullptr);
    velumor_stream_config_init(nullptr, 1, 2, 3);
    std::size_t count = 99;
    std::int16_t out[8];
    EXPECT_EQ(velumor_stream_process(nullptr, nullptr, 0, out, 8, &count), VELUMOR_ERROR_ARGUMENT);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(velumor_stream_finish(nullptr, out, 8, &count), VELUMOR_ERROR_ARGUMENT);
    EXPECT_EQ(velumor_stream_max_output(nullptr, 10), 0u);
    EXPECT_EQ(velumor_stream_latency(nullptr), 0u);

    TestStream s({});
    EXPECT_EQ(velumor_stream_process(s.get(), nullptr, 5, out, 8, &count), VELUMOR_ERROR_ARGUMENT);
    EXPECT_NE(std::string(velumor_error_message()).find("input: a null pointer"), std::string::npos);
    EXPECT_EQ(velumor_stream_process(s.get(), out, 1, nullptr, 8, &count), VELUMOR_ERROR_ARGUMENT);
    EXPECT_EQ(velumor_stream_process(s.get(), out, 1, out, 8, nullptr), VELUMOR_ERROR_ARGUMENT);
    EXPECT_EQ(velumor_stream_process(s.get(), out, std::numeric_limits<std::size_t>::max(), out, 8, &count),
              VELUMOR_ERROR_ARGUMENT);
    EXPECT_EQ(velumor_stream_finish(s.get(), nullptr, 8, &count), VELUMOR_ERROR_ARGUMENT);
    // None of these took anything: the stream gives what a fresh one gives.
    const std::vector<std::int16_t> input = TestSignal(3000, 1, 1);
    EXPECT_EQ(s.Run(input, RandomChunks(2, 100)), OneShot({}, input));
}

// Too small a buffer takes nothing and writes nothing; the same call with a
// larger buffer then goes on as if the failed one had never been made.
TEST(StreamErrorTest, TooSmallAnOutputTakesNothingAndCanBeRepeated) {
    StreamSetup setup;
    setup.inputRate = 8000;
    setup.outputRate = 22050;
    setup.channels = 2;
    const std::vector<std::int16_t> input = TestSignal(2000, 2, 4);
    const std::vector<std::int16_t> expected = OneShot(setup, input);

    TestStream s(setup);
    std::vector<std::int16_t> output;
    std::vector<std::int16_t> buffer;
    std::size_t done = 0;
    int refusals = 0;
    // Each call is tried with every capacity from 0 up: all but the exact
    // one it needs are refused.
    const auto call = [&](std::size_t n, bool finishing) {
        for (std::size_t capacity = 0;; ++capacity) {
            buffer.assign(2 * capacity + 2, -7);
            std::size_t got = 99;
            const velumor_status status =
                finishing ? velumor_stream_finish(s.get(), buffer.data(), capacity, &got)
                          : velumor_stream_process(s.get(), input.data() + 2 * done, n, buffer.data(), capacity, &got);
            if (status == VELUMOR_OK) {
                EXPECT_EQ(got, capacity);
                output.insert(output.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(2 * got));
                return;
            }
            ++refusals;
            ASSERT_EQ(status, VELUMOR_ERROR_OUTPUT_SIZE);
            EXPECT_EQ(got, 0u);
            for (const std::int16_t v : buffer) ASSERT_EQ(v, -7) << "written to after a refusal";
        }
    };
    for (const std::size_t n : {std::size_t{100}, std::size_t{700}, std::size_t{1}, std::size_t{1199}}) {
        call(n, false);
        done += n;
    }
    call(0, true);
    EXPECT_GT(refusals, 1000);
    const std::string message = velumor_error_message();
    EXPECT_NE(message.find("the output buffer holds"), std::string::npos) << message;
    EXPECT_EQ(output, expected);
}

TEST(StreamErrorTest, NothingGoesAfterFinishing) {
    TestStream s({});
    std::int16_t buffer[1024];
    std::size_t got = 0;
    ASSERT_EQ(velumor_stream_process(s.get(), buffer, 0, buffer, 1024, &got), VELUMOR_OK);
    ASSERT_EQ(velumor_stream_finish(s.get(), buffer, 1024, &got), VELUMOR_OK);
    EXPECT_EQ(velumor_stream_latency(s.get()), 0u);
    buffer[0] = 5;
    EXPECT_EQ(velumor_stream_process(s.get(), buffer, 1, buffer + 1, 1000, &got), VELUMOR_ERROR_FINISHED);
    EXPECT_STREQ(velumor_error_message(), "the stream was already finished");
    buffer[1] = 5;
    EXPECT_EQ(velumor_stream_finish(s.get(), buffer + 1, 1000, &got), VELUMOR_ERROR_FINISHED);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(buffer[1], 5);
}

}  // namespace
