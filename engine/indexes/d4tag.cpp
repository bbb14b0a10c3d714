// Tags of a table handle: selecting one, finding one by name, the tag facts,
// and d4top, d4bottom and d4skip in the selected tag's order (called by the
// table layer through its index seam).
//
// A handle in tag order keeps the tag's position on its current record: a
// skip first re-finds the record's (key, record number) entry when the tag
// stands elsewhere. Entries for records past the handle's record count are
// passed over.
#include <cstring>

#include "d4tag.h"
#include "expressions/expressions.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "foundation/u4name.h"
#include "index4internal.h"
#include "tables/d4internal.h"

namespace {

int tagCheck(TAG4 *t, long location) {
    if (int rc = error4checkStamp(t, t ? t->s4valid : 0, location)) return rc;
    return 0;
}

}  // namespace

TAG4FILE *t4bind(TAG4 *t) {
    TAG4FILE *tf = t->tagFile;
    DATA4 *d = t->index->data;
    if (tf->expr && tf->expr->data != d) expr4context(tf->expr, d);
    if (tf->filter && tf->filter->data != d) expr4context(tf->filter, d);
    return tf;
}

int t4keyOf(TAG4 *t, unsigned char *record, const unsigned char **key) {
    TAG4FILE *tf = t4bind(t);
    DATA4 *d = t->index->data;
    if (record != d->record) expr4recordSet(tf->expr, record);
    char *k = nullptr;
    int len = expr4key(tf->expr, &k, tf);
    if (record != d->record) expr4recordSet(tf->expr, d->record);
    *key = reinterpret_cast<const unsigned char *>(k);
    return len;
}

int t4forTrue(TAG4 *t, unsigned char *record) {
    TAG4FILE *tf = t4bind(t);
    if (!tf->filter) return 1;
    DATA4 *d = t->index->data;
    if (record != d->record) expr4recordSet(tf->filter, record);
    int rc = expr4true(tf->filter);
    if (record != d->record) expr4recordSet(tf->filter, d->record);
    return rc;
}

int d4tagSelect(DATA4 *d, TAG4 *t) {
    if (int rc = stamp4check(d, d ? d->s4valid : 0, E4_LOC_D4TAGSELECT)) return rc;
    if (t && (t->s4valid != S4VALID || t->index->data != d)) return error4(d->codeBase, e4parm, E4_LOC_D4TAGSELECT);
    d->tagSelected = t;
    return 0;
}

TAG4 *d4tagDefault(DATA4 *d) {
    if (stamp4check(d, d ? d->s4valid : 0, E4_LOC_D4TAGSELECT)) return nullptr;
    return static_cast<TAG4 *>(d->tagSelected);
}

TAG4 *d4tagSelected(DATA4 *d) {
    if (stamp4check(d, d ? d->s4valid : 0, E4_LOC_D4TAGSELECT)) return nullptr;
    if (d->tagSelected) return static_cast<TAG4 *>(d->tagSelected);
    return d4tagNext(d, nullptr);
}

TAG4 *d4tagNext(DATA4 *d, TAG4 *t) {
    if (stamp4check(d, d ? d->s4valid : 0, E4_LOC_D4TAG)) return nullptr;
    LINK4 *l = t ? l4next(&t->link) : nullptr;
    INDEX4 *index = t ? t->index : nullptr;
    LINK4 *il = index ? l4next(&index->link) : l4first(&d->indexes);
    if (l) return reinterpret_cast<TAG4 *>(l);
    for (; il; il = l4next(il)) {
        INDEX4 *i = reinterpret_cast<INDEX4 *>(il);
        if (LINK4 *first = l4first(&i->tags)) return reinterpret_cast<TAG4 *>(first);
    }
    return nullptr;
}

TAG4 *d4tag(DATA4 *d, const char *name) {
    if (stamp4check(d, d ? d->s4valid : 0, E4_LOC_D4TAG)) return nullptr;
    CODE4 *c = d->codeBase;
    if (!name) return error4(c, e4parmNull, E4_LOC_D4TAG), nullptr;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t))
        if (u4nameEqual(t->tagFile->alias, name)) return t;
    if (c->errTagName) error4describe(c, e4tagName, E4_LOC_D4TAG, name, nullptr, nullptr);
    return nullptr;
}

