// Memo writes through record writes and appends: no two records ever point
// at one memo block, a failed write leaves the record and its memos as they
// were (and a retry writes them whole), and a nullable memo's null bit does
// not depend on where its contents land.
#include <cerrno>
#include <map>
#include <set>

#include "foundation/file4platform.h"
#include "tables_test_util.h"

namespace {

using tt::fld;

// Fails the platform writes to one file descriptor while armed.
int g_failFd = -1;
int g_failCount = 0;  // writes to fail, from the next one on
ssize_t failingWrite(int fd, const void *buf, size_t len, off_t pos) {
    if (fd == g_failFd && g_failCount > 0) {
        g_failCount--;
        errno = EIO;
        return -1;
    }
    return file4platformDefault().pwrite(fd, buf, len, pos);
}

class MemoWrite : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        file4platform.pwrite = failingWrite;
        g_failFd = -1;
        g_failCount = 0;
    }
    void TearDown() override {
        g_failFd = -1;
        vt::EngineTest::TearDown();
    }
    DATA4 *make(const char *name, int level, unsigned blockSize = 64) {
        cb.compatibility = (int16_t)level;
        cb.memSizeMemo = blockSize;
        int nullable = level == 30 ? r4null : 0;
        FIELD4INFO fields[] = {fld("NAME", 'C', 8), fld("NOTE", 'M', 0, 0, nullable), fld("MORE", 'M'), tt::END};
        DATA4 *d = d4create(&cb, dir.file(name).c_str(), fields);
        EXPECT_NE(d, nullptr);
        return d;
    }
    // Fails the next n record writes of the table file (not the memo file).
    void failRecordWrites(DATA4 *d, int n) {
        ASSERT_EQ(file4writeBehindSet(&d->dataFile->file, 0), 0);
        cb.offError = 1;
        g_failFd = d->dataFile->file.hand;
        g_failCount = n;
    }
    // Composes a record and appends it; d4append's result.
    int tryAppend(DATA4 *d, const char *name, const char *note, const char *more = "") {
        EXPECT_EQ(d4appendStart(d, 0), 0);
        d4blank(d);
        f4assign(d4field(d, "NAME"), name);
        f4memoAssign(d4field(d, "NOTE"), note);
        f4memoAssign(d4field(d, "MORE"), more);
        return d4append(d);
    }
    void appendRec(DATA4 *d, const char *name, const char *note, const char *more = "") {
        ASSERT_EQ(tryAppend(d, name, note, more), 0);
    }
    std::string note(DATA4 *d, long rec, const char *field = "NOTE") {
        EXPECT_EQ(d4go(d, rec), 0);
        FIELD4 *f = d4field(d, field);
        return std::string(f4memoPtr(f), f4memoLen(f));
    }
    // Every memo block referenced by more than one record field.
    static std::set<long> sharedBlocks(DATA4 *d) {
        std::map<long, int> uses;
        for (long r = 1; r <= d4recCount(d); r++) {
            d4go(d, r);
            for (const char *name : {"NOTE", "MORE"}) {
                long block = f4long(d4field(d, name));
                if (block > 0) uses[block]++;
            }
        }
        std::set<long> shared;
        for (auto [block, n] : uses)
            if (n > 1) shared.insert(block);
        return shared;
    }
};

TEST_F(MemoWrite, ACopiedRecordWhoseMemoIsNullGetsNoSharedBlock) {
    DATA4 *d = make("nullcopy", 30);
    appendRec(d, "one", "first memo");
    d4go(d, 1);
    ASSERT_EQ(f4assignNull(d4field(d, "NOTE")), 0);
    ASSERT_EQ(d4write(d, -1), 0);
    ASSERT_EQ(d4appendStart(d, 1), 0);
    ASSERT_EQ(d4append(d), 0);
    EXPECT_TRUE(sharedBlocks(d).empty());
    d4go(d, 2);
    EXPECT_NE(f4null(d4field(d, "NOTE")), 0);
    // Editing the copy leaves the original's stored memo alone.
    f4memoAssign(d4field(d, "NOTE"), "edit");
    ASSERT_EQ(d4write(d, -1), 0);
    EXPECT_EQ(note(d, 1), "first memo");
    EXPECT_EQ(note(d, 2), "edit");
    d4close(d);
}

