#include "support/counting_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long> allocations{0};
std::atomic<long> liveBlocks{0};
std::atomic<long> toGo{0};  // the allocation that brings it to 0 fails; <= 0: none

void* Allocate(std::size_t size) {
    if (toGo.load() > 0 && toGo.fetch_sub(1) == 1) throw std::bad_alloc();
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    allocations.fetch_add(1);
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

namespace counting_allocator {

long Allocations() { return allocations.load(); }
long LiveBlocks() { return liveBlocks.load(); }
void FailAllocation(long n) { toGo = n; }
bool FailurePending() { return toGo.load() > 0; }
void NoteAllocation() { allocations.fetch_add(1, std::memory_order_relaxed); }

bool InPlace() {
    const long before = liveBlocks.load();
    void* probe = ::operator new(1);
    const bool counted = liveBlocks.load() == before + 1;
    ::operator delete(probe);
    return counted;
}

}  // namespace counting_allocator
