// Internals shared by the files of the index reader: block reads through the
// cache, the tag's path of nodes, key expansion, and damage reports.
#pragma once
#include "index4.h"

// Report a damaged index (-310) naming the tag and the file; returns -310.
int tfile4damaged(TAG4FILE *t);
// Read block ref of the index file (blockSize bytes) into out, through the
// cache; 0, or -310 for a reference outside the file, or the read's code.
int index4readBlock(INDEX4FILE *i, uint32_t ref, unsigned char *out);
// Empty the block cache (after the file was written by someone else).
void index4cacheClear(INDEX4FILE *i);

// Drop the path: the tag has no position.
void tfile4pathClear(TAG4FILE *t);
// Read block ref as the next level of the path (depth 0: the root), check
// it and the consistency with the parent's current entry, position 0.
// 0 or negative (the path is left as it was).
int tfile4down(TAG4FILE *t, uint32_t ref);
// Down from the current branch entry of the path's last node.
int tfile4downCurrent(TAG4FILE *t);
// The path's last node (the leaf once a move finished), or null.
inline NODE4 *tfile4leaf(TAG4FILE *t) { return t->depth > 0 ? &t->path[t->depth - 1] : nullptr; }
// The key of entry i of node n: branch keys in place, leaf keys expanded
// into n->key. Null (after -310) for a damaged leaf.
const unsigned char *node4key(TAG4FILE *t, NODE4 *n, unsigned i);
// The record number of entry i.
uint32_t node4record(TAG4FILE *t, NODE4 *n, unsigned i);
// Key length of the tag.
inline unsigned tfile4keyLen(const TAG4FILE *t) { return t->header.keyLen; }

// Open / close the file-level objects (index4open.cpp).
void tfile4free(TAG4FILE *t);
