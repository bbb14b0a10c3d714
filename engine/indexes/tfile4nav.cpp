// Moving a tag's position: first and last key, skipping, seeking a search
// value, going to an exact (key, record number) entry, and the position as a
// fraction. Keys are stored in ascending order; a descending tag reverses
// only the direction of these moves.
//
// Position state (tfile4leaf):
//   none (depth 0) --top/bottom/seek/go/positionSet--> on a key
//   on a key --skip past either end--> on the first / last key (result short)
//   on a key --seek beyond every key--> past the end (position == count)
// Moving from one leaf to the next climbs the path to the nearest level
// with an entry left and descends again, so the path stays consistent and
// the position fraction exact.
#include <cstring>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"

namespace {

bool gated(TAG4FILE *t) { return !t || t->codeBase->errorCode < 0; }

int goRoot(TAG4FILE *t) {
    tfile4pathClear(t);
    uint32_t root = t->header.root;
    if (root == 0 || root == cdx::NO_BLOCK) return tfile4damaged(t);
    return tfile4down(t, root);
}

// From the path's last node down to a leaf, taking the first (or last) entry
// at each branch; a leaf ends on its first (or last) key.
int descend(TAG4FILE *t, bool last) {
    for (;;) {
        NODE4 *n = tfile4leaf(t);
        if (n->leaf) {
            n->position = last && n->count ? (int)n->count - 1 : 0;
            return 0;
        }
        if (n->count == 0) return tfile4damaged(t);
        n->position = last ? (int)n->count - 1 : 0;
        if (int rc = tfile4downCurrent(t)) return rc;
    }
}

int storedTop(TAG4FILE *t) {
    if (int rc = goRoot(t)) return rc;
    return descend(t, false);
}

int storedBottom(TAG4FILE *t) {
    if (int rc = goRoot(t)) return rc;
    return descend(t, true);
}

// To the first key of the next leaf (dir > 0) or the last key of the
// previous one: 1 moved, 0 no such leaf (path unchanged), negative error.
int neighbourLeaf(TAG4FILE *t, int dir) {
    // The leaf's edge entry: the next leaf must continue the strict (key,
    // record number) order from it, so a damaged tree that leads back to
    // blocks already passed is caught instead of walked forever.
    unsigned keyLen = tfile4keyLen(t);
    unsigned char *edge = t->scratch + keyLen + 1;
    NODE4 *from = tfile4leaf(t);
    bool haveEdge = from->leaf && from->count > 0;
    uint32_t edgeRecord = 0;
    if (haveEdge) {
        unsigned at = dir > 0 ? from->count - 1 : 0;
        const unsigned char *k = node4key(t, from, at);
        if (!k) return -1;
        std::memcpy(edge, k, keyLen);
        edgeRecord = node4record(t, from, at);
    }
    int level = t->depth - 2;
    while (level >= 0) {
        NODE4 *n = &t->path[level];
        if (dir > 0 ? (unsigned)(n->position + 1) < n->count : n->position > 0) break;
        level--;
    }
    if (level < 0) return 0;
    t->path[level].position += dir;
    t->depth = level + 1;
    if (int rc = tfile4downCurrent(t)) return rc;
    if (int rc = descend(t, dir < 0)) return rc;
    NODE4 *to = tfile4leaf(t);
    if (haveEdge && to->count > 0) {
        unsigned at = dir > 0 ? 0 : to->count - 1;
        const unsigned char *k = node4key(t, to, at);
        if (!k) return -1;
        int cmp = std::memcmp(k, edge, keyLen);
        uint32_t rec = node4record(t, to, at);
        bool ordered = dir > 0 ? (cmp > 0 || (cmp == 0 && rec > edgeRecord)) : (cmp < 0 || (cmp == 0 && rec < edgeRecord));
        if (!ordered) return tfile4damaged(t);
    }
    return 1;
}

// Skip in stored order; the keys moved with the sign of n. At an end the tag
// rests on the first or last key.
long storedSkip(TAG4FILE *t, long n) {
    NODE4 *leaf = tfile4leaf(t);
    if (!leaf || !leaf->leaf) return 0;
    long moved = 0;
    if (n > 0) {
        while (moved < n) {
            leaf = tfile4leaf(t);
            long room = (long)leaf->count - 1 - leaf->position;
            if (room > 0) {
                long step = room < n - moved ? room : n - moved;
                leaf->position += (int)step;
                moved += step;
                continue;
            }
            int rc = neighbourLeaf(t, 1);
            if (rc < 0) return moved;
            if (rc == 0) {
                if (leaf->count) leaf->position = (int)leaf->count - 1;
                return moved;
            }
            moved++;
        }
    } else {
        while (moved > n) {
            leaf = tfile4leaf(t);
            long room = leaf->position;
            if (room > 0) {
                long step = room < moved - n ? room : moved - n;
                leaf->position -= (int)step;
                moved -= step;
                continue;
            }
            int rc = neighbourLeaf(t, -1);
            if (rc <= 0) return moved;
            moved--;
        }
    }
    return moved;
}

// Seek in stored order (see tfile4seek).
int storedSeek(TAG4FILE *t, const unsigned char *search, int len) {
    if (int rc = goRoot(t)) return rc;
    for (;;) {
        NODE4 *n = tfile4leaf(t);
        if (!n->leaf) {
            if (n->count == 0) return tfile4damaged(t);
            int lo = -1, hi = (int)n->count - 1;
            while (lo < hi - 1) {
                int mid = (lo + hi) / 2;
                if (std::memcmp(node4key(t, n, (unsigned)mid), search, (size_t)len) < 0)
                    lo = mid;
                else
                    hi = mid;
            }
            n->position = hi;
            if (int rc = tfile4downCurrent(t)) return rc;
            continue;
        }
        for (unsigned i = 0; i < n->count; i++) {
            const unsigned char *key = node4key(t, n, i);
            int cmp = std::memcmp(key, search, (size_t)len);
            if (cmp >= 0) {
                n->position = (int)i;
                return cmp == 0 ? 0 : r4after;
            }
        }
        n->position = (int)n->count;
        // Every key of this leaf is smaller: the answer is the next leaf's
        // first key, if there is a next leaf.
        int rc = neighbourLeaf(t, 1);
        if (rc < 0) return rc;
        if (rc == 0) return r4after;
        n = tfile4leaf(t);
        if (n->count == 0) return r4after;
        return std::memcmp(node4key(t, n, 0), search, (size_t)len) == 0 ? 0 : r4after;
    }
}

}  // namespace

