// Writing records: appends with and without the end-of-file byte, header
// updates on flush and close, refusals, autoincrement values, deletion
// flags, and failed writes that keep the pending change.
#include <sys/stat.h>

#include "foundation/file4platform.h"
#include "tables_test_util.h"

namespace {

using tt::fld;

class WriteTest : public vt::EngineTest {
protected:
    DATA4 *make(const char *name, int level) {
        cb.compatibility = (int16_t)level;
        FIELD4INFO fields[] = {fld("C", 'C', 3), tt::END};
        DATA4 *d = d4create(&cb, dir.file(name).c_str(), fields);
        EXPECT_NE(d, nullptr);
        return d;
    }
};

TEST_F(WriteTest, Level25AppendsEndOfFileByteLevel30DoesNot) {
    DATA4 *d = make("a25", 25);
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(d4appendBlank(d), 0);
        ASSERT_EQ(d4flush(d), 0);
        auto b = vt::readFile(dir.file("a25.dbf"));
        ASSERT_EQ(b.size(), 66u + 4 * (i + 1) + 1);
        EXPECT_EQ(b.back(), 0x1A);
        EXPECT_EQ(d4recNo(d), i + 1);
    }
    d4close(d);
    auto b = vt::readFile(dir.file("a25.dbf"));
    EXPECT_EQ(tt::i32(b, 4), 3);
    EXPECT_EQ(tt::text(b, 66, 12), "            ");

    d = make("a30", 30);
    for (int i = 0; i < 3; i++) ASSERT_EQ(d4appendBlank(d), 0);
    d4close(d);
    b = vt::readFile(dir.file("a30.dbf"));
    EXPECT_EQ(b.size(), 329u + 12);
    EXPECT_EQ(tt::i32(b, 4), 3);
}

TEST_F(WriteTest, AppendStartKeepsTheBufferAsANewRecord) {
    DATA4 *d = make("copy", 25);
    FIELD4 *c = d4field(d, "C");
    d4appendStart(d, 0);
    f4assign(c, "abc");
    EXPECT_EQ(d4recNo(d), 0);
    ASSERT_EQ(d4append(d), 0);
    ASSERT_EQ(d4appendStart(d, 0), 0);
    ASSERT_EQ(d4append(d), 0);  // a copy of record 1
    d4go(d, 2);
    EXPECT_EQ(tt::raw(c), "abc");
    d4close(d);
}

TEST_F(WriteTest, HeaderIsWrittenOnCloseOnlyWhenChanged) {
    DATA4 *d = make("hdr", 25);
    d4appendBlank(d);
    d4close(d);
    auto b = vt::readFile(dir.file("hdr.dbf"));
    b[1] = 1;
    b[2] = 2;
    b[3] = 3;
    vt::writeFile(dir.file("hdr.dbf"), b);
    d = d4open(&cb, dir.file("hdr").c_str());
    d4top(d);
    d4close(d);
    b = vt::readFile(dir.file("hdr.dbf"));
    EXPECT_EQ(b[1], 1);  // untouched: nothing changed
    d = d4open(&cb, dir.file("hdr").c_str());
    d4top(d);
    d4delete(d);
    d4close(d);
    b = vt::readFile(dir.file("hdr.dbf"));
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    EXPECT_EQ(b[1], t.tm_year % 100);
    EXPECT_EQ(b[2], t.tm_mon + 1);
    EXPECT_EQ(b[3], t.tm_mday);
}

TEST_F(WriteTest, FlushWritesTheDateAsHeld) {
    DATA4 *d = make("fl", 25);
    d4appendBlank(d);
    d->dataFile->yy = 0;  // 1 January 2000 as held in memory
    d->dataFile->mm = 1;
    d->dataFile->dd = 1;
    ASSERT_EQ(d4flush(d), 0);
    auto b = vt::readFile(dir.file("fl.dbf"));
    EXPECT_EQ(b[1], 0);
    EXPECT_EQ(b[2], 1);
    EXPECT_EQ(b[3], 1);
    EXPECT_EQ(tt::i32(b, 4), 1);
    d4close(d);
}

