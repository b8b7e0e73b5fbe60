// Every constructor under failing allocations. This executable replaces the
// global operator new and delete (single objects and arrays, so that arrays,
// make_unique and containers are all counted) with versions that throw
// std::bad_alloc on the Nth allocation; for every N up to the first that
// lets construction succeed, the constructor must throw bad_alloc and every
// block it had allocated must be released again.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <ostream>
#include <string>

#include "support/temp_file.h"
#include "velumor.h"

namespace {

std::atomic<long> liveBlocks{0};
std::atomic<long> blocksToGo{0};  // the allocation that brings it to 0 fails; <= 0: never

void* Allocate(std::size_t size) {
    if (blocksToGo.load() > 0 && blocksToGo.fetch_sub(1) == 1) throw std::bad_alloc();
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    liveBlocks.fetch_add(1);
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr) return;
    liveBlocks.fetch_sub(1);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

namespace {

struct ConstructorCase {
    std::string name;
    std::function<void(const char* file)> construct;  // constructs and destroys
};

void PrintTo(const ConstructorCase& c, std::ostream* os) { *os << c.name; }

class AllocationFailureTest : public testing::TestWithParam<ConstructorCase> {};

// Whether allocations go through the counting operator new above (a tool
// such as valgrind may put its own in their place).
bool CountingIsInPlace() {
    const long before = liveBlocks.load();
    void* probe = ::operator new(1);
    const bool counted = liveBlocks.load() == before + 1;
    ::operator delete(probe);
    return counted;
}

TEST_P(AllocationFailureTest, ThrowsBadAllocAndLeaksNothing) {
    if (!CountingIsInPlace()) GTEST_SKIP() << "operator new is not the counting one";
    const TempFile file("0 0.5\n1 -0.25\n2 0.125\n3 0.0625\n4 1\n5 2\n6 3\n7 4\n8 5\n");
    constexpr long kGiveUp = 100;  // far more blocks than any converter allocates
    long failures = 0;
    for (long n = 1; n <= kGiveUp; ++n) {
        const long baseline = liveBlocks.load();
        blocksToGo = n;
        bool threw = false;
        try {
            GetParam().construct(file.path());
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        const bool succeeded = blocksToGo.load() > 0;  // the Nth allocation never came
        blocksToGo = 0;
        EXPECT_EQ(liveBlocks.load(), baseline) << "leak with allocation " << n << " failing";
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
