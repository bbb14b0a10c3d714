// The file layer's write-behind buffer: writes that run on from each other
// reach the platform together, reads and lengths see them at once, every
// byte is on disk after flush or close, and a failed platform write is
// reported and leaves the file as long as it was.
#include <cerrno>
#include <cstring>

#include "foundation/file4platform.h"
#include "test_support.h"

namespace {

int g_writes = 0;     // platform writes seen
int g_failAt = 0;     // fail the n-th platform write from now (0: none)

ssize_t countingWrite(int fd, const void *buf, size_t len, off_t pos) {
    g_writes++;
    if (g_failAt > 0 && --g_failAt == 0) {
        errno = ENOSPC;
        return -1;
    }
    return file4platformDefault().pwrite(fd, buf, len, pos);
}

class WriteBehind : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        g_writes = 0;
        g_failAt = 0;
        file4platform.pwrite = countingWrite;
        name = dir.file("wb.bin");
        ASSERT_EQ(file4create(&f, &cb, name.c_str(), 1), 0);
        ASSERT_EQ(file4writeBehindSet(&f, 1024), 0);
    }
    void TearDown() override {
        file4close(&f);
        file4platform = file4platformDefault();
        vt::EngineTest::TearDown();
    }
    FILE4 f;
    std::string name;
};

TEST_F(WriteBehind, RunningWritesCollectAndReachTheFileOnClose) {
    std::string expect;
    for (int i = 0; i < 50; i++) {
        std::string rec = "record" + std::to_string(i % 10) + "\x1A";
        // Each record overwrites the previous end-of-file byte, as appends do.
        int64_t pos = expect.empty() ? 0 : (int64_t)expect.size() - 1;
        ASSERT_EQ(file4write(&f, pos, rec.data(), (unsigned)rec.size()), 0);
        expect = expect.substr(0, (size_t)pos) + rec;
    }
    EXPECT_EQ(file4len(&f), (int64_t)expect.size());
    EXPECT_EQ(vt::readFile(name).size(), 0u);  // still in the buffer
    EXPECT_EQ(g_writes, 0);
    ASSERT_EQ(file4close(&f), 0);
    EXPECT_EQ(g_writes, 1);
    auto disk = vt::readFile(name);
    EXPECT_EQ(std::string(disk.begin(), disk.end()), expect);
}

TEST_F(WriteBehind, ReadsSeePendingBytes) {
    ASSERT_EQ(file4readAheadSet(&f, 4096), 0);
    ASSERT_EQ(file4write(&f, 0, "0123456789", 10), 0);
    char buf[11] = {};
    ASSERT_EQ(file4read(&f, 0, buf, 10), 10u);
    EXPECT_STREQ(buf, "0123456789");
    // A write into the read-ahead window is seen by the next read too.
    ASSERT_EQ(file4write(&f, 3, "abc", 3), 0);
    ASSERT_EQ(file4read(&f, 0, buf, 10), 10u);
    EXPECT_STREQ(buf, "012abc6789");
    // And past the window's end.
    ASSERT_EQ(file4write(&f, 10, "XYZ", 3), 0);
    char tail[4] = {};
    ASSERT_EQ(file4read(&f, 10, tail, 3), 3u);
    EXPECT_STREQ(tail, "XYZ");
    ASSERT_EQ(file4flush(&f), 0);
    auto disk = vt::readFile(name);
    EXPECT_EQ(std::string(disk.begin(), disk.end()), "012abc6789XYZ");
}

TEST_F(WriteBehind, BrokenRunsKeepTheirOrder) {
    ASSERT_EQ(file4write(&f, 0, "aaaaaaaa", 8), 0);
    ASSERT_EQ(file4write(&f, 100, "bbbb", 4), 0);  // breaks the run: "aaaaaaaa" goes out
    EXPECT_EQ(g_writes, 1);
    ASSERT_EQ(file4write(&f, 2, "cc", 2), 0);      // before the run: "bbbb" goes out first
    EXPECT_EQ(g_writes, 2);
    std::string big(2000, 'd');                     // larger than the buffer: straight through
    ASSERT_EQ(file4write(&f, 4, big.data(), (unsigned)big.size()), 0);
    EXPECT_EQ(g_writes, 4);
    ASSERT_EQ(file4lenSet(&f, 6), 0);
    ASSERT_EQ(file4close(&f), 0);
    auto disk = vt::readFile(name);
    EXPECT_EQ(std::string(disk.begin(), disk.end()), "aaccdd");
}

