// Reading the nodes of a tag: the path from the root to the current leaf,
// each level a copy of its block taken from the index file's block cache,
// and the keys of leaf entries, expanded from their compressed form or
// judged against a search value without expanding them.
//
// Path invariants:
//  1. path[0] is the tag's root; path[k + 1] is the child of path[k]'s
//     current entry; only the last node may be a leaf;
//  2. every node on the path passed the block checks (branch entries inside
//     the block, leaf counts and stored bytes inside the block); a leaf
//     image is checked once, when it comes into the cache;
//  3. with consistency checking, a node below the root has keys, and its
//     last record number equals its parent entry's record number.
#include <cstdlib>
#include <cstring>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"
#include "index4write.h"
#include "tables/data4.h"

int tfile4damaged(TAG4FILE *t) {
    INDEX4FILE *i = t->indexFile;
    return error4describe(t->codeBase, e4index, E4_MSG_INDEX_NODE, t->alias, i->file.name, nullptr);
}

int index4writeBlock(INDEX4FILE *i, uint32_t ref, const unsigned char *image) {
    CODE4 *c = i->codeBase;
    if (file4write(&i->file, (int64_t)ref * i->unit, image, i->blockSize) != 0)
        return c->errorCode < 0 ? c->errorCode : -1;
    index4cacheStore(i, ref, image);
    return 0;
}

void tfile4pathClear(TAG4FILE *t) { t->depth = 0; }

namespace {

// Room for a node's block (with the slack that lets entries be loaded as
// 8-byte words) and its expanded key, made once per path level.
bool nodeBuffers(TAG4FILE *t, NODE4 *n) {
    if (n->block) return true;
    unsigned blockSize = t->indexFile->blockSize;
    n->block = static_cast<unsigned char *>(std::calloc(1, blockSize + NODE4_SLACK + tfile4keyLen(t) + 1));
    if (!n->block) return false;
    n->key = n->block + blockSize + NODE4_SLACK;
    n->ref = cdx::NO_BLOCK;
    return true;
}

void readParams(const unsigned char *block, cdx::LeafParams *p) {
    p->recMask = b4::getU32le(block + cdx::LEAF_OFF_REC_MASK);
    p->dupMask = block[cdx::LEAF_OFF_DUP_MASK];
    p->trailMask = block[cdx::LEAF_OFF_TRAIL_MASK];
    p->recBits = block[cdx::LEAF_OFF_REC_BITS];
    p->dupBits = block[cdx::LEAF_OFF_DUP_BITS];
    p->trailBits = block[cdx::LEAF_OFF_TRAIL_BITS];
    p->entryBytes = block[cdx::LEAF_OFF_ENTRY_BYTES];
}

// Copies block ref into n and checks it; 0 or negative (n then holds no block).
int loadNode(TAG4FILE *t, NODE4 *n, uint32_t ref) {
    CODE4 *c = t->codeBase;
    INDEX4FILE *i = t->indexFile;
    unsigned keyLen = tfile4keyLen(t);
    n->ref = cdx::NO_BLOCK;
    BLOCK4VIEW v;
    int rc = index4block(i, ref, &v);
    if (rc == -1 && c->errorCode >= 0) return tfile4damaged(t);
    if (rc < 0) return rc;
    std::memcpy(n->block, v.image, i->blockSize);
    n->count = cdx::nodeKeyCount(n->block);
    n->leaf = cdx::nodeIsLeaf(n->block) ? 1 : 0;
    if (n->leaf) {
        if (*v.checkedFor != keyLen + 1) {
            if (!cdx::leafValid(n->block, i->blockSize, keyLen, &n->params)) return tfile4damaged(t);
            *v.checkedFor = (uint16_t)(keyLen + 1);
        }
        readParams(n->block, &n->params);
    } else if (!cdx::branchValid(i->blockSize, keyLen, n->count)) {
        return tfile4damaged(t);
    }
    n->expanded = -1;
    n->storedAt = i->blockSize;
    n->ref = ref;
    n->generation = i->cache.generation;
    return 0;
}

}  // namespace

int tfile4down(TAG4FILE *t, uint32_t ref) {
    CODE4 *c = t->codeBase;
    if (t->depth >= TAG4_MAX_DEPTH) return tfile4damaged(t);
    NODE4 *n = &t->path[t->depth];
    if (!nodeBuffers(t, n)) return error4(c, e4memory, E4_LOC_I4OPEN);
    if (n->ref != ref || n->generation != t->indexFile->cache.generation)
        if (int rc = loadNode(t, n, ref)) return rc;
    n->position = 0;
    if (t->depth > 0) {
        // Consistency with the parent entry that led here.
        if (n->count == 0) return tfile4damaged(t);
        NODE4 *parent = &t->path[t->depth - 1];
        uint32_t expect = cdx::branchRecord(parent->block, tfile4keyLen(t), (unsigned)parent->position);
        if (node4record(t, n, n->count - 1) != expect) return tfile4damaged(t);
    }
    t->depth++;
    return 0;
}

