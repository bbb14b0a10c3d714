#include "cdx_bulk.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/bytes.h"
#include "indexes/cdx4format.h"

namespace bench {

namespace {

constexpr unsigned kBlock = 512;

unsigned bitsOf(unsigned long v) {
    unsigned n = 0;
    while (v) n++, v >>= 1;
    return n;
}

struct Leaf {
    unsigned recBits, countBits, entryBytes;
};

Leaf leafParams(unsigned keyLen, long records) {
    unsigned c = bitsOf(keyLen);
    unsigned r = bitsOf((unsigned long)records) + ((8 - (2 * c) % 8) % 8);
    if (r < 12) r = 12;
    while ((r + 2 * c) % 8) r++;
    unsigned b = (r + 2 * c) / 8;
    if (r > 32) r = 32;
    return {r, c, b};
}

struct Writer {
    std::vector<unsigned char> file;
    uint32_t allocate() {
        uint32_t at = (uint32_t)file.size();
        file.resize(file.size() + kBlock, 0);
        return at;
    }
};

struct Node {
    uint32_t ref;
    std::string lastKey;
    uint32_t lastRecord;
};

// Packs sorted keys into leaves; returns them in order.
std::vector<Node> writeLeaves(Writer &w, const std::vector<BulkKey> &keys, unsigned keyLen, long records,
                              unsigned char pad, bool capByPreviousTrailing, unsigned maxLeafKeys) {
    Leaf p = leafParams(keyLen, records);
    std::vector<Node> out;
    size_t i = 0;
    do {
        uint32_t ref = w.allocate();
        unsigned char *b = &w.file[ref];
        unsigned count = 0, keyArea = kBlock;
        const std::string *prev = nullptr;
        unsigned prevTrail = 0;
        while (i < keys.size() && (maxLeafKeys == 0 || count < maxLeafKeys)) {
            const std::string &k = keys[i].key;
            unsigned trail = 0;
            while (trail < keyLen && (unsigned char)k[keyLen - 1 - trail] == pad) trail++;
            unsigned dup = 0;
            unsigned dupCap = keyLen - trail;
            if (capByPreviousTrailing && dupCap > keyLen - prevTrail) dupCap = keyLen - prevTrail;
            if (prev)
                while (dup < dupCap && (*prev)[dup] == k[dup]) dup++;
            unsigned stored = keyLen - dup - trail;
            unsigned entriesEnd = cdx::LEAF_HEAD + (count + 1) * p.entryBytes;
            if (entriesEnd + stored > keyArea) break;
            keyArea -= stored;
            std::memcpy(b + keyArea, k.data() + dup, stored);
            uint64_t v = keys[i].record | ((uint64_t)dup << p.recBits) | ((uint64_t)trail << (p.recBits + p.countBits));
            for (unsigned x = 0; x < p.entryBytes; x++) b[cdx::LEAF_HEAD + count * p.entryBytes + x] = (unsigned char)(v >> (8 * x));
            prev = &k;
            prevTrail = trail;
            count++;
            i++;
        }
        b4::putU16le(b + cdx::NODE_OFF_ATTR, cdx::ATTR_LEAF);
        b4::putU16le(b + cdx::NODE_OFF_COUNT, (uint16_t)count);
        b4::putU16le(b + cdx::LEAF_OFF_FREE, (uint16_t)(keyArea - (cdx::LEAF_HEAD + count * p.entryBytes)));
        b4::putU32le(b + cdx::LEAF_OFF_REC_MASK, p.recBits >= 32 ? 0xFFFFFFFFu : (1u << p.recBits) - 1);
        b[cdx::LEAF_OFF_DUP_MASK] = b[cdx::LEAF_OFF_TRAIL_MASK] = (unsigned char)((1u << p.countBits) - 1);
        b[cdx::LEAF_OFF_REC_BITS] = (unsigned char)p.recBits;
        b[cdx::LEAF_OFF_DUP_BITS] = b[cdx::LEAF_OFF_TRAIL_BITS] = (unsigned char)p.countBits;
        b[cdx::LEAF_OFF_ENTRY_BYTES] = (unsigned char)p.entryBytes;
        out.push_back({ref, count ? keys[i - 1].key : std::string(), count ? keys[i - 1].record : 0});
    } while (i < keys.size());
    return out;
}

void link(Writer &w, const std::vector<Node> &level) {
    for (size_t i = 0; i < level.size(); i++) {
        unsigned char *b = &w.file[level[i].ref];
        b4::putU32le(b + cdx::NODE_OFF_LEFT, i ? level[i - 1].ref : cdx::NO_BLOCK);
        b4::putU32le(b + cdx::NODE_OFF_RIGHT, i + 1 < level.size() ? level[i + 1].ref : cdx::NO_BLOCK);
    }
}

// Builds branch levels over `level` until one node is left; its reference.
uint32_t writeTree(Writer &w, std::vector<Node> level, unsigned keyLen) {
    link(w, level);
    unsigned cap = cdx::branchCapacity(kBlock, keyLen);
    while (level.size() > 1) {
        std::vector<Node> up;
        for (size_t i = 0; i < level.size(); i += cap) {
            uint32_t ref = w.allocate();
            size_t n = std::min<size_t>(cap, level.size() - i);
            for (size_t k = 0; k < n; k++) {
                unsigned char *e = &w.file[ref] + cdx::NODE_HEAD + k * cdx::branchEntrySize(keyLen);
                std::memcpy(e, level[i + k].lastKey.data(), keyLen);
                b4::putU32be(e + keyLen, level[i + k].lastRecord);
                b4::putU32be(e + keyLen + 4, level[i + k].ref);
            }
            b4::putU16le(&w.file[ref] + cdx::NODE_OFF_COUNT, (uint16_t)n);
            up.push_back({ref, level[i + n - 1].lastKey, level[i + n - 1].lastRecord});
        }
        link(w, up);
        level = up;
    }
    unsigned char *root = &w.file[level[0].ref];
    b4::putU16le(root + cdx::NODE_OFF_ATTR, (uint16_t)(b4::getU16le(root) | cdx::ATTR_ROOT));
    return level[0].ref;
}

void header(Writer &w, uint32_t at, uint32_t root, unsigned keyLen, unsigned char flags, const std::string &expr,
            const std::string &collation = "", bool descending = false) {
    unsigned char *h = &w.file[at];
    b4::putU32le(h + cdx::OFF_ROOT, root);
    b4::putU16le(h + cdx::OFF_KEY_LEN, (uint16_t)keyLen);
    h[cdx::OFF_TYPE] = flags;
    h[cdx::OFF_SIGNATURE] = 1;
    unsigned exprLen = (unsigned)expr.size() + 1;
    b4::putU16le(h + cdx::OFF_FOR_POS, (uint16_t)exprLen);
    b4::putU16le(h + cdx::OFF_FOR_LEN, 1);
    b4::putU16le(h + cdx::OFF_EXPR_LEN, (uint16_t)exprLen);
    std::memcpy(h + cdx::OFF_POOL, expr.data(), expr.size());
    std::memcpy(h + cdx::OFF_COLLATION, collation.data(), std::min<size_t>(collation.size(), cdx::COLLATION_LEN - 1));
    b4::putU16le(h + cdx::OFF_DESCENDING, descending ? 1 : 0);
}

}  // namespace

bool writeIndex(const std::string &path, const BulkTag &tag, const std::vector<BulkKey> &sorted, long recordCount) {
    Writer w;
    w.file.resize(2048, 0);
    uint32_t tagRoot = writeTree(
        w, writeLeaves(w, sorted, tag.keyLen, recordCount, tag.pad, tag.capByPreviousTrailing, tag.maxLeafKeys), tag.keyLen);
    std::string name = tag.name;
    name.resize(cdx::DIRECTORY_KEY_LEN, ' ');
    uint32_t dirRoot = writeTree(w, writeLeaves(w, {{name, 1024}}, cdx::DIRECTORY_KEY_LEN, 1024, ' ', false, 0),
                                 cdx::DIRECTORY_KEY_LEN);
    header(w, 0, dirRoot, cdx::DIRECTORY_KEY_LEN, 0xE0, "");
    header(w, 1024, tagRoot, tag.keyLen, (unsigned char)(0x60 | tag.extraFlags), tag.expression, tag.collation,
           tag.descending);
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(w.file.data(), 1, w.file.size(), f) == w.file.size();
    return std::fclose(f) == 0 && ok;
}

bool writeSingleTagIndex(const std::string &path, const std::string &tagName, const std::string &expression,
                         unsigned keyLen, const std::vector<BulkKey> &sorted, long recordCount) {
    BulkTag tag;
    tag.name = tagName;
    tag.expression = expression;
    tag.keyLen = keyLen;
    return writeIndex(path, tag, sorted, recordCount);
}

}  // namespace bench
