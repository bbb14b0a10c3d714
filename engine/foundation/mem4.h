// Fixed-size object pools. Every kind of engine object comes from a pool of
// equal-sized elements created with a start count and an expansion count.
//
// Pools live on one process-wide list. A request for a pool whose element
// size (sizes below 8 count as 8) matches an existing shared pool joins it
// and raises its start and expansion counts to the larger of the two; a
// private pool never joins and is never joined. Pool descriptors are taken
// ten at a time. A freed element goes on its pool's free list and is reused
// before the pool grows. Elements are handed out zeroed.
//
// Invariants:
//  1. every element of a pool is either on its free list or handed out;
//  2. a pool is released when its last user calls mem4release;
//  3. the process-wide list is guarded by a mutex, so contexts on different
//     threads may share pools.
#pragma once
#include <cstddef>

struct CODE4;
struct MEM4;

// Create or join a pool; null with -920 on the context when memory runs out.
MEM4 *mem4create(CODE4 *c, int start, size_t elementSize, int expand, int isPrivate);
// A zeroed element, or null after -920 through the context (which may be null).
void *mem4alloc(MEM4 *pool, CODE4 *c);
// Hand an element back.
void mem4free(MEM4 *pool, void *element);
// Drop one user of the pool; the last user frees its memory.
void mem4release(MEM4 *pool);

size_t mem4elementSize(const MEM4 *pool);
int mem4startCount(const MEM4 *pool);
int mem4expandCount(const MEM4 *pool);
int mem4poolCount();  // pools on the process-wide list, for tests