const char *t4alias(TAG4 *t) { return tagCheck(t, E4_LOC_D4TAG) ? nullptr : t->tagFile->alias; }
const char *t4expr(TAG4 *t) { return tagCheck(t, E4_LOC_D4TAG) ? nullptr : expr4source(t->tagFile->expr); }
const char *t4filter(TAG4 *t) {
    if (tagCheck(t, E4_LOC_D4TAG)) return nullptr;
    return t->tagFile->filter ? expr4source(t->tagFile->filter) : "";
}
int t4unique(TAG4 *t) { return tagCheck(t, E4_LOC_D4TAG) ? -1 : t->errUnique; }
int t4isUnique(TAG4 *t) {
    if (tagCheck(t, E4_LOC_D4TAG)) return -1;
    unsigned char f = t->tagFile->header.typeFlags;
    return (f & cdx::TYPE_CANDIDATE) ? 2 : (f & cdx::TYPE_UNIQUE) ? 1 : 0;
}
int t4descending(TAG4 *t) { return tagCheck(t, E4_LOC_D4TAG) ? -1 : t->tagFile->header.descending ? 1 : 0; }
const char *t4collation(TAG4 *t) { return tagCheck(t, E4_LOC_D4TAG) ? nullptr : t->tagFile->header.collation; }
int t4keyLen(TAG4 *t) { return tagCheck(t, E4_LOC_D4TAG) ? -1 : (int)t->tagFile->header.keyLen; }
char t4type(TAG4 *t) { return tagCheck(t, E4_LOC_D4TAG) ? 0 : t->tagFile->keyType; }

// ---- navigation in tag order ------------------------------------------------

namespace {

// From the tag's current entry, go to the first entry in direction dir
// (+1/-1, tag order) whose record is in the table, the current one
// included. 0 positioned (record number in *rec), 1 ran off the end.
int firstValid(DATA4 *d, TAG4FILE *tf, int dir, long *rec) {
    long count = d4recCountLow(d);
    for (;;) {
        if (tfile4eof(tf)) return 1;
        long r = tfile4recNo(tf);
        if (r >= 1 && r <= count) {
            *rec = r;
            return 0;
        }
        if (tfile4skip(tf, dir) != dir) return d->codeBase->errorCode < 0 ? d->codeBase->errorCode : 1;
    }
}

int endOfFile(DATA4 *d) {
    int rc = d4goEof(d);
    return rc < 0 ? rc : r4eof;
}

// Puts the tag on the current record's entry. 0 on it; 1 not in the tag
// (positioned where it would be); negative error.
int syncTag(DATA4 *d, TAG4 *t) {
    TAG4FILE *tf = t4bind(t);
    if (!tfile4eof(tf) && tfile4recNo(tf) == d->recNo) return 0;
    const unsigned char *key = nullptr;
    int len = t4keyOf(t, d->record, &key);
    if (len < 0) return len;
    return tfile4go(tf, key, (uint32_t)d->recNo);
}

}  // namespace

int d4tagTop(DATA4 *d) {
    TAG4 *t = static_cast<TAG4 *>(d->tagSelected);
    if (int rc = d4update(d)) return rc;
    TAG4FILE *tf = t4bind(t);
    if (int rc = tfile4top(tf)) return rc;
    long rec = 0;
    int rc = firstValid(d, tf, 1, &rec);
    if (rc < 0) return rc;
    if (rc == 1) {
        d->bof = 1;
        return endOfFile(d);
    }
    return d4goLow(d, rec, 0);
}

int d4tagBottom(DATA4 *d) {
    TAG4 *t = static_cast<TAG4 *>(d->tagSelected);
    if (int rc = d4update(d)) return rc;
    TAG4FILE *tf = t4bind(t);
    if (int rc = tfile4bottom(tf)) return rc;
    long rec = 0;
    int rc = firstValid(d, tf, -1, &rec);
    if (rc < 0) return rc;
    if (rc == 1) {
        d->bof = 1;
        return endOfFile(d);
    }
    return d4goLow(d, rec, 0);
}

int d4tagSkip(DATA4 *d, long n) {
    TAG4 *t = static_cast<TAG4 *>(d->tagSelected);
    CODE4 *c = d->codeBase;
    TAG4FILE *tf = t4bind(t);
    if (n == 0) return 0;
    long left = n > 0 ? n : -n;
    int dir = n > 0 ? 1 : -1;
    if (d->eof) {
        if (n > 0) return r4eof;
        if (int rc = d4tagBottom(d)) return rc;
        left--;
        if (left == 0) return 0;
    } else {
        if (d->changed)
            if (int rc = d4update(d)) return rc;
        int found = syncTag(d, t);
        if (found < 0) return found;
        if (found == 1 && !tfile4eof(tf) && (dir > 0) != (tf->header.descending != 0)) {
            // The record is not in the tag: the entry it would precede is
            // already the first step.
            left--;
        }
    }
    d->bof = 0;
    long count = d4recCountLow(d);
    while (left > 0) {
        if (tfile4skip(tf, dir) != dir) {
            if (c->errorCode < 0) return c->errorCode;
            if (dir > 0) return endOfFile(d);
            long rec = 0;
            int rc = firstValid(d, tf, 1, &rec);
            if (rc < 0) return rc;
            if (rc == 1) return endOfFile(d);
            rc = d4goLow(d, rec, 0);
            if (rc != 0) return rc;
            d->bof = 1;
            return r4bof;
        }
        long r = tfile4recNo(tf);
        if (r >= 1 && r <= count) left--;
    }
    if (tfile4eof(tf)) return endOfFile(d);
    long rec = 0;
    int rc = firstValid(d, tf, dir, &rec);
    if (rc < 0) return rc;
    if (rc == 1) return endOfFile(d);
    return d4goLow(d, rec, 0);
}
