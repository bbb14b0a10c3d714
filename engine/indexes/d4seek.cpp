// Table-level seeks (the d4seek family) and the table's position as a
// fraction (d4position, d4positionSet).
//
// A search value becomes key bytes by the tag's key type: text is cut to
// the key length and compared over its own length (a prefix matches);
// every other type is converted whole and compared over the key length. A
// tag whose keys carry the null-marker byte gets 0x80 in front, and an
// empty text seeks the null key (0x00). On a tag with a named collation
// text becomes weights (collate4searchKey) and keys are judged by the
// collation's comparison with that text.
#include <cstdlib>
#include <cstring>

#include "collate4.h"
#include "d4tag.h"
#include "expressions/key4.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"
#include "tables/d4internal.h"

namespace {

// The seeks' tag, or null (the caller returns 80).
TAG4 *seekTag(DATA4 *d) { return d4tagSelected(d); }

// Text search value to key bytes in out (key length + 1 bytes); the length
// to compare, or negative after an error.
int textToKey(TAG4 *t, const char *value, int len, unsigned char *out) {
    TAG4FILE *tf = t->tagFile;
    CODE4 *c = tf->codeBase;
    int keyLen = (int)tf->header.keyLen;
    int marker = (tf->header.typeFlags & cdx::TYPE_NULL_MARKER) ? 1 : 0;
    if (marker && len == 0) {
        out[0] = 0;
        return 1;
    }
    if (marker) out[0] = KEY4_NULL_MARKER;
    unsigned char *body = out + marker;
    int room = keyLen - marker;
    int rc;
    switch (tf->keyType) {
        case 'C': {
            if (tf->collation) return marker + collate4searchKey(tf->collation, value, len, room, body);
            int n = len < room ? len : room;
            std::memcpy(body, value, (size_t)n);
            return marker + n;
        }
        case 'W': case 'O': {
            int n = len < room / 2 ? len : room / 2;
            for (int i = 0; i < n; i++) {
                body[2 * i] = 0;
                body[2 * i + 1] = (unsigned char)value[i];
            }
            return marker + 2 * n;
        }
        case 'N': case 'n': case 'F': case 'B': rc = key4numericText(value, len, body, room); break;
        case 'D': case 'd': {
            char date[9];
            std::memset(date, ' ', 8);
            std::memcpy(date, value, (size_t)(len < 8 ? len : 8));
            date[8] = 0;
            rc = key4dateText(date, body, room);
            break;
        }
        case 'T': rc = key4dateTimeText(value, len, body, room); break;
        case 'L': rc = key4logicalText(value, len, body, room); break;
        case 'Y': rc = key4currencyText(value, len, body, room); break;
        case 'I': {
            char buf[32];
            int n = len < 31 ? len : 31;
            std::memcpy(buf, value, (size_t)n);
            buf[n] = 0;
            long v = std::strtol(buf, nullptr, 10);
            unsigned char le[4];
            b4::putI32le(le, (int32_t)v);
            rc = key4int32(le, body, room);
            break;
        }
        default: return error4describe(c, e4info, E4_LOC_D4SEEK, tf->alias, nullptr, nullptr);
    }
    if (rc < 0) return error4describe(c, e4info, E4_LOC_D4SEEK, tf->alias, nullptr, nullptr);
    return keyLen;
}

int doubleToKey(TAG4 *t, double value, unsigned char *out) {
    TAG4FILE *tf = t->tagFile;
    int keyLen = (int)tf->header.keyLen;
    int marker = (tf->header.typeFlags & cdx::TYPE_NULL_MARKER) ? 1 : 0;
    if (marker) out[0] = KEY4_NULL_MARKER;
    int rc;
    switch (tf->keyType) {
        case 'N': case 'n': case 'F': case 'B': case 'D': case 'd':
            rc = key4double(&value, out + marker, keyLen - marker);
            break;
        case 'Y': rc = key4currencyDouble(value, out + marker, keyLen - marker); break;
        default: return error4(tf->codeBase, e4seekType, E4_LOC_D4SEEKDOUBLE);
    }
    if (rc < 0) return error4(tf->codeBase, e4info, E4_LOC_D4SEEKDOUBLE);
    return keyLen;
}

int endOfFile(DATA4 *d) {
    int rc = d4goEof(d);
    return rc < 0 ? rc : r4eof;
}

// From the tag's current entry, the first in tag order whose record is in
// the table: read it. 0, 3 at the end, or negative; *passed (may be null)
// tells whether entries were passed over to get there.
int readCurrent(DATA4 *d, TAG4FILE *tf, bool *passed = nullptr) {
    long count = d4recCountLow(d);
    if (passed) *passed = false;
    for (;;) {
        if (tfile4eof(tf)) return endOfFile(d);
        long r = tfile4recNo(tf);
        if (r >= 1 && r <= count) return d4goLow(d, r, d->codeBase->goError);
        if (passed) *passed = true;
        if (tfile4skip(tf, 1) != 1) return d->codeBase->errorCode < 0 ? d->codeBase->errorCode : endOfFile(d);
    }
}

// A search value in key form and the text it came from (null for a number).
struct Search {
    const unsigned char *key;
    int len;
    const char *text;
    int textLen;
};

bool matches(TAG4FILE *tf, const unsigned char *key, const Search &s) {
    return tfile4matchesText(tf, key, s.key, s.len, s.text, s.textLen) != 0;
}
bool currentMatches(TAG4FILE *tf, const Search &s) { return matches(tf, tfile4key(tf), s); }

int seekKey(DATA4 *d, TAG4 *t, const Search &s) {
    TAG4FILE *tf = t4bind(t);
    int rc = tfile4seekText(tf, s.key, s.len, s.text, s.textLen);
    if (rc < 0) return rc;
    bool passed = false;
    int go = readCurrent(d, tf, &passed);
    if (go != 0) return go;
    // The tag's answer stands unless entries of records the table does not
    // hold were passed over.
    if (!passed) return rc;
    return currentMatches(tf, s) ? 0 : r4after;
}

int seekNextKey(DATA4 *d, TAG4 *t, const Search &s) {
    TAG4FILE *tf = t4bind(t);
    if (d->recNo < 1 || d->eof) return seekKey(d, t, s);
    const unsigned char *current = nullptr;
    int keyLen = t4keyOf(t, d->record, &current);
    if (keyLen < 0) return keyLen;
    if (!matches(tf, current, s)) return seekKey(d, t, s);
    // Keep the current key: the key buffer is reused by the next key.
    unsigned char *copy = tf->scratch;
    std::memcpy(copy, current, (size_t)keyLen);
    if (tfile4eof(tf) || tfile4recNo(tf) != d->recNo) {
        int rc = tfile4go(tf, copy, (uint32_t)d->recNo);
        if (rc < 0) return rc;
    }
    if (tfile4skip(tf, 1) != 1) return d->codeBase->errorCode < 0 ? d->codeBase->errorCode : endOfFile(d);
    int go = readCurrent(d, tf);
    if (go != 0) return go;
    return currentMatches(tf, s) ? 0 : r4entry;
}

// The common front of every seek: the handle, pending changes, the tag.
int seekFront(DATA4 *d, long location, TAG4 **t) {
    if (int rc = d4check(d, location)) return rc;
    *t = seekTag(d);
    if (!*t) return r4noTag;
    return d4update(d);
}

// Room for a search key: the tag's scratch holds the current key, so
// search keys live in a buffer of their own on the stack when they fit.
struct SearchKey {
    unsigned char small[256];
    unsigned char *p;
    explicit SearchKey(unsigned len) : p(len < sizeof small ? small : static_cast<unsigned char *>(std::malloc(len + 1))) {}
    ~SearchKey() {
        if (p != small) std::free(p);
    }
};

int seekText(DATA4 *d, const char *value, int len, bool next, long location) {
    TAG4 *t = nullptr;
    if (int rc = seekFront(d, location, &t)) return rc;
    if (!value) return error4(d->codeBase, e4parmNull, location);
    SearchKey key(t->tagFile->header.keyLen + 1);
    if (!key.p) return error4(d->codeBase, e4memory, location);
    if (len < 0) len = 0;
    int cmpLen = textToKey(t, value, len, key.p);
    if (cmpLen < 0) return cmpLen;
    Search s{key.p, cmpLen, value, len};
    return next ? seekNextKey(d, t, s) : seekKey(d, t, s);
}

int seekDouble(DATA4 *d, double value, bool next) {
    TAG4 *t = nullptr;
    if (int rc = seekFront(d, E4_LOC_D4SEEKDOUBLE, &t)) return rc;
    SearchKey key(t->tagFile->header.keyLen + 1);
    if (!key.p) return error4(d->codeBase, e4memory, E4_LOC_D4SEEKDOUBLE);
    int cmpLen = doubleToKey(t, value, key.p);
    if (cmpLen < 0) return cmpLen;
    Search s{key.p, cmpLen, nullptr, 0};
    return next ? seekNextKey(d, t, s) : seekKey(d, t, s);
}

}  // namespace