int tfile4downCurrent(TAG4FILE *t) {
    NODE4 *n = tfile4leaf(t);
    if (!n || n->leaf || n->position < 0 || (unsigned)n->position >= n->count) return tfile4damaged(t);
    return tfile4down(t, cdx::branchChild(n->block, tfile4keyLen(t), (unsigned)n->position));
}

uint32_t node4record(TAG4FILE *t, NODE4 *n, unsigned i) {
    if (!n->leaf) return cdx::branchRecord(n->block, tfile4keyLen(t), i);
    return (uint32_t)node4packed(n, i) & n->params.recMask;
}

const unsigned char *node4key(TAG4FILE *t, NODE4 *n, unsigned i) {
    unsigned keyLen = tfile4keyLen(t);
    if (!n->leaf) return cdx::branchKey(n->block, keyLen, i);
    if (i >= n->count) return nullptr;
    if (n->expanded < 0 || (unsigned)n->expanded > i) {
        n->expanded = -1;
        n->storedAt = t->indexFile->blockSize;
    }
    // Forward from the expanded entry: each key keeps the previous key's
    // first `duplicates` bytes. The leaf's counts were checked on reading.
    const cdx::LeafParams &p = n->params;
    for (unsigned k = (unsigned)(n->expanded + 1); k <= i; k++) {
        uint64_t v = node4packed(n, k);
        unsigned dup = (unsigned)(v >> p.recBits) & p.dupMask;
        unsigned trail = (unsigned)(v >> (p.recBits + p.dupBits)) & p.trailMask;
        unsigned stored = keyLen - dup - trail;
        n->storedAt -= stored;
        std::memcpy(n->key + dup, n->block + n->storedAt, stored);
        std::memset(n->key + dup + stored, t->pad, trail);
    }
    n->expanded = (int)i;
    return n->key;
}

namespace {

// Compares a leaf key with search from byte `from` on (the bytes before it
// are known equal): bytes[j] for from <= j < end, then pad bytes. *matched
// gets the bytes of the search that match; negative, 0 (all len match) or
// positive. Kept apart so that the scan's loop stays small.
[[gnu::noinline]] int compareFrom(const unsigned char *bytes, unsigned from, unsigned end, unsigned char pad,
                                  const unsigned char *search, unsigned len, unsigned *matched) {
    unsigned j = from;
    int cmp = 0;
    for (; j < len; j++) {
        unsigned char k = j < end ? bytes[j] : pad;
        if (k != search[j]) {
            cmp = k < search[j] ? -1 : 1;
            break;
        }
    }
    *matched = j;
    return cmp;
}

}  // namespace

int node4seek(TAG4FILE *t, NODE4 *n, const unsigned char *search, unsigned len) {
    // m bytes of the search are matched by the last key passed, whose next
    // byte is below the search's. A key that shares more than m bytes with
    // it is below the search too; any other is compared from the bytes it
    // does not share, over its stored bytes and then its pad bytes.
    if (n->count == 0) {
        // An empty leaf's field widths were never checked: nothing to read.
        n->position = 0;
        return r4after;
    }
    const unsigned keyLen = tfile4keyLen(t);
    const unsigned char pad = t->pad;
    const unsigned entryBytes = n->params.entryBytes;
    const uint64_t entryMask = (uint64_t(1) << (8 * entryBytes)) - 1;
    const unsigned dupShift = n->params.recBits, dupBits = n->params.dupBits;
    const unsigned dupMask = n->params.dupMask, trailMask = n->params.trailMask;
    const unsigned char *first = n->block + cdx::LEAF_HEAD;
    const unsigned char *stop = first + n->count * entryBytes;
    unsigned at = t->indexFile->blockSize;
    unsigned m = 0;
    for (const unsigned char *entry = first; entry < stop; entry += entryBytes) {
        unsigned dup, end;
        // The run of keys that share more than m bytes with a smaller key.
        for (;;) {
            uint64_t v = (b4::getU64le(entry) & entryMask) >> dupShift;
            dup = (unsigned)v & dupMask;
            end = keyLen - ((unsigned)(v >> dupBits) & trailMask);   // the key's bytes before its pad bytes
            at -= end - dup;
            if (dup <= m) break;
            entry += entryBytes;
            if (entry >= stop) {
                n->position = (int)n->count;
                return r4after;
            }
        }
        const unsigned char *bytes = n->block + at - dup;   // bytes[j] for dup <= j < end
        unsigned j;
        int cmp = compareFrom(bytes, dup, end, pad, search, len, &j);
        if (cmp < 0) {
            m = j;
            continue;
        }
        // This key: the search's first j bytes, then its own from there.
        unsigned i = (unsigned)(entry - first) / entryBytes;
        n->position = (int)i;
        std::memcpy(n->key, search, j);
        unsigned from = j;
        if (from < end) {
            std::memcpy(n->key + from, bytes + from, end - from);
            from = end;
        }
        std::memset(n->key + from, pad, keyLen - from);
        n->expanded = (int)i;
        n->storedAt = at;
        return cmp == 0 ? 0 : r4after;
    }
    n->position = (int)n->count;
    return r4after;
}