TEST_F(WriteTest, DeleteRecallAndChanged) {
    DATA4 *d = make("del", 25);
    d4appendBlank(d);
    EXPECT_EQ(d4deleted(d), 0);
    EXPECT_EQ(d4changed(d, -1), 0);
    d4delete(d);
    EXPECT_EQ(d4deleted(d), 1);
    EXPECT_EQ(d4changed(d, -1), 1);
    d4update(d);
    EXPECT_EQ(d4changed(d, -1), 0);
    d4delete(d);  // already deleted: nothing changes
    EXPECT_EQ(d4changed(d, -1), 0);
    d4recall(d);
    EXPECT_EQ(d4changed(d, 0), 1);
    EXPECT_EQ(d4changed(d, -1), 0);
    d4go(d, 1);
    EXPECT_EQ(d4deleted(d), 1);  // the recall was given up
    d4close(d);
    EXPECT_EQ(vt::readFile(dir.file("del.dbf"))[66], '*');
}

TEST_F(WriteTest, WriteRefusals) {
    DATA4 *d = make("ref", 25);
    d4appendBlank(d);
    d4goEof(d);
    EXPECT_EQ(d4write(d, -1), -120);
    EXPECT_EQ(cb.errorLocation, E4_MSG_WRITE_NO_RECORD);
    cb.errorCode = 0;
    EXPECT_EQ(d4write(d, 2), -120);  // no such record
    cb.errorCode = 0;
    d4close(d);

    chmod(dir.file("ref.dbf").c_str(), 0444);
    d = d4open(&cb, dir.file("ref").c_str());
    ASSERT_NE(d, nullptr);
    d4top(d);
    f4assign(d4field(d, "C"), "x");
    EXPECT_EQ(d4write(d, -1), -120);
    EXPECT_EQ(cb.errorLocation, E4_MSG_WRITE_READ_ONLY);
    EXPECT_EQ(std::string(cb.errorText), "ref");
    cb.errorCode = 0;
    EXPECT_EQ(d4append(d), -120);
    cb.errorCode = 0;
    d4changed(d, 0);
    EXPECT_EQ(d4flush(d), 0);  // nothing to write in a read-only table
    EXPECT_EQ(d4close(d), 0);
}

TEST_F(WriteTest, RecordAtBeginningOfFileCanBeWritten) {
    DATA4 *d = make("bof", 25);
    d4appendBlank(d);
    d4appendBlank(d);
    EXPECT_EQ(d4goBof(d), 4);
    f4assign(d4field(d, "C"), "one");
    // Moving on writes it: the handle stands on an existing record.
    EXPECT_EQ(d4skip(d, 1), 0);
    d4go(d, 1);
    EXPECT_EQ(tt::raw(d4field(d, "C")), "one");
    d4close(d);
}

TEST_F(WriteTest, AutoIncrementValues) {
    cb.compatibility = 30;
    cb.autoIncrementStart = 7.0;
    FIELD4INFO fields[] = {fld("ID", 'B', 0, 0, r4autoIncrement), fld("C", 'C', 2), tt::END};
    DATA4 *d = d4create(&cb, dir.file("ai").c_str(), fields);
    ASSERT_NE(d, nullptr);
    for (int i = 0; i < 3; i++) ASSERT_EQ(d4appendBlank(d), 0);
    d4go(d, 3);
    EXPECT_EQ(f4double(d4field(d, "ID")), 9.0);
    d4close(d);
    auto b = vt::readFile(dir.file("ai.dbf"));
    double next;
    std::memcpy(&next, &b[20], 8);
    EXPECT_EQ(next, 10.0);
    EXPECT_EQ(b[12], 1);  // the marker stays
    d = d4open(&cb, dir.file("ai").c_str());
    d4appendBlank(d);
    EXPECT_EQ(f4double(d4field(d, "ID")), 10.0);
    d4close(d);
}

// Fails the n-th platform write from now on (0: none).
int g_failAt = 0;
ssize_t failingWrite(int fd, const void *buf, size_t len, off_t pos) {
    if (g_failAt > 0 && --g_failAt == 0) {
        errno = EIO;
        return -1;
    }
    return file4platformDefault().pwrite(fd, buf, len, pos);
}

