// Removing a key from a tag: find the exact (key, record number) entry, take
// it out of its leaf, and pass the leaf's new last key up. A node left
// without entries is unlinked from its siblings, its block goes to the free
// chain and its entry leaves the parent; a root left empty becomes an empty
// root leaf. Half-empty nodes are not merged.
#include <cstring>

#include "d4tag.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"
#include "index4write.h"
#include "t4maint.h"
#include "t4path.h"
#include "tables/data4.h"

namespace {

// Makes level 0 (the root) an empty root leaf.
int emptyRoot(T4PATH *p) {
    T4LEVEL &l = p->level[0];
    leaf4::initEmpty(l.block, p->shape, leaf4::freshParams(p->shape.keyLen, t4pathRecords(p)),
                     cdx::ATTR_ROOT | cdx::ATTR_LEAF);
    l.count = 0;
    l.leaf = 1;
    cdx::leafValid(l.block, p->shape.blockSize, p->shape.keyLen, &l.params);
    return t4pathPut(p, 0);
}

// Removes entry `position` of level k's node.
int removeAt(T4PATH *p, int k) {
    for (;;) {
        T4LEVEL &l = p->level[k];
        unsigned pos = (unsigned)l.position;
        if (l.count == 1) {
            if (k == 0) return emptyRoot(p);
            if (int rc = t4pathUnlink(p, k)) return rc;
            k--;
            continue;
        }
        unsigned before = l.count;
        if (l.leaf) {
            if (!leaf4::remove(l.block, p->shape, l.params, p->spot)) {
                // The next key needs more room than was freed: lay the rest out
                // again, in two leaves if need be.
                unsigned keyLen = p->shape.keyLen;
                unsigned n = leaf4::decode(l.block, p->shape, l.params, p->keys, p->records);
                std::memmove(p->keys + (size_t)pos * keyLen, p->keys + (size_t)(pos + 1) * keyLen,
                             (size_t)(n - pos - 1) * keyLen);
                std::memmove(p->records + pos, p->records + pos + 1, (size_t)(n - pos - 1) * sizeof(uint32_t));
                if (int rc = t4pathLeafLayout(p, k, n - 1, 0, n - 1)) return rc;
                return t4pathSeparators(p, k);
            }
        } else {
            unsigned size = cdx::branchEntrySize(p->shape.keyLen);
            unsigned char *at = l.block + cdx::NODE_HEAD + pos * size;
            std::memmove(at, at + size, (size_t)(before - pos - 1) * size);
            std::memset(l.block + cdx::NODE_HEAD + (before - 1) * size, 0, size);
            b4::putU16le(l.block + cdx::NODE_OFF_COUNT, (uint16_t)(before - 1));
        }
        l.count = before - 1;
        if (int rc = t4pathPut(p, k)) return rc;
        return pos + 1 == before ? t4pathSeparators(p, k) : 0;
    }
}

int removeLow(TAG4FILE *t, const unsigned char *key, uint32_t rec) {
    T4PATH *p = t4pathOf(t);
    if (!p) return -1;
    if (int rc = t4pathFind(p, key, rec)) return rc;
    T4LEVEL &l = p->level[p->depth - 1];
    const leaf4::Spot &spot = p->spot;
    if (spot.pos >= l.count || !spot.equalKey || cdx::leafEntry(l.block, l.params, spot.pos).record != rec)
        return r4entry;
    if (int rc = index4versionStep(p->file)) return rc;
    return removeAt(p, p->depth - 1);
}

}  // namespace

int tfile4remove(TAG4FILE *t, const unsigned char *key, uint32_t rec) {
    CODE4 *c = t->codeBase;
    if (c->errorCode < 0) return -1;
    int rc = index4changeRun(t->indexFile, [&] { return removeLow(t, key, rec); });
    tfile4pathClear(t);
    return rc;
}

int t4remove(TAG4 *t, const unsigned char *key, long rec) {
    if (int rc = error4checkStamp(t, t ? t->s4valid : 0, E4_LOC_T4REMOVE)) return rc;
    CODE4 *c = t->index->data->codeBase;
    if (c->errorCode < 0) return -1;
    if (!key) return error4(c, e4parmNull, E4_LOC_T4REMOVE);
    if (rec < 1 || rec > (long)UINT32_MAX) return r4entry;
    return tfile4remove(t4bind(t), key, (uint32_t)rec);
}

int t4removeCalc(TAG4 *t, long rec) {
    if (int rc = error4checkStamp(t, t ? t->s4valid : 0, E4_LOC_T4REMOVE)) return rc;
    DATA4 *d = t->index->data;
    if (d->codeBase->errorCode < 0) return -1;
    int keep = t4forTrue(t, d->record);
    if (keep < 0) return keep;
    if (!keep) return r4entry;
    const unsigned char *key = nullptr;
    int len = t4keyOf(t, d->record, &key);
    if (len < 0) return len;
    return t4remove(t, key, rec);
}
