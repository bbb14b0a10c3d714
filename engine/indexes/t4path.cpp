// Key maintenance's path through a tag (see t4path.h): descending to a
// (key, record number) pair, passing a node's new last key up, splitting
// leaves and branches, new roots, and unlinking freed nodes.
//
// Splits link the new node to the right of the old one:
//   old.right = new, new.left = old, new.right = old's former right,
//   and that node's left = new.
// A branch that overflows keeps the first half of its entries (rounded up).
// A leaf keeps the first c - c/2 of its c keys, plus the new key when it
// falls among them; the widths of both halves are those of the old leaf,
// widened as their record numbers need.
#include "t4path.h"

#include <cstring>

#include "foundation/code4.h"
#include "foundation/error4.h"
#include "index4internal.h"
#include "index4write.h"
#include "tables/dfile4.h"

namespace {

unsigned entrySize(const T4PATH *p) { return cdx::branchEntrySize(p->shape.keyLen); }

unsigned char *entryAt(unsigned char *block, const T4PATH *p, unsigned i) {
    return block + cdx::NODE_HEAD + i * entrySize(p);
}

void setCount(unsigned char *block, unsigned n) { b4::putU16le(block + cdx::NODE_OFF_COUNT, (uint16_t)n); }
void setAttr(unsigned char *block, unsigned a) { b4::putU16le(block + cdx::NODE_OFF_ATTR, (uint16_t)a); }
void setLeft(unsigned char *block, uint32_t r) { b4::putU32le(block + cdx::NODE_OFF_LEFT, r); }
void setRight(unsigned char *block, uint32_t r) { b4::putU32le(block + cdx::NODE_OFF_RIGHT, r); }

void putEntry(unsigned char *entry, const T4PATH *p, const unsigned char *key, uint32_t rec, uint32_t child) {
    unsigned keyLen = p->shape.keyLen;
    std::memmove(entry, key, keyLen);
    b4::putU32be(entry + keyLen, rec);
    b4::putU32be(entry + keyLen + 4, child);
}

int damaged(T4PATH *p) { return tfile4damaged(p->tag); }

// Reads block ref into out; a reference outside the file is damage.
int readBlock(T4PATH *p, uint32_t ref, unsigned char *out) {
    int rc = index4readBlock(p->file, ref, out);
    if (rc == -1 && p->tag->codeBase->errorCode >= 0) return damaged(p);
    return rc;
}

int compareEntry(const T4PATH *p, const unsigned char *entry, const unsigned char *key, uint32_t rec) {
    int c = std::memcmp(entry, key, p->shape.keyLen);
    if (c) return c;
    uint32_t r = b4::getU32be(entry + p->shape.keyLen);
    return r < rec ? -1 : r > rec ? 1 : 0;
}

}  // namespace

T4PATH *t4pathOf(TAG4FILE *t) {
    INDEX4FILE *i = t->indexFile;
    unsigned keyLen = t->header.keyLen;
    unsigned blockRoom = i->blockSize + keyLen + 8;
    unsigned maxEntries = i->blockSize;   // a leaf entry takes at least one byte
    size_t bytes = sizeof(T4PATH) + 16 + (size_t)(TAG4_MAX_DEPTH + 3) * blockRoom + 6 * (size_t)(keyLen + 1) +
                   (size_t)(maxEntries + 1) * keyLen + (size_t)(maxEntries + 1) * sizeof(uint32_t);
    unsigned char *mem = index4scratch(i, bytes);
    if (!mem) return nullptr;
    T4PATH *p = reinterpret_cast<T4PATH *>(mem);
    std::memset(p, 0, sizeof *p);
    unsigned char *at = mem + (sizeof(T4PATH) + 15) / 16 * 16;
    p->records = reinterpret_cast<uint32_t *>(at);
    at += (size_t)(maxEntries + 1) * sizeof(uint32_t);
    for (T4LEVEL &l : p->level) {
        l.block = at;
        at += blockRoom;
    }
    for (unsigned char *&s : p->spare) {
        s = at;
        at += blockRoom;
    }
    unsigned char *keyBufs[5];
    for (unsigned char *&k : keyBufs) {
        k = at;
        at += keyLen + 1;
    }
    p->spot.prev = keyBufs[0];
    p->spot.here = keyBufs[1];
    p->spot.next = keyBufs[2];
    p->lastKey = keyBufs[3];
    p->keys = at;
    p->tag = t;
    p->file = i;
    p->maxEntries = maxEntries;
    p->shape.blockSize = i->blockSize;
    p->shape.keyLen = keyLen;
    p->shape.pad = t->pad;
    DATA4FILE *df = i->dataFile;
    p->shape.noTrailing = df && df->tableLevel == 26 && (t->header.typeFlags & cdx::TYPE_FOR) ? 1 : 0;
    return p;
}

