#ifndef VELUMOR_OWNED_ARRAY_H
#define VELUMOR_OWNED_ARRAY_H

#include <cstdint>
#include <limits>
#include <memory>
#include <new>

namespace velumor {

// Allocates count zeroed elements. The converters index their arrays with
// int, so a count past INT_MAX cannot be served and fails like any other
// allocation, with std::bad_alloc. Arrays held here until construction
// succeeds are released if a later one fails.
template <typename T>
std::unique_ptr<T[]> NewZeroedArray(std::int64_t count) {
    if (count < 0 || count > std::numeric_limits<int>::max()) throw std::bad_alloc();
    return std::unique_ptr<T[]>(new T[static_cast<std::size_t>(count)]());
}

}  // namespace velumor

#endif
