#include "common/sample_store.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

struct StoreCase {
    double value;
    short sample;
};

void PrintTo(const StoreCase& c, std::ostream* os) { *os << c.value; }

class SampleStoreTest : public ::testing::TestWithParam<StoreCase> {};

TEST_P(SampleStoreTest, TruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(velumor::StoreSample(GetParam().value), GetParam().sample);
}

constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, SampleStoreTest,
    ::testing::Values(StoreCase{32767.9, 32767}, StoreCase{0.9, 0}, StoreCase{-0.9, 0},
                      StoreCase{-32768.7, -32768}, StoreCase{1000.99, 1000},
                      StoreCase{-1000.99, -1000},
                      // Past the 16-bit range: the nearest end, not a wrap.
                      StoreCase{32768.0, 32767}, StoreCase{40000.2, 32767},
                      StoreCase{-40000.2, -32768}, StoreCase{65536.5, 32767},
                      StoreCase{-32769.5, -32768}, StoreCase{1e300, 32767},
                      StoreCase{-1e300, -32768},
                      // No number: 0.
                      StoreCase{std::numeric_limits<double>::quiet_NaN(), 0},
                      StoreCase{kInf, 0}, StoreCase{-kInf, 0}));

}  // namespace
