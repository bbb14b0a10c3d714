// Key maintenance through the tag operations and record writes: equal keys
// by record number, the unique codes, a refused record write leaving every
// tag byte for byte as it was, freed blocks reused, separators moving up the
// tree, roots growing and shrinking back to an empty leaf, and the version
// of the file moving only when a key does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brindle.h"
#include "indexes/index4internal.h"
#include "indexes/index4write.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace {

class Maintenance : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.offError = 1;
        cb.safety = 0;
    }
    // A table of `records` records whose KEY field holds key(r), with tags.
    DATA4 *make(long records, const std::vector<TAG4DESC> &tags, int width = 20) {
        FIELD4INFO fields[] = {{"KEY", 'C', (uint16_t)width, 0, 0}, {"CODE", 'C', 4, 0, 0}, {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, dir.file("t").c_str(), fields);
        EXPECT_NE(nullptr, d);
        for (long r = 1; r <= records; r++) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assign(d4field(d, "KEY"), key(r).c_str());
            f4assign(d4field(d, "CODE"), ("C" + std::to_string(r)).c_str());
            EXPECT_EQ(0, d4append(d));
        }
        std::vector<TAG4DESC> list = tags;
        list.push_back({nullptr, nullptr, nullptr, 0, 0, nullptr});
        EXPECT_NE(nullptr, i4create(d, nullptr, list.data()));
        return d;
    }
    static std::string key(long r) {
        char k[32];
        std::snprintf(k, sizeof k, "K%06ld", r * 10);
        return k;
    }
    static std::string padded(const std::string &s, size_t n) {
        std::string out = s;
        out.resize(n, ' ');
        return out;
    }
    static const unsigned char *bytes(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }
    std::vector<std::pair<std::string, long>> walk(TAG4 *t) {
        TAG4FILE *tf = t->tagFile;
        std::vector<std::pair<std::string, long>> out;
        for (tfile4top(tf); !tfile4eof(tf);) {
            out.emplace_back(std::string(reinterpret_cast<const char *>(tfile4key(tf)), tf->header.keyLen), tfile4recNo(tf));
            if (tfile4skip(tf, 1) != 1) break;
        }
        return out;
    }
    TAG4CHECK check(TAG4 *t) {
        TAG4CHECK c;
        t4check(t, &c);
        return c;
    }
};

TEST_F(Maintenance, EqualKeysTakeTheirPlaceByRecordNumber) {
    DATA4 *d = make(3, {{"KEY", "KEY", nullptr, 0, 0, nullptr}});
    TAG4 *t = d4tag(d, "KEY");
    std::string k = padded(key(2), 20);
    for (long rec : {7, 3, 5, 9, 2}) ASSERT_EQ(0, t4add(t, bytes(k), rec, 0));
    ASSERT_EQ(0, t4add(t, bytes(k), 5, 0));   // already there: nothing added
    std::vector<long> recs;
    for (auto &e : walk(t))
        if (e.first == k) recs.push_back(e.second);
    EXPECT_EQ((std::vector<long>{2, 3, 5, 7, 9}), recs);   // record 2 held the key from the start
    EXPECT_EQ(r4entry, t4remove(t, bytes(k), 4));
    EXPECT_EQ(0, t4remove(t, bytes(k), 2));
    d4close(d);
}

TEST_F(Maintenance, UniqueCodes) {
    DATA4 *d = make(5, {{"U", "KEY", nullptr, r4uniqueContinue, 0, nullptr}});
    TAG4 *t = d4tag(d, "U");
    auto before = walk(t);
    std::string k = padded(key(3), 20);
    EXPECT_EQ(r4unique, t4add(t, bytes(k), 9, r4unique));
    EXPECT_EQ(r4uniqueContinue, t4add(t, bytes(k), 9, r4uniqueContinue));
    EXPECT_EQ(r4unique, t4add(t, bytes(k), 9, r4candidate));
    EXPECT_EQ(0, cb.errorCode);
    EXPECT_EQ(e4unique, t4add(t, bytes(k), 9, e4unique));
    EXPECT_EQ(e4unique, cb.errorCode);
    std::string text = cb.errorText ? cb.errorText : "";
    EXPECT_NE(text.find("U"), std::string::npos) << text;
    EXPECT_NE(text.find("t.cdx"), std::string::npos) << text;
    error4set(&cb, 0);
    EXPECT_EQ(e4unique, t4add(t, bytes(k), 9, e4candidate));
    error4set(&cb, 0);
    EXPECT_EQ(before, walk(t));
    // Through record writes: the default code 25 writes the record and
    // leaves the key out; the tag keeps the lowest record of each key.
    ASSERT_EQ(0, d4go(d, 5));
    f4assign(d4field(d, "KEY"), key(1).c_str());
    EXPECT_EQ(0, d4write(d, -1));
    auto after = walk(t);
    EXPECT_EQ(4u, after.size());
    EXPECT_EQ(1, after.front().second);
    d4close(d);
}

