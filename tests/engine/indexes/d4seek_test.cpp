// Table navigation in tag order and the seeks, on Harbour's people table
// (2,300 records, 11 tags): every return code of the d4seek family, the
// ends of d4skip, positions, writes that leave keys alone (no version
// change), and damaged index files that must be reported, never crash or hang.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "brindle.h"
#include "indexes/index4internal.h"
#include "indexes/index4write.h"
#include "indexes/t4check.h"
#include "test_support.h"

namespace {

class PeopleTags : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        for (const char *ext : {".dbf", ".fpt", ".cdx"}) vt::copyFixture(std::string("harbour/people") + ext, dir);
        table = dir.file("people.dbf");
    }
    DATA4 *open() {
        DATA4 *d = d4open(&cb, table.c_str());
        EXPECT_NE(nullptr, d);
        return d;
    }
    std::string field(DATA4 *d, const char *name) {
        std::string s = f4str(d4field(d, name));
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }
    std::string upperLast(DATA4 *d) {
        std::string s = field(d, "LAST");
        for (char &c : s) c = (char)std::toupper((unsigned char)c);
        return s;
    }
    std::string table;
};

TEST_F(PeopleTags, SeekReturnCodes) {
    DATA4 *d = open();
    ASSERT_EQ(0, d4tagSelect(d, d4tag(d, "LAST")));
    // A prefix of keys the tag holds: found, on the first of them.
    ASSERT_EQ(0, d4seek(d, "SMI"));
    EXPECT_EQ(0, upperLast(d).compare(0, 3, "SMI"));
    long first = d4recNo(d);
    ASSERT_EQ(0, d4skip(d, -1));
    EXPECT_LT(upperLast(d).substr(0, 3), "SMI");
    ASSERT_EQ(0, d4skip(d, 1));
    EXPECT_EQ(first, d4recNo(d));
    // Between keys: positioned on the next greater key.
    ASSERT_EQ(r4after, d4seek(d, "SMIZ"));
    EXPECT_GT(upperLast(d), "SMIZ");
    // Past every key: end of file.
    EXPECT_EQ(r4eof, d4seek(d, "\xFF\xFF"));
    EXPECT_TRUE(d4eof(d));
    EXPECT_EQ(d4recCount(d) + 1, d4recNo(d));
    // A number on a text tag.
    cb.offError = 1;
    EXPECT_EQ(e4seekType, d4seekDouble(d, 12.0));
    error4set(&cb, 0);
    // Numbers and dates: the value of record 5 finds a record holding it.
    ASSERT_EQ(0, d4go(d, 5));
    double amount = f4double(d4field(d, "AMOUNT"));
    std::string born = f4str(d4field(d, "BORN"));
    ASSERT_EQ(0, d4tagSelect(d, d4tag(d, "AMOUNT")));
    ASSERT_EQ(0, d4seekDouble(d, amount));
    EXPECT_DOUBLE_EQ(amount, f4double(d4field(d, "AMOUNT")));
    ASSERT_EQ(0, d4seek(d, std::to_string(amount).c_str()));
    EXPECT_DOUBLE_EQ(amount, f4double(d4field(d, "AMOUNT")));
    ASSERT_EQ(0, d4tagSelect(d, d4tag(d, "BORN")));
    ASSERT_EQ(0, d4seek(d, born.c_str()));
    EXPECT_EQ(born, f4str(d4field(d, "BORN")));
    // Without a selected tag the seeks use the first tag.
    d4tagSelect(d, nullptr);
    EXPECT_STREQ("ACTIVE", t4alias(d4tagSelected(d)));
    d4close(d);
    // No index at all: 80.
    cb.autoOpen = 0;
    d = open();
    EXPECT_EQ(r4noTag, d4seek(d, "A"));
    d4close(d);
}