int d4seek(DATA4 *d, const char *value) {
    return seekText(d, value, value ? (int)std::strlen(value) : 0, false, E4_LOC_D4SEEK);
}
int d4seekN(DATA4 *d, const char *value, int len) { return seekText(d, value, len, false, E4_LOC_D4SEEK); }
int d4seekDouble(DATA4 *d, double value) { return seekDouble(d, value, false); }
int d4seekNext(DATA4 *d, const char *value) {
    return seekText(d, value, value ? (int)std::strlen(value) : 0, true, E4_LOC_D4SEEK);
}
int d4seekNextN(DATA4 *d, const char *value, int len) { return seekText(d, value, len, true, E4_LOC_D4SEEK); }
int d4seekNextDouble(DATA4 *d, double value) { return seekDouble(d, value, true); }

double d4position(DATA4 *d) {
    if (d4check(d, E4_LOC_D4SEEK)) return -1.0;
    long count = d4recCountLow(d);
    if (count <= 0) return 0.0;
    if (d->eof) return 1.1;
    if (d->recNo < 1) return -1.0;
    TAG4 *t = static_cast<TAG4 *>(d->tagSelected);
    if (!t) return count == 1 ? 0.0 : (double)(d->recNo - 1) / (double)(count - 1);
    TAG4FILE *tf = t4bind(t);
    const unsigned char *key = nullptr;
    if (t4keyOf(t, d->record, &key) < 0) return -1.0;
    if (tfile4go(tf, key, (uint32_t)d->recNo) < 0) return -1.0;
    return tfile4position(tf);
}

int d4positionSet(DATA4 *d, double fraction) {
    if (int rc = d4check(d, E4_LOC_D4SEEK)) return rc;
    if (int rc = d4update(d)) return rc;
    long count = d4recCountLow(d);
    if (fraction > 1.0 || count <= 0) return endOfFile(d);
    if (fraction < 0.0) fraction = 0.0;
    TAG4 *t = static_cast<TAG4 *>(d->tagSelected);
    if (!t) {
        long rec = (long)((double)(count - 1) * fraction + 1.5);
        if (rec > count) rec = count;
        return d4goLow(d, rec, d->codeBase->goError);
    }
    TAG4FILE *tf = t4bind(t);
    if (int rc = tfile4positionSet(tf, fraction)) return rc;
    return readCurrent(d, tf);
}