TEST_F(Maintenance, ARefusedWriteLeavesEveryTagByteForByte) {
    // Tags update in directory order: A first (changed), then the candidate
    // tag B refuses; C after it is never reached.
    DATA4 *d = make(400, {{"A", "KEY", nullptr, 0, 0, nullptr},
                          {"B", "CODE", nullptr, r4candidate, 0, nullptr},
                          {"C", "KEY + CODE", nullptr, 0, r4descending, nullptr}});
    ASSERT_EQ(0, d4flush(d));
    std::string cdx = dir.file("t.cdx");
    auto file = vt::readFile(cdx);
    INDEX4FILE *f = d4index(d, nullptr)->indexFile;
    for (int code : {r4candidate, e4candidate}) {
        d4tag(d, "B")->errUnique = code;
        ASSERT_EQ(0, d4go(d, 17));
        f4assign(d4field(d, "KEY"), "AAAA first of all");   // moves in A (and C)
        f4assign(d4field(d, "CODE"), "C200");               // repeats record 200's code
        int rc = d4write(d, -1);
        EXPECT_EQ(code == r4candidate ? r4unique : e4unique, rc);
        error4set(&cb, 0);
        EXPECT_EQ(1, d4changed(d, -1));   // still changed: the caller may retry or give up
        EXPECT_EQ(0, index4changedBlocks(f));
        d4changed(d, 0);
        ASSERT_EQ(0, d4flush(d));
        EXPECT_EQ(file, vt::readFile(cdx)) << "code " << code;
    }
    // An append that a later tag refuses takes its keys out of the earlier ones.
    d4appendStart(d, 0);
    d4blank(d);
    f4assign(d4field(d, "KEY"), "ZZZ");
    f4assign(d4field(d, "CODE"), "C1");
    d4tag(d, "B")->errUnique = r4candidate;
    EXPECT_EQ(r4unique, d4append(d));
    d4changed(d, 0);
    EXPECT_EQ(400, d4recCount(d));
    ASSERT_EQ(0, d4flush(d));
    EXPECT_EQ(file, vt::readFile(cdx));
    d4close(d);
}

TEST_F(Maintenance, FreedBlocksAreReusedAndSeparatorsMoveUp) {
    DATA4 *d = make(300, {{"KEY", "KEY", nullptr, 0, 0, nullptr}});
    TAG4 *t = d4tag(d, "KEY");
    TAG4FILE *tf = t->tagFile;
    INDEX4FILE *f = tf->indexFile;
    ASSERT_EQ(2, check(t).levels);
    // The first leaf's keys, and the second leaf's first key.
    ASSERT_EQ(0, tfile4top(tf));
    uint32_t firstLeaf = tfile4leaf(tf)->ref;
    unsigned inFirst = tfile4leaf(tf)->count;
    ASSERT_GT(inFirst, 2u);
    // Removing the last key of the first leaf moves its separator.
    std::string last = padded(key(inFirst), 20);
    ASSERT_EQ(0, t4remove(t, bytes(last), inFirst));
    ASSERT_EQ(0, tfile4top(tf));
    const NODE4 &root = tf->path[0];
    EXPECT_EQ(padded(key(inFirst - 1), 20),
              std::string(reinterpret_cast<const char *>(cdx::branchKey(root.block, 20, 0)), 20));
    EXPECT_EQ(inFirst - 1, cdx::branchRecord(root.block, 20, 0));
    // Emptying it frees its block: the chain's head after a flush.
    for (long r = 1; r < (long)inFirst; r++) ASSERT_EQ(0, t4remove(t, bytes(padded(key(r), 20)), r));
    ASSERT_EQ(0, i4flush(d4index(d, nullptr)));
    auto file = vt::readFile(dir.file("t.cdx"));
    EXPECT_EQ(firstLeaf, b4::getU32le(file.data() + 4));
    // The next block a split needs is that one: the chain's head moves on
    // before the file grows.
    int64_t length = f->fileLen;
    bool reused = false;
    for (long r = 1; r <= (long)inFirst; r++) {
        ASSERT_EQ(0, t4add(t, bytes(padded(key(r), 20)), r, 0));
        ASSERT_EQ(0, i4flush(d4index(d, nullptr)));
        file = vt::readFile(dir.file("t.cdx"));
        if (b4::getU32le(file.data() + 4) != firstLeaf) {
            EXPECT_EQ(length, f->fileLen) << "the file grew before the free block was taken";
            reused = true;
            break;
        }
    }
    EXPECT_TRUE(reused);
    for (long r = 1; r <= (long)inFirst; r++) ASSERT_EQ(0, t4add(t, bytes(padded(key(r), 20)), r, 0));
    TAG4CHECK c = check(t);
    EXPECT_EQ(0, c.damaged) << c.message;
    EXPECT_EQ(0, c.stale) << c.message;
    d4close(d);
}

