// The AVX-512 kernels' layouts, built from converters' position tables and
// checked against them on every machine (building a layout needs no AVX-512;
// only running over it does): each output must find its own window start
// and weights in the stripes, and its own two grid values in the lanes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "converters/work_length.h"
#include "kernels/avx512/down_stripes.h"
#include "kernels/avx512/up_lanes.h"
#include "support/temp_file.h"
#include "velumor.h"

namespace {

using velumor::DownStripes;
using velumor::UpLanes;

std::unique_ptr<DownStripes> StripesOf(const CDownSampler& s) {
    return velumor::MakeDownStripes(s.BaseIndex, s.UpperWeight, s.LowerWeight, s.OutputLength,
                                    s.TapCount, velumor::DownWorkCapacity(s));
}

std::unique_ptr<UpLanes> LanesOf(const CUpSampler& s) {
    return velumor::MakeUpLanes(s.BaseIndex, s.Phase, s.OutputLength, s.Factor, s.Span - 1,
                                static_cast<int>(velumor::UpWorkLength(s)));
}

// Output 1 + o sits in lane o / stride of group o % stride; its window
// starts at first + groupRow + laneOffset, one row later where the group's
// blend mask has its lane.
void ExpectStripesMatch(const CDownSampler& s, const DownStripes& stripes, const std::string& label) {
    ASSERT_EQ(stripes.outputs, s.OutputLength - 1) << label;
    for (int o = 0; o < stripes.outputs; ++o) {
        const int group = o % stripes.stride;
        const int lane = o / stripes.stride;
        const int blend = (stripes.groupBlendMask[group] >> lane) & 1;
        EXPECT_EQ(stripes.first + stripes.groupRow[group] + stripes.laneOffset[lane] + blend,
                  s.BaseIndex[1 + o])
            << label << ", output " << 1 + o;
        EXPECT_EQ(stripes.upperWeight.data[group * 8 + lane], s.UpperWeight[1 + o]) << label;
        EXPECT_EQ(stripes.lowerWeight.data[group * 8 + lane], s.LowerWeight[1 + o]) << label;
        // Both sums read rows groupRow .. groupRow + TapCount + 1.
        EXPECT_LE(stripes.groupRow[group] + s.TapCount + 2, stripes.rows) << label;
    }
}

TEST(DownStripesTest, EveryOutputFindsItsWindowAndWeights) {
    for (const float duration : {0.001f, 0.01f, 0.02f, 0.0232f, 0.1f, 1.0f}) {
        CDownSampler down(duration);
        const std::string label = "default, " + std::to_string(duration) + " s";
        const std::unique_ptr<DownStripes> stripes = StripesOf(down);
        ASSERT_NE(stripes, nullptr) << label;
        ExpectStripesMatch(down, *stripes, label);
    }
    for (const float outputRate : {7999.0f, 16000.0f, 11025.0f, 3000.0f}) {
        CDownSampler down(0.02f, 22050.0f, outputRate, 95, "/nonexistent/velumor.txt");
        const std::string label = "22050 -> " + std::to_string(outputRate) + " Hz";
        const std::unique_ptr<DownStripes> stripes = StripesOf(down);
        ASSERT_NE(stripes, nullptr) << label;
        ExpectStripesMatch(down, *stripes, label);
    }
}

TEST(DownStripesTest, PositionsThatMoveBackwardsGetNone) {
    const int base[] = {0, 40, 41, 42, 43, 44, 45, 46, 47, 2, 3, 4, 5, 6, 7, 8, 9};
    const int outputs = static_cast<int>(std::size(base));
    const std::vector<float> weights(static_cast<std::size_t>(outputs), 0.5f);
    EXPECT_EQ(velumor::MakeDownStripes(base, weights.data(), weights.data(), outputs, 35, 1000),
              nullptr);
    // The same positions in order have stripes; too little Work for them has none.
    const int ordered[] = {0, 2, 3, 4, 5, 6, 7, 8, 9, 40, 41, 42, 43, 44, 45, 46, 47};
    EXPECT_NE(velumor::MakeDownStripes(ordered, weights.data(), weights.data(), outputs, 35, 1000),
              nullptr);
    EXPECT_EQ(velumor::MakeDownStripes(ordered, weights.data(), weights.data(), outputs, 35, 40),
              nullptr);
}

// Output j needs grid slots 9 BaseIndex + Phase and the one after; a
// position's variant 0 vector fills slots 0 .. 7 of it, variant 1 slots 1 .. 8.
void ExpectLanesMatch(const CUpSampler& s, const UpLanes& lanes, const std::string& label) {
    const int positions = lanes.positions[0] + lanes.positions[1];
    std::vector<int> variants(static_cast<std::size_t>(s.InputLength + 1), 0);
    for (int i = 0; i < positions; ++i) {
        const int variant = i < lanes.positions[0] ? 1 : 2;
        int& seen = variants[static_cast<std::size_t>(lanes.position[i])];
        EXPECT_EQ(seen & variant, 0) << label << ": position listed twice";
        seen |= variant;
    }
    const auto filled = [&](int b, int slot) {
        const int v = variants[static_cast<std::size_t>(b)];
        return ((v & 1) && slot <= 7) || ((v & 2) && slot >= 1);
    };
    for (int j = 0; j < s.OutputLength; ++j) {
        const int b = s.BaseIndex[j];
        const int q = s.Phase[j];
        EXPECT_TRUE(filled(b, q) && filled(b, q + 1)) << label << ", output " << j;
        const int slot = UpLanes::kSlots * b + q;
        const int start = lanes.groupStart[j / 8];
        if (start >= 0) {
            const std::uint8_t* pick = lanes.pick.get() + (j / 8) * 16;
            EXPECT_EQ(start + pick[j % 8], slot) << label << ", output " << j;
            EXPECT_EQ(start + pick[8 + j % 8], slot + 1) << label << ", output " << j;
            EXPECT_LT(pick[8 + j % 8], UpLanes::kWindow) << label;
        } else {
            EXPECT_EQ(lanes.gatherIndex[(-1 - start) * 8 + j % 8], slot) << label << ", output " << j;
        }
    }
}

TEST(UpLanesTest, EveryOutputFindsItsGridValues) {
    // 10 ms has outputs whose BaseIndex and Phase disagree, and so groups
    // that gather.
    for (const float duration : {0.001f, 0.01f, 0.02f, 0.0232f, 0.03f, 0.1f, 1.0f}) {
        CUpSampler up(duration);
        const std::string label = "default, " + std::to_string(duration) + " s";
        const std::unique_ptr<UpLanes> lanes = LanesOf(up);
        ASSERT_NE(lanes, nullptr) << label;
        ExpectLanesMatch(up, *lanes, label);
    }
    for (const float outputRate : {11025.0f, 16000.0f, 44100.0f, 9000.0f}) {
        CUpSampler up(0.02f, 8000.0f, outputRate, 8, 145, "/nonexistent/velumor.txt");
        const std::string label = "8000 -> " + std::to_string(outputRate) + " Hz";
        const std::unique_ptr<UpLanes> lanes = LanesOf(up);
        ASSERT_NE(lanes, nullptr) << label;
        ExpectLanesMatch(up, *lanes, label);
    }
}

TEST(UpLanesTest, OnlyFactor8WithTapsHasLanes) {
    CUpSampler factor6(0.02f, 8000.0f, 24000.0f, 6, 109, "/nonexistent/velumor.txt");
    EXPECT_EQ(LanesOf(factor6), nullptr);
    CUpSampler noTaps(0.02f, 8000.0f, 22050.0f, 8, 7, "/nonexistent/velumor.txt");
    ASSERT_EQ(noTaps.Span, 1);
    EXPECT_EQ(LanesOf(noTaps), nullptr);
}

}  // namespace