uint64_t t4pathRecords(const T4PATH *p) {
    DATA4FILE *df = p->file->dataFile;
    long n = df ? dfile4recCount(df) : 0;
    return n > 0 ? (uint64_t)n : 0;
}

int t4pathFind(T4PATH *p, const unsigned char *key, uint32_t rec) {
    unsigned keyLen = p->shape.keyLen;
    uint32_t ref = p->tag->header.root;
    if (ref == 0 || ref == cdx::NO_BLOCK) return damaged(p);
    p->depth = 0;
    for (;;) {
        if (p->depth >= TAG4_MAX_DEPTH) return damaged(p);
        T4LEVEL &l = p->level[p->depth];
        if (int rc = readBlock(p, ref, l.block)) return rc;
        l.ref = ref;
        l.count = cdx::nodeKeyCount(l.block);
        l.leaf = cdx::nodeIsLeaf(l.block) ? 1 : 0;
        if (l.leaf) {
            if (!cdx::leafValid(l.block, p->shape.blockSize, keyLen, &l.params)) return damaged(p);
        } else if (l.count == 0 || !cdx::branchValid(p->shape.blockSize, keyLen, l.count)) {
            return damaged(p);
        }
        if (p->depth > 0) {
            // The node's last record number is the one its parent entry names.
            const T4LEVEL &up = p->level[p->depth - 1];
            uint32_t expect = cdx::branchRecord(up.block, keyLen, (unsigned)up.position);
            if (l.count == 0) return damaged(p);
            uint32_t last = l.leaf ? cdx::leafEntry(l.block, l.params, l.count - 1).record
                                   : cdx::branchRecord(l.block, keyLen, l.count - 1);
            if (last != expect) return damaged(p);
        }
        p->depth++;
        if (l.leaf) {
            leaf4::find(l.block, p->shape, l.params, key, rec, &p->spot);
            l.position = (int)p->spot.pos;
            return 0;
        }
        // The first entry at or after (key, rec); past them all, the last.
        int lo = -1, hi = (int)l.count - 1;
        while (lo < hi - 1) {
            int mid = (lo + hi) / 2;
            if (compareEntry(p, entryAt(l.block, p, (unsigned)mid), key, rec) < 0)
                lo = mid;
            else
                hi = mid;
        }
        l.position = hi;
        ref = cdx::branchChild(l.block, keyLen, (unsigned)hi);
    }
}

int t4pathPut(T4PATH *p, int k) { return index4putBlock(p->file, p->level[k].ref, p->level[k].block); }

uint32_t t4pathLast(T4PATH *p, int k) {
    T4LEVEL &l = p->level[k];
    unsigned keyLen = p->shape.keyLen;
    if (!l.leaf) {
        std::memcpy(p->lastKey, cdx::branchKey(l.block, keyLen, l.count - 1), keyLen);
        return cdx::branchRecord(l.block, keyLen, l.count - 1);
    }
    // Expand with buffers of their own: the operation's spot stays intact.
    unsigned char *a = p->spare[0] + p->shape.blockSize, *b = p->lastKey;
    leaf4::Spot s{0, 0, a, b, nullptr, 0};
    leaf4::at(l.block, p->shape, l.params, l.count - 1, &s);
    if (s.here != p->lastKey) std::memcpy(p->lastKey, s.here, keyLen);
    return cdx::leafEntry(l.block, l.params, l.count - 1).record;
}

