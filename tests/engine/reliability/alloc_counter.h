// Counts the heap bytes the process holds, to bound what an operation
// allocates. In a sanitizer build the sanitizer's allocator hooks report
// every allocation and release; otherwise this test program supplies malloc,
// calloc, realloc and free itself, forwarding to the C library's own and
// counting the usable size of every block. operator new goes through malloc
// in both cases. The counting lives in alloc_counter_test.cpp.
#pragma once
#include <cstddef>
#include <cstdint>

namespace rely {

// Bytes held now, and whether counting works in this build.
int64_t heapHeld();
bool heapCounted();

// While alive, tracks the most bytes held above what was held at its start.
class AllocWindow {
public:
    AllocWindow();
    ~AllocWindow();
    AllocWindow(const AllocWindow &) = delete;
    AllocWindow &operator=(const AllocWindow &) = delete;
    int64_t peak() const;  // most bytes held above the start so far
    int64_t calls() const; // allocations (malloc, calloc, realloc, new) since the start
};

}  // namespace rely