TEST_F(PeopleTags, SeekNextWalksEqualKeysThenReports5) {
    DATA4 *d = open();
    ASSERT_EQ(0, d4tagSelect(d, d4tag(d, "LAST")));
    ASSERT_EQ(0, d4seek(d, "SMITH"));
    long seen = 1;
    std::pair<std::string, long> previous{upperLast(d), d4recNo(d)};
    int rc;
    while ((rc = d4seekNext(d, "SMITH")) == 0) {
        EXPECT_EQ("SMITH", upperLast(d).substr(0, 5));
        std::pair<std::string, long> here{upperLast(d), d4recNo(d)};
        EXPECT_LT(previous, here);   // equal keys ascend by record number
        previous = here;
        seen++;
    }
    EXPECT_EQ(r4entry, rc);
    EXPECT_NE("SMITH", upperLast(d).substr(0, 5));
    long count = 0;
    for (int r = d4top(d); r == 0; r = d4skip(d, 1))
        if (upperLast(d).compare(0, 5, "SMITH") == 0) count++;
    EXPECT_EQ(count, seen);
    d4close(d);
}

TEST_F(PeopleTags, DescendingTagTopAndSeek) {
    DATA4 *d = open();
    TAG4 *t = d4tag(d, "DESCLAST");
    ASSERT_EQ(0, d4tagSelect(d, t));
    ASSERT_EQ(0, d4top(d));
    std::string top = field(d, "LAST");
    ASSERT_EQ(0, d4skip(d, 1));
    EXPECT_GE(top, field(d, "LAST"));
    // Seeking a name lands on its first record in descending order: the
    // walk from the top meets that record first among the name's records.
    ASSERT_EQ(0, d4seek(d, "Smith"));
    long found = d4recNo(d);
    long firstInWalk = 0;
    for (int r = d4top(d); r == 0 && !firstInWalk; r = d4skip(d, 1))
        if (field(d, "LAST").compare(0, 5, "Smith") == 0) firstInWalk = d4recNo(d);
    EXPECT_EQ(firstInWalk, found);
    // A value above every key: the first key in descending order is below it.
    EXPECT_EQ(r4after, d4seek(d, "\xFF"));
    EXPECT_EQ(top, field(d, "LAST"));
    d4close(d);
}

TEST_F(PeopleTags, SkipPastTheEndsAndPositions) {
    DATA4 *d = open();
    ASSERT_EQ(0, d4tagSelect(d, d4tag(d, "CITYBORN")));
    ASSERT_EQ(0, d4top(d));
    long first = d4recNo(d);
    EXPECT_DOUBLE_EQ(0.0, d4position(d));
    EXPECT_EQ(r4bof, d4skip(d, -1));
    EXPECT_TRUE(d4bof(d));
    EXPECT_EQ(first, d4recNo(d));
    ASSERT_EQ(0, d4bottom(d));
    long last = d4recNo(d);
    EXPECT_DOUBLE_EQ(1.0, d4position(d));
    EXPECT_EQ(r4eof, d4skip(d, 5));
    EXPECT_TRUE(d4eof(d));
    EXPECT_DOUBLE_EQ(1.1, d4position(d));
    ASSERT_EQ(0, d4skip(d, -1));
    EXPECT_EQ(last, d4recNo(d));
    // A skip of n equals n skips of one.
    ASSERT_EQ(0, d4top(d));
    ASSERT_EQ(0, d4skip(d, 777));
    long far = d4recNo(d);
    ASSERT_EQ(0, d4top(d));
    for (int i = 0; i < 777; i++) ASSERT_EQ(0, d4skip(d, 1));
    EXPECT_EQ(far, d4recNo(d));
    ASSERT_EQ(0, d4positionSet(d, 0.5));
    EXPECT_NEAR(0.5, d4position(d), 0.05);
    d4close(d);
}

