// Seeks in tags whose trees the tests write themselves (tests/support/
// cdx_bulk): the leaf scan that judges keys by their duplicate counts against
// plain comparisons of the expanded keys, in deep trees, with duplicate
// counts capped the way other writers cap them, in descending order; tags
// under the GENERAL collation; and the block cache's read-ahead and its
// contract with writers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "brindle.h"
#include "cdx_bulk.h"
#include "indexes/collate4.h"
#include "indexes/index4internal.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace {

using Entries = std::vector<bench::BulkKey>;

class TagSeeks : public vt::EngineTest {
protected:
    // A table of one C field NAME of width len holding values, and an index
    // "names.cdx" with one tag NAMES over keys made by keyOf from each value.
    DATA4 *build(const std::vector<std::string> &values, unsigned width, bench::BulkTag tag,
                 std::string (*keyOf)(const std::string &, unsigned) = blankPadded) {
        FIELD4INFO fields[] = {{"NAME", 'C', (uint16_t)width, 0, 0}, {nullptr, 0, 0, 0, 0}};
        std::remove(dir.file("names.dbf").c_str());
        DATA4 *d = d4create(&cb, dir.file("names").c_str(), fields);
        EXPECT_NE(nullptr, d);
        if (!d) return nullptr;
        for (const std::string &v : values) {
            EXPECT_EQ(0, d4appendStart(d, 0));
            EXPECT_EQ(0, f4assign(d4field(d, "NAME"), v.c_str()));
            EXPECT_EQ(0, d4append(d));
        }
        EXPECT_EQ(0, d4close(d));
        model.clear();
        for (size_t i = 0; i < values.size(); i++) model.push_back({keyOf(values[i], width), (uint32_t)(i + 1)});
        std::sort(model.begin(), model.end(), [](const bench::BulkKey &a, const bench::BulkKey &b) {
            return a.key != b.key ? a.key < b.key : a.record < b.record;
        });
        tag.name = "NAMES";
        tag.expression = "NAME";
        if (!tag.keyLen) tag.keyLen = width;
        EXPECT_TRUE(bench::writeIndex(dir.file("names.cdx"), tag, model, (long)values.size()));
        d = d4open(&cb, dir.file("names").c_str());
        EXPECT_NE(nullptr, d);
        if (!d) return nullptr;
        EXPECT_NE(nullptr, i4open(d, dir.file("names.cdx").c_str()));
        return d;
    }
    static std::string blankPadded(const std::string &v, unsigned width) {
        std::string k = v.substr(0, width);
        k.resize(width, ' ');
        return k;
    }
    TAG4FILE *tagFile(DATA4 *d) {
        TAG4 *t = d4tag(d, "NAMES");
        EXPECT_NE(nullptr, t);
        return t ? t->tagFile : nullptr;
    }
    Entries model;
};

// Random values over a few bytes, some of them below the blank: such keys
// sort before their own blank-padded prefixes, which is where duplicate
// counts capped at the previous key's pad bytes are not the whole shared
// prefix.
std::vector<std::string> randomValues(size_t n, unsigned width, unsigned seed) {
    const char alphabet[] = {'\x01', ' ', 'A', 'B', 'a'};
    std::mt19937 rng(seed);
    std::vector<std::string> out;
    for (size_t i = 0; i < n; i++) {
        std::string v(rng() % (width + 1), ' ');
        for (char &c : v) c = alphabet[rng() % sizeof alphabet];
        out.push_back(v);
    }
    return out;
}

std::string randomSearch(std::mt19937 &rng, unsigned width) {
    const char alphabet[] = {'\x01', ' ', 'A', 'B', 'C', 'a', '\xFF'};
    std::string s(rng() % (width + 1), ' ');
    for (char &c : s) c = alphabet[rng() % sizeof alphabet];
    return s;
}

int prefixCompare(const std::string &key, const std::string &search) {
    return std::memcmp(key.data(), search.data(), search.size());
}

struct ScanCase {
    bool capByPreviousTrailing;
    unsigned maxLeafKeys;
};

class TagSeeksByScan : public TagSeeks, public ::testing::WithParamInterface<ScanCase> {};

