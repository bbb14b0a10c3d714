// Internals shared by the source files of the sort (sort4.cpp, sort4quick.cpp,
// sort4spool.cpp, sort4merge.cpp); not part of the engine's public face.
#pragma once
#include <cstdint>
#include <cstring>

#include "foundation/bytes.h"
#include "indexes/sort4.h"

// Key bytes are compared eight at a time, as big-endian integers: the
// chunk at offset d (a multiple of 8 below keyLen) is the key bytes from d
// on, the bytes past the key's end masked to zero. Reading eight bytes there
// stays inside the element: elemSize is a multiple of 8 above keyLen. Keys
// all have keyLen bytes, so chunk order is the order of the bytes as unsigned.
inline uint64_t sort4chunk(const unsigned char *e, uint32_t d, uint32_t keyLen) {
    uint64_t v = b4::getU64be(e + d);
    uint32_t left = keyLen - d;
    return left >= 8 ? v : v & ~(~0ull >> (8 * left));
}

inline uint32_t sort4recNo(const unsigned char *e, uint32_t keyLen) { return b4::getU32le(e + keyLen); }

// Element order from key offset d (a multiple of 8; keyLen: the record
// numbers only), given that the bytes before d are equal.
inline int sort4compareFrom(const unsigned char *a, const unsigned char *b, uint32_t d, uint32_t keyLen) {
    for (; d < keyLen; d += 8) {
        uint64_t x = sort4chunk(a, d, keyLen), y = sort4chunk(b, d, keyLen);
        if (x != y) return x < y ? -1 : 1;
    }
    uint32_t ra = sort4recNo(a, keyLen), rb = sort4recNo(b, keyLen);
    return ra < rb ? -1 : (ra > rb ? 1 : 0);
}

// Element order: key bytes as unsigned, then the record-number slot.
inline int sort4compare(const unsigned char *a, const unsigned char *b, uint32_t keyLen) {
    return sort4compareFrom(a, b, 0, keyLen);
}

// Sort n element pointers into element order (the elements stay put).
void sort4quick(unsigned char **p, uint64_t n, uint32_t keyLen);
// Sort n element pointers by key alone, equal keys left in their order;
// tmp has room for n pointers.
void sort4stableByKey(unsigned char **p, uint64_t n, uint32_t keyLen, unsigned char **tmp);

// Elements held in memory are sorted in runs of this many as they arrive,
// while they are still in the processor's cache; the output then merges the
// runs lazily, so the first elements come out long before a sort of the
// whole set would have finished.
constexpr uint64_t SORT4_RUN = 16384;
// Sort the n elements of pointers[first, first + n), n at most SORT4_RUN.
// Small elements are then moved into that order within the run's own slots
// (the pointers stay as they are), so that the merge of the runs reads each
// run's elements one after the other; larger ones, or without the run's
// scratch copy (see sort4runScratchTake), only have their pointers ordered.
void sort4sortRun(SORT4 *s, uint64_t first, uint64_t n);
// Take the scratch copy of sort4sortRun before the first element slots, when
// the elements are small and it costs at most a quarter of the budget.
void sort4runScratchTake(SORT4 *s);
// Give back the scratch copy of sort4sortRun.
void sort4runScratchRelease(SORT4 *s);
// After an element was added: sort the run it completed, if any.
inline void sort4runCompleted(SORT4 *s) {
    if (s->count % SORT4_RUN == 0) sort4sortRun(s, s->count - SORT4_RUN, SORT4_RUN);
}
// Start handing out the elements held in memory; 0 or negative.
int sort4runsPrepare(SORT4 *s);
// The next element in order, or null when none is left.
unsigned char *sort4runsNext(SORT4 *s);
// Give back the run heap.
void sort4runsRelease(SORT4 *s);

// Whether the sort may take bytes more without passing its budget.
inline bool sort4affords(const SORT4 *s, uint64_t bytes) {
    return s->memHeld <= s->budget && bytes <= s->budget - s->memHeld;
}
// Room in the input phase: the budget less the writer buffer still to come
// and the heap that merges the sorted runs of the slots one more block gives.
inline bool sort4inputAffords(const SORT4 *s, uint64_t bytes) {
    uint64_t runs = (s->slotCount + s->blockElems) / SORT4_RUN + 1;
    uint64_t reserve = (s->writerBuf ? 0 : s->writerSize) + runs * 2 * sizeof(uint64_t);
    return sort4affords(s, bytes) && s->budget - s->memHeld - bytes >= reserve;
}
// Account bytes taken (positive) or given back (negative).
inline void sort4hold(SORT4 *s, int64_t delta) {
    s->memHeld += (uint64_t)delta;
    if (s->memHeld > s->memPeak) s->memPeak = s->memHeld;
}
// Stop the sort with a failure code; returns the code.
int sort4fail(SORT4 *s, int rc);

// Bytes one merging spool costs beside its buffer (record and order entry).
constexpr uint64_t SORT4_SPOOL_OVERHEAD = sizeof(SORT4SPOOL) + sizeof(SORT4SPOOL *);

// Sort the elements held in memory and write them as one more spool.
int sort4spool(SORT4 *s);
// Flush the spool writer (end of the input phase or of a merge pass).
int sort4spoolFlush(SORT4 *s);
// Create spool file i if needed (a nameless temporary file) or empty it.
int sort4spoolFileReady(SORT4 *s, int i);
// Elements of spool number n of the current spool file.
uint64_t sort4spoolLength(const SORT4 *s, uint64_t n);

// Merge the spools (in passes when they outnumber what the budget can
// buffer) and prepare the final merge; 0 or negative.
int sort4mergePrepare(SORT4 *s);
// The next element of the final merge: 0, r4done or negative.
int sort4mergeNext(SORT4 *s, unsigned char **element);
// Give back the merge records and buffers.
void sort4mergeRelease(SORT4 *s);
