// The compound index file (".cdx") on disk: tag headers, node blocks and
// block references, as constants and bounded decoders. Readers and writers
// of the index layer share these; nothing here touches a file.
//
// File: a tag directory header at offset 0, tag headers wherever the
// directory's entries point (any 512-byte boundary), node blocks of
// blockSize bytes anywhere after them. Little-endian unless marked BE.
//
// Block reference: 32-bit, byte offset / reference unit (unit 1 unless the
// directory carries the large-block marker). -1 (all bits) = no sibling.
//
// Tag header (1024 bytes; the directory's header has the same form)
//   off  size  meaning
//     0     4  root node reference
//     4     4  free-block chain head (directory only; 0 = empty)
//     8     4  version counter, BE
//    12     2  key length in bytes
//    14     1  type flags: 0x01 unique, 0x02 null-marker byte, 0x04
//              candidate, 0x08 FOR expression, 0x20 compact, 0x40
//              compound, 0x80 tag directory
//    15     1  signature (1; other writers put 2)
//    16     4  large-block marker 0xABCD (directory only), else anything
//    20     4  block size (valid with the marker)
//    24     4  reference unit (valid with the marker)
//   494     8  collation name, zero-terminated ("" machine, "GENERAL", "CBn")
//   502     2  descending flag (1)
//   504     2  FOR expression offset in the pool
//   506     2  FOR expression length with its zero byte (1: none)
//   508     2  key expression offset in the pool (0)
//   510     2  key expression length with its zero byte
//   512   512  expression pool
//
// Node block (blockSize bytes)
//   off  size  meaning
//     0     2  attributes: bit 0x01 root, bit 0x02 leaf (other writers also
//              set 0x04; values 4..7 are read by these two bits alone)
//     2     2  key count
//     4     4  left sibling reference, -1 none
//     8     4  right sibling reference, -1 none
//   Branch, from 12: count entries of keyLen + 8 bytes each:
//     key (keyLen bytes), record number (4, BE), child reference (4, BE);
//     each entry holds the last key and record number of its child.
//   Leaf:
//    12     2  free bytes
//    14     4  record-number mask
//    18     1  duplicate-count mask
//    19     1  trailing-count mask
//    20     1  record-number bits R
//    21     1  duplicate-count bits D
//    22     1  trailing-count bits T
//    23     1  bytes per entry B (1..6)
//    24   n*B  packed entries, each a B-byte LE integer: record number in
//              bits 0..R-1, duplicate count in R..R+D-1, trailing count in
//              R+D..R+D+T-1
//   The stored key bytes (keyLen - duplicates - trailing) are packed from
//   the block's end downwards: entry 0's at the very end, each next one
//   immediately below. A key is the previous key's first `duplicates`
//   bytes, its stored bytes, then `trailing` pad bytes (blank for machine
//   text keys and the directory, 0x00 otherwise).
#pragma once
#include <cstdint>

#include "foundation/bytes.h"