TEST_F(WriteTest, FailedWriteKeepsTheChangeForARetry) {
    cb.memSizeMemo = 64;
    FIELD4INFO fields[] = {fld("C", 'C', 3), fld("M", 'M'), tt::END};
    DATA4 *d = d4create(&cb, dir.file("fail").c_str(), fields);
    d4appendBlank(d);
    // Record writes go straight to the platform here (see the next test
    // for the write-behind buffer).
    ASSERT_EQ(file4writeBehindSet(&d->dataFile->file, 0), 0);
    f4assign(d4field(d, "C"), "new");
    f4memoAssign(d4field(d, "M"), "memo text");
    cb.offError = 1;
    file4platform.pwrite = failingWrite;
    g_failAt = 1;  // the memo's first write fails
    EXPECT_EQ(d4update(d), -120);
    EXPECT_EQ(d4changed(d, -1), 1);
    cb.errorCode = 0;
    g_failAt = 4;  // memo header, memo block, contents go; the record fails
    EXPECT_EQ(d4update(d), -120);
    EXPECT_EQ(d4changed(d, -1), 1);
    cb.errorCode = 0;
    EXPECT_EQ(d4update(d), 0);
    file4platform = file4platformDefault();
    d4go(d, 1);
    EXPECT_EQ(tt::raw(d4field(d, "C")), "new");
    EXPECT_STREQ(f4memoStr(d4field(d, "M")), "memo text");

    // A failed append leaves the table as it was and recNo where it was.
    file4platform.pwrite = failingWrite;
    g_failAt = 1;
    d4appendStart(d, 0);
    EXPECT_EQ(d4append(d), -120);
    EXPECT_EQ(d4recNo(d), 0);
    cb.errorCode = 0;
    file4platform = file4platformDefault();
    EXPECT_EQ(d4recCount(d), 1);
    EXPECT_EQ(vt::readFile(dir.file("fail.dbf")).size(), 98u + 14 + 1);
    d4close(d);
}

TEST_F(WriteTest, FailedFlushOfBufferedAppendsIsReportedAndLosesNoAppend) {
    DATA4 *d = make("wb", 25);
    for (int i = 0; i < 3; i++) ASSERT_EQ(d4appendBlank(d), 0);
    ASSERT_EQ(d4flush(d), 0);
    for (int i = 0; i < 5; i++) ASSERT_EQ(d4appendBlank(d), 0);  // held in the buffer
    cb.offError = 1;
    file4platform.pwrite = failingWrite;
    g_failAt = 1;
    // The header's write finds the buffered records' write failing; the
    // flush reports it, and its own flush of the file tries them again.
    EXPECT_EQ(d4flush(d), -120);
    file4platform = file4platformDefault();
    cb.errorCode = 0;
    EXPECT_EQ(vt::readFile(dir.file("wb.dbf")).size(), 66u + 8 * 4 + 1);
    EXPECT_EQ(d4recCount(d), 8);
    file4platform.pwrite = failingWrite;
    g_failAt = 1;
    ASSERT_EQ(d4appendBlank(d), 0);
    EXPECT_EQ(d4close(d), -120);  // close reports the failure it met
    file4platform = file4platformDefault();
    cb.errorCode = 0;
    auto b = vt::readFile(dir.file("wb.dbf"));
    EXPECT_EQ(tt::i32(b, 4), 9);  // and wrote everything on its second try
    EXPECT_EQ(b.size(), 66u + 9 * 4 + 1);
    d = d4open(&cb, dir.file("wb").c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4recCount(d), 9);
    d4close(d);
}

TEST_F(WriteTest, AFailedWriteOfTheHeaderAtCloseIsTriedAgain) {
    DATA4 *d = make("hc", 25);
    for (int i = 0; i < 4; i++) ASSERT_EQ(d4appendBlank(d), 0);  // held in the buffer
    cb.offError = 1;
    file4platform.pwrite = failingWrite;
    g_failAt = 2;  // the records go out; the header's own write fails
    EXPECT_EQ(d4close(d), -120);
    file4platform = file4platformDefault();
    cb.errorCode = 0;
    auto b = vt::readFile(dir.file("hc.dbf"));
    EXPECT_EQ(tt::i32(b, 4), 4);
    EXPECT_EQ(b.size(), 66u + 4 * 4 + 1);
}

TEST_F(WriteTest, BlankSetsEveryFieldBlank) {
    cb.compatibility = 30;
    FIELD4INFO fields[] = {fld("C", 'C', 2), fld("I", 'I'), fld("M", 'M'), fld("N", 'N', 3, 0, r4null), tt::END};
    DATA4 *d = d4create(&cb, dir.file("bl").c_str(), fields);
    ASSERT_EQ(d4appendBlank(d), 0);
    const unsigned char *r = d4record(d);
    std::vector<unsigned char> rec(r, r + d4recWidth(d));
    std::vector<unsigned char> want = {' ', ' ', ' ', 0, 0, 0, 0, 0, 0, 0, 0, ' ', ' ', ' ', 0};
    EXPECT_EQ(rec, want);
    d4close(d);
}

}  // namespace