TEST_F(PeopleTags, WritesKeepTagsCurrentAndLeaveUnchangedKeysAlone) {
    DATA4 *d = open();
    INDEX4FILE *file = d4index(d, nullptr)->indexFile;
    uint32_t version = file->versionOld;
    // The memo and the deletion flag are in no key: the tags are not touched.
    ASSERT_EQ(0, d4go(d, 10));
    f4memoAssign(d4field(d, "NOTES"), "a new note");
    EXPECT_EQ(0, d4write(d, -1));
    EXPECT_EQ(0, d4delete(d));
    EXPECT_EQ(0, d4write(d, -1));
    EXPECT_EQ(0, d4recall(d));
    EXPECT_EQ(0, d4write(d, -1));
    ASSERT_EQ(0, d4flush(d));
    EXPECT_EQ(version, file->versionOld);
    EXPECT_EQ(0, index4changedBlocks(file));
    // A key change moves the version on by one, however many tags it changes.
    f4assign(d4field(d, "LAST"), "Changed");
    EXPECT_EQ(0, d4write(d, -1));
    d4appendStart(d, 0);
    d4blank(d);
    EXPECT_EQ(0, d4append(d));
    ASSERT_EQ(0, d4flush(d));
    EXPECT_EQ(version + 1, file->versionOld);
    long count = d4recCount(d);
    d4close(d);
    d = open();
    EXPECT_EQ(count, d4recCount(d));
    ASSERT_EQ(0, d4go(d, 10));
    EXPECT_EQ("Changed", field(d, "LAST"));
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        TAG4CHECK check;
        EXPECT_EQ(0, t4check(t, &check)) << t4alias(t) << ": " << check.message;
    }
    d4close(d);
}

TEST_F(PeopleTags, OneHandleOpensAnIndexOnceAndHandlesShareIt) {
    DATA4 *d = open();
    cb.offError = 1;
    EXPECT_EQ(nullptr, i4open(d, dir.file("people").c_str()));
    EXPECT_EQ(e4instance, cb.errorCode);
    error4set(&cb, 0);
    cb.singleOpen = 0;
    DATA4 *other = open();
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(d4index(d, nullptr)->indexFile, d4index(other, nullptr)->indexFile);
    d4tagSelect(d, d4tag(d, "LAST"));
    d4tagSelect(other, d4tag(other, "LAST"));
    ASSERT_EQ(0, d4top(d));
    ASSERT_EQ(0, d4bottom(other));
    ASSERT_EQ(0, d4skip(d, 1));   // resynchronises the shared tag on d's record
    long second = d4recNo(d);
    ASSERT_EQ(0, d4top(other));
    ASSERT_EQ(0, d4skip(other, 1));
    EXPECT_EQ(second, d4recNo(other));
    d4close(d);
    ASSERT_EQ(0, d4seek(other, "SMITH"));   // the expressions moved to the other handle
    d4close(other);
}

// Walks, seeks and checks every tag; returns after bounded work whatever
// the file holds. Any engine error is a code, cleared for the next step.
void exercise(CODE4 *cb, const std::string &table) {
    DATA4 *d = d4open(cb, table.c_str());
    if (!d) {
        EXPECT_LT(cb->errorCode, 0);
        error4set(cb, 0);
        return;
    }
    for (TAG4 *t = d4tagNext(d, nullptr); t; t = d4tagNext(d, t)) {
        d4tagSelect(d, t);
        int steps = 0;
        for (int rc = d4top(d); rc == 0 && steps < 3000; rc = d4skip(d, 1)) steps++;
        error4set(cb, 0);
        d4bottom(d);
        d4skip(d, -50);
        error4set(cb, 0);
        d4seek(d, "M");
        error4set(cb, 0);
        d4positionSet(d, 0.3);
        error4set(cb, 0);
        TAG4CHECK check;
        t4check(t, &check);
        error4set(cb, 0);
    }
    d4close(d);
    error4set(cb, 0);
}

