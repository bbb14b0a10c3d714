// Reading the nodes of a tag: blocks through the index file's cache, the
// path from the root to the current leaf, and keys of leaf entries expanded
// from their compressed form.
//
// Path invariants:
//  1. path[0] is the tag's root; path[k + 1] is the child of path[k]'s
//     current entry; only the last node may be a leaf;
//  2. every node on the path passed the block checks (branch entries inside
//     the block, leaf counts and stored bytes inside the block);
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

void index4cacheClear(INDEX4FILE *i) {
    if (i->cacheRefs)
        for (uint32_t s = 0; s < i->cacheSlots; s++) i->cacheRefs[s] = cdx::NO_BLOCK;
}

int index4readBlock(INDEX4FILE *i, uint32_t ref, unsigned char *out) {
    CODE4 *c = i->codeBase;
    int64_t pos = (int64_t)ref * i->unit;
    if (ref == cdx::NO_BLOCK || pos + i->blockSize > i->fileLen) return -1;
    if (i->write && index4storedBlock(i, ref, out)) return 0;
    uint32_t slot = 0;
    if (i->cacheRefs) {
        slot = (uint32_t)(pos / i->blockSize) % i->cacheSlots;
        if (i->cacheRefs[slot] == ref) {
            std::memcpy(out, i->cacheData + (size_t)slot * i->blockSize, i->blockSize);
            return 0;
        }
    }
    if (file4readAll(&i->file, pos, out, i->blockSize) != 0) return c->errorCode < 0 ? c->errorCode : -1;
    if (i->cacheRefs) {
        std::memcpy(i->cacheData + (size_t)slot * i->blockSize, out, i->blockSize);
        i->cacheRefs[slot] = ref;
    }
    return 0;
}

int index4writeBlock(INDEX4FILE *i, uint32_t ref, const unsigned char *image) {
    CODE4 *c = i->codeBase;
    int64_t pos = (int64_t)ref * i->unit;
    if (file4write(&i->file, pos, image, i->blockSize) != 0) return c->errorCode < 0 ? c->errorCode : -1;
    if (i->cacheRefs) {
        uint32_t slot = (uint32_t)(pos / i->blockSize) % i->cacheSlots;
        std::memcpy(i->cacheData + (size_t)slot * i->blockSize, image, i->blockSize);
        i->cacheRefs[slot] = ref;
    }
    return 0;
}

void tfile4pathClear(TAG4FILE *t) { t->depth = 0; }

namespace {

// Room for a node's block and expanded key, made once per path level.
bool nodeBuffers(TAG4FILE *t, NODE4 *n) {
    if (n->block) return true;
    unsigned blockSize = t->indexFile->blockSize;
    n->block = static_cast<unsigned char *>(std::malloc(blockSize + tfile4keyLen(t) + 1));
    if (!n->block) return false;
    n->key = n->block + blockSize;
    return true;
}

}  // namespace

int tfile4down(TAG4FILE *t, uint32_t ref) {
    CODE4 *c = t->codeBase;
    if (t->depth >= TAG4_MAX_DEPTH) return tfile4damaged(t);
    NODE4 *n = &t->path[t->depth];
    if (!nodeBuffers(t, n)) return error4(c, e4memory, E4_LOC_I4OPEN);
    INDEX4FILE *i = t->indexFile;
    int rc = index4readBlock(i, ref, n->block);
    if (rc == -1 && c->errorCode >= 0) return tfile4damaged(t);
    if (rc < 0) return rc;
    n->ref = ref;
    n->count = cdx::nodeKeyCount(n->block);
    n->leaf = cdx::nodeIsLeaf(n->block) ? 1 : 0;
    n->position = 0;
    n->expanded = -1;
    n->storedAt = i->blockSize;
    unsigned keyLen = tfile4keyLen(t);
    if (n->leaf) {
        if (!cdx::leafValid(n->block, i->blockSize, keyLen, &n->params)) return tfile4damaged(t);
    } else if (!cdx::branchValid(i->blockSize, keyLen, n->count)) {
        return tfile4damaged(t);
    }
    if (t->depth > 0) {
        // Consistency with the parent entry that led here.
        if (n->count == 0) return tfile4damaged(t);
        NODE4 *parent = &t->path[t->depth - 1];
        uint32_t expect = cdx::branchRecord(parent->block, keyLen, (unsigned)parent->position);
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
    return cdx::leafEntry(n->block, n->params, i).record;
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
    for (unsigned k = (unsigned)(n->expanded + 1); k <= i; k++) {
        cdx::LeafEntry e = cdx::leafEntry(n->block, n->params, k);
        unsigned stored = keyLen - e.duplicates - e.trailing;
        n->storedAt -= stored;
        std::memcpy(n->key + e.duplicates, n->block + n->storedAt, stored);
        std::memset(n->key + e.duplicates + stored, t->pad, e.trailing);
        n->expanded = (int)k;
    }
    return n->key;
}
