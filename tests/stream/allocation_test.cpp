// Streaming allocates nothing: this executable counts every operator new
// (support/counting_allocator.cpp) and, where the C library allows, malloc.
// It also makes creation's allocations fail one after another: each must
// give VELUMOR_ERROR_MEMORY, no stream and no leak.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "stream_runner.h"
#include "support/counting_allocator.h"

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// malloc and friends too, through glibc's own entry points.
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* malloc(std::size_t size) {
    counting_allocator::NoteAllocation();
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count, std::size_t size) {
    counting_allocator::NoteAllocation();
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
    counting_allocator::NoteAllocation();
    return __libc_realloc(p, size);
}
#endif

namespace {

TEST(StreamAllocationTest, StreamingAndFinishingAllocateNothing) {
    if (!counting_allocator::InPlace()) GTEST_SKIP() << "operator new is not the counting one";
    for (const auto& [in, out, channels] : {std::tuple{22050, 8000, 1}, std::tuple{8000, 22050, 2},
                                            std::tuple{48000, 16000, 3}}) {
        velumor_stream_config config;
        velumor_stream_config_init(&config, in, out, channels);
        velumor_stream* stream = nullptr;
        ASSERT_EQ(velumor_stream_create(&config, &stream), VELUMOR_OK);
        const std::size_t c = static_cast<std::size_t>(channels);
        const std::vector<std::int16_t> input = TestSignal(static_cast<std::size_t>(in), channels, 2);
        std::vector<std::int16_t> output(velumor_stream_max_output(stream, 5000) * c);
        std::size_t got = 0;
        std::size_t done = 0;
        const long before = counting_allocator::Allocations();
        for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{441}, std::size_t{5000},
                                    std::size_t{37}}) {
            ASSERT_EQ(velumor_stream_process(stream, input.data() + done * c, n, output.data(),
                                             output.size() / c, &got), VELUMOR_OK);
            done += n;
        }
        // A refused call (it sets the message) allocates nothing either.
        EXPECT_EQ(velumor_stream_process(stream, input.data(), 5000, output.data(), 1, &got),
                  VELUMOR_ERROR_OUTPUT_SIZE);
        (void)velumor_stream_latency(stream);
        ASSERT_EQ(velumor_stream_finish(stream, output.data(), output.size() / c, &got), VELUMOR_OK);
        EXPECT_EQ(counting_allocator::Allocations(), before) << in << " -> " << out;
        velumor_stream_destroy(stream);
    }
}

TEST(StreamAllocationTest, FailedAllocationsAtCreationReportMemoryAndLeakNothing) {
    if (!counting_allocator::InPlace()) GTEST_SKIP() << "operator new is not the counting one";
    for (const auto& [in, out, channels] : {std::tuple{22050, 8000, 2}, std::tuple{8000, 22050, 3}}) {
        velumor_stream_config config;
        velumor_stream_config_init(&config, in, out, channels);
        long failures = 0;
        for (long n = 1; n < 1000; ++n) {
            const long live = counting_allocator::LiveBlocks();
            velumor_stream* stream = nullptr;
            counting_allocator::FailAllocation(n);
            const velumor_status status = velumor_stream_create(&config, &stream);
            const bool reached = !counting_allocator::FailurePending();
            counting_allocator::FailAllocation(0);
            if (!reached) {
                EXPECT_EQ(status, VELUMOR_OK);
                velumor_stream_destroy(stream);
                break;
            }
            ++failures;
            EXPECT_EQ(status, VELUMOR_ERROR_MEMORY) << "allocation " << n;
            EXPECT_EQ(stream, nullptr);
            EXPECT_EQ(counting_allocator::LiveBlocks(), live) << "leak with allocation " << n << " failing";
        }
        EXPECT_GT(failures, 5);
    }
}

}  // namespace
