// Seeking a search value in a tag, and going to an exact (key, record
// number) entry.
//
// A search is judged against stored keys as unsigned bytes over its length,
// except on a character tag with a named collation when the search came
// from text (the table-level seeks): there each key is judged by the
// collation's comparison (collate4compare), which matches a key on its
// primary weights first, so that a shorter text finds the keys it begins.
// Keys that carry the null-marker byte have that byte compared apart. The
// stored order is byte order either way, so the descent is the same: a
// binary search of each branch for the first entry not before the search,
// then a forward scan of the leaf.
#include <cstring>

#include "collate4.h"
#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"

namespace {

bool gated(TAG4FILE *t) { return !t || t->codeBase->errorCode < 0; }

// How one search value is judged against the tag's keys.
struct Judge {
    TAG4FILE *t;
    const unsigned char *bytes;
    unsigned len;
    const COLLATE4 *collation;   // null: bytes
    const char *text;
    int textLen;

    // Before the search (< 0), matching it (0) or after it (> 0).
    int operator()(const unsigned char *key) const {
        if (!collation) {
            // Search values are short and differ early: no call for them.
            for (unsigned i = 0; i < len; i++)
                if (key[i] != bytes[i]) return key[i] < bytes[i] ? -1 : 1;
            return 0;
        }
        unsigned keyLen = tfile4keyLen(t);
        if (t->header.typeFlags & cdx::TYPE_NULL_MARKER) {
            if (len == 0) return 0;
            if (key[0] != bytes[0]) return key[0] < bytes[0] ? -1 : 1;
            return collate4compare(collation, key + 1, (int)keyLen - 1, bytes + 1, (int)len - 1, text, textLen);
        }
        return collate4compare(collation, key, (int)keyLen, bytes, (int)len, text, textLen);
    }
};

// The leaf scan of a collated search: each key expanded and judged.
int leafScan(TAG4FILE *t, NODE4 *n, const Judge &judge) {
    for (unsigned i = 0; i < n->count; i++) {
        const unsigned char *key = node4key(t, n, i);
        int c = judge(key);
        if (c >= 0) {
            n->position = (int)i;
            return c == 0 ? 0 : r4after;
        }
    }
    n->position = (int)n->count;
    return r4after;
}

// Seek in stored order: 0 on the first key matching the search, else 2 on
// the first key after it, or past the last key.
int storedSeek(TAG4FILE *t, const Judge &judge) {
    if (int rc = tfile4goRoot(t)) return rc;
    unsigned keyLen = tfile4keyLen(t);
    for (;;) {
        NODE4 *n = tfile4leaf(t);
        if (!n->leaf) {
            if (n->count == 0) return tfile4damaged(t);
            int lo = -1, hi = (int)n->count - 1;
            while (lo < hi - 1) {
                int mid = (lo + hi) / 2;
                if (judge(cdx::branchKey(n->block, keyLen, (unsigned)mid)) < 0)
                    lo = mid;
                else
                    hi = mid;
            }
            n->position = hi;
            if (int rc = tfile4downCurrent(t)) return rc;
            continue;
        }
        int rc = judge.collation ? leafScan(t, n, judge) : node4seek(t, n, judge.bytes, judge.len);
        if ((unsigned)n->position < n->count) return rc;
        // Every key of this leaf is before the search: the answer is the
        // next leaf's first key, if there is a next leaf.
        rc = tfile4nextLeaf(t);
        if (rc < 0) return rc;
        if (rc == 0) return r4after;
        n = tfile4leaf(t);
        return judge(node4key(t, n, 0)) == 0 ? 0 : r4after;
    }
}

// The value just above every key that matches search on its length, for a
// descending seek, into out (key length bytes): its length to compare, or
// -1 when nothing of that length is above.
int nextGreater(TAG4FILE *t, const Judge &judge, unsigned char *out) {
    unsigned keyLen = tfile4keyLen(t);
    if (judge.collation) {
        int marker = (t->header.typeFlags & cdx::TYPE_NULL_MARKER) ? 1 : 0;
        if (marker && judge.len == 0) return -1;
        if (marker) out[0] = judge.bytes[0];
        int n = collate4nextGreater(judge.bytes + marker, (int)judge.len - marker, judge.text, judge.textLen,
                                    (int)keyLen - marker, out + marker);
        return n + marker;
    }
    std::memcpy(out, judge.bytes, judge.len);
    int last = (int)judge.len - 1;
    while (last >= 0 && out[last] == 0xFF) last--;
    if (last < 0) return -1;
    out[last]++;
    return last + 1;
}

// Seek in the tag's order (see tfile4seek).
int seek(TAG4FILE *t, const Judge &judge) {
    if (!t->header.descending) return storedSeek(t, judge);
    // Descending: find the first key above every key matching the search,
    // then step back one key in stored order.
    unsigned char *next = t->scratch;
    int nextLen = nextGreater(t, judge, next);
    int rc;
    if (nextLen < 0) {
        rc = tfile4storedBottom(t);
        if (rc == 0) {
            NODE4 *leaf = tfile4leaf(t);
            leaf->position = (int)leaf->count;   // past every key
        }
    } else {
        rc = storedSeek(t, Judge{t, next, (unsigned)nextLen, nullptr, nullptr, 0});
    }
    if (rc < 0) return rc;
    if (tfile4storedSkip(t, -1) != -1) {
        // No key before it: past the end in descending order.
        NODE4 *leaf = tfile4leaf(t);
        if (leaf) leaf->position = (int)leaf->count;
        return r4after;
    }
    const unsigned char *key = tfile4key(t);
    return key && judge(key) == 0 ? 0 : r4after;
}

unsigned clampLength(TAG4FILE *t, int len) {
    unsigned keyLen = tfile4keyLen(t);
    if (len < 0) return 0;
    return (unsigned)len > keyLen ? keyLen : (unsigned)len;
}

}  // namespace

