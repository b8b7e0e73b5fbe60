// The library's arrays: zeroed, sized with 64-bit counts, aligned where
// whole vectors load them.
#ifndef VELUMOR_COMMON_ALIGNED_ARRAY_H
#define VELUMOR_COMMON_ALIGNED_ARRAY_H

#include <cstdint>
#include <limits>
#include <memory>
#include <new>

namespace velumor {

// n rounded up to a multiple of to (n >= 0, to > 0).
constexpr std::int64_t RoundUp(std::int64_t n, std::int64_t to) { return (n + to - 1) / to * to; }

// Allocates count zeroed elements. The converters index their arrays with
// int, so a count past INT_MAX cannot be served and fails like any other
// allocation, with std::bad_alloc. Arrays held here until construction
// succeeds are released if a later one fails.
template <typename T>
std::unique_ptr<T[]> NewZeroedArray(std::int64_t count) {
    if (count < 0 || count > std::numeric_limits<int>::max()) throw std::bad_alloc();
    return std::unique_ptr<T[]>(new T[static_cast<std::size_t>(count)]());
}

// Zeroed elements starting on a 64-byte boundary (one cache line, one
// AVX-512 vector), so that whole vectors load without splitting lines.
template <typename T>
struct AlignedArray {
    std::unique_ptr<unsigned char[]> storage;
    T* data = nullptr;
};

template <typename T>
AlignedArray<T> NewAlignedZeroedArray(std::int64_t count) {
    constexpr std::int64_t kAlign = 64;
    AlignedArray<T> a;
    a.storage = NewZeroedArray<unsigned char>(count * std::int64_t{sizeof(T)} + kAlign);
    const auto address = reinterpret_cast<std::uintptr_t>(a.storage.get());
    const std::uintptr_t skip = (kAlign - address % kAlign) % kAlign;
    a.data = reinterpret_cast<T*>(a.storage.get() + skip);
    return a;
}

}  // namespace velumor

#endif