TEST_F(Maintenance, RootsGrowAndShrinkToAnEmptyLeaf) {
    // 240-byte keys: two to a leaf, two to a branch.
    DATA4 *d = make(0, {{"LONG", "KEY+KEY+KEY+KEY+KEY+KEY+KEY+KEY+KEY+KEY+KEY+KEY", nullptr, 0, 0, nullptr}});
    TAG4 *t = d4tag(d, "LONG");
    for (long r = 1; r <= 40; r++) {
        d4appendStart(d, 0);
        d4blank(d);
        f4assign(d4field(d, "KEY"), key(41 - r).c_str());
        ASSERT_EQ(0, d4append(d)) << "record " << r << ": " << (cb.errorText ? cb.errorText : "");
        {
            TAG4CHECK dc = check(t);
            ASSERT_EQ(0, dc.damaged + dc.stale) << "after " << r << ": " << dc.message << " levels " << dc.levels;
        }
    }
    TAG4CHECK c = check(t);
    EXPECT_EQ(0, c.damaged + c.stale) << c.message;
    EXPECT_GE(c.levels, 4);
    for (long r = 1; r <= 40; r++) {
        ASSERT_EQ(0, d4go(d, r));
        f4assign(d4field(d, "KEY"), key(r * 7 % 41).c_str());
        ASSERT_EQ(0, d4write(d, -1));
    }
    c = check(t);
    EXPECT_EQ(0, c.damaged + c.stale) << c.message;
    std::vector<std::pair<std::string, long>> all = walk(t);
    for (auto &[k, rec] : all) ASSERT_EQ(0, t4remove(t, bytes(k), rec));
    ASSERT_EQ(0, tfile4top(t->tagFile));
    ASSERT_EQ(1, t->tagFile->depth);
    const NODE4 &root = t->tagFile->path[0];
    EXPECT_EQ(3, cdx::nodeAttributes(root.block));
    EXPECT_EQ(0u, root.count);
    EXPECT_EQ(488, b4::getU16le(root.block + cdx::LEAF_OFF_FREE));
    d4close(d);
}

TEST_F(Maintenance, TheVersionMovesOnlyWithKeys) {
    DATA4 *d = make(10, {{"KEY", "KEY", "CODE <> 'X'", 0, 0, nullptr}});
    INDEX4FILE *f = d4index(d, nullptr)->indexFile;
    uint32_t v = index4version(f);
    ASSERT_EQ(0, d4go(d, 4));
    f4assign(d4field(d, "CODE"), "C999");   // the FOR stays true, the key stays
    ASSERT_EQ(0, d4write(d, -1));
    EXPECT_EQ(v, index4version(f));
    f4assign(d4field(d, "CODE"), "X");      // the FOR turns false: the key goes
    ASSERT_EQ(0, d4write(d, -1));
    EXPECT_EQ(v + 1, index4version(f));
    EXPECT_EQ(9u, walk(d4tag(d, "KEY")).size());
    f4assign(d4field(d, "CODE"), "C4");     // and comes back
    ASSERT_EQ(0, d4write(d, -1));
    EXPECT_EQ(10u, walk(d4tag(d, "KEY")).size());
    ASSERT_EQ(0, d4close(d));
    auto file = vt::readFile(dir.file("t.cdx"));
    EXPECT_EQ(v + 1, b4::getU32be(file.data() + 8));
}

}  // namespace
