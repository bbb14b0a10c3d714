// Tags of index files written by other programs: every tag walks in its
// writer's order (Harbour's per-tag listings; for the real files the order
// of (key, record number) computed from the table), every key seeks to its
// first record, and the check finds every tag sound and current except the
// one index that really is stale.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "brindle.h"
#include "indexes/index4internal.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// Copies every file of a fixture folder whose base name is `base` (any
// extension, any case) into dir; returns the table's path.
std::string copyTable(const std::string &folder, const std::string &base, const vt::TempDir &dir) {
    std::string table;
    for (const auto &e : fs::directory_iterator(vt::fixturePath(folder))) {
        std::string name = e.path().filename().string();
        if (name.size() <= base.size() || name.compare(0, base.size(), base) != 0 || name[base.size()] != '.') continue;
        fs::copy_file(e.path(), dir.file(name), fs::copy_options::overwrite_existing);
        std::string ext = name.substr(base.size() + 1);
        for (char &ch : ext) ch = (char)std::tolower((unsigned char)ch);
        if (ext == "dbf") table = dir.file(name);
    }
    return table;
}

std::vector<long> readList(const std::string &path) {
    std::vector<long> out;
    std::ifstream in(path);
    long v;
    while (in >> v) out.push_back(v);
    return out;
}

std::vector<long> walkTag(DATA4 *d, TAG4 *t) {
    std::vector<long> out;
    EXPECT_EQ(0, d4tagSelect(d, t));
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) out.push_back(d4recNo(d));
    return out;
}

std::vector<long> walkTagBackward(DATA4 *d, TAG4 *t) {
    std::vector<long> out;
    EXPECT_EQ(0, d4tagSelect(d, t));
    for (int rc = d4bottom(d); rc == 0; rc = d4skip(d, -1)) out.insert(out.begin(), d4recNo(d));
    return out;
}

class HarbourTags : public vt::EngineTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(HarbourTags, EveryTagWalksInTheWritersOrderBothWays) {
    std::string folder = GetParam();
    for (const char *base : {"people", "empty"}) {
        std::string table = copyTable(folder, base, dir);
        DATA4 *d = d4open(&cb, table.c_str());
        ASSERT_NE(nullptr, d) << base;
        int tags = 0;
        for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
            tags++;
            std::string listing = vt::fixturePath(folder + "/" + base + "_" + t4alias(t) + ".txt");
            std::vector<long> expected = readList(listing);
            EXPECT_EQ(expected, walkTag(d, t)) << base << " " << t4alias(t);
            EXPECT_EQ(expected, walkTagBackward(d, t)) << base << " " << t4alias(t);
        }
        EXPECT_EQ(std::string(base) == "people" ? 11 : 2, tags);
        EXPECT_EQ(0, d4close(d));
    }
}

// Tag-level: seeking the full key of every entry finds the first entry with
// that key; the record numbers of equal keys ascend in stored order.
TEST_P(HarbourTags, EveryKeySeeksToItsFirstRecord) {
    std::string table = copyTable(GetParam(), "people", dir);
    DATA4 *d = d4open(&cb, table.c_str());
    ASSERT_NE(nullptr, d);
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        TAG4FILE *tf = t->tagFile;
        unsigned keyLen = tf->header.keyLen;
        std::vector<std::pair<std::string, long>> stored;
        ASSERT_EQ(0, tfile4top(tf));
        while (!tfile4eof(tf)) {
            stored.emplace_back(std::string(reinterpret_cast<const char *>(tfile4key(tf)), keyLen), tfile4recNo(tf));
            if (tfile4skip(tf, 1) != 1) break;
        }
        if (tf->header.descending) std::reverse(stored.begin(), stored.end());
        std::map<std::string, long> first;
        for (size_t i = 0; i < stored.size(); i++) {
            if (i) {
                ASSERT_LE(stored[i - 1], stored[i]) << t4alias(t);
            }
            first.emplace(stored[i].first, stored[i].second);
        }
        for (const auto &[key, rec] : first) {
            int rc = tfile4seek(tf, reinterpret_cast<const unsigned char *>(key.data()), (int)keyLen);
            ASSERT_EQ(0, rc) << t4alias(t);
            long found = tfile4recNo(tf);
            // Descending tags land on the last equal key of the stored order.
            long want = rec;
            if (tf->header.descending) {
                for (const auto &e : stored)
                    if (e.first == key) want = e.second;
            }
            EXPECT_EQ(want, found) << t4alias(t);
        }
    }
    d4close(d);
}

INSTANTIATE_TEST_SUITE_P(BuiltAndChanged, HarbourTags, ::testing::Values("harbour/built", "harbour"));

struct RealIndex {
    const char *folder;
    const char *base;
    int tags;
    bool stale;
    bool explicitOpen;   // the table's flags do not name its production index
};

class RealTags : public vt::EngineTest, public ::testing::WithParamInterface<RealIndex> {};

