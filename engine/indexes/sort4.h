// sort4: the external sort of fixed-size elements. An element is key bytes,
// a 32-bit record-number slot and optional extra information; elements come
// out in ascending order of their key bytes (compared as unsigned bytes),
// equal keys in ascending order of the record-number slot.
//
// Calling order: sort4init, any number of sort4put, sort4getInit, sort4get
// until it returns r4done (210), sort4free. sort4free may be called at any
// point after sort4init and always releases everything.
//
// States and transitions:
//
//   (zeroed) --sort4init--> INPUT --sort4put--> INPUT   (spools when full)
//   INPUT --sort4getInit--> MEMORY   (nothing was spooled: sorted in memory)
//   INPUT --sort4getInit--> MERGE    (spools: merged, in passes if needed)
//   MEMORY | MERGE --sort4get, nothing left--> DONE     (sort4get keeps 210)
//   any --read/write failure--> FAILED (every call returns that code)
//   any --sort4free--> (released, stamp cleared)
//
// Invariants:
//  1. memHeld (element blocks, pointer array, block list, writer buffer,
//     run scratch, merge records and buffers) never exceeds budget, counting
//     the old and the new copy while the pointer array is reallocated;
//  2. in INPUT, pointers[0 .. slotCount) is a permutation of every element
//     slot and pointers[0 .. count) are the slots holding elements; a sorted
//     run orders either its pointers or (small elements) its elements within
//     its own slots, never moving an element out of the run's slots;
//  3. once a spool was written, every spool but the last of a spool file
//     holds exactly runLen elements, so spool i starts at element i * runLen;
//  4. spool files have no name on disk while open (removed right after
//     creation), so no path, not even a killed program, leaves them behind.
#pragma once
#include <cstddef>
#include <cstdint>

#include "foundation/file4.h"

struct CODE4;
struct MEM4;

// Element memory comes in blocks of at most this many bytes (the sort pool
// size); the first pointer array has room for a quarter as many entries.
constexpr uint32_t SORT4_POOL_SIZE = 61440;
// Budgets smaller than this many elements' worth (plus merge overhead per
// element) are raised to it, so that a run holds a few elements and a merge
// can always take two spools.
constexpr uint32_t SORT4_BUDGET_MIN_ELEMENTS = 32;
// Largest element (key + 4 + extra information) a sort accepts.
constexpr uint32_t SORT4_ELEMENT_MAX = 1u << 20;

enum Sort4State : int32_t {
    SORT4_INPUT = 1,
    SORT4_MEMORY = 2,
    SORT4_MERGE = 3,
    SORT4_DONE = 4,
    SORT4_FAILED = 5,
};

// One spool taking part in a merge.
struct SORT4SPOOL {
    unsigned char *buf;   // its share of the merge buffers
    uint32_t bufElems;    // capacity of buf in elements
    uint32_t pos;         // index in buf of the current element
    uint32_t avail;       // elements in buf from pos on (0: exhausted)
    int64_t filePos;      // spool file offset of the next element not yet in buf
    uint64_t left;        // elements of the spool not yet read into buf
    uint64_t number;      // spool number within its file
};

struct SORT4 {
    int32_t s4valid;
    int32_t state;        // Sort4State
    int32_t failure;      // the code that stopped the sort (state FAILED)
    CODE4 *codeBase;
    uint32_t keyLen;
    uint32_t extraLen;
    uint32_t elemSize;    // keyLen + 4 + extraLen rounded up to a multiple of 8

    // Memory accounting.
    uint64_t budget;      // bytes the sort may hold (the context's budget, floored)
    uint64_t memHeld;     // bytes held now
    uint64_t memPeak;     // most bytes held at any time

    // Input phase.
    unsigned char **pointers;
    uint64_t pointerCap;
    MEM4 *pool;           // private pool of element blocks
    uint32_t blockElems;  // elements per block
    unsigned char **blocks;
    uint32_t blockCount;
    uint32_t blockCap;
    uint64_t slotCount;   // element slots in the blocks
    uint64_t count;       // elements held in memory
    uint64_t runLen;      // elements per spool once spooling began, else 0
    unsigned char *runScratch;  // sort4sortRun's copy: SORT4_RUN pointers, then as many elements
    uint64_t runScratchBytes;   // its size (0: not taken)
    int32_t runScratchRefused;  // the budget had no room for it

    // Spools: spool files and their writer. Passes of the merge alternate
    // between the two files; current is the one holding the spools.
    FILE4 spoolFile[2];
    int32_t spoolFileOpen[2];
    int32_t current;
    FILE4SEQ_WRITE writer;
    unsigned char *writerBuf;
    uint32_t writerSize;  // 0: the writer is unbuffered
    uint64_t spoolElems;  // elements in the current spool file
    uint64_t spoolCount;  // spools in the current spool file
    uint64_t spoolsWritten;  // spools written by the input phase
    uint32_t passes;      // merge passes made before the final merge

    // Output.
    uint64_t next;        // MEMORY: index of the next pointer to hand out
    uint64_t *runHeap;    // MEMORY with several sorted runs: (position, end) pairs, a heap by current element
    uint64_t runHeapLen;  // runs in the heap
    SORT4SPOOL *spools;   // MERGE: one record per spool being merged
    SORT4SPOOL **order;   // spools with elements left, by current element
    uint64_t active;      // entries of order
    unsigned char *mergeBuf;
    uint64_t mergeBytes;  // bytes of spools + order + mergeBuf held
    int32_t frontTaken;   // order[0]'s current element was handed out
};

// Start a sort of elements with keyLen key bytes and extraLen bytes of extra
// information; 0, or -930 for impossible lengths (s is then left zeroed and
// needs no sort4free). The memory budget is the context's memSizeSortBudget
// at this moment; nothing is allocated before the first sort4put.
int sort4init(SORT4 *s, CODE4 *c, int keyLen, int extraLen);
// Add an element. recNo must fit 32 bits unsigned; key holds keyLen bytes;
// extra holds extraLen bytes (null: zeros). 0 or negative.
int sort4put(SORT4 *s, long recNo, const void *key, const void *extra);
// End the input phase and prepare the output; 0 or negative.
int sort4getInit(SORT4 *s);
// The next element: 0 with its record number, key and extra information
// (each out parameter may be null; extra is null when extraLen is 0; the
// pointers stay valid until the next sort4get or sort4free), r4done (210)
// when no element is left, or negative.
int sort4get(SORT4 *s, long *recNo, void **key, void **extra);
// Release everything and remove the spool files; 0 or a close failure.
int sort4free(SORT4 *s);
