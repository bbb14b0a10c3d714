// Internals shared by the files of the relation: the handle check, the reset,
// set-up and qualifying test, the moves, and the sorted result.
#pragma once
#include "relate4.h"

// Internal outcome of a step: the record reached cannot be visited (it
// vanished from the table); the move passes over it.
constexpr int R4_PASS = 101;

// The stamp check and the error gate of every operation but relate4free;
// 0 when the relation may be used.
int relate4check(RELATE4 *r, long location);
// Discard the set-up, the parsed expressions and any sorted result.
void relate4reset(RELATION4 *rel);

// Set-up: parse the query, then build the sorted result when a sort text is
// set. 0 or negative; after a failure the set is not initialised.
int relate4setup(RELATION4 *rel);
// Free the parsed query and its operand list.
void relate4queryFree(RELATION4 *rel);
// Whether the master's current record qualifies: 1, 0 or negative.
int relate4qualifies(RELATION4 *rel);

// The first qualifying record in the unsorted order: 0, 3 or negative.
int relate4topUnsorted(RELATION4 *rel);
// Move by n qualifying records in the current order (sorted or not), with no
// checks: 0, 3, 4 or negative.
int relate4skipLow(RELATION4 *rel, long n);

// Build the sorted result (sort state 0 -> 'x' -> 'y', or back to 0 when
// no record qualifies). 0 or negative.
int relate4sortBuild(RELATION4 *rel);
// Position the master on sorted entry i: 0, 3 (after the last), 4 (before
// the first) or negative.
int relate4sortRead(RELATION4 *rel, long i);
// Free the sort, the file of sorted entries and their buffers; the sort
// state becomes 0.
void relate4sortEnd(RELATION4 *rel);

// Build the query bitmap from the parsed query and the master's tags; with
// none usable there is no bitmap. 0 or negative.
int relate4bitmapBuild(RELATION4 *rel);
void relate4bitmapFree(RELATION4 *rel);
// The set bits for records 1 .. bitmapRecords of a built bitmap.
long relate4bitmapCount(const RELATION4 *rel);
// Whether record r is a candidate (1) or cannot qualify (0).
int relate4candidate(const RELATION4 *rel, long r);
// The first candidate at or after (dir > 0) or at or before (dir < 0) from;
// a value outside 1 .. the bitmap's records when none is left there.
long relate4candidateNext(const RELATION4 *rel, long from, int dir);