// Every seek lands where a plain comparison of the expanded keys says, in
// both orders, and leaves the key it landed on expanded for what follows.
TEST_P(TagSeeksByScan, SeeksAgreeWithExpandedKeys) {
    const unsigned width = 6;
    bench::BulkTag tag;
    tag.capByPreviousTrailing = GetParam().capByPreviousTrailing;
    tag.maxLeafKeys = GetParam().maxLeafKeys;
    for (bool descending : {false, true}) {
        tag.descending = descending;
        DATA4 *d = build(randomValues(700, width, 11), width, tag);
        ASSERT_NE(nullptr, d);
        TAG4FILE *tf = tagFile(d);
        ASSERT_NE(nullptr, tf);
        TAG4CHECK check;
        ASSERT_EQ(0, t4check(d4tag(d, "NAMES"), &check)) << check.message;
        std::mt19937 rng(5);
        for (int k = 0; k < 3000; k++) {
            std::string s = randomSearch(rng, width);
            int rc = tfile4seek(tf, reinterpret_cast<const unsigned char *>(s.data()), (int)s.size());
            // The model's answer: ascending, the first key not below the
            // search; descending, the last key not above it.
            long at = -1;
            if (!descending) {
                for (size_t i = 0; i < model.size() && at < 0; i++)
                    if (prefixCompare(model[i].key, s) >= 0) at = (long)i;
            } else {
                for (size_t i = 0; i < model.size(); i++)
                    if (prefixCompare(model[i].key, s) <= 0) at = (long)i;
            }
            SCOPED_TRACE("search '" + s + "'" + (descending ? " descending" : ""));
            if (at < 0) {
                EXPECT_EQ(r4after, rc);
                EXPECT_TRUE(tfile4eof(tf));
                continue;
            }
            EXPECT_EQ(prefixCompare(model[(size_t)at].key, s) == 0 ? 0 : r4after, rc);
            ASSERT_EQ((long)model[(size_t)at].record, tfile4recNo(tf));
            const unsigned char *key = tfile4key(tf);
            ASSERT_NE(nullptr, key);
            EXPECT_EQ(model[(size_t)at].key, std::string(reinterpret_cast<const char *>(key), width));
            // The next key in the tag's order expands from there.
            long next = descending ? at - 1 : at + 1;
            if (next >= 0 && next < (long)model.size()) {
                ASSERT_EQ(1, tfile4skip(tf, 1));
                EXPECT_EQ(model[(size_t)next].key, std::string(reinterpret_cast<const char *>(tfile4key(tf)), width));
            }
        }
        d4close(d);
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, TagSeeksByScan,
                         ::testing::Values(ScanCase{false, 0}, ScanCase{true, 0}, ScanCase{true, 5},
                                           ScanCase{false, 3}));

// Walking a tag whose leaves lie in file order reads them in runs, not one
// block at a time; a seek reads only the blocks on its way down.
TEST_F(TagSeeks, LeavesInFileOrderAreReadInRunsAndSeeksReadTheirPath) {
    std::vector<std::string> values;
    for (int i = 0; i < 4000; i++) values.push_back("K" + std::to_string(100000 + i));
    bench::BulkTag tag;
    tag.maxLeafKeys = 20;   // 200 leaves
    DATA4 *d = build(values, 8, tag);
    ASSERT_NE(nullptr, d);
    TAG4FILE *tf = tagFile(d);
    ASSERT_NE(nullptr, tf);
    static long reads;
    static int indexHandle;
    indexHandle = tf->indexFile->file.hand;
    vt::PlatformOverride restore;
    auto realRead = file4platform.pread;
    static decltype(realRead) forward;
    forward = realRead;
    file4platform.pread = [](int fd, void *buf, size_t len, off_t pos) {
        if (fd == indexHandle) reads++;
        return forward(fd, buf, len, pos);
    };
    index4cacheClear(tf->indexFile);
    reads = 0;
    long keys = 0;
    ASSERT_EQ(0, tfile4top(tf));
    while (!tfile4eof(tf)) {
        keys++;
        if (tfile4skip(tf, 1) != 1) break;
    }
    EXPECT_EQ(4000, keys);
    EXPECT_LT(reads, 30) << "200 leaves";
    index4cacheClear(tf->indexFile);
    reads = 0;
    std::string key = "K102345 ";
    ASSERT_EQ(0, tfile4seek(tf, reinterpret_cast<const unsigned char *>(key.data()), 8));
    EXPECT_EQ(2346, tfile4recNo(tf));
    TAG4CHECK shape;
    file4platform.pread = realRead;
    ASSERT_EQ(0, t4check(d4tag(d, "NAMES"), &shape));
    EXPECT_EQ(shape.levels, reads) << "one block per level";
    d4close(d);
}

// The writer's side of the cache: an image stored after a block was
// written is what the next descent sees, though the path held the old copy.
TEST_F(TagSeeks, StoredImagesReachTheNextDescent) {
    std::vector<std::string> values = {"ALPHA", "BRAVO", "CHARLIE", "DELTA"};
    DATA4 *d = build(values, 8, bench::BulkTag{});
    ASSERT_NE(nullptr, d);
    TAG4FILE *tf = tagFile(d);
    ASSERT_NE(nullptr, tf);
    ASSERT_EQ(0, tfile4seek(tf, reinterpret_cast<const unsigned char *>("CHARLIE "), 8));
    NODE4 *leaf = tfile4leaf(tf);
    ASSERT_TRUE(leaf->leaf);
    // The root leaf with entry 2's record number changed from 3 to 4 (the
    // record bits start at bit 0 of each entry).
    uint32_t ref = leaf->ref;
    std::vector<unsigned char> image(tf->indexFile->blockSize);
    ASSERT_EQ(0, index4readBlock(tf->indexFile, ref, image.data()));
    unsigned entryBytes = image[cdx::LEAF_OFF_ENTRY_BYTES];
    unsigned char *entry = image.data() + cdx::LEAF_HEAD + 2 * entryBytes;
    ASSERT_EQ(3, entry[0]);
    entry[0] = 4;
    ASSERT_EQ(0, file4write(&tf->indexFile->file, (int64_t)ref, image.data(), (unsigned)image.size()));
    index4cacheStore(tf->indexFile, ref, image.data());
    ASSERT_EQ(0, tfile4seek(tf, reinterpret_cast<const unsigned char *>("CHARLIE "), 8));
    EXPECT_EQ(4, tfile4recNo(tf));
    // A block forgotten is read again from the file.
    index4cacheForget(tf->indexFile, ref);
    ASSERT_EQ(0, tfile4seek(tf, reinterpret_cast<const unsigned char *>("CHARLIE "), 8));
    EXPECT_EQ(4, tfile4recNo(tf));
    d4close(d);
}

// ---- tags under the GENERAL collation -------------------------------------

std::string generalKey(const std::string &value, unsigned width) {
    std::string text = value.substr(0, width);
    text.resize(width, ' ');
    std::string key(2 * width, '\0');
    collate4key(collate4entry(COLLATE4_GENERAL_ANSI), reinterpret_cast<const unsigned char *>(text.data()), width,
                reinterpret_cast<unsigned char *>(key.data()), 2 * width);
    return key;
}

class CollatedTags : public TagSeeks {
protected:
    void SetUp() override {
        TagSeeks::SetUp();
        cb.codePage = 3;   // Windows ANSI: GENERAL is collation 2
    }
    DATA4 *open(bool descending) {
        bench::BulkTag tag;
        tag.keyLen = 2 * width;
        tag.pad = 0;
        tag.collation = "GENERAL";
        tag.descending = descending;
        return build(values, width, tag, generalKey);
    }
    const unsigned width = 10;
    std::vector<std::string> values = {"Smith", "m\xFCller", "Zeta", "MULLER", "smith", "Mueller", "\xC4rger",
                                       "Arger", "Stra\xDF" "e", "STRASSE", "Brown", "M\xDCLLER", "Ab", "AB  x"};
};

std::string nameOf(DATA4 *d) {
    std::string s = f4str(d4field(d, "NAME"));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The check builds the tag's keys with the collation and finds them all.
TEST_F(CollatedTags, CheckComparesCollatedKeys) {
    DATA4 *d = open(false);
    ASSERT_NE(nullptr, d);
    TAG4 *t = d4tag(d, "NAMES");
    ASSERT_NE(nullptr, t);
    EXPECT_STREQ("GENERAL", t4collation(t));
    EXPECT_EQ(20, t4keyLen(t));
    TAG4CHECK check;
    EXPECT_EQ(0, t4check(t, &check)) << check.message;
    EXPECT_EQ((long)values.size(), check.keys);
    EXPECT_EQ((long)values.size(), check.keysExpected);
    // A record changed behind the index is found stale.
    d4close(d);
    DATA4 *raw = d4open(&cb, dir.file("names").c_str());
    ASSERT_NE(nullptr, raw);
    ASSERT_EQ(0, d4go(raw, 3));
    ASSERT_EQ(0, f4assign(d4field(raw, "NAME"), "Zetb"));
    ASSERT_EQ(0, d4close(raw));
    d = d4open(&cb, dir.file("names").c_str());
    ASSERT_NE(nullptr, d);
    ASSERT_NE(nullptr, i4open(d, dir.file("names.cdx").c_str()));
    EXPECT_EQ(1, t4check(d4tag(d, "NAMES"), &check));
    EXPECT_TRUE(check.stale) << check.message;
    d4close(d);
}

// Seeks compare without regard to case and accents: a text finds the first
// key it begins, whatever its case and accents; trailing blanks of the text
// want blanks in the key, or its end.
TEST_F(CollatedTags, SeeksFindTextsByTheirWeights) {
    DATA4 *d = open(false);
    ASSERT_NE(nullptr, d);
    ASSERT_EQ(0, d4tagSelect(d, d4tag(d, "NAMES")));
    ASSERT_EQ(0, d4seek(d, "SMITH"));
    EXPECT_EQ(1, d4recNo(d)) << "equal keys in record order";
    ASSERT_EQ(0, d4seekNext(d, "smith"));
    EXPECT_EQ(5, d4recNo(d));
    EXPECT_EQ(r4entry, d4seekNext(d, "smith"));
    ASSERT_EQ(0, d4seek(d, "str"));
    EXPECT_EQ(0, nameOf(d).compare(0, 3, "Str"));
    // A text shorter than its whole key is matched on its letters: accents
    // do not decide, the first key with those letters is found.
    ASSERT_EQ(0, d4seek(d, "m\xFCller"));
    EXPECT_EQ("MULLER", nameOf(d));
    ASSERT_EQ(0, d4seek(d, "M\xDCL"));
    EXPECT_EQ("MULLER", nameOf(d));
    ASSERT_EQ(0, d4seek(d, "\xE4rger"));
    EXPECT_EQ("Arger", nameOf(d));
    ASSERT_EQ(0, d4seek(d, "Ab "));
    EXPECT_EQ("Ab", nameOf(d));
    EXPECT_EQ(r4after, d4seek(d, "Mz"));
    EXPECT_EQ("Smith", nameOf(d));
    EXPECT_EQ(r4eof, d4seek(d, "zz"));
    EXPECT_TRUE(d4eof(d));
    // Walking the tag gives the collation's order.
    std::vector<std::string> order;
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) order.push_back(nameOf(d));
    ASSERT_EQ(values.size(), order.size());
    EXPECT_EQ("Ab", order.front());
    EXPECT_EQ("Zeta", order.back());
    d4close(d);
}

TEST_F(CollatedTags, DescendingSeeksLandOnTheFirstMatchInDescendingOrder) {
    DATA4 *d = open(true);
    ASSERT_NE(nullptr, d);
    ASSERT_EQ(0, d4tagSelect(d, d4tag(d, "NAMES")));
    ASSERT_EQ(0, d4seek(d, "smith"));
    EXPECT_EQ(5, d4recNo(d)) << "descending: the last record of the equal keys first";
    // "mu" begins Mueller (6), MULLER (4), m\xFCller (2) and M\xDCLLER (12),
    // in that stored order (the last two have equal keys).
    ASSERT_EQ(0, d4seek(d, "mu"));
    std::vector<long> group;
    for (int k = 0; k < 4; k++) {
        group.push_back(d4recNo(d));
        ASSERT_EQ(0, d4skip(d, 1));
    }
    EXPECT_EQ((std::vector<long>{12, 2, 4, 6}), group);
    EXPECT_EQ("Brown", nameOf(d));
    EXPECT_EQ(r4after, d4seek(d, "Ac"));
    EXPECT_EQ("AB  x", nameOf(d));
    d4close(d);
}

}  // namespace