TEST_F(MemoWrite, ARecordWrittenUnderAnotherNumberGetsMemosOfItsOwn) {
    for (int level : {25, 30}) {
        SCOPED_TRACE(level);
        std::string name = "other" + std::to_string(level);
        DATA4 *d = make(name.c_str(), level);
        appendRec(d, "one", "memo of one", "more of one");
        appendRec(d, "two", "memo of two", "more of two");
        appendRec(d, "three", "memo of three");

        // Record 1's buffer written as record 2: a copy, with copied memos.
        d4go(d, 1);
        ASSERT_EQ(d4write(d, 2), 0);
        EXPECT_TRUE(sharedBlocks(d).empty());
        EXPECT_EQ(note(d, 2), "memo of one");
        EXPECT_EQ(note(d, 2, "MORE"), "more of one");
        // Rewriting the copy's memo (in a block of its size) leaves record 1's.
        d4go(d, 2);
        f4memoAssign(d4field(d, "NOTE"), "TWO");
        ASSERT_EQ(d4write(d, -1), 0);
        EXPECT_EQ(note(d, 1), "memo of one");
        EXPECT_EQ(note(d, 2), "TWO");

        // A memo assigned before writing under another number goes to that
        // record only; the current record, never written, keeps its own.
        d4go(d, 1);
        f4memoAssign(d4field(d, "NOTE"), "for three");
        ASSERT_EQ(d4write(d, 3), 0);
        d4changed(d, 0);
        EXPECT_EQ(note(d, 1), "memo of one");
        EXPECT_EQ(note(d, 3), "for three");
        EXPECT_EQ(note(d, 3, "MORE"), "more of one");
        EXPECT_TRUE(sharedBlocks(d).empty());
        d4close(d);
    }
}

TEST_F(MemoWrite, AFailedRecordWriteLeavesTheRecordAndItsMemosAsTheyWere) {
    DATA4 *d = make("rollback", 25);
    appendRec(d, "old", "the old memo text", "old more");
    d4go(d, 1);
    f4assign(d4field(d, "NAME"), "new");
    f4memoAssign(d4field(d, "NOTE"), "new memo");  // shorter: fits the old blocks
    f4memoAssign(d4field(d, "MORE"), std::string(300, 'm').c_str());
    failRecordWrites(d, 1);
    EXPECT_EQ(d4write(d, -1), e4write);
    cb.errorCode = 0;
    // Given up: the file holds the record exactly as before.
    d4changed(d, 0);
    EXPECT_EQ(note(d, 1), "the old memo text");
    EXPECT_EQ(note(d, 1, "MORE"), "old more");
    EXPECT_EQ(tt::raw(d4field(d, "NAME")), "old     ");
    d4close(d);
}

TEST_F(MemoWrite, ARetriedRecordWriteWritesItsMemosWithoutLeavingBlocksBehind) {
    DATA4 *d = make("retry", 30);
    appendRec(d, "old", "old memo");
    d4go(d, 1);
    f4assign(d4field(d, "NAME"), "new");
    f4memoAssign(d4field(d, "NOTE"), std::string(200, 'n').c_str());
    failRecordWrites(d, 1);
    EXPECT_EQ(d4write(d, -1), e4write);
    cb.errorCode = 0;
    int64_t memoLen = file4len(&d->dataFile->memoFile.file);
    failRecordWrites(d, 1);
    EXPECT_EQ(d4write(d, -1), e4write);
    cb.errorCode = 0;
    ASSERT_EQ(d4write(d, -1), 0);
    // The retries used the blocks the first try took.
    EXPECT_EQ(file4len(&d->dataFile->memoFile.file), memoLen);
    EXPECT_EQ(note(d, 1), std::string(200, 'n'));
    EXPECT_EQ(tt::raw(d4field(d, "NAME")), "new     ");
    d4close(d);
}

