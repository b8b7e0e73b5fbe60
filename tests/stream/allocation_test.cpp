// Streaming allocates nothing: this executable replaces the global operator
// new and delete (and malloc, where the C library allows) with counting
// versions. It also makes creation's allocations fail one after another:
// each must give VELUMOR_ERROR_MEMORY, no stream and no leak.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "stream_runner.h"

namespace {

std::atomic<long> g_allocations{0};
std::atomic<long> g_live{0};
std::atomic<long> g_toFail{0};  // the allocation that brings it to 0 fails

void* Allocate(std::size_t size) {
    if (g_toFail.load() > 0 && g_toFail.fetch_sub(1) == 1) throw std::bad_alloc();
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    g_allocations.fetch_add(1);
    g_live.fetch_add(1);
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr) return;
    g_live.fetch_sub(1);
    std::free(p);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// malloc and friends too, through glibc's own entry points.
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* malloc(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t count, std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
#endif

namespace {

bool CountingIsInPlace() {
    const long before = g_allocations.load();
    delete new int(1);
    return g_allocations.load() > before;
}

TEST(StreamAllocationTest, StreamingAndFinishingAllocateNothing) {
    if (!CountingIsInPlace()) GTEST_SKIP() << "operator new is not the counting one";
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
        const long before = g_allocations.load();
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
        EXPECT_EQ(g_allocations.load(), before) << in << " -> " << out;
        velumor_stream_destroy(stream);
    }
}

TEST(StreamAllocationTest, FailedAllocationsAtCreationReportMemoryAndLeakNothing) {
    if (!CountingIsInPlace()) GTEST_SKIP() << "operator new is not the counting one";
    for (const auto& [in, out, channels] : {std::tuple{22050, 8000, 2}, std::tuple{8000, 22050, 3}}) {
        velumor_stream_config config;
        velumor_stream_config_init(&config, in, out, channels);
        long failures = 0;
        for (long n = 1; n < 1000; ++n) {
            const long live = g_live.load();
            velumor_stream* stream = nullptr;
            g_toFail = n;
            const velumor_status status = velumor_stream_create(&config, &stream);
            const bool reached = g_toFail.load() <= 0;
            g_toFail = 0;
            if (!reached) {
                EXPECT_EQ(status, VELUMOR_OK);
                velumor_stream_destroy(stream);
                break;
            }
            ++failures;
            EXPECT_EQ(status, VELUMOR_ERROR_MEMORY) << "allocation " << n;
            EXPECT_EQ(stream, nullptr);
            EXPECT_EQ(g_live.load(), live) << "leak with allocation " << n << " failing";
        }
        EXPECT_GT(failures, 5);
    }
}

}  // namespace
