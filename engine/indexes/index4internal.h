// Internals shared by the files of the index reader: the tag's path of
// nodes, leaf entries and keys, and damage reports. Blocks are read through
// the index file's cache (block4cache.h).
#pragma once
#include "block4cache.h"
#include "index4.h"

// Bytes after each node's block image, so that a leaf entry can be loaded
// as one 8-byte word wherever it lies.
constexpr unsigned NODE4_SLACK = 8;

// Report a damaged index (-310) naming the tag and the file; returns -310.
int tfile4damaged(TAG4FILE *t);

// Drop the path: the tag has no position (each level keeps its node's image
// for the next descent, see NODE4).
void tfile4pathClear(TAG4FILE *t);
// Read block ref as the next level of the path (depth 0: the root), check
// it and the consistency with the parent's current entry, position 0.
// 0 or negative (the path is left as it was).
int tfile4down(TAG4FILE *t, uint32_t ref);
// Moves in stored order, whatever the tag's direction (tfile4nav.cpp).
// To the first key of the next leaf: 1 moved, 0 none (the path unchanged),
// negative error.
int tfile4nextLeaf(TAG4FILE *t);
// The path dropped and the root read: 0 or negative.
int tfile4goRoot(TAG4FILE *t);
// To the last key: 0 or negative.
int tfile4storedBottom(TAG4FILE *t);
// Keys moved, with the sign of n; at an end the tag rests on the first or
// last key.
long tfile4storedSkip(TAG4FILE *t, long n);
// Down from the current branch entry of the path's last node.
int tfile4downCurrent(TAG4FILE *t);
// The path's last node (the leaf once a move finished), or null.
inline NODE4 *tfile4leaf(TAG4FILE *t) { return t->depth > 0 ? &t->path[t->depth - 1] : nullptr; }
// Key length of the tag.
inline unsigned tfile4keyLen(const TAG4FILE *t) { return t->header.keyLen; }

// Leaf entry i of n as its packed integer (entry bytes, little-endian).
inline uint64_t node4packed(const NODE4 *n, unsigned i) {
    unsigned bytes = n->params.entryBytes;
    uint64_t v = b4::getU64le(n->block + cdx::LEAF_HEAD + i * bytes);
    return bytes >= 8 ? v : v & ((uint64_t(1) << (8 * bytes)) - 1);
}
// The key of entry i of node n: branch keys in place, leaf keys expanded
// into n->key (forward from the last expanded entry).
const unsigned char *node4key(TAG4FILE *t, NODE4 *n, unsigned i);
// The record number of entry i.
uint32_t node4record(TAG4FILE *t, NODE4 *n, unsigned i);
// Positions leaf n on its first key whose first len bytes are not below
// search (n->count when every key is below), judging each key by its
// duplicate count before its bytes; that key is left expanded. 0 when it
// matches the search on len bytes, else 2.
int node4seek(TAG4FILE *t, NODE4 *n, const unsigned char *search, unsigned len);

// Open / close the file-level objects (index4open.cpp).
void tfile4free(TAG4FILE *t);