int tfile4compare(const unsigned char *key, const unsigned char *search, int len) {
    for (int i = 0; i < len; i++) {
        if (key[i] != search[i]) return search[i] < key[i] ? -1 : i;
    }
    return len;
}

int tfile4top(TAG4FILE *t) {
    if (gated(t)) return -1;
    return t->header.descending ? storedBottom(t) : storedTop(t);
}

int tfile4bottom(TAG4FILE *t) {
    if (gated(t)) return -1;
    return t->header.descending ? storedTop(t) : storedBottom(t);
}

long tfile4skip(TAG4FILE *t, long n) {
    if (gated(t)) return -1;
    if (n == 0) return 0;
    return t->header.descending ? -storedSkip(t, -n) : storedSkip(t, n);
}

int tfile4seek(TAG4FILE *t, const unsigned char *search, int len) {
    if (gated(t)) return -1;
    unsigned keyLen = tfile4keyLen(t);
    if (len < 0) len = 0;
    if ((unsigned)len > keyLen) len = (int)keyLen;
    if (!t->header.descending) return storedSeek(t, search, len);
    // Descending: find the first key above every key matching the search,
    // then step back one key in stored order.
    unsigned char *next = t->scratch;
    std::memcpy(next, search, (size_t)len);
    int last = len - 1;
    while (last >= 0 && next[last] == 0xFF) last--;
    int rc;
    if (last < 0) {
        rc = storedBottom(t);
        if (rc == 0) {
            NODE4 *leaf = tfile4leaf(t);
            leaf->position = (int)leaf->count;   // past every key
        }
    } else {
        next[last]++;
        rc = storedSeek(t, next, last + 1);
    }
    if (rc < 0) return rc;
    if (storedSkip(t, -1) != -1) {
        // No key before it: past the end in descending order.
        NODE4 *leaf = tfile4leaf(t);
        if (leaf) leaf->position = (int)leaf->count;
        return r4after;
    }
    const unsigned char *key = tfile4key(t);
    return key && std::memcmp(key, search, (size_t)len) == 0 ? 0 : r4after;
}

