// Heap bytes a default converter keeps, at 10 ms, 20 ms and 1 s frames,
// counted through the global allocation functions: what is still allocated
// once its constructor returns, and the most that was allocated at once
// while it ran (with the tables built and released on the way), beside the
// bytes of the converter's own public arrays (coefficients, history, Work
// and the per-output tables).
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <new>

#include "velumor.h"

namespace {
std::size_t live = 0;
std::size_t peak = 0;
// Each block starts with its size, so that a release can be counted.
constexpr std::size_t kHeader = alignof(std::max_align_t);
}  // namespace

void* operator new(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    live += size;
    peak = std::max(peak, live);
    return block + kHeader;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept {
    if (p == nullptr) return;
    unsigned char* block = static_cast<unsigned char*>(p) - kHeader;
    live -= *reinterpret_cast<std::size_t*>(block);
    std::free(block);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace {

std::size_t PublicArrays(const CDownSampler& c) {
    const std::size_t h = static_cast<std::size_t>(c.TapCount / 2);
    return 4 * (h + static_cast<std::size_t>(c.TapCount) + static_cast<std::size_t>(c.InputLength) +
                2 * h + 3 * static_cast<std::size_t>(c.OutputLength));
}

std::size_t PublicArrays(const CUpSampler& c) {
    const std::size_t g = static_cast<std::size_t>(c.Span - 1);
    return 4 * (g + static_cast<std::size_t>(c.TapCount) + static_cast<std::size_t>(c.InputLength) +
                g + 4 * static_cast<std::size_t>(c.OutputLength));
}

template <typename Converter>
void Report(const char* name, float seconds) {
    const std::size_t before = live;
    peak = live;
    const Converter c(seconds);
    const std::size_t kept = live - before;
    const std::size_t building = peak - before;
    const std::size_t arrays = PublicArrays(c);
    std::printf("| %-12s | %7.0f ms | %8zu | %8zu | %5.2f | %10zu |\n", name, seconds * 1000.0, arrays,
                kept, static_cast<double>(kept) / static_cast<double>(arrays), building);
}

}  // namespace

int main() {
    std::printf("| converter    |     frame | arrays B |   kept B | kept / arrays | peak B |\n");
    std::printf("|--------------|-----------|----------|----------|---------------|--------|\n");
    for (const float seconds : {0.01f, 0.02f, 1.0f}) {
        Report<CDownSampler>("CDownSampler", seconds);
        Report<CUpSampler>("CUpSampler", seconds);
    }
    return 0;
}
