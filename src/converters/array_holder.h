// The arrays of a converter under construction, shared by both converters.
#ifndef VELUMOR_CONVERTERS_ARRAY_HOLDER_H
#define VELUMOR_CONVERTERS_ARRAY_HOLDER_H

#include <cstdint>
#include <memory>

#include "common/aligned_array.h"

namespace velumor {

// Each array is owned here, while the converter's member already points at
// it, until Keep() hands them all to the converter: a throw part-way through
// construction releases every array allocated so far.
class ArrayHolder {
public:
    ArrayHolder() = default;
    ArrayHolder(const ArrayHolder&) = delete;
    ArrayHolder& operator=(const ArrayHolder&) = delete;
    ~ArrayHolder() {
        while (count_ > 0) {
            --count_;
            held_[count_].release(held_[count_].array);
        }
    }

    // Allocates count zeroed elements for member (std::bad_alloc past INT_MAX).
    template <typename T>
    void Allocate(T*& member, std::int64_t count) {
        std::unique_ptr<T[]> array = NewZeroedArray<T>(count);
        member = array.get();
        held_[count_++] = Held{array.release(), [](void* p) { delete[] static_cast<T*>(p); }};
    }

    // The converter owns the arrays from now on.
    void Keep() { count_ = 0; }

private:
    struct Held {
        void* array;
        void (*release)(void*);
    };
    static constexpr int kMostArrays = 7;  // the upsampler's
    Held held_[kMostArrays] = {};
    int count_ = 0;
};

}  // namespace velumor

#endif
