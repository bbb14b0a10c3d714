// Leaf blocks changed in place (see node4leaf.h for the compression rules).
//
// A leaf of n entries, B bytes each, block size S:
//   [0, 24)                    header
//   [24, 24 + n B)             packed entries
//   [24 + n B, low)            free bytes, kept zero (low = 24 + n B + free)
//   [low, S)                   stored key bytes: entry 0's end at S, each next
//                              entry's immediately below the previous one's
#include "node4leaf.h"

#include <bit>
#include <cstring>

namespace leaf4 {

namespace {

unsigned bitsOf(uint64_t v) {
    unsigned n = 0;
    while (v) {
        n++;
        v >>= 1;
    }
    return n;
}

unsigned common(const unsigned char *a, const unsigned char *b, unsigned from, unsigned len) {
    unsigned i = from;
    while (i < len && a[i] == b[i]) i++;
    return i;
}

// Eight bytes in the host's order (for equality and the first difference).
inline uint64_t load8(const unsigned char *p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

unsigned minOf(unsigned a, unsigned b) { return a < b ? a : b; }

// Duplicate count of key (trailing t) after prev (trailing tPrev).
unsigned duplicates(const LEAF4SHAPE &s, const unsigned char *prev, unsigned tPrev, const unsigned char *key, unsigned t) {
    unsigned d = commonPrefix(prev, key, s.keyLen);
    return minOf(d, minOf(s.keyLen - t, s.keyLen - tPrev));
}

void setCount(unsigned char *block, unsigned n) { b4::putU16le(block + cdx::NODE_OFF_COUNT, (uint16_t)n); }
void setFree(unsigned char *block, unsigned n) { b4::putU16le(block + cdx::LEAF_OFF_FREE, (uint16_t)n); }

unsigned lowOf(const unsigned char *block, const cdx::LeafParams &p) {
    return cdx::LEAF_HEAD + cdx::nodeKeyCount(block) * p.entryBytes + freeBytes(block);
}

// Rebuild key i in out from the previous key (already in out's first bytes
// or in prev) and the stored bytes at block + storedAt.
void expand(const LEAF4SHAPE &s, const unsigned char *prev, const cdx::LeafEntry &e, const unsigned char *stored,
            unsigned char *out) {
    unsigned n = s.keyLen - e.duplicates - e.trailing;
    if (prev != out && e.duplicates) std::memcpy(out, prev, e.duplicates);
    std::memcpy(out + e.duplicates, stored, n);
    std::memset(out + e.duplicates + n, s.pad, e.trailing);
}

}  // namespace

cdx::LeafParams freshParams(unsigned keyLen, uint64_t recCount) {
    unsigned c = bitsOf(keyLen);
    unsigned r = bitsOf(recCount) + (8 - (2 * c) % 8) % 8;
    if (r < 12) r = 12;
    while ((r + 2 * c) % 8 != 0) r++;
    cdx::LeafParams p;
    p.entryBytes = (r + 2 * c) / 8;
    if (r > 32) r = 32;
    p.recBits = r;
    p.recMask = r >= 32 ? 0xFFFFFFFFu : (uint32_t)((1ull << r) - 1);
    p.dupBits = p.trailBits = c;
    p.dupMask = p.trailMask = (1u << c) - 1;
    return p;
}

void initEmpty(unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, unsigned attr) {
    std::memset(block, 0, s.blockSize);
    b4::putU16le(block + cdx::NODE_OFF_ATTR, (uint16_t)attr);
    b4::putU32le(block + cdx::NODE_OFF_LEFT, cdx::NO_BLOCK);
    b4::putU32le(block + cdx::NODE_OFF_RIGHT, cdx::NO_BLOCK);
    setFree(block, s.blockSize - cdx::LEAF_HEAD);
    cdx::leafParamsPut(block, p);
}

unsigned trailing(const LEAF4SHAPE &s, const unsigned char *key) {
    if (s.noTrailing) return 0;
    unsigned t = 0;
    uint64_t pads = 0x0101010101010101ull * s.pad;
    while (t + 8 <= s.keyLen && load8(key + s.keyLen - t - 8) == pads) t += 8;
    while (t < s.keyLen && key[s.keyLen - 1 - t] == s.pad) t++;
    return t;
}

unsigned commonPrefix(const unsigned char *a, const unsigned char *b, unsigned len) {
    unsigned i = 0;
    for (; i + 8 <= len; i += 8)
        if (uint64_t x = load8(a + i) ^ load8(b + i)) {
            int zeros = std::endian::native == std::endian::little ? std::countr_zero(x) : std::countl_zero(x);
            return i + (unsigned)zeros / 8;
        }
    while (i < len && a[i] == b[i]) i++;
    return i;
}

unsigned usedBytes(const unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &) {
    return s.blockSize - freeBytes(block);
}

void at(const unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, unsigned pos, Spot *spot) {
    unsigned count = cdx::nodeKeyCount(block);
    unsigned top = s.blockSize;
    unsigned char *prev = spot->prev, *cur = spot->here;
    for (unsigned i = 0; i < count; i++) {
        cdx::LeafEntry e = cdx::leafEntry(block, p, i);
        unsigned stored = s.keyLen - e.duplicates - e.trailing;
        expand(s, prev, e, block + top - stored, cur);
        if (i == pos) break;
        top -= stored;
        unsigned char *t = prev;
        prev = cur;
        cur = t;
    }
    spot->pos = pos;
    spot->top = top;
    spot->prev = prev;
    spot->here = cur;
    spot->equalKey = 0;
}

void find(const unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, const unsigned char *key,
          uint32_t rec, Spot *spot) {
    unsigned count = cdx::nodeKeyCount(block);
    unsigned keyLen = s.keyLen;
    unsigned top = s.blockSize;
    unsigned char *prev = spot->prev, *cur = spot->here;
    unsigned matched = 0;   // bytes the previous key shares with the search key
    spot->equalKey = 0;
    unsigned i = 0;
    for (; i < count; i++) {
        cdx::LeafEntry e = cdx::leafEntry(block, p, i);
        unsigned stored = keyLen - e.duplicates - e.trailing;
        expand(s, prev, e, block + top - stored, cur);
        // cur shares its first `duplicates` bytes with prev, which shares
        // `matched` bytes with the search key.
        unsigned from = i == 0 ? 0 : minOf(e.duplicates, matched);
        unsigned m = common(cur, key, from, keyLen);
        if (m == keyLen) {
            if (e.record >= rec) {
                spot->equalKey = 1;
                break;
            }
        } else if (cur[m] > key[m]) {
            break;
        }
        matched = m;
        top -= stored;
        unsigned char *t = prev;
        prev = cur;
        cur = t;
    }
    spot->pos = i;
    spot->top = top;
    spot->prev = prev;
    spot->here = cur;
}

bool widthsFor(const cdx::LeafParams &p, uint32_t rec, cdx::LeafParams *out) {
    cdx::LeafParams w = p;
    while ((rec & ~w.recMask) != 0) {
        if (w.entryBytes >= cdx::LEAF_MAX_ENTRY_BYTES) return false;
        w.recBits = w.recBits + 8 > 32 ? 32 : w.recBits + 8;
        w.recMask = w.recBits >= 32 ? 0xFFFFFFFFu : (uint32_t)((1ull << w.recBits) - 1);
        w.entryBytes++;
    }
    *out = w;
    return w.recBits + w.dupBits + w.trailBits <= w.entryBytes * 8;
}

namespace {

// Rewrites every entry with the wider widths w (from the last entry down, as
// each moves up) and takes the bytes from the free space.
void widenTo(unsigned char *block, cdx::LeafParams *p, const cdx::LeafParams &w) {
    unsigned count = cdx::nodeKeyCount(block);
    for (unsigned i = count; i-- > 0;) cdx::leafEntryPut(block, w, i, cdx::leafEntry(block, *p, i));
    setFree(block, freeBytes(block) - count * (w.entryBytes - p->entryBytes));
    cdx::leafParamsPut(block, w);
    *p = w;
}

}  // namespace

bool widen(unsigned char *block, const LEAF4SHAPE &, cdx::LeafParams *p, uint32_t rec) {
    cdx::LeafParams w;
    if (!widthsFor(*p, rec, &w)) return false;
    if (cdx::nodeKeyCount(block) * (w.entryBytes - p->entryBytes) > freeBytes(block)) return false;
    widenTo(block, p, w);
    return true;
}

bool insert(unsigned char *block, const LEAF4SHAPE &s, cdx::LeafParams *p, const Spot &spot,
            const unsigned char *key, uint32_t rec) {
    unsigned keyLen = s.keyLen;
    unsigned count = cdx::nodeKeyCount(block);
    unsigned pos = spot.pos;
    cdx::LeafParams w;
    if (!widthsFor(*p, rec, &w)) return false;
    unsigned widening = count * (w.entryBytes - p->entryBytes);
    unsigned B = w.entryBytes;
    unsigned tN = trailing(s, key);
    unsigned tPrev = pos > 0 ? cdx::leafEntry(block, *p, pos - 1).trailing : 0;
    unsigned dN = pos > 0 ? duplicates(s, spot.prev, tPrev, key, tN) : 0;
    unsigned sN = keyLen - dN - tN;
    cdx::LeafEntry k{};
    unsigned dK = 0, sK = 0, sKold = 0;
    if (pos < count) {
        k = cdx::leafEntry(block, *p, pos);
        sKold = keyLen - k.duplicates - k.trailing;
        dK = duplicates(s, key, tN, spot.here, k.trailing);
        sK = keyLen - dK - k.trailing;
    }
    long growth = (long)sN + (long)sK - (long)sKold;
    long need = (long)B + growth;
    if (need + (long)widening > (long)freeBytes(block)) return false;
    // Widening changes the entry array only; the spot's offsets stay valid.
    if (widening || w.entryBytes != p->entryBytes || w.recMask != p->recMask) widenTo(block, p, w);
    unsigned freeNow = freeBytes(block);
    unsigned low = lowOf(block, *p);
    unsigned top = spot.top;
    if (pos < count) {
        // Entries after pos keep their bytes; they move down by the growth.
        unsigned tailEnd = top - sKold;
        std::memmove(block + low - growth, block + low, tailEnd - low);
        std::memcpy(block + top - sN, key + dN, sN);
        std::memcpy(block + top - sN - sK, spot.here + dK, sK);
    } else {
        std::memcpy(block + top - sN, key + dN, sN);
    }
    if (growth < 0) std::memset(block + low, 0, (size_t)-growth);
    unsigned char *entries = block + cdx::LEAF_HEAD;
    std::memmove(entries + (pos + 1) * B, entries + pos * B, (size_t)(count - pos) * B);
    cdx::leafEntryPut(block, *p, pos, {rec, dN, tN});
    if (pos < count) cdx::leafEntryPut(block, *p, pos + 1, {k.record, dK, k.trailing});
    setCount(block, count + 1);
    setFree(block, (unsigned)((long)freeNow - need));
    return true;
}

bool remove(unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, const Spot &spot) {
    unsigned keyLen = s.keyLen;
    unsigned count = cdx::nodeKeyCount(block);
    unsigned pos = spot.pos;
    unsigned B = p.entryBytes;
    cdx::LeafEntry x = cdx::leafEntry(block, p, pos);
    unsigned sX = keyLen - x.duplicates - x.trailing;
    unsigned top = spot.top;
    unsigned low = lowOf(block, p);
    unsigned freeNow = freeBytes(block);
    unsigned char *entries = block + cdx::LEAF_HEAD;
    if (pos + 1 == count) {
        std::memset(block + top - sX, 0, sX);
        std::memset(entries + pos * B, 0, B);
        setCount(block, count - 1);
        setFree(block, freeNow + sX + B);
        return true;
    }
    // The next key, rebuilt from the removed one, compressed against the key
    // before the removed one.
    cdx::LeafEntry k = cdx::leafEntry(block, p, pos + 1);
    unsigned sKold = keyLen - k.duplicates - k.trailing;
    unsigned char *kb = spot.next;
    expand(s, spot.here, k, block + top - sX - sKold, kb);
    unsigned tPrev = pos > 0 ? cdx::leafEntry(block, p, pos - 1).trailing : 0;
    unsigned dK = pos > 0 ? duplicates(s, spot.prev, tPrev, kb, k.trailing) : 0;
    unsigned sK = keyLen - dK - k.trailing;
    long growth = (long)sK - (long)sX - (long)sKold;   // stored bytes gained
    long need = growth - (long)B;
    if (need > (long)freeNow) return false;
    unsigned tailEnd = top - sX - sKold;
    std::memmove(block + low - growth, block + low, tailEnd - low);
    std::memcpy(block + top - sK, kb + dK, sK);
    if (growth < 0) std::memset(block + low, 0, (size_t)-growth);
    std::memmove(entries + pos * B, entries + (pos + 1) * B, (size_t)(count - pos - 1) * B);
    std::memset(entries + (count - 1) * B, 0, B);
    cdx::leafEntryPut(block, p, pos, {k.record, dK, k.trailing});
    setCount(block, count - 1);
    setFree(block, (unsigned)((long)freeNow - need));
    return true;
}

unsigned decode(const unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, unsigned char *keys,
                uint32_t *records) {
    unsigned count = cdx::nodeKeyCount(block);
    unsigned top = s.blockSize;
    for (unsigned i = 0; i < count; i++) {
        cdx::LeafEntry e = cdx::leafEntry(block, p, i);
        unsigned stored = s.keyLen - e.duplicates - e.trailing;
        top -= stored;
        unsigned char *out = keys + (size_t)i * s.keyLen;
        expand(s, i ? out - s.keyLen : out, e, block + top, out);
        records[i] = e.record;
    }
    return count;
}

bool encode(unsigned char *block, const LEAF4SHAPE &s, const cdx::LeafParams &p, const unsigned char *keys,
            const uint32_t *records, unsigned n) {
    unsigned keyLen = s.keyLen;
    unsigned attr = cdx::nodeAttributes(block);
    uint32_t left = cdx::nodeLeft(block), right = cdx::nodeRight(block);
    initEmpty(block, s, p, attr);
    b4::putU32le(block + cdx::NODE_OFF_LEFT, left);
    b4::putU32le(block + cdx::NODE_OFF_RIGHT, right);
    long room = (long)s.blockSize - cdx::LEAF_HEAD;
    unsigned top = s.blockSize;
    unsigned tPrev = 0;
    for (unsigned i = 0; i < n; i++) {
        const unsigned char *key = keys + (size_t)i * keyLen;
        if ((records[i] & ~p.recMask) != 0) return false;
        unsigned t = trailing(s, key);
        unsigned d = i ? duplicates(s, key - keyLen, tPrev, key, t) : 0;
        unsigned stored = keyLen - d - t;
        room -= (long)stored + p.entryBytes;
        if (room < 0) return false;
        top -= stored;
        std::memcpy(block + top, key + d, stored);
        cdx::leafEntryPut(block, p, i, {records[i], d, t});
        tPrev = t;
    }
    setCount(block, n);
    setFree(block, (unsigned)room);
    return true;
}

}  // namespace leaf4