TEST_F(PeopleTags, DamagedCopiesAreReportedNeverCrashed) {
    cb.offError = 1;
    std::vector<unsigned char> sound = vt::readFile(dir.file("people.cdx"));
    std::mt19937 rng(1234);
    for (int round = 0; round < 60; round++) {
        std::vector<unsigned char> bytes = sound;
        for (int k = 0; k < 4; k++) bytes[rng() % bytes.size()] ^= (unsigned char)(1u << (rng() % 8));
        vt::writeFile(dir.file("people.cdx"), bytes);
        exercise(&cb, table);
    }
    // Cut short.
    vt::writeFile(dir.file("people.cdx"), std::vector<unsigned char>(sound.begin(), sound.begin() + (long)sound.size() / 3));
    exercise(&cb, table);
    vt::writeFile(dir.file("people.cdx"), sound);
}

// Child and sibling pointers that lead back: the check reports damage and
// the walks stop with -310.
TEST_F(PeopleTags, LoopsInChildOrSiblingPointersAreDamage) {
    cb.offError = 1;
    std::vector<unsigned char> sound = vt::readFile(dir.file("people.cdx"));
    DATA4 *d = open();
    TAG4FILE *tf = d4tag(d, "AMOUNT")->tagFile;   // three levels
    uint32_t root = tf->header.root;
    unsigned keyLen = tf->header.keyLen;
    ASSERT_FALSE(cdx::nodeIsLeaf(&sound[root]));
    ASSERT_GE(cdx::nodeKeyCount(&sound[root]), 2u);
    uint32_t child0 = cdx::branchChild(&sound[root], keyLen, 0);
    uint32_t child1 = cdx::branchChild(&sound[root], keyLen, 1);
    d4close(d);

    // The root's second entry points at the root itself.
    std::vector<unsigned char> loop = sound;
    b4::putU32be(&loop[root + cdx::NODE_HEAD + (keyLen + 8) + keyLen + 4], root);
    vt::writeFile(dir.file("people.cdx"), loop);
    d = open();
    ASSERT_NE(nullptr, d);
    TAG4CHECK check;
    EXPECT_EQ(1, t4check(d4tag(d, "AMOUNT"), &check));
    EXPECT_TRUE(check.damaged);
    d4tagSelect(d, d4tag(d, "AMOUNT"));
    long steps = 0;
    int rc;
    for (rc = d4top(d); rc == 0 && steps < 100000; rc = d4skip(d, 1)) steps++;
    EXPECT_LT(steps, 2300);
    EXPECT_EQ(e4index, rc);
    d4close(d);
    error4set(&cb, 0);

    // The second child's entry points at the first child again: the same
    // keys would come twice.
    std::vector<unsigned char> repeat = sound;
    b4::putU32be(&repeat[root + cdx::NODE_HEAD + (keyLen + 8) + keyLen + 4], child0);
    std::memcpy(&repeat[root + cdx::NODE_HEAD + (keyLen + 8)], &repeat[root + cdx::NODE_HEAD], keyLen + 4);
    vt::writeFile(dir.file("people.cdx"), repeat);
    d = open();
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(1, t4check(d4tag(d, "AMOUNT"), &check));
    EXPECT_TRUE(check.damaged) << check.message;
    d4tagSelect(d, d4tag(d, "AMOUNT"));
    steps = 0;
    for (rc = d4top(d); rc == 0 && steps < 100000; rc = d4skip(d, 1)) steps++;
    EXPECT_LT(steps, 2300);
    EXPECT_EQ(e4index, rc);
    d4close(d);
    error4set(&cb, 0);

    // A sibling link that points back: the check finds the broken links.
    std::vector<unsigned char> sibling = sound;
    b4::putU32le(&sibling[child1 + cdx::NODE_OFF_RIGHT], child0);
    vt::writeFile(dir.file("people.cdx"), sibling);
    d = open();
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(1, t4check(d4tag(d, "AMOUNT"), &check));
    EXPECT_TRUE(check.damaged);
    EXPECT_NE(nullptr, std::strstr(check.message, "sibling"));
    d4close(d);
}

}  // namespace
