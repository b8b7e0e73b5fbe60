// The global operator new and delete, in every form, replaced by counting
// versions that can make one allocation fail: linked into the test
// executables that count allocations (counting_allocator.cpp).
#ifndef VELUMOR_TESTS_SUPPORT_COUNTING_ALLOCATOR_H
#define VELUMOR_TESTS_SUPPORT_COUNTING_ALLOCATOR_H

namespace counting_allocator {

// Allocations so far: every operator new, and whatever NoteAllocation adds.
long Allocations();
// Blocks from operator new not yet released.
long LiveBlocks();
// The nth operator new from now throws std::bad_alloc (n <= 0: none does).
void FailAllocation(long n);
// Whether the allocation FailAllocation named is still to come.
bool FailurePending();
// For other allocators a test counts too (malloc).
void NoteAllocation();
// Whether operator new is the counting one (a tool such as valgrind may put
// its own in its place).
bool InPlace();

}  // namespace counting_allocator

#endif
