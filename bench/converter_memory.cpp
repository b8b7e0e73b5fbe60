// Heap bytes a default converter takes, at 10 ms, 20 ms and 1 s frames:
// everything its constructor allocates, counted through the global
// allocation functions, beside the bytes of the converter's own public
// arrays (coefficients, history, Work and the per-output tables).
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <new>

#include "velumor.h"

namespace {
std::size_t allocated = 0;
}

void* operator new(std::size_t size) {
    allocated += size;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

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
    allocated = 0;
    const Converter c(seconds);
    const std::size_t heap = allocated;
    const std::size_t arrays = PublicArrays(c);
    std::printf("| %-12s | %7.0f ms | %8zu | %8zu | %5.2f |\n", name, seconds * 1000.0, arrays, heap,
                static_cast<double>(heap) / static_cast<double>(arrays));
}

}  // namespace

int main() {
    std::printf("| converter    |     frame | arrays B |   heap B | heap / arrays |\n");
    std::printf("|--------------|-----------|----------|----------|---------------|\n");
    for (const float seconds : {0.01f, 0.02f, 1.0f}) {
        Report<CDownSampler>("CDownSampler", seconds);
        Report<CUpSampler>("CUpSampler", seconds);
    }
    return 0;
}
