// Packing: the live records stay, in order, with their memos; the memo
// file loses the space of deleted records and rewritten memos; the header
// keeps every byte but the count and the date; an interrupted replacement
// is finished or rolled back by the next open; a table with a production
// index leaves with every tag rebuilt (tests/tools/brindle).
#include <filesystem>

#include "foundation/file4folder.h"
#include "table_snapshot.h"
#include "indexes/d4pack.h"
#include "tables/pack4journal.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

class Pack : public vt::EngineTest {
protected:
    // A table of 8 records, memos rewritten three times each, records 2, 3
    // and 7 deleted.
    std::string makeTable(int level, const char *name = "t.dbf") {
        cb.compatibility = level;
        std::string path = dir.file(name);
        FIELD4INFO fields[] = {{"NAME", 'C', 12, 0, 0}, {"NUM", 'N', 6, 0, 0}, {"NOTES", 'M', 0, 0, 0},
                               {nullptr, 0, 0, 0, 0}};
        DATA4 *d = d4create(&cb, path.c_str(), fields);
        EXPECT_NE(d, nullptr);
        if (!d) return path;
        for (int i = 1; i <= 8; i++) {
            d4appendStart(d, 0);
            d4blank(d);
            f4assign(d4field(d, "NAME"), ("rec " + std::to_string(i)).c_str());
            f4assignLong(d4field(d, "NUM"), i * 11);
            if (i != 4) f4memoAssign(d4field(d, "NOTES"), std::string(100 * i, (char)('a' + i)).c_str());
            EXPECT_EQ(d4append(d), 0);
        }
        for (int round = 0; round < 3; round++)
            for (int i = 1; i <= 8; i++) {
                d4go(d, i);
                if (i != 4) f4memoAssign(d4field(d, "NOTES"), std::string(90 * i + round, (char)('A' + i)).c_str());
                EXPECT_EQ(d4write(d, i), 0);
            }
        for (int i : {2, 3, 7}) {
            d4go(d, i);
            d4delete(d);
            d4write(d, i);
        }
        EXPECT_EQ(d4close(d), 0);
        return path;
    }
};

TEST_F(Pack, KeepsTheLiveRecordsAndOnlyTheirMemosAtEveryLevel) {
    struct Case {
        int level;
        const char *memo;
    } cases[] = {{30, "t30.fpt"}, {25, "t25.fpt"}, {3, "t3.dbt"}};
    for (const Case &k : cases) {
        SCOPED_TRACE(k.level);
        std::string name = "t" + std::to_string(k.level) + ".dbf";
        std::string t = makeTable(k.level, name.c_str());
        auto before = vt::snapshotTable(&cb, t);
        ASSERT_TRUE(before.opened);
        auto headerBefore = vt::readFile(t);
        int64_t memoBefore = (int64_t)fs::file_size(dir.file(k.memo));
        PACK4RESULT r{};
        ASSERT_EQ(d4packFile(&cb, t.c_str(), &r), 0);
        EXPECT_EQ(r.recordsBefore, 8);
        EXPECT_EQ(r.recordsKept, 5);
        EXPECT_EQ(r.memoBytesBefore, memoBefore);
        EXPECT_EQ(r.memoBytesAfter, (int64_t)fs::file_size(dir.file(k.memo)));
        auto after = vt::snapshotTable(&cb, t);
        EXPECT_EQ(after, before.live());
        // Five memos of 90 i + 2 bytes (i = 1, 5, 6, 8; record 4 has none)
        // in blocks of 64 (512 for dBASE III) after the header, nothing else.
        EXPECT_LT(r.memoBytesAfter, memoBefore / 3);
        auto bytes = vt::readFile(t);
        unsigned headerLen = bytes[8] | bytes[9] << 8, recordLen = bytes[10] | bytes[11] << 8;
        EXPECT_EQ(bytes[4], 5);
        EXPECT_EQ(bytes.size(), headerLen + 5u * recordLen + (k.level == 30 ? 0 : 1));
        if (k.level != 30) {
            EXPECT_EQ(bytes.back(), 0x1A);
        }
        EXPECT_EQ(bytes[0], headerBefore[0]);
        for (unsigned i = 8; i < headerLen; i++) ASSERT_EQ(bytes[i], headerBefore[i]) << "header byte " << i;
        EXPECT_FALSE(fs::exists(t + ".pack"));
        // The packed table takes appends as any other.
        DATA4 *d = d4open(&cb, t.c_str());
        ASSERT_NE(d, nullptr);
        d4appendStart(d, 0);
        d4blank(d);
        f4memoAssign(d4field(d, "NOTES"), "after the pack");
        ASSERT_EQ(d4append(d), 0);
        EXPECT_EQ(d4recCount(d), 6);
        d4close(d);
        EXPECT_EQ(vt::snapshotTable(&cb, t).records.back().substr(0, 1), " ");
    }
}