TEST_F(MemoWrite, ARetriedAppendKeepsItsMemo) {
    for (bool buffered : {false, true}) {
        SCOPED_TRACE(buffered);
        std::string name = buffered ? "appb" : "appd";
        DATA4 *d = make(name.c_str(), 25);
        FILE4 *file = &d->dataFile->file;
        int appends = 1;
        if (buffered) {
            // The write-behind buffer reaches the platform when it fills:
            // the append that fills it is the one that fails.
            ASSERT_EQ(file4writeBehindSet(file, 256), 0);
            cb.offError = 1;
            g_failFd = file->hand;
            for (;; appends++) {
                ASSERT_LT(appends, 100);
                g_failCount = 1;
                int rc = tryAppend(d, ("r" + std::to_string(appends)).c_str(), ("memo " + std::to_string(appends)).c_str());
                if (g_failCount == 0) {  // this one met the failing write
                    EXPECT_EQ(rc, e4write);
                    break;
                }
                ASSERT_EQ(rc, 0);
            }
            ASSERT_EQ(d4recCount(d), appends - 1);
            cb.errorCode = 0;
        } else {
            ASSERT_EQ(d4appendStart(d, 0), 0);
            d4blank(d);
            f4assign(d4field(d, "NAME"), "r1");
            f4memoAssign(d4field(d, "NOTE"), "memo 1");
            failRecordWrites(d, 1);
            EXPECT_EQ(d4append(d), e4write);
            cb.errorCode = 0;
        }
        int64_t memoLen = file4len(&d->dataFile->memoFile.file);
        ASSERT_EQ(d4append(d), 0);
        EXPECT_EQ(file4len(&d->dataFile->memoFile.file), memoLen) << "the retry left a block behind";
        EXPECT_EQ(d4recCount(d), appends);
        for (long r = 1; r <= appends; r++) EXPECT_EQ(note(d, r), "memo " + std::to_string(r)) << r;
        EXPECT_TRUE(sharedBlocks(d).empty());
        d4close(d);
    }
}

TEST_F(MemoWrite, ANullMemoStaysNullWhereverItsContentsLand) {
    DATA4 *d = make("nulls", 30);
    appendRec(d, "one", "a short memo");
    FIELD4 *f = d4field(d, "NOTE");
    for (size_t len : {5u, 600u}) {  // fits the old blocks / needs new ones
        SCOPED_TRACE(len);
        d4go(d, 1);
        f4memoAssign(f, std::string(len, 'x').c_str());
        ASSERT_EQ(f4assignNull(f), 0);
        ASSERT_EQ(d4write(d, -1), 0);
        d4go(d, 1);
        EXPECT_NE(f4null(f), 0);
    }
    d4close(d);
}

TEST_F(MemoWrite, ABlockNumberTheFieldCannotHoldIsRefused) {
    // Level 30 stores a block number as a signed 32-bit integer: with
    // one-byte blocks a memo file past 2 GiB reaches block 2^31.
    DATA4 *d = make("big", 30, 1);
    appendRec(d, "one", "");
    FILE4 *memo = &d->dataFile->memoFile.file;
    ASSERT_EQ(file4lenSet(memo, (int64_t)1 << 31), 0);  // sparse
    d4go(d, 1);
    f4memoAssign(d4field(d, "NOTE"), "does not fit below 2^31");
    cb.offError = 1;
    EXPECT_LT(d4write(d, -1), 0);
    cb.errorCode = 0;
    d4changed(d, 0);
    EXPECT_EQ(note(d, 1), "");
    d4close(d);
}

}  // namespace