int tfile4compare(const unsigned char *key, const unsigned char *search, int len) {
    for (int i = 0; i < len; i++) {
        if (key[i] != search[i]) return search[i] < key[i] ? -1 : i;
    }
    return len;
}

int tfile4seek(TAG4FILE *t, const unsigned char *search, int len) {
    if (gated(t)) return -1;
    return seek(t, Judge{t, search, clampLength(t, len), nullptr, nullptr, 0});
}

int tfile4seekText(TAG4FILE *t, const unsigned char *search, int len, const char *text, int textLen) {
    if (gated(t)) return -1;
    const COLLATE4 *collation = t->keyType == 'C' ? t->collation : nullptr;
    return seek(t, Judge{t, search, clampLength(t, len), collation, text, textLen});
}

int tfile4matchesText(TAG4FILE *t, const unsigned char *key, const unsigned char *search, int len, const char *text,
                      int textLen) {
    if (!key) return 0;
    const COLLATE4 *collation = t->keyType == 'C' ? t->collation : nullptr;
    return Judge{t, search, clampLength(t, len), collation, text, textLen}(key) == 0;
}

int tfile4go(TAG4FILE *t, const unsigned char *key, uint32_t record) {
    if (gated(t)) return -1;
    int keyLen = (int)tfile4keyLen(t);
    int rc = storedSeek(t, Judge{t, key, (unsigned)keyLen, nullptr, nullptr, 0});
    if (rc < 0) return rc;
    if (rc != 0) return 1;
    for (;;) {
        NODE4 *leaf = tfile4leaf(t);
        if ((unsigned)leaf->position >= leaf->count) return 1;
        const unsigned char *current = node4key(t, leaf, (unsigned)leaf->position);
        if (!current || std::memcmp(current, key, (size_t)keyLen) != 0) return 1;
        uint32_t at = node4record(t, leaf, (unsigned)leaf->position);
        if (at == record) return 0;
        if (at > record) return 1;
        if (tfile4storedSkip(t, 1) != 1) {
            if (t->codeBase->errorCode < 0) return -1;
            leaf = tfile4leaf(t);
            leaf->position = (int)leaf->count;
            return 1;
        }
    }
}
