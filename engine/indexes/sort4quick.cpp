// The in-memory sort of the external sort: an iterative quick sort over
// element pointers with an explicit stack of pending ranges. A range of more
// than 8 elements is partitioned around the median of its first, middle and
// last elements (put in order first, so they serve as sentinels); smaller
// ranges are finished by insertion sort. Only pointers move.
#include "indexes/sort4low.h"

namespace {

constexpr uint64_t kSmallRange = 8;

inline void swapPointers(unsigned char **p, uint64_t i, uint64_t j) {
    unsigned char *t = p[i];
    p[i] = p[j];
    p[j] = t;
}

// Insertion sort of p[lo .. hi].
void insertionSort(unsigned char **p, uint64_t lo, uint64_t hi, uint32_t keyLen) {
    for (uint64_t i = lo + 1; i <= hi; i++) {
        unsigned char *v = p[i];
        uint64_t j = i;
        while (j > lo && sort4compare(v, p[j - 1], keyLen) < 0) {
            p[j] = p[j - 1];
            j--;
        }
        p[j] = v;
    }
}

// Partitions p[lo .. hi] (more than 8 entries); returns the pivot's final
// index: entries before it are not greater, entries after it not smaller.
uint64_t partition(unsigned char **p, uint64_t lo, uint64_t hi, uint32_t keyLen) {
    uint64_t mid = lo + (hi - lo) / 2;
    if (sort4compare(p[mid], p[lo], keyLen) < 0) swapPointers(p, lo, mid);
    if (sort4compare(p[hi], p[lo], keyLen) < 0) swapPointers(p, lo, hi);
    if (sort4compare(p[hi], p[mid], keyLen) < 0) swapPointers(p, mid, hi);
    // p[lo] <= median <= p[hi]; park the median next to the end.
    swapPointers(p, mid, hi - 1);
    unsigned char *pivot = p[hi - 1];
    uint64_t i = lo, j = hi - 1;
    for (;;) {
        while (sort4compare(p[++i], pivot, keyLen) < 0) {}  // stops at hi - 1 at the latest
        while (sort4compare(pivot, p[--j], keyLen) < 0) {}  // stops at lo at the latest
        if (i >= j) break;
        swapPointers(p, i, j);
    }
    swapPointers(p, i, hi - 1);
    return i;
}

}  // namespace

void sort4quick(unsigned char **p, uint64_t n, uint32_t keyLen) {
    if (n < 2) return;
    // Pushing the larger part and going on with the smaller keeps the stack
    // below log2(n) entries.
    struct Range {
        uint64_t lo, hi;
    } stack[64];
    int depth = 0;
    uint64_t lo = 0, hi = n - 1;
    for (;;) {
        if (hi - lo + 1 <= kSmallRange) {
            insertionSort(p, lo, hi, keyLen);
            if (depth == 0) return;
            depth--;
            lo = stack[depth].lo;
            hi = stack[depth].hi;
            continue;
        }
        // The pivot lands strictly inside the range: both parts are non-empty.
        uint64_t at = partition(p, lo, hi, keyLen);
        Range left{lo, at - 1}, right{at + 1, hi};
        bool leftSmaller = at - lo < hi - at;
        stack[depth++] = leftSmaller ? right : left;
        lo = leftSmaller ? left.lo : right.lo;
        hi = leftSmaller ? left.hi : right.hi;
    }
}
