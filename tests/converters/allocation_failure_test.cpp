// Every constructor under failing allocations. This executable replaces the
// global operator new and delete (support/counting_allocator.cpp: single
// objects and arrays, so that arrays, make_unique and containers are all
// counted) with versions that throw std::bad_alloc on the Nth allocation; for every N up to the first that
// lets construction succeed, the constructor must throw bad_alloc and every
// block it had allocated must be released again.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <ostream>
#include <string>

#include "support/counting_allocator.h"
#include "support/temp_file.h"
#include "velumor.h"

namespace {

struct ConstructorCase {
    std::string name;
    std::function<void(const char* file)> construct;  // constructs and destroys
};

void PrintTo(const ConstructorCase& c, std::ostream* os) { *os << c.name; }

class AllocationFailureTest : public testing::TestWithParam<ConstructorCase> {};

TEST_P(AllocationFailureTest, ThrowsBadAllocAndLeaksNothing) {
    if (!counting_allocator::InPlace()) GTEST_SKIP() << "operator new is not the counting one";
    const TempFile file("0 0.5\n1 -0.25\n2 0.125\n3 0.0625\n4 1\n5 2\n6 3\n7 4\n8 5\n");
    constexpr long kGiveUp = 100;  // far more blocks than any converter allocates
    long failures = 0;
    for (long n = 1; n <= kGiveUp; ++n) {
        const long baseline = counting_allocator::LiveBlocks();
        counting_allocator::FailAllocation(n);
        bool threw = false;
        try {
            GetParam().construct(file.path());
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        const bool succeeded = counting_allocator::FailurePending();  // the Nth never came
        counting_allocator::FailAllocation(0);
        EXPECT_EQ(counting_allocator::LiveBlocks(), baseline) << "leak with allocation " << n << " failing";
        if (succeeded) {
            EXPECT_FALSE(threw);
            EXPECT_GE(failures, 1) << "the constructor allocated nothing";
            return;
        }
        EXPECT_TRUE(threw) << "allocation " << n << " failed but construction went on";
        ++failures;
    }
    FAIL() << "construction never succeeded";
}

INSTANTIATE_TEST_SUITE_P(
    EveryConstructor, AllocationFailureTest,
    testing::Values(
        ConstructorCase{"DownSamplerBuiltIn", [](const char*) { CDownSampler down(0.02f); }},
        ConstructorCase{"DownSamplerFromFile",
                        [](const char* file) { CDownSampler down(0.02f, 22050, 8000, 9, file); }},
        ConstructorCase{"UpSamplerBuiltIn", [](const char*) { CUpSampler up(0.02f); }},
        ConstructorCase{"UpSamplerFromFile",
                        [](const char* file) { CUpSampler up(0.02f, 8000, 22050, 4, 9, file); }}),
    [](const testing::TestParamInfo<ConstructorCase>& info) { return info.param.name; });

}  // namespace
