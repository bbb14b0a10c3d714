// Runs sorted in memory and their merge. The input phase sorts every full
// run of SORT4_RUN elements as it completes, while its elements are still in
// the processor's cache (sort4sortRun); the last, partial run is sorted
// when the output starts (or a spool is written), and the runs are merged
// lazily through a heap of run cursors:
//
//   runHeap[2i] = position of run i's next pointer, runHeap[2i + 1] = its end
//   invariant: the heap orders runs by the element at their position
//
// With one run (or no room in the budget for the heap) the pointers are put
// in full order and handed out one after the other.
#include <cstdlib>
#include <cstring>
#include <utility>

#include "indexes/sort4low.h"

namespace {

// How far ahead of the merge the top run's elements are fetched.
constexpr uint64_t kAhead = 8;
// Elements up to this size are moved into order within their run.
constexpr uint32_t kMovedElementMax = 64;

// Elements are a multiple of 8 bytes: copied a word at a time, inline.
inline void copyElement(unsigned char *to, const unsigned char *from, size_t size) {
    for (size_t w = 0; w < size; w += 8) std::memcpy(to + w, from + w, 8);
}

bool before(const SORT4 *s, uint64_t a, uint64_t b) {
    return sort4compare(s->pointers[s->runHeap[2 * a]], s->pointers[s->runHeap[2 * b]], s->keyLen) < 0;
}

void swapRuns(SORT4 *s, uint64_t a, uint64_t b) {
    std::swap(s->runHeap[2 * a], s->runHeap[2 * b]);
    std::swap(s->runHeap[2 * a + 1], s->runHeap[2 * b + 1]);
}

void siftDown(SORT4 *s, uint64_t i) {
    for (;;) {
        uint64_t least = i, l = 2 * i + 1, r = l + 1;
        if (l < s->runHeapLen && before(s, l, least)) least = l;
        if (r < s->runHeapLen && before(s, r, least)) least = r;
        if (least == i) return;
        swapRuns(s, i, least);
        i = least;
    }
}

}  // namespace

void sort4runScratchTake(SORT4 *s) {
    if (s->runScratch || s->runScratchRefused) return;
    uint64_t bytes = SORT4_RUN * (sizeof(unsigned char *) + s->elemSize);
    if (s->elemSize <= kMovedElementMax && bytes <= s->budget / 4 && sort4inputAffords(s, bytes))
        s->runScratch = static_cast<unsigned char *>(std::malloc(bytes));
    if (!s->runScratch) {
        s->runScratchRefused = 1;
        return;
    }
    s->runScratchBytes = bytes;
    sort4hold(s, (int64_t)bytes);
}

void sort4sortRun(SORT4 *s, uint64_t first, uint64_t n) {
    unsigned char **p = s->pointers + first;
    if (!s->runScratch || n > SORT4_RUN) {
        sort4quick(p, n, s->keyLen);
        return;
    }
    auto **order = reinterpret_cast<unsigned char **>(s->runScratch);
    unsigned char *copy = s->runScratch + SORT4_RUN * sizeof(unsigned char *);
    std::memcpy(order, p, n * sizeof *p);
    // Elements put in ascending record numbers (an index build) only need
    // their keys ordered, equal keys kept in the order they came; the copy
    // area serves as the sort's second pointer array (elements are at
    // least eight bytes).
    uint64_t ascending = 1;
    while (ascending < n && sort4recNo(order[ascending - 1], s->keyLen) <= sort4recNo(order[ascending], s->keyLen))
        ascending++;
    if (ascending >= n)
        sort4stableByKey(order, n, s->keyLen, reinterpret_cast<unsigned char **>(copy));
    else
        sort4quick(order, n, s->keyLen);
    size_t size = s->elemSize;
    for (uint64_t i = 0; i < n; i++) copyElement(copy + i * size, order[i], size);
    for (uint64_t i = 0; i < n; i++) copyElement(p[i], copy + i * size, size);
}

void sort4runScratchRelease(SORT4 *s) {
    std::free(s->runScratch);
    sort4hold(s, -(int64_t)s->runScratchBytes);
    s->runScratch = nullptr;
    s->runScratchBytes = 0;
}

int sort4runsPrepare(SORT4 *s) {
    s->next = 0;
    uint64_t runs = (s->count + SORT4_RUN - 1) / SORT4_RUN;
    uint64_t tail = s->count % SORT4_RUN;
    uint64_t bytes = runs * 2 * sizeof(uint64_t);
    if (runs <= 1) {
        sort4sortRun(s, 0, s->count);
        return 0;
    }
    if (!sort4affords(s, bytes)) {
        sort4quick(s->pointers, s->count, s->keyLen);
        return 0;
    }
    if (tail) sort4sortRun(s, s->count - tail, tail);
    s->runHeap = static_cast<uint64_t *>(std::malloc(bytes));
    if (!s->runHeap) {
        sort4quick(s->pointers, s->count, s->keyLen);
        return 0;
    }
    sort4hold(s, (int64_t)bytes);
    s->runHeapLen = runs;
    for (uint64_t i = 0; i < runs; i++) {
        s->runHeap[2 * i] = i * SORT4_RUN;
        s->runHeap[2 * i + 1] = i + 1 == runs ? s->count : (i + 1) * SORT4_RUN;
    }
    for (uint64_t i = runs / 2; i-- > 0;) siftDown(s, i);
    return 0;
}

unsigned char *sort4runsNext(SORT4 *s) {
    if (!s->runHeap) return s->next < s->count ? s->pointers[s->next++] : nullptr;
    if (s->runHeapLen == 0) return nullptr;
    unsigned char *e = s->pointers[s->runHeap[0]++];
    // The run on top tends to stay there (equal keys come run by run): its
    // elements a few places on are fetched into the cache ahead of need.
    if (s->runHeap[0] + kAhead < s->runHeap[1]) __builtin_prefetch(s->pointers[s->runHeap[0] + kAhead]);
    if (s->runHeap[0] == s->runHeap[1]) {
        s->runHeapLen--;
        if (s->runHeapLen == 0) return e;
        swapRuns(s, 0, s->runHeapLen);
    }
    siftDown(s, 0);
    return e;
}

void sort4runsRelease(SORT4 *s) {
    if (!s->runHeap) return;
    std::free(s->runHeap);
    uint64_t runs = (s->count + SORT4_RUN - 1) / SORT4_RUN;  // as allocated: count does not change meanwhile
    sort4hold(s, -(int64_t)(runs * 2 * sizeof(uint64_t)));
    s->runHeap = nullptr;
    s->runHeapLen = 0;
}
