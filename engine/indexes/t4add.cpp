// Adding a key to a tag: find its place by (key, record number), answer a
// unique tag's duplicate by the unique code, insert into the leaf, and when
// the leaf is full split it and pass the new node up (t4path.cpp).
#include <cstring>

#include "d4tag.h"
#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"
#include "index4write.h"
#include "t4maint.h"
#include "t4path.h"
#include "tables/data4.h"

namespace {

int refuseUnique(TAG4FILE *t, int code) {
    switch (code) {
    case r4uniqueContinue:
        return r4uniqueContinue;
    case e4unique:
    case e4candidate:
        return error4describe(t->codeBase, e4unique, E4_LOC_T4ADD, t->alias, t->indexFile->file.name, nullptr);
    default:
        return r4unique;
    }
}

int addLow(TAG4FILE *t, const unsigned char *key, uint32_t rec, int code) {
    T4PATH *p = t4pathOf(t);
    if (!p) return -1;
    if (int rc = t4pathFind(p, key, code ? 0 : rec)) return rc;
    int k = p->depth - 1;
    T4LEVEL &l = p->level[k];
    const leaf4::Spot &spot = p->spot;
    if (spot.pos < l.count && spot.equalKey) {
        // Searched with record 0, a unique tag lands on the first equal key.
        if (code != 0) return refuseUnique(t, code);
        if (cdx::leafEntry(l.block, l.params, spot.pos).record == rec) return 0;
    }
    if (int rc = index4versionStep(p->file)) return rc;
    if (l.count == 0 && (l.params.entryBytes == 0 || leaf4::freeBytes(l.block) == 0)) {
        // A leaf another writer left without field widths.
        uint32_t left = cdx::nodeLeft(l.block), right = cdx::nodeRight(l.block);
        leaf4::initEmpty(l.block, p->shape, leaf4::freshParams(p->shape.keyLen, t4pathRecords(p)),
                         cdx::nodeAttributes(l.block) & (cdx::ATTR_ROOT | cdx::ATTR_LEAF));
        b4::putU32le(l.block + cdx::NODE_OFF_LEFT, left);
        b4::putU32le(l.block + cdx::NODE_OFF_RIGHT, right);
        cdx::leafValid(l.block, p->shape.blockSize, p->shape.keyLen, &l.params);
    }
    unsigned before = l.count;
    if (leaf4::insert(l.block, p->shape, &l.params, spot, key, rec)) {
        l.count++;
        if (int rc = t4pathPut(p, k)) return rc;
        return spot.pos == before ? t4pathSeparators(p, k) : 0;
    }
    // The leaf is full: its keys with the new one, laid out in two leaves.
    unsigned keyLen = p->shape.keyLen;
    unsigned n = leaf4::decode(l.block, p->shape, l.params, p->keys, p->records);
    unsigned pos = spot.pos;
    std::memmove(p->keys + (size_t)(pos + 1) * keyLen, p->keys + (size_t)pos * keyLen, (size_t)(n - pos) * keyLen);
    std::memmove(p->records + pos + 1, p->records + pos, (size_t)(n - pos) * sizeof(uint32_t));
    std::memcpy(p->keys + (size_t)pos * keyLen, key, keyLen);
    p->records[pos] = rec;
    unsigned keep = before - before / 2;
    if (pos < keep) keep++;
    return t4pathLeafLayout(p, k, n + 1, keep, pos);
}

TAG4FILE *checked(TAG4 *t, long rec, long location) {
    if (error4checkStamp(t, t ? t->s4valid : 0, location)) return nullptr;
    CODE4 *c = t->index->data->codeBase;
    if (c->errorCode < 0) return nullptr;
    if (rec < 1 || rec > (long)UINT32_MAX) return error4(c, e4parm, location), nullptr;
    return t4bind(t);
}

}  // namespace

int tfile4add(TAG4FILE *t, const unsigned char *key, uint32_t rec, int unique) {
    CODE4 *c = t->codeBase;
    if (c->errorCode < 0) return -1;
    int rc = index4changeRun(t->indexFile, [&] { return addLow(t, key, rec, unique); });
    tfile4pathClear(t);
    return rc;
}

int t4add(TAG4 *t, const unsigned char *key, long rec, int unique) {
    TAG4FILE *tf = checked(t, rec, E4_LOC_T4ADD);
    if (!tf) return -1;
    if (!key) return error4(tf->codeBase, e4parmNull, E4_LOC_T4ADD);
    return tfile4add(tf, key, (uint32_t)rec, unique);
}

int t4addCalc(TAG4 *t, long rec) {
    TAG4FILE *tf = checked(t, rec, E4_LOC_T4ADD);
    if (!tf) return -1;
    DATA4 *d = t->index->data;
    int keep = t4forTrue(t, d->record);
    if (keep <= 0) return keep;
    int code = t->errUnique;
    if ((code == r4candidate || code == e4candidate) && expr4null(tf->expr)) {
        if (code == e4candidate)
            return error4describe(tf->codeBase, e4unique, E4_LOC_T4ADD, tf->alias, tf->indexFile->file.name, nullptr);
        return r4unique;
    }
    const unsigned char *key = nullptr;
    int len = t4keyOf(t, d->record, &key);
    if (len < 0) return len;
    return tfile4add(tf, key, (uint32_t)rec, code);
}