TEST_F(Pack, KeepsAutoincrementCountersAndTheNewerWritersFields) {
    // TEST.DBF: varchar, varbinary and blob fields and a descriptor counter.
    vt::copyFixture("real/vfp9-godbase/table/TEST.FPT", dir);
    std::string t = vt::copyFixture("real/vfp9-godbase/table/TEST.DBF", dir);
    fs::permissions(t, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::permissions(dir.file("TEST.FPT"), fs::perms::owner_read | fs::perms::owner_write);
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    d4go(d, 1);
    d4delete(d);
    d4write(d, 1);
    d4close(d);
    auto before = vt::snapshotTable(&cb, t);
    auto headerBefore = vt::readFile(t);
    ASSERT_EQ(d4packFile(&cb, t.c_str(), nullptr), 0);
    EXPECT_EQ(vt::snapshotTable(&cb, t), before.live());
    auto headerAfter = vt::readFile(t);
    unsigned headerLen = headerBefore[8] | headerBefore[9] << 8;
    for (unsigned i = 8; i < headerLen; i++) ASSERT_EQ(headerAfter[i], headerBefore[i]) << "header byte " << i;
    // The file names keep their letter case, the files their permissions.
    EXPECT_TRUE(fs::exists(dir.file("TEST.FPT")));
    EXPECT_FALSE(fs::exists(dir.file("TEST.fpt")));
    EXPECT_EQ(fs::status(t).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(fs::status(dir.file("TEST.FPT")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// The states a stopped pack leaves, made by hand: the next open finishes a
// committed replacement, rolls back one that is not, refuses while a pack
// runs and leaves a folder that is not a pack's alone.
TEST_F(Pack, OpenFinishesOrRollsBackAStoppedReplacement) {
    std::string t = makeTable(30);
    auto old = vt::snapshotTable(&cb, t);
    // A packed copy to stage: pack a twin table in another folder.
    vt::TempDir twin;
    fs::copy_file(t, twin.file("t.dbf"));
    fs::copy_file(dir.file("t.fpt"), twin.file("t.fpt"));
    ASSERT_EQ(d4packFile(&cb, twin.file("t.dbf").c_str(), nullptr), 0);
    auto packed = vt::snapshotTable(&cb, twin.file("t.dbf"));
    std::string stage = t + ".pack";
    auto stageWith = [&](const char *journal, bool memoMoved) {
        fs::create_directory(stage);
        if (journal) vt::writeFile(stage + "/journal", std::string(journal));
        fs::copy_file(twin.file("t.dbf"), stage + "/t.dbf");
        if (!memoMoved) fs::copy_file(twin.file("t.fpt"), stage + "/t.fpt");
        else fs::copy_file(twin.file("t.fpt"), dir.file("t.fpt"), fs::copy_options::overwrite_existing);
    };
    stageWith("", false);  // not committed: rolled back
    EXPECT_EQ(vt::snapshotTable(&cb, t), old);
    EXPECT_FALSE(fs::exists(stage));

    stageWith("comm", false);  // a commit cut short is no commit
    EXPECT_EQ(vt::snapshotTable(&cb, t), old);
    EXPECT_FALSE(fs::exists(stage));

    stageWith("commit\n", true);  // committed, the memo file already moved
    EXPECT_EQ(vt::snapshotTable(&cb, t), packed);
    EXPECT_FALSE(fs::exists(stage));

    // A running pack holds its journal locked: the open is refused.
    fs::create_directory(stage);
    FILE4 journal;
    ASSERT_EQ(file4create(&journal, &cb, (stage + "/journal").c_str(), 1), 0);
    EXPECT_EQ(d4open(&cb, t.c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, e4permiss);
    cb.errorCode = 0;
    file4close(&journal);
    EXPECT_EQ(vt::snapshotTable(&cb, t), packed);
    EXPECT_FALSE(fs::exists(stage));

    // A folder of that name without a journal but with files is not ours.
    fs::create_directory(stage);
    vt::writeFile(stage + "/mine.txt", std::string("keep"));
    EXPECT_EQ(vt::snapshotTable(&cb, t), packed);
    EXPECT_TRUE(fs::exists(stage + "/mine.txt"));
}

}  // namespace