namespace cdx {

constexpr unsigned HEADER_SIZE = 1024;
constexpr unsigned HEADER_FIXED = 512;   // the part before the expression pool
constexpr unsigned POOL_SIZE = 512;
constexpr unsigned DEFAULT_BLOCK = 512;

constexpr unsigned OFF_ROOT = 0;
constexpr unsigned OFF_FREE = 4;
constexpr unsigned OFF_VERSION = 8;
constexpr unsigned OFF_KEY_LEN = 12;
constexpr unsigned OFF_TYPE = 14;
constexpr unsigned OFF_SIGNATURE = 15;
constexpr unsigned OFF_MARKER = 16;
constexpr unsigned OFF_BLOCK_SIZE = 20;
constexpr unsigned OFF_UNIT = 24;
constexpr unsigned OFF_COLLATION = 494;
constexpr unsigned COLLATION_LEN = 8;
constexpr unsigned OFF_DESCENDING = 502;
constexpr unsigned OFF_FOR_POS = 504;
constexpr unsigned OFF_FOR_LEN = 506;
constexpr unsigned OFF_EXPR_POS = 508;
constexpr unsigned OFF_EXPR_LEN = 510;
constexpr unsigned OFF_POOL = 512;

constexpr uint32_t LARGE_MARKER = 0xABCD;

constexpr unsigned char TYPE_UNIQUE = 0x01;
constexpr unsigned char TYPE_NULL_MARKER = 0x02;
constexpr unsigned char TYPE_CANDIDATE = 0x04;
constexpr unsigned char TYPE_FOR = 0x08;
constexpr unsigned char TYPE_COMPACT = 0x20;
constexpr unsigned char TYPE_COMPOUND = 0x40;
constexpr unsigned char TYPE_DIRECTORY = 0x80;

constexpr unsigned DIRECTORY_KEY_LEN = 10;
constexpr unsigned TAG_NAME_MAX = 10;

constexpr unsigned NODE_OFF_ATTR = 0;
constexpr unsigned NODE_OFF_COUNT = 2;
constexpr unsigned NODE_OFF_LEFT = 4;
constexpr unsigned NODE_OFF_RIGHT = 8;
constexpr unsigned NODE_HEAD = 12;
constexpr unsigned ATTR_ROOT = 0x01;
constexpr unsigned ATTR_LEAF = 0x02;

constexpr unsigned LEAF_OFF_FREE = 12;
constexpr unsigned LEAF_OFF_REC_MASK = 14;
constexpr unsigned LEAF_OFF_DUP_MASK = 18;
constexpr unsigned LEAF_OFF_TRAIL_MASK = 19;
constexpr unsigned LEAF_OFF_REC_BITS = 20;
constexpr unsigned LEAF_OFF_DUP_BITS = 21;
constexpr unsigned LEAF_OFF_TRAIL_BITS = 22;
constexpr unsigned LEAF_OFF_ENTRY_BYTES = 23;
constexpr unsigned LEAF_HEAD = 24;
constexpr unsigned LEAF_MAX_ENTRY_BYTES = 6;

constexpr uint32_t NO_BLOCK = 0xFFFFFFFFu;

// A branch entry: key, record number (BE), child (BE).
constexpr unsigned branchEntrySize(unsigned keyLen) { return keyLen + 8; }
// Branch entries a block can hold.
constexpr unsigned branchCapacity(unsigned blockSize, unsigned keyLen) {
    return (blockSize - NODE_HEAD) / branchEntrySize(keyLen);
}

inline unsigned nodeAttributes(const unsigned char *block) { return b4::getU16le(block + NODE_OFF_ATTR); }
inline bool nodeIsLeaf(const unsigned char *block) { return (nodeAttributes(block) & ATTR_LEAF) != 0; }
inline bool nodeIsRoot(const unsigned char *block) { return (nodeAttributes(block) & ATTR_ROOT) != 0; }
inline unsigned nodeKeyCount(const unsigned char *block) { return b4::getU16le(block + NODE_OFF_COUNT); }
inline uint32_t nodeLeft(const unsigned char *block) { return b4::getU32le(block + NODE_OFF_LEFT); }
inline uint32_t nodeRight(const unsigned char *block) { return b4::getU32le(block + NODE_OFF_RIGHT); }

// Branch entry i of a block whose bounds were checked by branchValid.
inline const unsigned char *branchKey(const unsigned char *block, unsigned keyLen, unsigned i) {
    return block + NODE_HEAD + i * branchEntrySize(keyLen);
}
inline uint32_t branchRecord(const unsigned char *block, unsigned keyLen, unsigned i) {
    return b4::getU32be(branchKey(block, keyLen, i) + keyLen);
}
inline uint32_t branchChild(const unsigned char *block, unsigned keyLen, unsigned i) {
    return b4::getU32be(branchKey(block, keyLen, i) + keyLen + 4);
}

// The field widths of one leaf, as its header gives them.
struct LeafParams {
    uint32_t recMask;
    unsigned dupMask, trailMask;
    unsigned recBits, dupBits, trailBits;
    unsigned entryBytes;
};

// One unpacked leaf entry.
struct LeafEntry {
    uint32_t record;
    unsigned duplicates;
    unsigned trailing;
};

inline LeafEntry leafEntry(const unsigned char *block, const LeafParams &p, unsigned i) {
    const unsigned char *e = block + LEAF_HEAD + i * p.entryBytes;
    uint64_t v = 0;
    for (unsigned b = 0; b < p.entryBytes; b++) v |= (uint64_t)e[b] << (8 * b);
    LeafEntry out;
    out.record = (uint32_t)(v & p.recMask);
    out.duplicates = (unsigned)((v >> p.recBits) & p.dupMask);
    out.trailing = (unsigned)((v >> (p.recBits + p.dupBits)) & p.trailMask);
    return out;
}

// Writes leaf entry i: the fields packed into p.entryBytes little-endian bytes.
inline void leafEntryPut(unsigned char *block, const LeafParams &p, unsigned i, const LeafEntry &e) {
    uint64_t v = (uint64_t)(e.record & p.recMask) | ((uint64_t)e.duplicates << p.recBits) |
                 ((uint64_t)e.trailing << (p.recBits + p.dupBits));
    unsigned char *out = block + LEAF_HEAD + i * p.entryBytes;
    for (unsigned b = 0; b < p.entryBytes; b++) out[b] = (unsigned char)(v >> (8 * b));
}

// Writes a leaf's field widths into its header (offsets 14..23).
inline void leafParamsPut(unsigned char *block, const LeafParams &p) {
    b4::putU32le(block + LEAF_OFF_REC_MASK, p.recMask);
    block[LEAF_OFF_DUP_MASK] = (unsigned char)p.dupMask;
    block[LEAF_OFF_TRAIL_MASK] = (unsigned char)p.trailMask;
    block[LEAF_OFF_REC_BITS] = (unsigned char)p.recBits;
    block[LEAF_OFF_DUP_BITS] = (unsigned char)p.dupBits;
    block[LEAF_OFF_TRAIL_BITS] = (unsigned char)p.trailBits;
    block[LEAF_OFF_ENTRY_BYTES] = (unsigned char)p.entryBytes;
}

// Whether a branch block of `count` entries fits the block: true when sound.
inline bool branchValid(unsigned blockSize, unsigned keyLen, unsigned count) {
    return NODE_HEAD + (uint64_t)count * branchEntrySize(keyLen) <= blockSize;
}

// Reads a leaf's field widths and checks the whole leaf against its block:
// every entry's counts within the key length, the first without duplicates,
// and the stored key bytes between the entry array and the block's end.
// true when sound (p filled), false for a damaged leaf.
bool leafValid(const unsigned char *block, unsigned blockSize, unsigned keyLen, LeafParams *p);

// The fields of a tag header that the reader keeps.
struct TagHeader {
    uint32_t root;
    uint32_t freeHead;
    uint32_t version;
    unsigned keyLen;
    unsigned char typeFlags;
    unsigned char signature;
    uint32_t marker, blockSize, unit;
    char collation[COLLATION_LEN];   // eighth byte forced to zero
    unsigned descending;
    unsigned forPos, forLen, exprPos, exprLen;
};

// Decodes the fixed 512 bytes of a tag header (limit: bytes available from
// p, at least HEADER_FIXED). false when fewer bytes are given.
bool headerDecode(const unsigned char *p, unsigned limit, TagHeader *h);

// The expression text at pos with len bytes (its zero byte counted) inside
// a pool of POOL_SIZE bytes: true and the text without the zero byte when it
// lies inside the pool, false otherwise.
bool poolText(const unsigned char *pool, unsigned pos, unsigned len, const char **text, unsigned *textLen);

}  // namespace cdx
