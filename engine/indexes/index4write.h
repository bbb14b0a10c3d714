// The write side of an index file: changed blocks held in memory until the
// file is flushed, the journal that takes the last change set back, block
// allocation from the free chain or the end of the file, and the header
// fields (roots, free-chain head, version) written with the flush.
//
// Block images, newest first:
//   store (changed blocks not yet written) -> the block cache -> the file
// The block cache (index4block) consults the store first, so every reader
// sees the changes at once; the file sees them at index4flushBlocks (d4flush,
// closing, and when too many changed blocks pile up at the start of a change
// set), which hands each written image to the cache and drops it from the
// store. Every change to the store raises the cache's generation, so the
// tags' paths take their images again.
//
// Change sets (one record write's key changes across the tags of a file):
//   none --index4changeBegin--> open --index4changeClose--> closed
//   open | closed --index4changeUndo--> none   (every block, root, the free
//                                               chain, the end of file and
//                                               the version as at Begin)
//   open | closed --index4changeBegin / index4flushBlocks--> (kept) ...
// Invariants:
//  1. a block that is changed but not yet written is never dropped from the
//     store; a failed write leaves it changed, to be written by the next flush;
//  2. the journal holds, for every block first touched in the current change
//     set, its store entry as it was (or that it had none); nothing written to
//     the file is ever taken back, so the journal ends with each flush.
#pragma once
#include <cstdint>

#include "block4cache.h"
#include "index4.h"

// ---- blocks -------------------------------------------------------------

// The store's image of block ref into out (blockSize bytes): true when held.
bool index4storedBlock(INDEX4FILE *i, uint32_t ref, unsigned char *out);
// The store's image of block ref in place (valid until the store changes):
// true when held.
bool index4storedView(INDEX4FILE *i, uint32_t ref, BLOCK4VIEW *out);
// Bytes of the file on disk (the file's length less blocks only held here).
int64_t index4diskLen(const INDEX4FILE *i);
// Blocks were written straight to the file, up to its length (a tag built
// at its end).
void index4diskGrown(INDEX4FILE *i);
// Keep image as the new contents of block ref (journaled); 0 or -920.
int index4putBlock(INDEX4FILE *i, uint32_t ref, const unsigned char *image);
// Write image as block ref to the file and keep the reader's cache right;
// 0 or the file layer's code. (tfile4read.cpp, beside index4readBlock.)
int index4writeBlock(INDEX4FILE *i, uint32_t ref, const unsigned char *image);

// A block for a new node: the head of the free chain, else a new block at
// the end of the file. 0 with *ref, or negative.
int index4extend(INDEX4FILE *i, uint32_t *ref);
// Puts block ref on the free chain (its first 4 bytes: the old head).
int index4freeBlock(INDEX4FILE *i, uint32_t ref);

// ---- header fields ----------------------------------------------------------

// The tag's root becomes ref (written with the next flush).
int index4rootSet(TAG4FILE *t, uint32_t ref);
// The tag leaves the file: the write side forgets its root.
void index4tagForget(INDEX4FILE *i, TAG4FILE *t);
// The file changed: its version becomes the version last read or written + 1.
int index4versionStep(INDEX4FILE *i);
// The version as it will next be written.
uint32_t index4version(const INDEX4FILE *i);

// ---- change sets ------------------------------------------------------------

int index4changeBegin(INDEX4FILE *i);
int index4changeOpen(const INDEX4FILE *i);   // a set is open (operations join it)
void index4changeClose(INDEX4FILE *i);
void index4changeUndo(INDEX4FILE *i);

// Runs work() (0, positive or negative) inside a change set: the open one,
// or one of its own that a negative result undoes and any other closes.
template <class Work>
int index4changeRun(INDEX4FILE *i, Work &&work) {
    if (index4changeOpen(i)) return work();
    if (int rc = index4changeBegin(i)) return rc;
    int rc = work();
    if (rc < 0) index4changeUndo(i);
    else index4changeClose(i);
    return rc;
}

// Scratch memory owned by the write side (key maintenance's path): at least
// bytes bytes, zeroed when it grows; null after -920.
unsigned char *index4scratch(INDEX4FILE *i, size_t bytes);

// ---- flushing and releasing ---------------------------------------------------

// Writes every changed block (in file order) and the changed header fields.
// 0, or the first failure (what was not written stays changed).
int index4flushBlocks(INDEX4FILE *i);
// Forget every held block and change (after the file was rebuilt).
void index4writeReset(INDEX4FILE *i);
// Release the write side (the file is closing).
void index4writeFree(INDEX4FILE *i);
// Blocks held changed and not yet written.
long index4changedBlocks(const INDEX4FILE *i);