TEST_F(WriteBehind, FailedWriteIsReportedLeavesTheOldLengthAndKeepsTheBytesForTheNextTry) {
    ASSERT_EQ(file4write(&f, 0, "header", 6), 0);
    ASSERT_EQ(file4flush(&f), 0);
    for (int i = 0; i < 10; i++) ASSERT_EQ(file4write(&f, 6 + i * 5, "rows.", 5), 0);
    g_failAt = 1;
    shown.clear();
    EXPECT_EQ(file4flush(&f), -120);
    EXPECT_EQ(cb.errorCode, -120);
    EXPECT_EQ(cb.errorLocation, E4_MSG_DISK_FULL);
    EXPECT_EQ(shown.messages().size(), 1u);
    cb.errorCode = 0;
    EXPECT_EQ(vt::readFile(name).size(), 6u);
    // The writes were reported done: their bytes stay buffered (and seen)
    // until a later try puts them on disk.
    EXPECT_EQ(file4len(&f), 56);
    char row[6] = {};
    ASSERT_EQ(file4read(&f, 51, row, 5), 5u);
    EXPECT_STREQ(row, "rows.");
    ASSERT_EQ(file4flush(&f), 0);
    EXPECT_EQ(vt::readFile(name).size(), 56u);
    // The failure of the write that close makes is reported by close, which
    // then gives the bytes up.
    ASSERT_EQ(file4write(&f, 56, "more", 4), 0);
    g_failAt = 1;
    EXPECT_EQ(file4close(&f), -120);
    EXPECT_EQ(f.hand, -1);
    EXPECT_EQ(vt::readFile(name).size(), 56u);
    cb.errorCode = 0;
}

TEST_F(WriteBehind, TurningItOffAfterAFailedWriteKeepsTheBuffer) {
    ASSERT_EQ(file4write(&f, 0, "abc", 3), 0);
    g_failAt = 1;
    EXPECT_EQ(file4writeBehindSet(&f, 0), -120);
    cb.errorCode = 0;
    EXPECT_EQ(f.pendLen, 3u);
    ASSERT_EQ(file4writeBehindSet(&f, 0), 0);
    EXPECT_EQ(vt::readFile(name).size(), 3u);
}

TEST_F(WriteBehind, PendingBytesAreWrittenEvenWhileAnErrorIsRecorded) {
    ASSERT_EQ(file4write(&f, 0, "kept", 4), 0);
    cb.errorCode = -70;
    EXPECT_EQ(file4close(&f), 0);
    EXPECT_EQ(cb.errorCode, -70);
    cb.errorCode = 0;
    EXPECT_EQ(vt::readFile(name).size(), 4u);
}

TEST_F(WriteBehind, TurningItOffWritesWhatItHolds) {
    ASSERT_EQ(file4write(&f, 0, "abc", 3), 0);
    ASSERT_EQ(file4writeBehindSet(&f, 0), 0);
    EXPECT_EQ(vt::readFile(name).size(), 3u);
    ASSERT_EQ(file4write(&f, 3, "d", 1), 0);  // unbuffered now
    EXPECT_EQ(vt::readFile(name).size(), 4u);
}

}  // namespace

namespace {

// Bytes written past the end of the file on disk are held in the buffer:
// the gap before them reads as zeros, as the file's length says it exists.
TEST_F(WriteBehind, ReadsBeneathPendingBytesPastTheEndSeeTheFileAsItsLengthSays) {
    ASSERT_EQ(file4write(&f, 1000, "0123456789", 10), 0);
    EXPECT_EQ(file4len(&f), 1010);
    char buf[16];
    std::memset(buf, 'x', sizeof buf);
    ASSERT_EQ(file4read(&f, 0, buf, 10), 10u);
    EXPECT_EQ(std::string(buf, 10), std::string(10, '\0'));
    ASSERT_EQ(file4read(&f, 995, buf, 15), 15u);
    EXPECT_EQ(std::string(buf, 15), std::string(5, '\0') + "0123456789");
    // The same through a read-ahead window.
    ASSERT_EQ(file4readAheadSet(&f, 256), 0);
    ASSERT_EQ(file4write(&f, 3000, "abc", 3), 0);
    std::memset(buf, 'x', sizeof buf);
    ASSERT_EQ(file4read(&f, 2000, buf, 10), 10u);
    EXPECT_EQ(std::string(buf, 10), std::string(10, '\0'));
    ASSERT_EQ(file4readAll(&f, 2995, buf, 8), 0);
    EXPECT_EQ(std::string(buf, 8), std::string(5, '\0') + "abc");
}

}  // namespace
