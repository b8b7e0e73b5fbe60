// The stream's promises, seen from its output: the same samples however the
// input is cut, the exact length, each channel as its own mono stream, and
// the same samples as the frame classes of <velumor.h> driven by hand.
#include <gtest/gtest.h>
#include <velumor.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "stream_runner.h"

namespace {

struct ChunkingCase {
    const char* name;
    StreamSetup setup;
};

void PrintTo(const ChunkingCase& c, std::ostream* os) { *os << c.name; }

StreamSetup Pair(int in, int out, int channels, int taps = 0, int factor = 0) {
    StreamSetup s;
    s.inputRate = in;
    s.outputRate = out;
    s.channels = channels;
    s.taps = taps;
    s.factor = factor;
    return s;
}

class ChunkingTest : public testing::TestWithParam<ChunkingCase> {};

// Any sequence of chunk sizes, 0 and 1 included, gives the one-shot output
// bit for bit, of exactly round(n * out / in) samples per channel; so does
// every input length from empty to several frames plus a part.
TEST_P(ChunkingTest, AnyChunkingGivesTheOneShotOutputOfExactLength) {
    const StreamSetup& setup = GetParam().setup;
    const int rate = setup.inputRate;
    for (const std::size_t frames : {std::size_t{0}, std::size_t{1}, std::size_t(rate / 97),
                                     std::size_t(rate / 3 + 17)}) {
        const std::vector<std::int16_t> input = TestSignal(frames, setup.channels, 7);
        const std::vector<std::int16_t> whole = OneShot(setup, input);
        ASSERT_EQ(whole.size(), ExpectedLength(frames, rate, setup.outputRate) *
                                    static_cast<std::size_t>(setup.channels))
            << frames << " input samples";
        for (const std::size_t maxChunk : {std::size_t{3}, std::size_t{500}, std::size_t(rate / 7)}) {
            TestStream stream(setup);
            const std::vector<std::int16_t> cut = stream.Run(input, RandomChunks(static_cast<unsigned>(maxChunk), maxChunk));
            ASSERT_EQ(cut, whole) << frames << " input samples, chunks up to " << maxChunk;
        }
    }
}

class ChannelTest : public testing::TestWithParam<ChunkingCase> {};

// Channel c of a multichannel stream is the mono stream of channel c.
TEST_P(ChannelTest, EveryChannelIsItsOwnMonoStream) {
    StreamSetup setup = GetParam().setup;
    const std::size_t frames = static_cast<std::size_t>(setup.inputRate / 4 + 5);
    const std::size_t channels = static_cast<std::size_t>(setup.channels);
    const std::vector<std::int16_t> input = TestSignal(frames, setup.channels, 11);
    const std::vector<std::int16_t> all = OneShot(setup, input);
    setup.channels = 1;
    for (std::size_t c = 0; c < channels; ++c) {
        std::vector<std::int16_t> mono(frames);
        for (std::size_t i = 0; i < frames; ++i) mono[i] = input[i * channels + c];
        const std::vector<std::int16_t> alone = OneShot(setup, mono);
        ASSERT_EQ(alone.size() * channels, all.size());
        std::size_t differences = 0;
        for (std::size_t i = 0; i < alone.size(); ++i) differences += all[i * channels + c] != alone[i];
        EXPECT_EQ(differences, 0u) << "channel " << c;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ChunkingTest,
    testing::Values(ChunkingCase{"BuiltInDown", Pair(22050, 8000, 1)},
                    ChunkingCase{"BuiltInDownThreeChannels", Pair(22050, 8000, 3)},
                    ChunkingCase{"BuiltInUp", Pair(8000, 22050, 1)},
                    ChunkingCase{"BuiltInUpStereo", Pair(8000, 22050, 2)},
                    ChunkingCase{"DesignedDown48000To16000Stereo", Pair(48000, 16000, 2, 61)},
                    ChunkingCase{"DesignedUp16000To48000", Pair(16000, 48000, 1, 49)},
                    ChunkingCase{"DesignedUp44100To48000InexactStep", Pair(44100, 48000, 1, 0, 4)},
                    ChunkingCase{"DesignedDown48000To44100", Pair(48000, 44100, 2)},
                    ChunkingCase{"DesignedUp11025To16000LongPriming", Pair(11025, 16000, 1, 0, 8)}),
    [](const auto& p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Pairs, ChannelTest,
    testing::Values(ChunkingCase{"BuiltInDownFiveChannels", Pair(22050, 8000, 5)},
                    ChunkingCase{"BuiltInUpStereo", Pair(8000, 22050, 2)},
                    ChunkingCase{"DesignedUpThreeChannels", Pair(16000, 48000, 3)}),
    [](const auto& p) { return std::string(p.param.name); });

// Against the frame classes themselves: 22050 -> 8000 Hz is the
// downsampler's frames end to end, the last one padded with silence;
// 8000 -> 22050 Hz is the upsampler's after 151 samples of silence, its
// first 441 outputs dropped (160 input samples of delay, one frame).
TEST(StreamTest, EqualsTheFrameClassesPrimedPaddedAndTrimmed) {
    const std::size_t frames = 5000;
    const std::vector<std::int16_t> input = TestSignal(frames, 1, 3);

    CDownSampler down(0.02f);
    std::vector<short> padded(input.begin(), input.end());
    padded.resize((frames / 441 + 1) * 441, 0);
    std::vector<short> expected(padded.size() / 441 * 160);
    for (std::size_t f = 0; f < padded.size() / 441; ++f) {
        down.Conversion(padded.data() + f * 441, expected.data() + f * 160);
    }
    expected.resize(ExpectedLength(frames, 22050, 8000));
    EXPECT_EQ(OneShot(Pair(22050, 8000, 1), input), std::vector<std::int16_t>(expected.begin(), expected.end()));

    CUpSampler up(0.02f);
    std::vector<short> primed(151, 0);
    primed.insert(primed.end(), input.begin(), input.end());
    primed.resize((primed.size() / 160 + 3) * 160, 0);
    std::vector<short> converted(primed.size() / 160 * 441);
    for (std::size_t f = 0; f < primed.size() / 160; ++f) {
        up.Conversion(primed.data() + f * 160, converted.data() + f * 441);
    }
    const std::vector<std::int16_t> upExpected(converted.begin() + 441,
                                               converted.begin() + 441 +
                                                   static_cast<std::ptrdiff_t>(ExpectedLength(frames, 8000, 22050)));
    EXPECT_EQ(OneShot(Pair(8000, 22050, 1), input), upExpected);
}

struct ClickCase {
    const char* name;
    StreamSetup setup;
    double tolerance;  // output samples; the upsampler's rounded delay may add half of one
};

void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }

class ClickTest : public testing::TestWithParam<ClickCase> {};

// A click at input sample t peaks at output sample t * out / in: the output
// is aligned with the input, whatever the direction and filter, in every
// channel (each clicks at another place, one mid-frame, one on a frame edge).
TEST_P(ClickTest, LandsOnItsOutputSample) {
    const ClickCase& c = GetParam();
    const StreamSetup& s = c.setup;
    const std::size_t frames = static_cast<std::size_t>(s.inputRate);
    const std::size_t channels = static_cast<std::size_t>(s.channels);
    std::vector<std::int16_t> input(frames * channels, 0);
    std::vector<std::size_t> at;
    for (std::size_t ch = 0; ch < channels; ++ch) {
        at.push_back(static_cast<std::size_t>(s.inputRate) * (3 + 2 * ch) / 10 + 7 * ch);
        input[at.back() * channels + ch] = 24000;
    }
    TestStream stream(s);
    const std::vector<std::int16_t> out = stream.Run(input, RandomChunks(5, 300));
    const double ratio = static_cast<double>(s.outputRate) / s.inputRate;
    for (std::size_t ch = 0; ch < channels; ++ch) {
        std::size_t peak = 0;
        for (std::size_t i = 0; i < out.size() / channels; ++i) {
            if (std::abs(out[i * channels + ch]) > std::abs(out[peak * channels + ch])) peak = i;
        }
        EXPECT_NEAR(static_cast<double>(peak), static_cast<double>(at[ch]) * ratio, c.tolerance)
            << "channel " << ch;
        EXPECT_GT(std::abs(out[peak * channels + ch]), 2000) << "channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ClickTest,
    testing::Values(ClickCase{"BuiltInDown", Pair(22050, 8000, 2), 0.5},
                    ClickCase{"BuiltInUp", Pair(8000, 22050, 2), 0.5},
                    ClickCase{"DesignedDown", Pair(48000, 16000, 1), 0.5},
                    ClickCase{"DesignedUp", Pair(16000, 48000, 1), 0.5},
                    ClickCase{"DesignedUpInexactStep", Pair(44100, 48000, 1), 0.5}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