int tfile4go(TAG4FILE *t, const unsigned char *key, uint32_t record) {
    if (gated(t)) return -1;
    int keyLen = (int)tfile4keyLen(t);
    int rc = storedSeek(t, key, keyLen);
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
        if (storedSkip(t, 1) != 1) {
            if (t->codeBase->errorCode < 0) return -1;
            leaf = tfile4leaf(t);
            leaf->position = (int)leaf->count;
            return 1;
        }
    }
}

int tfile4eof(TAG4FILE *t) {
    NODE4 *leaf = t ? tfile4leaf(t) : nullptr;
    return !leaf || !leaf->leaf || (unsigned)leaf->position >= leaf->count;
}

long tfile4recNo(TAG4FILE *t) {
    NODE4 *leaf = t ? tfile4leaf(t) : nullptr;
    if (!leaf || !leaf->leaf) return -2;
    if (leaf->count == 0) return 0;
    if ((unsigned)leaf->position >= leaf->count) return -1;
    return (long)node4record(t, leaf, (unsigned)leaf->position);
}

const unsigned char *tfile4key(TAG4FILE *t) {
    NODE4 *leaf = t ? tfile4leaf(t) : nullptr;
    if (!leaf || !leaf->leaf || (unsigned)leaf->position >= leaf->count) return nullptr;
    return node4key(t, leaf, (unsigned)leaf->position);
}

double tfile4position(TAG4FILE *t) {
    if (gated(t) || t->depth == 0) return -1.0;
    bool allFirst = true, allLast = true;
    for (int k = 0; k < t->depth; k++) {
        const NODE4 &n = t->path[k];
        if (n.position != 0) allFirst = false;
        if (n.count == 0 || n.position < (int)n.count - 1) allLast = false;
    }
    double f;
    if (allFirst)
        f = 0.0;
    else if (allLast)
        f = 1.0;
    else {
        f = 0.5;
        for (int k = t->depth - 1; k >= 0; k--) {
            const NODE4 &n = t->path[k];
            if (n.count == 0) continue;
            double pos = n.position < (int)n.count ? n.position : (double)n.count - 1;
            f = (pos + f) / n.count;
        }
        if (f > 1.0) f = 1.0;
    }
    return t->header.descending ? 1.0 - f : f;
}

int tfile4positionSet(TAG4FILE *t, double fraction) {
    if (gated(t)) return -1;
    if (fraction < 0.0) fraction = 0.0;
    if (fraction > 1.0) fraction = 1.0;
    if (t->header.descending) fraction = 1.0 - fraction;
    if (int rc = goRoot(t)) return rc;
    for (;;) {
        NODE4 *n = tfile4leaf(t);
        if (n->count == 0) {
            if (!n->leaf) return tfile4damaged(t);
            n->position = 0;
            return 0;
        }
        double scaled = n->count * fraction;
        unsigned entry = (unsigned)scaled;
        if (entry >= n->count) entry = n->count - 1;
        fraction = scaled - entry;
        if (fraction > 1.0) fraction = 1.0;
        n->position = (int)entry;
        if (n->leaf) return 0;
        if (int rc = tfile4downCurrent(t)) return rc;
    }
}
