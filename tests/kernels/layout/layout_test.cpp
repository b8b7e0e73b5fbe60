// The vector kernels' layouts, built from converters' position tables for
// every vector width and checked against them on every machine (building a
// layout needs no particular instruction set; only running over it does):
// each output must find its own window start and weights in the stripes,
// and its own two grid values in the lanes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "converters/work_length.h"
#include "kernels/layout/down_stripes.h"
#include "kernels/layout/up_lanes.h"
#include "support/temp_file.h"
#include "velumor.h"

namespace {

using velumor::DownStripes;
using velumor::UpLanes;

// The vector widths of the instruction sets, and the windows their
// upsampler groups pick from.
struct Width {
    int lanes;
    int window;
};
constexpr Width kWidths[] = {{2, 256}, {4, 16}, {8, 32}};

std::unique_ptr<DownStripes> StripesOf(const CDownSampler& s, int lanes) {
    return velumor::MakeDownStripes(s.BaseIndex, s.UpperWeight, s.LowerWeight, s.OutputLength,
                                    s.TapCount, velumor::DownWorkCapacity(s), lanes);
}

std::unique_ptr<UpLanes> LanesOf(const CUpSampler& s, Width width) {
    return velumor::MakeUpLanes(s.BaseIndex, s.Phase, s.OutputLength, s.Factor, s.Span - 1,
                                static_cast<int>(velumor::UpWorkLength(s)), width.lanes,
                                width.window);
}

// Output 1 + o sits in lane o / stride of group o % stride; its window
// starts at first + groupRow + laneOffset, one row later where the group's
// blend mask has its lane.
void ExpectStripesMatch(const CDownSampler& s, const DownStripes& stripes, const std::string& label) {
    ASSERT_EQ(stripes.outputs, s.OutputLength - 1) << label;
    for (int o = 0; o < stripes.outputs; ++o) {
        const int group = o % stripes.stride;
        const int lane = o / stripes.stride;
        const int blend = (stripes.groupBlendMask.data[group] >> lane) & 1;
        const int w = stripes.lanes;
        EXPECT_EQ(stripes.first + stripes.groupRow.data[group] + stripes.laneOffset[lane] + blend,
                  s.BaseIndex[1 + o])
            << label << ", output " << 1 + o;
        EXPECT_EQ(stripes.upperWeight.data[group * w + lane], s.UpperWeight[1 + o]) << label;
        EXPECT_EQ(stripes.lowerWeight.data[group * w + lane], s.LowerWeight[1 + o]) << label;
        // Both sums read rows groupRow .. groupRow + TapCount + 1.
        EXPECT_LE(stripes.groupRow.data[group] + s.TapCount + 2, stripes.rows) << label;
    }
}

TEST(DownStripesTest, EveryOutputFindsItsWindowAndWeights) {
    for (const Width width : kWidths) {
        const std::string lanes = std::to_string(width.lanes) + " lanes, ";
        for (const float duration : {0.001f, 0.01f, 0.02f, 0.0232f, 0.1f, 1.0f}) {
            CDownSampler down(duration);
            const std::string label = lanes + "default, " + std::to_string(duration) + " s";
            const std::unique_ptr<DownStripes> stripes = StripesOf(down, width.lanes);
            ASSERT_NE(stripes, nullptr) << label;
            ExpectStripesMatch(down, *stripes, label);
        }
        // 96000 -> 1000 Hz: 19 outputs over 1900 input samples.
        for (const auto& [inputRate, outputRate] :
             {std::pair{22050.0f, 7999.0f}, std::pair{22050.0f, 16000.0f},
              std::pair{22050.0f, 11025.0f}, std::pair{22050.0f, 3000.0f},
              std::pair{96000.0f, 1000.0f}}) {
            CDownSampler down(0.02f, inputRate, outputRate, 95, "/nonexistent/velumor.txt");
            const std::string label = lanes + std::to_string(inputRate) + " -> " +
                                      std::to_string(outputRate) + " Hz";
            const std::unique_ptr<DownStripes> stripes = StripesOf(down, width.lanes);
            ASSERT_NE(stripes, nullptr) << label;
            ExpectStripesMatch(down, *stripes, label);
        }
    }
}

TEST(DownStripesTest, PositionsThatMoveBackwardsGetNone) {
    const int base[] = {0, 40, 41, 42, 43, 44, 45, 46, 47, 2, 3, 4, 5, 6, 7, 8, 9};
    const int outputs = static_cast<int>(std::size(base));
    const std::vector<float> weights(static_cast<std::size_t>(outputs), 0.5f);
    // The same positions in order have stripes; too little Work for them has none.
    const int ordered[] = {0, 2, 3, 4, 5, 6, 7, 8, 9, 40, 41, 42, 43, 44, 45, 46, 47};
    for (const Width width : kWidths) {
        const int lanes = width.lanes;
        EXPECT_EQ(velumor::MakeDownStripes(base, weights.data(), weights.data(), outputs, 35, 1000,
                                           lanes),
                  nullptr)
            << lanes;
        EXPECT_NE(velumor::MakeDownStripes(ordered, weights.data(), weights.data(), outputs, 35,
                                           1000, lanes),
                  nullptr)
            << lanes;
        EXPECT_EQ(velumor::MakeDownStripes(ordered, weights.data(), weights.data(), outputs, 35, 40,
                                           lanes),
                  nullptr)
            << lanes;
    }
}

// Output j needs slots Phase[j] (its lower value) and the one after at
// position BaseIndex[j]: some vector must cover both, and the output's pick
// (or gather) must point at them. A vector covers `lanes` slots of one
// position, or, with perVector positions a vector, slot l / perVector of
// position b0 + l % perVector in lane l.
void ExpectLanesMatch(const CUpSampler& s, const UpLanes& lanes, const std::string& label) {
    const int w = lanes.lanes;
    const int per = lanes.perVector;
    const int positions = s.InputLength + 1;
    EXPECT_EQ(per > 1 ? lanes.slots * per : w, w) << label;
    EXPECT_GE(lanes.slots, s.Factor + 1) << label;
    // Per grid slot: the position and slot whose value a vector stores there.
    std::vector<std::pair<int, int>> stored(static_cast<std::size_t>(lanes.slots * (positions + per)), {-1, -1});
    for (int run = 0; run < lanes.runs; ++run) {
        if (run > 0) EXPECT_LT(lanes.runSlot.data[run - 1], lanes.runSlot.data[run]) << label;
        const int first = lanes.runSlot.data[run];
        EXPECT_TRUE(per == 1 ? first + w <= lanes.slots : first == 0) << label;
        for (int v = lanes.runBegin.data[run]; v < lanes.runBegin.data[run + 1]; ++v) {
            const int b = lanes.position.data[v];
            EXPECT_EQ(b % per, 0) << label;
            for (int l = 0; l < w; ++l) {
                stored[static_cast<std::size_t>(lanes.slots * b + first + l)] =
                    per == 1 ? std::make_pair(b, first + l) : std::make_pair(b + l % per, l / per);
            }
        }
    }
    for (int j = 0; j < s.OutputLength; ++j) {
        const int b = s.BaseIndex[j];
        const int q = s.Phase[j];
        const auto slotOf = [&](int value) {
            const auto at = std::find(stored.begin(), stored.end(), std::make_pair(b, value));
            EXPECT_NE(at, stored.end()) << label << ", output " << j << ", slot " << value;
            return static_cast<int>(at - stored.begin());
        };
        const int lower = slotOf(q);
        const int upper = slotOf(q + 1);
        const int start = lanes.groupStart.data[j / w];
        if (start >= 0) {
            const std::uint8_t* pick = lanes.pick.data + (j / w) * 2 * w;
            EXPECT_EQ(start + pick[j % w], lower) << label << ", output " << j;
            EXPECT_EQ(start + pick[w + j % w], upper) << label << ", output " << j;
            EXPECT_LT(pick[w + j % w], lanes.window) << label;
        } else {
            EXPECT_EQ(lanes.gatherSlot.data[(-1 - start) * w + j % w], lower)
                << label << ", output " << j;
            EXPECT_EQ(lower + per, upper) << label << ", output " << j;
        }
    }
}

TEST(UpLanesTest, EveryOutputFindsItsGridValues) {
    for (const Width width : kWidths) {
        const std::string lanes = std::to_string(width.lanes) + " lanes, ";
        // 10 ms has outputs whose BaseIndex and Phase disagree, and so
        // groups that gather.
        for (const float duration : {0.001f, 0.01f, 0.02f, 0.0232f, 0.03f, 0.1f, 1.0f}) {
            CUpSampler up(duration);
            const std::string label = lanes + "default, " + std::to_string(duration) + " s";
            const std::unique_ptr<UpLanes> layout = LanesOf(up, width);
            ASSERT_NE(layout, nullptr) << label;
            ExpectLanesMatch(up, *layout, label);
        }
        for (const int factor : {1, 2, 3, 6, 8, 16, 32, 64}) {
            for (const float outputRate : {11025.0f, 16000.0f, 22050.0f, 44100.0f, 9000.0f}) {
                CUpSampler up(0.02f, 8000.0f, outputRate, factor, factor * 18 + 1,
                              "/nonexistent/velumor.txt");
                const std::string label = lanes + "factor " + std::to_string(factor) + ", 8000 -> " +
                                          std::to_string(outputRate) + " Hz";
                const std::unique_ptr<UpLanes> layout = LanesOf(up, width);
                ASSERT_NE(layout, nullptr) << label;
                ExpectLanesMatch(up, *layout, label);
            }
        }
    }
}

TEST(UpLanesTest, SumsWithoutTapsHaveNoLanes) {
    CUpSampler noTaps(0.02f, 8000.0f, 22050.0f, 8, 7, "/nonexistent/velumor.txt");
    ASSERT_EQ(noTaps.Span, 1);
    for (const Width width : kWidths) EXPECT_EQ(LanesOf(noTaps, width), nullptr) << width.lanes;
}

}  // namespace