int t4pathSeparators(T4PATH *p, int k) {
    unsigned keyLen = p->shape.keyLen;
    for (int j = k; j > 0; j--) {
        uint32_t rec = t4pathLast(p, j);
        T4LEVEL &up = p->level[j - 1];
        unsigned char *entry = entryAt(up.block, p, (unsigned)up.position);
        if (std::memcmp(entry, p->lastKey, keyLen) == 0 && b4::getU32be(entry + keyLen) == rec) return 0;
        std::memcpy(entry, p->lastKey, keyLen);
        b4::putU32be(entry + keyLen, rec);
        if (int rc = t4pathPut(p, j - 1)) return rc;
        if ((unsigned)up.position + 1 != up.count) return 0;
    }
    return 0;
}

int t4pathLinkRight(T4PATH *p, int k, uint32_t added, unsigned char *block) {
    T4LEVEL &l = p->level[k];
    uint32_t after = cdx::nodeRight(l.block);
    setLeft(block, l.ref);
    setRight(block, after);
    setRight(l.block, added);
    if (after == cdx::NO_BLOCK) return 0;
    unsigned char *z = p->spare[0];
    if (int rc = readBlock(p, after, z)) return rc;
    setLeft(z, added);
    return index4putBlock(p->file, after, z);
}

int t4pathUnlink(T4PATH *p, int k) {
    T4LEVEL &l = p->level[k];
    uint32_t left = cdx::nodeLeft(l.block), right = cdx::nodeRight(l.block);
    unsigned char *z = p->spare[0];
    if (left != cdx::NO_BLOCK) {
        if (int rc = readBlock(p, left, z)) return rc;
        setRight(z, right);
        if (int rc = index4putBlock(p->file, left, z)) return rc;
    }
    if (right != cdx::NO_BLOCK) {
        if (int rc = readBlock(p, right, z)) return rc;
        setLeft(z, left);
        if (int rc = index4putBlock(p->file, right, z)) return rc;
    }
    return index4freeBlock(p->file, l.ref);
}

