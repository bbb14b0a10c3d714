// Moving a tag's position: first and last key, skipping, and the position
// as a fraction (seeks: tfile4seek.cpp). Keys are stored in ascending order; a descending tag reverses
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

// Compares (key, record) pairs of the tag: negative, 0 or positive.
int pairCompare(const TAG4FILE *t, const unsigned char *a, uint32_t ar, const unsigned char *b, uint32_t br) {
    int c = std::memcmp(a, b, tfile4keyLen(t));
    if (c) return c;
    return ar < br ? -1 : ar > br ? 1 : 0;
}

// To the first key of the next leaf (dir > 0) or the last key of the
// previous one: 1 moved, 0 no such leaf (path unchanged), negative error.
//
// The walk must keep going the same way, so that a damaged tree that leads
// back to leaves already passed is caught instead of walked forever. Each
// leaf entered must start no higher than the parent entry that claims its
// last key; moving forward, its first key must be above the claim of the
// leaf left; moving back, its claim must be below the first key of the leaf
// left. The claims met then rise (or fall) strictly, and there are only as
// many as the file has branch entries. All of it compares branch entries and
// first keys, which cost no expansion.
int neighbourLeaf(TAG4FILE *t, int dir) {
    int level = t->depth - 2;
    while (level >= 0) {
        NODE4 *n = &t->path[level];
        if (dir > 0 ? (unsigned)(n->position + 1) < n->count : n->position > 0) break;
        level--;
    }
    if (level < 0) return 0;
    unsigned keyLen = tfile4keyLen(t);
    unsigned char *edge = t->scratch + keyLen + 1;
    uint32_t edgeRecord;
    NODE4 *from = tfile4leaf(t);
    if (dir > 0) {
        NODE4 *parent = &t->path[t->depth - 2];
        std::memcpy(edge, cdx::branchKey(parent->block, keyLen, (unsigned)parent->position), keyLen);
        edgeRecord = cdx::branchRecord(parent->block, keyLen, (unsigned)parent->position);
    } else {
        const unsigned char *k = from->count ? node4key(t, from, 0) : nullptr;
        if (!k) return tfile4damaged(t);
        std::memcpy(edge, k, keyLen);
        edgeRecord = node4record(t, from, 0);
    }
    t->path[level].position += dir;
    t->depth = level + 1;
    if (int rc = tfile4downCurrent(t)) return rc;
    if (int rc = descend(t, dir < 0)) return rc;
    NODE4 *to = tfile4leaf(t);
    NODE4 *parent = &t->path[t->depth - 2];
    const unsigned char *claim = cdx::branchKey(parent->block, keyLen, (unsigned)parent->position);
    uint32_t claimRecord = cdx::branchRecord(parent->block, keyLen, (unsigned)parent->position);
    const unsigned char *first = to->count ? node4key(t, to, 0) : nullptr;
    if (!first) return tfile4damaged(t);
    uint32_t firstRecord = node4record(t, to, 0);
    if (pairCompare(t, first, firstRecord, claim, claimRecord) > 0) return tfile4damaged(t);
    bool onward = dir > 0 ? pairCompare(t, first, firstRecord, edge, edgeRecord) > 0
                          : pairCompare(t, claim, claimRecord, edge, edgeRecord) < 0;
    if (!onward) return tfile4damaged(t);
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

}  // namespace

int tfile4nextLeaf(TAG4FILE *t) { return neighbourLeaf(t, 1); }
int tfile4goRoot(TAG4FILE *t) { return goRoot(t); }
int tfile4storedBottom(TAG4FILE *t) { return storedBottom(t); }
long tfile4storedSkip(TAG4FILE *t, long n) { return storedSkip(t, n); }

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
