// Updating every tag of a table handle for one record (see t4update.h).
//
// For each tag, in the order of the handle's indexes and their tags:
//   old FOR and key from the old-record buffer, new ones from the record buffer;
//   both FOR results and keys equal: the tag is left alone (no version change);
//   old FOR true: (old key, record) removed; new FOR true: (new key, record)
//   added with the tag's unique code.
// A refusal (20, -340) or a failure stops the loop and every index file takes
// its change set back, so each tag is byte for byte as before; 25 leaves that
// tag without the key and goes on. Each index file runs one change set per
// record; it stays undoable until the next one begins or the file is flushed.
#include "t4update.h"

#include <cstring>
#include <vector>

#include "d4tag.h"
#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"
#include "index4write.h"
#include "t4path.h"
#include "tables/d4internal.h"

namespace {

template <class F>
int eachIndex(DATA4 *d, F f) {
    for (LINK4 *l = l4first(&d->indexes); l; l = l4next(l))
        if (int rc = f(reinterpret_cast<INDEX4 *>(l)->indexFile)) return rc;
    return 0;
}

int beginAll(DATA4 *d) { return eachIndex(d, [](INDEX4FILE *f) { return index4changeBegin(f); }); }
void closeAll(DATA4 *d) { eachIndex(d, [](INDEX4FILE *f) { return index4changeClose(f), 0; }); }
void undoAll(DATA4 *d) { eachIndex(d, [](INDEX4FILE *f) { return index4changeUndo(f), 0; }); }

// Whether the key of t is null for record (a tag without the null-marker
// byte cannot tell from its key bytes).
bool nullOf(DATA4 *d, TAG4FILE *tf, unsigned char *record) {
    if (!expr4nullable(tf->expr)) return false;
    if (record != d->record) expr4recordSet(tf->expr, record);
    bool isNull = expr4null(tf->expr) != 0;
    if (record != d->record) expr4recordSet(tf->expr, d->record);
    return isNull;
}

bool candidateCode(int code) { return code == r4candidate || code == e4candidate; }

// The answer of a candidate tag to a null key.
int refuseNull(TAG4FILE *tf, int code) {
    if (code == e4candidate)
        return error4describe(tf->codeBase, e4unique, E4_LOC_T4ADD, tf->alias, tf->indexFile->file.name, nullptr);
    return r4unique;
}

// Adds the record buffer's key of t for rec (its FOR known true).
int addNew(DATA4 *d, TAG4 *t, long rec) {
    TAG4FILE *tf = t->tagFile;
    int code = t->errUnique;
    if (candidateCode(code) && expr4null(tf->expr)) return refuseNull(tf, code);
    const unsigned char *key = nullptr;
    int len = t4keyOf(t, d->record, &key);
    if (len < 0) return len;
    return tfile4add(tf, key, (uint32_t)rec, code);
}

// One tag from the old record to the new: 0 or 25 go on; 20, -340 and
// other negative results stop.
int updateTag(DATA4 *d, TAG4 *t, long rec, std::vector<unsigned char> &old) {
    TAG4FILE *tf = t4bind(t);
    // The old record's memo contents are not at hand: the old key of a tag
    // over a memo field cannot be computed, so such a tag is never written.
    if (expr4readsMemo(tf->expr) || expr4readsMemo(tf->filter))
        return error4describe(d->codeBase, e4notSupported, E4_MSG_INDEX_STALE_WRITE, tf->alias,
                              tf->indexFile->file.name, nullptr);
    int forOld = t4forTrue(t, d->recordOld);
    if (forOld < 0) return forOld;
    int forNew = t4forTrue(t, d->record);
    if (forNew < 0) return forNew;
    const unsigned char *key = nullptr;
    if (forOld) {
        int len = t4keyOf(t, d->recordOld, &key);
        if (len < 0) return len;
        old.assign(key, key + len);
    }
    if (forOld && forNew) {
        int len = t4keyOf(t, d->record, &key);
        if (len < 0) return len;
        bool same = (size_t)len == old.size() && std::memcmp(key, old.data(), old.size()) == 0;
        if (same && nullOf(d, tf, d->recordOld) == nullOf(d, tf, d->record)) return 0;
    }
    if (!forOld && !forNew) return 0;
    if (forOld) {
        int rc = tfile4remove(tf, old.data(), (uint32_t)rec);
        if (rc < 0) return rc;
    }
    return forNew ? addNew(d, t, rec) : 0;
}

bool stops(int rc) { return rc < 0 || rc == r4unique; }

}  // namespace

int t4updateKeys(DATA4 *d, long recNo) {
    if (int rc = beginAll(d)) return rc;
    std::vector<unsigned char> old;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        int rc;
        try {
            rc = updateTag(d, t, recNo, old);
        } catch (const std::bad_alloc &) {
            rc = error4(d->codeBase, e4memory, E4_LOC_D4WRITE);
        }
        if (stops(rc)) {
            undoAll(d);
            return rc;
        }
    }
    closeAll(d);
    return 0;
}

int t4appendKeys(DATA4 *d, long recNo) {
    if (int rc = beginAll(d)) return rc;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        int keep = t4forTrue(t, d->record);
        int rc = keep <= 0 ? keep : addNew(d, t, recNo);
        if (stops(rc)) {
            undoAll(d);
            return rc;
        }
    }
    closeAll(d);
    return 0;
}

void t4undoKeys(DATA4 *d, long) { undoAll(d); }

int i4flushAll(DATA4 *d) {
    int result = 0;
    eachIndex(d, [&](INDEX4FILE *f) {
        int rc = index4flushBlocks(f);
        if (rc == 0 && !f->file.isReadOnly && file4flush(&f->file) != 0) rc = d->codeBase->errorCode;
        if (rc < 0 && result == 0) result = rc;
        return 0;
    });
    return result;
}

int i4flushClosing(INDEX4 *i) {
    INDEX4FILE *f = i->indexFile;
    if (!f->write) return 0;
    CODE4 *c = f->codeBase;
    int saved = c->errorCode;
    if (saved < 0) c->errorCode = 0;
    int first = index4flushBlocks(f);
    if (first != 0) {
        // A passing failure: the changes are still held; one more try.
        c->errorCode = 0;
        index4flushBlocks(f);
    }
    if (saved < 0) c->errorCode = saved;
    else if (first < 0) c->errorCode = first;
    return first;
}
