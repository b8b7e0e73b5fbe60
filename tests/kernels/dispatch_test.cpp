// The code path the library picks at run time for the processor it runs on.
// The path tests run every path on engines of their choosing; this test
// checks the choice itself, for the library and for the default converters, which only a run on another processor can show:
// scripts/ci-emulation.sh runs the unit tests under qemu as several processor
// models and names, in VELUMOR_EXPECT_BEST_PATH, the instruction set whose
// path each one must get. Without the variable it is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "converters/down_engine.h"
#include "converters/up_engine.h"
#include "kernels/kernel_path.h"
#include "velumor.h"

namespace {

using velumor::KernelPath;

struct NamedPath {
    const char* instructionSet;
    KernelPath path;
};

// The instruction sets this architecture has a path for, and that path; on
// other architectures the scalar definition is the only one.
#if defined(__x86_64__)
constexpr NamedPath kPaths[] = {
    {"sse2", KernelPath::kSse2},
    {"avx2", KernelPath::kAvx2},
    {"avx512", KernelPath::kAvx512},
};
#elif defined(__aarch64__)
constexpr NamedPath kPaths[] = {
    {"neon", KernelPath::kNeon},
};
#else
constexpr NamedPath kPaths[] = {
    {"scalar", KernelPath::kScalar},
};
#endif

// The name under which kPaths lists a path, or its number.
std::string NameOf(KernelPath path) {
    for (const NamedPath& named : kPaths) {
        if (named.path == path) return named.instructionSet;
    }
    return "number " + std::to_string(static_cast<int>(path));
}

TEST(DispatchTest, PicksThePathOfTheExpectedInstructionSet) {
    const char* expected = std::getenv("VELUMOR_EXPECT_BEST_PATH");
    if (expected == nullptr || *expected == '\0') {
        GTEST_SKIP() << "VELUMOR_EXPECT_BEST_PATH is not set; scripts/ci-emulation.sh sets it "
                        "for each emulated processor";
    }
    std::string known;
    for (const NamedPath& named : kPaths) {
        if (expected == std::string(named.instructionSet)) {
            EXPECT_EQ(NameOf(velumor::BestKernelPath()), expected)
                << "the library picked another path than this processor's fastest";
            // The default converters run on it too.
            CDownSampler down(0.02f);
            CUpSampler up(0.02f);
            EXPECT_EQ(NameOf(velumor::DownEngine::ForConverter(down)->Path()), expected);
            EXPECT_EQ(NameOf(velumor::UpEngine::ForConverter(up)->Path()), expected);
            return;
        }
        known += std::string(known.empty() ? "" : ", ") + named.instructionSet;
    }
    FAIL() << "VELUMOR_EXPECT_BEST_PATH=" << expected << " names no path of this architecture ("
           << known << ")";
}

}  // namespace