// Every tag's stored order is the order of (key, record number) computed
// from the table, checked by the tag check (which compares the walk with
// the sorted keys) and by walking the tag through the table handle.
TEST_P(RealTags, CheckFindsTheTagsSoundAndCurrent) {
    RealIndex r = GetParam();
    std::string table = copyTable(r.folder, r.base, dir);
    DATA4 *d = d4open(&cb, table.c_str());
    ASSERT_NE(nullptr, d) << r.base;
    if (r.explicitOpen) {
        ASSERT_EQ(nullptr, d4index(d, nullptr));
        ASSERT_NE(nullptr, i4open(d, (dir.path() + "/" + r.base).c_str()));
    }
    int tags = 0, stale = 0;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        tags++;
        TAG4CHECK check;
        int rc = t4check(t, &check);
        ASSERT_GE(rc, 0) << t4alias(t);
        EXPECT_FALSE(check.damaged) << t4alias(t) << ": " << check.message;
        if (check.stale) stale++;
        if (!r.stale) {
            EXPECT_EQ(0, rc) << t4alias(t) << ": " << check.message;
        }
        if (!check.stale && !t4descending(t)) {
            EXPECT_EQ(check.keys, (long)walkTag(d, t).size()) << t4alias(t);
        }
    }
    EXPECT_EQ(r.tags, tags);
    EXPECT_EQ(r.stale ? 1 : 0, stale > 0 ? 1 : 0);
    d4close(d);
}

INSTANTIATE_TEST_SUITE_P(
    Writers, RealTags,
    ::testing::Values(RealIndex{"real/harbour-core-gtnap", "cotacao", 1, false, true},
                      RealIndex{"real/ruby-dbf/foxprodb", "calls", 2, false, false},
                      RealIndex{"real/ruby-dbf/foxprodb", "setup", 1, false, false},
                      RealIndex{"real/vfp9-large", "proj1_ref", 7, false, false},
                      RealIndex{"real/vfp9-large", "table10152", 1, false, false},
                      RealIndex{"real/vfp9-large", "table52", 2, false, false},
                      RealIndex{"real/vfp9-large/stale", "b_k334", 1, true, false}));

class RealIndexes : public vt::EngineTest {};

// rooms.dbf was damaged by a line-ending conversion (its descriptor
// terminator at offset 96 became 0x0A); with that byte mended and the size
// checks off it opens. Its FOR tags use the exact-equality operator "=="
// (TRIM(UPPER(facility))=="AUDIO"): every tag reads and checks, and a FOR
// tag holds exactly the records whose facility is that word.
TEST_F(RealIndexes, RoomsTagsWithExactEqualityAreRead) {
    std::string table = copyTable("real/perl-dbd-xbase", "rooms", dir);
    std::vector<unsigned char> bytes = vt::readFile(table);
    ASSERT_EQ(0x0A, bytes.at(96));
    bytes[96] = 0x0D;
    vt::writeFile(table, bytes);
    cb.validationOff = 1;
    DATA4 *d = d4open(&cb, table.c_str());
    ASSERT_NE(nullptr, d) << (shown.messages().empty() ? "" : shown.messages().back());
    std::map<std::string, long> keys;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        TAG4CHECK check;
        EXPECT_EQ(0, t4check(t, &check)) << t4alias(t) << ": " << check.message;
        keys[t4alias(t)] = check.keys;
    }
    EXPECT_EQ(42, keys["FACILITY"]);
    EXPECT_EQ(42, keys["ROOMNAME"]);
    ASSERT_EQ(1u, keys.count("AUDIO"));
    // The AUDIO tag in its order: the records whose facility is "Audio"
    // (any case, trailing blanks aside), nothing else.
    TAG4 *audio = d4tag(d, "AUDIO");
    ASSERT_NE(nullptr, audio);
    long held = 0;
    ASSERT_EQ(0, d4tagSelect(d, audio));
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
        std::string f = f4str(d4field(d, "FACILITY"));
        while (!f.empty() && f.back() == ' ') f.pop_back();
        for (char &ch : f) ch = (char)std::toupper((unsigned char)ch);
        EXPECT_EQ("AUDIO", f);
        held++;
    }
    EXPECT_EQ(keys["AUDIO"], held);
    EXPECT_GT(held, 0);
    d4close(d);
}

// A key over a database container's long field name cannot be parsed
// against the table's 10-character names: the open is refused, naming the
// tag; opened read-only, the index leaves that tag out.
TEST_F(RealIndexes, LongFieldNameKeysAreRefused) {
    std::string table = copyTable("real/vfp9-godbase/database", "employees", dir);
    cb.offError = 1;
    EXPECT_EQ(nullptr, d4open(&cb, table.c_str()));
    EXPECT_LT(cb.errorCode, 0);
    error4set(&cb, 0);
    cb.readOnly = 1;
    DATA4 *d = d4open(&cb, table.c_str());
    ASSERT_NE(nullptr, d);
    std::vector<std::string> names;
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) names.push_back(t4alias(t));
    EXPECT_EQ((std::vector<std::string>{"EMAILNAME", "LASTNAME", "POSTALCODE", "PRIMARYKEY"}), names);
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        TAG4CHECK check;
        EXPECT_EQ(0, t4check(t, &check)) << t4alias(t) << ": " << check.message;
    }
    d4close(d);
}

}  // namespace
