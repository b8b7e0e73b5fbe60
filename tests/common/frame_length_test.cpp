#include "common/frame_length.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct FrameCase {
    float duration;
    float rate;
    int length;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.duration << " s at " << c.rate << " Hz"; }

class FrameLengthTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameLengthTest, GivesSamplesPerFrame) {
    const FrameCase c = GetParam();
    EXPECT_EQ(velumor::FrameLength(c.duration, c.rate), c.length);
}

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Durations, FrameLengthTest,
    ::testing::Values(FrameCase{0.01f, 22050, 220}, FrameCase{0.01f, 8000, 80},
                      FrameCase{0.02f, 22050, 441}, FrameCase{0.02f, 8000, 160},
                      FrameCase{0.03f, 22050, 661}, FrameCase{0.03f, 8000, 240},
                      FrameCase{0.05f, 22050, 1102}, FrameCase{0.05f, 8000, 400},
                      FrameCase{0.1f, 22050, 2205}, FrameCase{0.1f, 8000, 800},
                      FrameCase{1.0f, 22050, 22050}, FrameCase{1.0f, 8000, 8000},
                      FrameCase{0.0232f, 8000, 185}, FrameCase{0.0232f, 22050, 511},
                      // The bias alone: 0.95 + 0.1 truncates to 1.
                      FrameCase{0.95f, 1, 1}));

// Lengths that would come out negative, or have no 64-bit truncation, are 0;
// otherwise the low 32 bits are kept.
INSTANTIATE_TEST_SUITE_P(
    OutsideTheLimits, FrameLengthTest,
    ::testing::Values(FrameCase{0.0f, 22050, 0}, FrameCase{-0.02f, 22050, 0},
                      FrameCase{0.02f, -8000, 0}, FrameCase{kNaN, 8000, 0},
                      FrameCase{0.02f, kNaN, 0}, FrameCase{kInf, 8000, 0},
                      FrameCase{1e30f, 1e30f, 0},
                      // 2^32 + 512 keeps its low 32 bits, 512.
                      FrameCase{4294967808.0f, 1.0f, 512},
                      // 3e9 does not fit 31 bits: its low 32 bits are negative.
                      FrameCase{3e9f, 1.0f, 0}));

}  // namespace
