// The path key maintenance works on: copies of the blocks from a tag's root
// down to the leaf where a (key, record number) pair belongs, changed in
// place and handed to the write side (index4putBlock) level by level. It is
// apart from the reader's path (TAG4FILE::path), which every change clears.
//
// Invariants while an operation runs:
//  1. level[0] is the root; level[k + 1] is the child of level[k]'s entry
//     `position`; the last level is a leaf;
//  2. a level's block is the store's current image of that block once the
//     level was put (t4pathPut);
//  3. every branch entry carries the last (key, record number) of its child.
#pragma once
#include <cstdint>

#include "index4.h"
#include "node4leaf.h"

struct T4LEVEL {
    uint32_t ref;
    unsigned char *block;
    unsigned count;
    int position;            // entry leading down (branch), or the spot (leaf)
    int leaf;
    cdx::LeafParams params;  // leaves
};

struct T4PATH {
    TAG4FILE *tag;
    INDEX4FILE *file;
    LEAF4SHAPE shape;
    int depth;
    T4LEVEL level[TAG4_MAX_DEPTH];
    leaf4::Spot spot;        // the leaf's place, with its expanded neighbours
    // Scratch: the separator being passed up, block buffers for new nodes and
    // siblings, and room to lay a whole leaf (plus one entry) out again.
    unsigned char *lastKey;
    unsigned char *spare[3];
    unsigned char *keys;
    uint32_t *records;
    unsigned maxEntries;
};

// The path of tag t, set up for its key length (buffers of the file's write
// side). Null after -920.
T4PATH *t4pathOf(TAG4FILE *t);
// Descends from the root to the first entry at or after (key, rec); the
// leaf's spot is p->spot. 0, or -310 for a damaged node, or a read failure.
int t4pathFind(T4PATH *p, const unsigned char *key, uint32_t rec);
// Hands level k's block to the write side.
int t4pathPut(T4PATH *p, int k);
// The last (key, record number) of level k's node into p->lastKey.
uint32_t t4pathLast(T4PATH *p, int k);
// After level k's last entry changed: the entries leading to it up the path
// get the new last key, for as long as the changed entry is its node's last.
int t4pathSeparators(T4PATH *p, int k);
// A new node takes over the upper part of level k: entry `position` of the
// parent keeps leading to level k's node, a new entry after it leads to
// `right` (whose last key is rightKey/rightRec). Splits the parent when it
// is full, and makes a new root when level k was the root. hotRight: the key
// being added went to the new node (else to level k's).
int t4pathAddRight(T4PATH *p, int k, uint32_t right, const unsigned char *rightKey, uint32_t rightRec,
                   bool hotRight);
// Links node `added` (image in block) to the right of level k's node: the
// siblings of both and the left link of the node after them.
int t4pathLinkRight(T4PATH *p, int k, uint32_t added, unsigned char *block);
// Unlinks level k's node from its siblings and frees its block.
int t4pathUnlink(T4PATH *p, int k);
// The table's record count, for the widths of new leaves.
uint64_t t4pathRecords(const T4PATH *p);
// Lays out n entries (p->keys, p->records) in level k's leaf, splitting it
// in two when they do not fit one leaf (the new leaf goes to its right and
// the old one keeps the first `keep` entries, fewer or more when they do not
// fit; 0: half). The caller passes the new last key up when it fits. hot:
// the index of the key being added among the n (n when none is).
int t4pathLeafLayout(T4PATH *p, int k, unsigned n, unsigned keep, unsigned hot);

// The tag-file forms of t4add and t4remove (t4maint.h). Each joins the open
// change set of the file, or runs in one of its own that is taken back when
// it fails; the reader's position in the tag is cleared.
int tfile4add(TAG4FILE *t, const unsigned char *key, uint32_t rec, int unique);
int tfile4remove(TAG4FILE *t, const unsigned char *key, uint32_t rec);
