#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include "foundation/file4platform.h"
#include "test_support.h"

using vt::PlatformOverride;

namespace {

using vt::EngineTest;

TEST_F(EngineTest, CreateWriteReadAndLength) {
    FILE4 f;
    std::string name = dir.file("a.bin");
    ASSERT_EQ(file4create(&f, &cb, name.c_str(), 1), 0);
    ASSERT_EQ(file4write(&f, 0, "hello world", 11), 0);
    EXPECT_EQ(file4len(&f), 11);
    char buf[32] = {};
    EXPECT_EQ(file4read(&f, 6, buf, 20), 5u);
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(file4readAll(&f, 6, buf, 20), -70);
    cb.errorCode = 0;
    shown.clear();
    EXPECT_EQ(file4lenSet(&f, 5), 0);
    EXPECT_EQ(file4len(&f), 5);
    EXPECT_EQ(file4flush(&f), 0);
    EXPECT_EQ(file4close(&f), 0);
    EXPECT_EQ(file4close(&f), 0);  // already closed
    EXPECT_EQ(vt::readFile(name), std::vector<unsigned char>({'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(EngineTest, ReadFailsQuietlyWhileErrorCodeIsNegative) {
    FILE4 f;
    ASSERT_EQ(file4create(&f, &cb, dir.file("a").c_str(), 1), 0);
    file4write(&f, 0, "abc", 3);
    cb.errorCode = -60;
    char buf[4];
    EXPECT_EQ(file4read(&f, 0, buf, 3), 0u);
    EXPECT_EQ(file4write(&f, 0, "x", 1), -1);
    cb.errorCode = 0;
    file4close(&f);
}

TEST_F(EngineTest, ReadOnlyFileRefusesWrites) {
    std::string name = dir.file("ro.dbf");
    vt::writeFile(name, std::string("abc"));
    chmod(name.c_str(), 0444);
    FILE4 f;
    ASSERT_EQ(file4open(&f, &cb, name.c_str(), 1), 0);
    EXPECT_TRUE(f.isReadOnly);
    EXPECT_EQ(file4write(&f, 0, "x", 1), -120);
    ASSERT_NE(cb.errorText, nullptr);
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_NE(shown.messages()[0].find("attempt to write to a read-only file"), std::string::npos);
    cb.errorCode = 0;
    EXPECT_EQ(file4lenSet(&f, 0), -930);
    cb.errorCode = 0;
    file4close(&f);
    EXPECT_EQ(vt::readFile(name).size(), 3u);
}

TEST_F(EngineTest, MissingFileWithOpenErrorOffReturns70Silently) {
    FILE4 f;
    cb.openError = 0;
    EXPECT_EQ(file4open(&f, &cb, dir.file("none.dbf").c_str(), 1), 70);
    EXPECT_EQ(cb.errorCode, 70);
    EXPECT_TRUE(shown.messages().empty());
    cb.openError = 1;
    cb.errorCode = 0;
    EXPECT_EQ(file4open(&f, &cb, dir.file("none.dbf").c_str(), 1), -64);
    EXPECT_EQ(shown.messages().size(), 1u);
    EXPECT_EQ(f.hand, -1);
}

TEST_F(EngineTest, SecondOpenOfTheSameFileIsRefused) {
    std::string name = dir.file("t.dbf");
    vt::writeFile(name, std::string("abc"));
    FILE4 a, b;
    ASSERT_EQ(file4open(&a, &cb, name.c_str(), 1), 0);
    EXPECT_EQ(file4open(&b, &cb, name.c_str(), 1), -61);
    cb.errorCode = 0;
    // another process is refused too
    pid_t pid = fork();
    if (pid == 0) {
        CODE4 other{};
        code4init(&other);
        other.offError = 1;
        FILE4 g;
        _exit(file4open(&g, &other, name.c_str(), 1) == -61 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    file4close(&a);
    ASSERT_EQ(file4open(&b, &cb, name.c_str(), 1), 0);
    file4close(&b);
}

// Opens that only read share the file; a writer still works alone, and the
// refusal says the file is in use.
TEST_F(EngineTest, ReadOnlyOpensShareAndWritersStayAlone) {
    std::string name = dir.file("t.dbf");
    vt::writeFile(name, std::string("abc"));
    CODE4 reader{};
    code4init(&reader);
    reader.offError = 1;
    reader.readOnly = 1;
    FILE4 r1, r2, w;
    ASSERT_EQ(file4open(&r1, &reader, name.c_str(), 1), 0);
    ASSERT_EQ(file4open(&r2, &reader, name.c_str(), 1), 0);
    shown.clear();
    EXPECT_EQ(file4open(&w, &cb, name.c_str(), 1), -61);
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_NE(shown.messages()[0].find("in use by another program"), std::string::npos) << shown.messages()[0];
    EXPECT_EQ(cb.errorLocation, E4_MSG_IN_USE);
    cb.errorCode = 0;
    file4close(&r1);
    file4close(&r2);
    ASSERT_EQ(file4open(&w, &cb, name.c_str(), 1), 0);
    EXPECT_EQ(file4open(&r1, &reader, name.c_str(), 1), -61);
    file4close(&w);
    code4initUndo(&reader);
}

TEST_F(EngineTest, OpenFallsBackToCaseInsensitiveMatch) {
    vt::writeFile(dir.file("ORDERS.DBF"), std::string("xyz"));
    FILE4 f;
    ASSERT_EQ(file4open(&f, &cb, dir.file("orders.dbf").c_str(), 1), 0);
    EXPECT_EQ(std::string(f.name), dir.file("ORDERS.DBF"));
    file4close(&f);
    EXPECT_TRUE(file4exists(dir.file("Orders.Dbf").c_str()));
    EXPECT_FALSE(file4exists(dir.file("Orders.cdx").c_str()));
}

TEST_F(EngineTest, CreateRespectsSafety) {
    std::string name = dir.file("x.dbf");
    vt::writeFile(name, std::string("keep"));
    FILE4 f;
    EXPECT_EQ(file4create(&f, &cb, name.c_str(), 1), -20);
    cb.errorCode = 0;
    cb.createError = 0;
    EXPECT_EQ(file4create(&f, &cb, name.c_str(), 1), 60);
    EXPECT_EQ(cb.errorCode, 60);
    EXPECT_EQ(vt::readFile(name).size(), 4u);
    cb.errorCode = 0;
    cb.safety = 0;
    ASSERT_EQ(file4create(&f, &cb, name.c_str(), 1), 0);
    file4close(&f);
    EXPECT_EQ(vt::readFile(name).size(), 0u);
}

TEST_F(EngineTest, TemporaryFileIsRemovedOnClose) {
    setenv("TMPDIR", dir.path().c_str(), 1);
    FILE4 f;
    ASSERT_EQ(file4tempLow(&f, &cb, 1, nullptr), 0);
    std::string name = f.name;
    EXPECT_EQ(name.rfind(dir.path() + "/TEMP", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
    EXPECT_EQ(name.size(), dir.path().size() + 1 + 12);
    EXPECT_TRUE(file4exists(name.c_str()));
    file4close(&f);
    EXPECT_FALSE(file4exists(name.c_str()));
    unsetenv("TMPDIR");
}

TEST_F(EngineTest, FileRemovedWhileOpenStaysUsableAndCloseRemovesNothing) {
    setenv("TMPDIR", dir.path().c_str(), 1);
    FILE4 f;
    ASSERT_EQ(file4tempLow(&f, &cb, 1, nullptr), 0);
    std::string name = f.name;
    EXPECT_EQ(file4removeNow(&f), 1);
    EXPECT_FALSE(file4exists(name.c_str()));
    ASSERT_EQ(file4write(&f, 0, "spool", 5), 0);
    char back[5];
    ASSERT_EQ(file4readAll(&f, 0, back, 5), 0);
    EXPECT_EQ(std::string(back, 5), "spool");
    // A new file may take the freed name meanwhile; closing must not touch it.
    vt::writeFile(name, std::string("other"));
    EXPECT_EQ(file4close(&f), 0);
    EXPECT_EQ(cb.errorCode, 0);
    EXPECT_TRUE(file4exists(name.c_str()));
    {
        // A name that cannot be removed stays, and close removes it as before.
        PlatformOverride guard;
        file4platform.unlink = [](const char *) -> int {
            errno = EACCES;
            return -1;
        };
        ASSERT_EQ(file4tempLow(&f, &cb, 1, nullptr), 0);
        name = f.name;
        EXPECT_EQ(file4removeNow(&f), 0);
        EXPECT_TRUE(file4exists(name.c_str()));
    }
    EXPECT_EQ(file4close(&f), 0);
    EXPECT_FALSE(file4exists(name.c_str()));
    unsetenv("TMPDIR");
}

TEST_F(EngineTest, TemporaryNameSearchGivesUpAfter100) {
    setenv("TMPDIR", dir.path().c_str(), 1);
    for (int i = 0; i < 10000; i++) {
        char n[32];
        std::snprintf(n, sizeof n, "TEMP%04d.TMP", i);
        vt::writeFile(dir.file(n), std::string());
    }
    FILE4 f;
    EXPECT_EQ(file4tempLow(&f, &cb, 1, nullptr), -20);
    EXPECT_STREQ(cb.errorText, "error creating temporary working file");
    unsetenv("TMPDIR");
}

TEST_F(EngineTest, WriteOnFullDiskReports120AndLeavesFileAsItWas) {
    std::string name = dir.file("full.bin");
    FILE4 f;
    ASSERT_EQ(file4create(&f, &cb, name.c_str(), 1), 0);
    ASSERT_EQ(file4write(&f, 0, "0123456789", 10), 0);
    {
        PlatformOverride guard;
        // The disk takes 3 bytes of the write, then is full.
        file4platform.pwrite = [](int fd, const void *buf, size_t, off_t pos) -> ssize_t {
            static int calls = 0;
            if (calls++ == 0) return file4platformDefault().pwrite(fd, buf, 3, pos);
            errno = ENOSPC;
            return -1;
        };
        EXPECT_EQ(file4write(&f, 10, "abcdefgh", 8), -120);
    }
    EXPECT_EQ(cb.errorCode, -120);
    cb.errorCode = 0;
    EXPECT_EQ(file4len(&f), 10);
    file4close(&f);
    EXPECT_EQ(vt::readFile(name).size(), 10u);
}

TEST(File4Errno, MapsClassesOfFailure) {
    EXPECT_EQ(file4errorFromErrno(ENOENT), -64);
    EXPECT_EQ(file4errorFromErrno(ENAMETOOLONG), -64);
    EXPECT_EQ(file4errorFromErrno(EMFILE), -63);
    EXPECT_EQ(file4errorFromErrno(EACCES), -61);
    EXPECT_EQ(file4errorFromErrno(EWOULDBLOCK), -61);
    EXPECT_EQ(file4errorFromErrno(ENOSPC), -120);
    EXPECT_EQ(file4errorFromErrno(EIO), -60);
}

TEST_F(EngineTest, SequentialWriterAlignsChunksTo1024) {
    FILE4 f;
    ASSERT_EQ(file4create(&f, &cb, dir.file("seq").c_str(), 1), 0);
    std::vector<size_t> writes;
    static std::vector<std::pair<off_t, size_t>> *log;
    std::vector<std::pair<off_t, size_t>> calls;
    log = &calls;
    {
        PlatformOverride guard;
        file4platform.pwrite = [](int fd, const void *buf, size_t len, off_t pos) -> ssize_t {
            log->emplace_back(pos, len);
            return file4platformDefault().pwrite(fd, buf, len, pos);
        };
        char buffer[2048 + 100];
        FILE4SEQ_WRITE w;
        file4seqWriteInit(&w, &f, 1000, buffer, sizeof buffer);  // rounds down to 2048
        std::vector<char> data(5000, 'q');
        ASSERT_EQ(file4seqWrite(&w, data.data(), (unsigned)data.size()), 0);
        ASSERT_EQ(file4seqWriteFlush(&w), 0);
    }
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], std::make_pair((off_t)1000, (size_t)1048));
    EXPECT_EQ(calls[1], std::make_pair((off_t)2048, (size_t)2048));
    EXPECT_EQ(file4len(&f), 6000);

    // Reading back through the sequential reader, across chunks.
    char rbuf[1024];
    FILE4SEQ_READ r;
    file4seqReadInit(&r, &f, 1000, rbuf, sizeof rbuf);
    std::vector<char> back(5000);
    ASSERT_EQ(file4seqReadAll(&r, back.data(), 5000), 0);
    EXPECT_EQ(back, std::vector<char>(5000, 'q'));
    EXPECT_EQ(file4seqReadAll(&r, back.data(), 1), -70);
    cb.errorCode = 0;
    file4close(&f);
}

TEST_F(EngineTest, ReadAheadStaysCoherentWithWrites) {
    FILE4 f;
    ASSERT_EQ(file4create(&f, &cb, dir.file("ra").c_str(), 1), 0);
    std::string data(10000, 'a');
    file4write(&f, 0, data.data(), (unsigned)data.size());
    ASSERT_EQ(file4readAheadSet(&f, 4096), 0);
    char c4[4];
    ASSERT_EQ(file4read(&f, 100, c4, 4), 4u);
    file4write(&f, 102, "ZZ", 2);
    ASSERT_EQ(file4read(&f, 100, c4, 4), 4u);
    EXPECT_EQ(std::string(c4, 4), "aaZZ");
    file4lenSet(&f, 101);
    EXPECT_EQ(file4read(&f, 100, c4, 4), 1u);
    file4close(&f);
}

TEST(U4Name, ExtensionRules) {
    char n[260];
    std::strcpy(n, "ORDERS");
    u4nameExt(n, sizeof n, "dbf", 0);
    EXPECT_STREQ(n, "ORDERS.dbf");
    std::strcpy(n, "A.B/ORDERS");
    u4nameExt(n, sizeof n, "fpt", 1);
    EXPECT_STREQ(n, "A.B/ORDERS.fpt");
    std::strcpy(n, "A.B\\ORDERS");
    u4nameExt(n, sizeof n, ".fpt", 1);
    EXPECT_STREQ(n, "A.B\\ORDERS.fpt");
    std::strcpy(n, "ORDERS.DBF");
    u4nameExt(n, sizeof n, "fpt", 1);
    EXPECT_STREQ(n, "ORDERS.fpt");
    std::strcpy(n, "ORDERS.DBF  ");
    u4nameExt(n, sizeof n, "fpt", 0);
    EXPECT_STREQ(n, "ORDERS.DBF");
    std::strcpy(n, "X");
    vt::ShownErrors quiet;
    EXPECT_EQ(u4nameExt(n, 4, "dbf", 0), -930);
}

TEST(U4Name, MakeCopyCompare) {
    char out[64];
    u4nameMake(out, sizeof out, "C:", "/data/", "/orders.dbf");
    EXPECT_STREQ(out, "/data/orders.dbf");
    u4nameMake(out, sizeof out, nullptr, "data", "orders.dbf");
    EXPECT_STREQ(out, "data/orders.dbf");
    u4nameMake(out, sizeof out, nullptr, nullptr, "C:\\docs\\a.dbf");
    EXPECT_STREQ(out, "/docs/a.dbf");
    char small[4];
    EXPECT_EQ(u4ncpy(small, "abcdef", sizeof small), 3);
    EXPECT_STREQ(small, "abc");
    EXPECT_TRUE(u4nameEqual("Orders.DBF", "ORDERS.dbf"));
    EXPECT_FALSE(u4nameEqual("Orders.DBF", "ORDERS.db"));
}

}  // namespace

namespace {

std::vector<size_t> *g_readSizes;

TEST_F(EngineTest, ReadAheadRefillsWholeWindowOnlyForSequentialWork) {
    FILE4 f;
    ASSERT_EQ(file4create(&f, &cb, dir.file("ra2").c_str(), 1), 0);
    std::string data(1 << 20, 'r');
    for (size_t i = 0; i < data.size(); i++) data[i] = (char)('a' + i % 23);
    ASSERT_EQ(file4write(&f, 0, data.data(), (unsigned)data.size()), 0);
    ASSERT_EQ(file4readAheadSet(&f, 65536), 0);
    std::vector<size_t> sizes;
    g_readSizes = &sizes;
    PlatformOverride guard;
    file4platform.pread = [](int fd, void *buf, size_t len, off_t pos) -> ssize_t {
        g_readSizes->push_back(len);
        return file4platformDefault().pread(fd, buf, len, pos);
    };
    char rec[100];
    // a sequential scan: one full window per 64 KiB
    for (int64_t pos = 0; pos < 200000; pos += 100) ASSERT_EQ(file4read(&f, pos, rec, 100), 100u);
    for (size_t s : sizes) EXPECT_EQ(s, 65536u);
    EXPECT_EQ(sizes.size(), 4u);
    // random visits read small blocks, and still return the right bytes
    sizes.clear();
    for (int64_t pos : {900000, 300123, 700001, 4095 + 500000}) {
        ASSERT_EQ(file4read(&f, pos, rec, 100), 100u);
        EXPECT_EQ(std::string(rec, 100), data.substr((size_t)pos, 100));
    }
    EXPECT_EQ(sizes.size(), 4u);
    for (size_t s : sizes) EXPECT_LE(s, 8192u);
    // places visited by turns are kept apart from the window: visiting them
    // again, and reading inside the window, reads nothing
    sizes.clear();
    for (int round = 0; round < 3; round++)
        for (int64_t pos : {900000, 300123, 700001, 4095 + 500000, 199000}) {
            ASSERT_EQ(file4read(&f, pos, rec, 100), 100u);
            EXPECT_EQ(std::string(rec, 100), data.substr((size_t)pos, 100));
        }
    EXPECT_EQ(sizes.size(), 0u);
    // a visited block stays coherent with writes
    ASSERT_EQ(file4write(&f, 300150, "XYZ", 3), 0);
    ASSERT_EQ(file4read(&f, 300123, rec, 100), 100u);
    EXPECT_EQ(std::string(rec + 27, 3), "XYZ");
    EXPECT_EQ(sizes.size(), 0u);
    // a scan from a visited place runs on as sequential work
    sizes.clear();
    for (int64_t pos = 700001; pos < 800000; pos += 100) ASSERT_EQ(file4read(&f, pos, rec, 100), 100u);
    EXPECT_LE(sizes.size(), 3u);
    file4close(&f);
}

}  // namespace
