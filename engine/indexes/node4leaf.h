// Changing leaf blocks in place: the field widths of a new leaf, finding the
// place of a (key, record number) pair, widening the record-number field,
// inserting and removing one entry, and laying a run of entries out afresh
// (splits and builds). Everything works on a block image; nothing here reads
// or writes a file. The leaf layout is documented in cdx4format.h.
//
// Compression rules of the entries this file writes (a reader rebuilds a key
// from the previous key's first `duplicates` bytes, the stored bytes, and
// `trailing` pad bytes):
//   trailing   t = the pad bytes the key ends with (0 on level-26 tables for
//                  tags with a FOR expression)
//   duplicates d = the leading bytes shared with the previous key of the leaf,
//                  at most keyLen - t and at most keyLen - the previous key's t
//                  (so a reader that pads its copy of the previous key with
//                  zeros still rebuilds the key); 0 for the first entry
//   stored       keyLen - d - t bytes
// The neighbour after an inserted or removed entry is compressed again against
// its new predecessor; no other entry changes.
#pragma once
#include <cstdint>

#include "cdx4format.h"

// What every leaf of one tag shares.
struct LEAF4SHAPE {
    unsigned blockSize;
    unsigned keyLen;
    unsigned char pad;     // blank for machine-order text and the directory, else 0
    int noTrailing;        // trailing counts are always 0 (level 26, tag with FOR)
};

namespace leaf4 {

// Field widths of a leaf made empty for a tag of keyLen bytes on a table of
// recCount records (record-number bits from the count, at least 12, rounded
// so that all three fields fill whole bytes, at most 32).
cdx::LeafParams freshParams(unsigned keyLen, uint64_t recCount);
// Makes block an empty leaf with those widths: attributes attr (2 or 3), no
// siblings, free bytes blockSize - 24, the rest zero.
void initEmpty(unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, unsigned attr);
// The trailing count of a key under the shape's rules.
unsigned trailing(const LEAF4SHAPE &s, const unsigned char *key);
// How many leading bytes of a and b (len bytes each) are equal.
unsigned commonPrefix(const unsigned char *a, const unsigned char *b, unsigned len);
inline unsigned freeBytes(const unsigned char *block) { return b4::getU16le(block + cdx::LEAF_OFF_FREE); }
// Bytes used by the entry array and the stored keys.
unsigned usedBytes(const unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p);

// A place in a leaf: entry pos with its expanded neighbours.
struct Spot {
    unsigned pos;          // entry index; count means past the last entry
    unsigned top;          // offset where entry pos's stored bytes end (entry
                           // pos - 1's begin; the block's end for entry 0)
    unsigned char *prev;   // expanded key of entry pos - 1 (when pos > 0)
    unsigned char *here;   // expanded key of entry pos (when pos < count)
    unsigned char *next;   // room for one more key (remove)
    int equalKey;          // entry pos holds exactly the searched key
};

// The first entry at or after (key, rec) in (key, record number) order.
// spot->prev, here and next point at keyLen-byte buffers of the caller (find
// and at may swap prev and here). The leaf must have passed cdx::leafValid.
void find(const unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, const unsigned char *key,
          uint32_t rec, Spot *spot);
// Entry pos itself (pos <= count).
void at(const unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, unsigned pos, Spot *spot);

// The widths a leaf with widths p needs for rec: 8 more record-number bits
// and one more byte per entry for each step (R capped at 32). false when an
// entry would need more than 6 bytes.
bool widthsFor(const cdx::LeafParams &p, uint32_t rec, cdx::LeafParams *out);
// Widens the record-number field until rec fits (each step: 8 more bits, one
// more byte per entry, one free byte per entry). false when there is no room
// (the leaf is unchanged).
bool widen(unsigned char *block, const LEAF4SHAPE &s, cdx::LeafParams *p, uint32_t rec);
// Inserts (key, rec) as entry spot.pos, widening first. false when the leaf
// has no room (unchanged).
bool insert(unsigned char *block, const LEAF4SHAPE &s, cdx::LeafParams *p, const Spot &spot,
            const unsigned char *key, uint32_t rec);
// Removes entry spot.pos (< count). false in the one case the leaf cannot
// hold the result (its next key, compressed against a shorter common prefix,
// needs more bytes than were freed); the leaf is then unchanged.
bool remove(unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, const Spot &spot);

// Every entry expanded: keys (count * keyLen bytes) and record numbers.
// Returns the count.
unsigned decode(const unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, unsigned char *keys,
                uint32_t *records);
// Lays n entries out in a leaf that keeps block's attributes and siblings,
// with field widths p. false when they do not fit (block is then unusable).
bool encode(unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, const unsigned char *keys,
            const uint32_t *records, unsigned n);

}  // namespace leaf4