int t4pathAddRight(T4PATH *p, int k, uint32_t right, const unsigned char *rightKey, uint32_t rightRec, bool hotRight) {
    unsigned keyLen = p->shape.keyLen;
    unsigned size = entrySize(p);
    T4LEVEL &l = p->level[k];
    uint32_t leftRec = t4pathLast(p, k);
    if (k == 0) {
        // The root split: a new root above the two halves.
        uint32_t root;
        if (int rc = index4extend(p->file, &root)) return rc;
        unsigned char *r = p->spare[0];
        std::memset(r, 0, p->shape.blockSize);
        setAttr(r, cdx::ATTR_ROOT);
        setCount(r, 2);
        setLeft(r, cdx::NO_BLOCK);
        setRight(r, cdx::NO_BLOCK);
        putEntry(entryAt(r, p, 0), p, p->lastKey, leftRec, l.ref);
        putEntry(entryAt(r, p, 1), p, rightKey, rightRec, right);
        if (int rc = index4putBlock(p->file, root, r)) return rc;
        return index4rootSet(p->tag, root);
    }
    T4LEVEL &up = p->level[k - 1];
    unsigned e = (unsigned)up.position;
    unsigned capacity = cdx::branchCapacity(p->shape.blockSize, keyLen);
    if (up.count < capacity) {
        unsigned char *at = entryAt(up.block, p, e + 1);
        std::memmove(at + size, at, (size_t)(up.count - e - 1) * size);
        putEntry(at, p, rightKey, rightRec, right);
        putEntry(entryAt(up.block, p, e), p, p->lastKey, leftRec, l.ref);
        up.count++;
        setCount(up.block, up.count);
        if (int rc = t4pathPut(p, k - 1)) return rc;
        return t4pathSeparators(p, k - 1);
    }
    // The parent is full: its entries with the new one, split in two.
    unsigned n = up.count + 1;
    unsigned char *merged = p->spare[1];
    std::memcpy(merged, entryAt(up.block, p, 0), (size_t)(e + 1) * size);
    putEntry(merged + e * size, p, p->lastKey, leftRec, l.ref);
    putEntry(merged + (e + 1) * size, p, rightKey, rightRec, right);
    std::memcpy(merged + (e + 2) * size, entryAt(up.block, p, e + 1), (size_t)(up.count - e - 1) * size);
    // Where the new key went: the entry of the node that took it.
    unsigned hot = hotRight ? e + 1 : e;
    unsigned keep = (n + 1) / 2;
    if (capacity <= 2) {
        // Two entries to a branch: a half split leaves the side that goes on
        // taking keys full, and every later key would split every level up
        // to a new root. The new key's entry ends its node (keys after it
        // follow) or starts it (keys before it), alone at an edge if it is.
        keep = hotRight ? hot + 1 : hot;
        if (keep < 1) keep = 1;
        if (keep > n - 1) keep = n - 1;
    }
    uint32_t added;
    if (int rc = index4extend(p->file, &added)) return rc;
    unsigned char *y = p->spare[2];
    std::memset(y, 0, p->shape.blockSize);
    setAttr(y, 0);
    setCount(y, n - keep);
    std::memcpy(entryAt(y, p, 0), merged + keep * size, (size_t)(n - keep) * size);
    std::memset(entryAt(up.block, p, 0), 0, p->shape.blockSize - cdx::NODE_HEAD);
    std::memcpy(entryAt(up.block, p, 0), merged, (size_t)keep * size);
    setAttr(up.block, 0);
    up.count = keep;
    setCount(up.block, keep);
    if (int rc = t4pathLinkRight(p, k - 1, added, y)) return rc;
    if (int rc = t4pathPut(p, k - 1)) return rc;
    if (int rc = index4putBlock(p->file, added, y)) return rc;
    const unsigned char *yLast = entryAt(y, p, n - keep - 1);
    return t4pathAddRight(p, k - 1, added, yLast, b4::getU32be(yLast + keyLen), hot >= keep);
}

int t4pathLeafLayout(T4PATH *p, int k, unsigned n, unsigned keepHint, unsigned hot) {
    T4LEVEL &l = p->level[k];
    unsigned keyLen = p->shape.keyLen;
    uint32_t maxRec = 0;
    for (unsigned i = 0; i < n; i++)
        if (p->records[i] > maxRec) maxRec = p->records[i];
    cdx::LeafParams w;
    if (!leaf4::widthsFor(l.params, maxRec, &w)) return damaged(p);
    if (leaf4::encode(l.block, p->shape, w, p->keys, p->records, n)) {
        l.params = w;
        l.count = n;
        return t4pathPut(p, k);
    }
    // Two leaves: the old one keeps the first `keep` entries.
    unsigned keep = keepHint ? keepHint : n - n / 2;
    unsigned char *y = p->spare[2];
    for (int tries = 0;; tries++) {
        if (keep == 0 || keep >= n || tries > (int)n) return damaged(p);
        setAttr(l.block, cdx::ATTR_LEAF);
        if (!leaf4::encode(l.block, p->shape, w, p->keys, p->records, keep)) {
            keep--;
            continue;
        }
        leaf4::initEmpty(y, p->shape, w, cdx::ATTR_LEAF);
        if (!leaf4::encode(y, p->shape, w, p->keys + (size_t)keep * keyLen, p->records + keep, n - keep)) {
            keep++;
            continue;
        }
        break;
    }
    l.params = w;
    l.count = keep;
    uint32_t added;
    if (int rc = index4extend(p->file, &added)) return rc;
    if (int rc = t4pathLinkRight(p, k, added, y)) return rc;
    if (int rc = t4pathPut(p, k)) return rc;
    if (int rc = index4putBlock(p->file, added, y)) return rc;
    return t4pathAddRight(p, k, added, p->keys + (size_t)(n - 1) * keyLen, p->records[n - 1], hot >= keep);
}
