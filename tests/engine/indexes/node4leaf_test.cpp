// Leaf blocks byte for byte: the field widths of new leaves, compressed
// entries after insertions and removals (duplicate and trailing counts, the
// neighbour compressed again), widening of the record-number field, and
// leaves laid out afresh.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "indexes/node4leaf.h"

namespace {

struct Leaf {
    explicit Leaf(unsigned keyLen, uint64_t records = 100, unsigned char pad = ' ')
        : shape{512, keyLen, pad, 0}, block(512), prev(keyLen), here(keyLen), next(keyLen) {
        params = leaf4::freshParams(keyLen, records);
        leaf4::initEmpty(block.data(), shape, params, 3);
    }
    leaf4::Spot spot() { return {0, 0, prev.data(), here.data(), next.data(), 0}; }
    bool add(const std::string &key, uint32_t rec) {
        leaf4::Spot s = spot();
        leaf4::find(block.data(), shape, params, reinterpret_cast<const unsigned char *>(key.data()), rec, &s);
        return leaf4::insert(block.data(), shape, &params, s, reinterpret_cast<const unsigned char *>(key.data()), rec);
    }
    bool remove(const std::string &key, uint32_t rec) {
        leaf4::Spot s = spot();
        leaf4::find(block.data(), shape, params, reinterpret_cast<const unsigned char *>(key.data()), rec, &s);
        if (!s.equalKey) return false;
        return leaf4::remove(block.data(), shape, params, s);
    }
    std::vector<std::pair<std::string, uint32_t>> entries() {
        unsigned n = cdx::nodeKeyCount(block.data());
        std::vector<unsigned char> keys((size_t)(n + 1) * shape.keyLen);
        std::vector<uint32_t> recs(n + 1);
        leaf4::decode(block.data(), shape, params, keys.data(), recs.data());
        std::vector<std::pair<std::string, uint32_t>> out;
        for (unsigned i = 0; i < n; i++)
            out.emplace_back(std::string(reinterpret_cast<char *>(keys.data()) + (size_t)i * shape.keyLen, shape.keyLen),
                             recs[i]);
        return out;
    }
    cdx::LeafEntry entry(unsigned i) { return cdx::leafEntry(block.data(), params, i); }
    // The leaf passes the reader's checks and its free count adds up.
    void expectSound() {
        cdx::LeafParams p;
        ASSERT_TRUE(cdx::leafValid(block.data(), 512, shape.keyLen, &p));
        unsigned n = cdx::nodeKeyCount(block.data()), stored = 0;
        for (unsigned i = 0; i < n; i++) stored += shape.keyLen - entry(i).duplicates - entry(i).trailing;
        EXPECT_EQ(512 - 24 - n * params.entryBytes - stored, leaf4::freeBytes(block.data()));
        // The free bytes are zero.
        for (unsigned at = 24 + n * params.entryBytes; at < 24 + n * params.entryBytes + leaf4::freeBytes(block.data()); at++)
            ASSERT_EQ(0, block[at]) << at;
    }
    LEAF4SHAPE shape;
    cdx::LeafParams params;
    std::vector<unsigned char> block, prev, here, next;
};

TEST(Leaf4, WidthsOfNewLeaves) {
    struct Case {
        unsigned keyLen;
        uint64_t records;
        unsigned recBits, bytes, countBits;
        uint32_t recMask;
    } cases[] = {
        {10, 100, 16, 3, 4, 0xFFFF},        // c 4, n 7: 12 after step 4, 16 after step 5
        {8, 70000, 24, 4, 4, 0xFFFFFF},     // n 17 rounded up to 24
        {3, 10, 12, 2, 2, 0xFFF},           // 12 bits, 2 bytes per entry
        {240, 0, 16, 4, 8, 0xFFFF},
        {1, 5, 14, 2, 1, 0x3FFF},
        {20, 4000000000ull, 32, 6, 5, 0xFFFFFFFF},
    };
    for (const Case &c : cases) {
        cdx::LeafParams p = leaf4::freshParams(c.keyLen, c.records);
        EXPECT_EQ(c.recBits, p.recBits) << c.keyLen << " " << c.records;
        EXPECT_EQ(c.bytes, p.entryBytes) << c.keyLen << " " << c.records;
        EXPECT_EQ(c.countBits, p.dupBits);
        EXPECT_EQ(c.countBits, p.trailBits);
        EXPECT_EQ((1u << c.countBits) - 1, p.dupMask);
        EXPECT_EQ(c.recMask, p.recMask);
    }
    Leaf l(10);
    EXPECT_EQ(488u, leaf4::freeBytes(l.block.data()));
    EXPECT_EQ(3, cdx::nodeAttributes(l.block.data()));
    EXPECT_EQ(cdx::NO_BLOCK, cdx::nodeLeft(l.block.data()));
    EXPECT_EQ(27u, cdx::branchCapacity(512, 10));
}

TEST(Leaf4, CompressionOfInsertedKeys) {
    Leaf l(10);
    ASSERT_TRUE(l.add("          ", 4));   // all blanks: trailing 10, nothing stored
    ASSERT_TRUE(l.add("ABCDE     ", 2));
    ASSERT_TRUE(l.add("ABCDE     ", 9));   // equal: duplicates 5, trailing 5
    ASSERT_TRUE(l.add("ABCXY     ", 1));
    ASSERT_TRUE(l.add("ABCDE     ", 5));   // between equal keys, by record number
    l.expectSound();
    auto e = l.entries();
    std::vector<std::pair<std::string, uint32_t>> want = {
        {"          ", 4}, {"ABCDE     ", 2}, {"ABCDE     ", 5}, {"ABCDE     ", 9}, {"ABCXY     ", 1}};
    EXPECT_EQ(want, e);
    EXPECT_EQ(10u, l.entry(0).trailing);
    EXPECT_EQ(0u, l.entry(0).duplicates);
    EXPECT_EQ(0u, l.entry(1).duplicates);   // never more than keyLen - the previous key's trailing count
    EXPECT_EQ(5u, l.entry(2).duplicates);
    EXPECT_EQ(5u, l.entry(2).trailing);
    EXPECT_EQ(3u, l.entry(4).duplicates);
    // The key after a removed one is compressed against the one before.
    ASSERT_TRUE(l.remove("ABCDE     ", 2));
    ASSERT_TRUE(l.remove("          ", 4));
    l.expectSound();
    EXPECT_EQ(0u, l.entry(0).duplicates);   // now the first entry: written in full
    EXPECT_EQ(5u, l.entry(0).trailing);
    want = {{"ABCDE     ", 5}, {"ABCDE     ", 9}, {"ABCXY     ", 1}};
    EXPECT_EQ(want, l.entries());
    ASSERT_TRUE(l.remove("ABCXY     ", 1));   // the last entry
    ASSERT_TRUE(l.remove("ABCDE     ", 5));
    ASSERT_TRUE(l.remove("ABCDE     ", 9));
    EXPECT_EQ(0, cdx::nodeKeyCount(l.block.data()));
    EXPECT_EQ(488u, leaf4::freeBytes(l.block.data()));
    l.expectSound();
}

TEST(Leaf4, ZeroPadKeysAndRandomChangesStaySound) {
    // Numeric-like keys padded with zero bytes, inserted and removed at
    // random places; the leaf always decodes to the sorted model.
    Leaf l(8, 1000, 0);
    std::mt19937 rng(5);
    std::vector<std::pair<std::string, uint32_t>> model;
    for (int step = 0; step < 3000; step++) {
        std::string key(8, '\0');
        unsigned len = rng() % 9;
        for (unsigned i = 0; i < len; i++) key[i] = (char)("\x01\x40\x80\xFF"[rng() % 4]);
        uint32_t rec = 1 + rng() % 900;
        bool have = std::find(model.begin(), model.end(), std::make_pair(key, rec)) != model.end();
        if (rng() % 3 && !have) {
            if (!l.add(key, rec)) continue;   // full
            model.emplace_back(key, rec);
        } else if (!model.empty()) {
            auto victim = model[rng() % model.size()];
            ASSERT_TRUE(l.remove(victim.first, victim.second));
            model.erase(std::find(model.begin(), model.end(), victim));
        }
        std::sort(model.begin(), model.end());
        ASSERT_EQ(model, l.entries()) << "step " << step;
        l.expectSound();
    }
}

TEST(Leaf4, WideningAtRecord4096) {
    // Key length 3 on a small table: 12 record-number bits, 2 bytes per entry.
    Leaf l(3, 10);
    ASSERT_TRUE(l.add("AAA", 1));
    ASSERT_TRUE(l.add("ZZZ", 4095));
    EXPECT_EQ(12u, l.params.recBits);
    EXPECT_EQ(2u, l.params.entryBytes);
    unsigned freeBefore = leaf4::freeBytes(l.block.data());
    ASSERT_TRUE(l.add("MMM", 4096));
    EXPECT_EQ(20u, l.params.recBits);
    EXPECT_EQ(3u, l.params.entryBytes);
    EXPECT_EQ(0xFFFFFu, b4::getU32le(l.block.data() + cdx::LEAF_OFF_REC_MASK));
    EXPECT_EQ(20, l.block[cdx::LEAF_OFF_REC_BITS]);
    EXPECT_EQ(3, l.block[cdx::LEAF_OFF_ENTRY_BYTES]);
    // Two old entries widened (a byte each) and one new entry of 3 bytes.
    EXPECT_EQ(freeBefore - 2 - 3 - 3, leaf4::freeBytes(l.block.data()));
    std::vector<std::pair<std::string, uint32_t>> want = {{"AAA", 1}, {"MMM", 4096}, {"ZZZ", 4095}};
    EXPECT_EQ(want, l.entries());
    l.expectSound();
}

TEST(Leaf4, AFullLeafRefusesAndStaysAsItWas) {
    Leaf l(20);
    int n = 0;
    for (;; n++) {
        char key[21];
        std::snprintf(key, sizeof key, "%020d", n * 7919);
        if (!l.add(key, (uint32_t)n + 1)) break;
    }
    EXPECT_GT(n, 15);
    std::vector<unsigned char> before = l.block;
    EXPECT_FALSE(l.add("99999999999999999999", 70000));   // would also need widening
    EXPECT_EQ(before, l.block);
    // Laid out afresh, the same entries take the same bytes.
    auto e = l.entries();
    std::vector<unsigned char> keys;
    std::vector<uint32_t> recs;
    for (auto &[k, r] : e) {
        keys.insert(keys.end(), k.begin(), k.end());
        recs.push_back(r);
    }
    Leaf again(20);
    ASSERT_TRUE(leaf4::encode(again.block.data(), again.shape, again.params, keys.data(), recs.data(), (unsigned)e.size()));
    EXPECT_EQ(l.block, again.block);
}

}  // namespace
