// Hostile sizes: inputs whose numbers promise far more than their bytes hold
// must not make the engine allocate more than a small multiple of the
// files' (or the expression's) size plus a constant, grow files by what a
// damaged number says, or loop through records that cannot exist. Heap use
// is measured by the counter of alloc_counter.h; a watchdog ends a test that
// runs past a minute, naming it.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "alloc_counter.h"
#include "test_support.h"

namespace {

const char *g_running = "";

void watchdog(int) {
    const char msg[] = "\nresource bound test hung: ";
    (void)!write(2, msg, sizeof msg - 1);
    (void)!write(2, g_running, strlen(g_running));
    (void)!write(2, "\n", 1);
    _exit(3);
}

class ResourceBounds : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.offError = 1;
        g_running = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::signal(SIGALRM, watchdog);
        alarm(60);
    }
    void TearDown() override {
        alarm(0);
        vt::EngineTest::TearDown();
    }

    int64_t fileSize(const std::string &path) {
        std::error_code ec;
        auto n = std::filesystem::file_size(path, ec);
        return ec ? -1 : (int64_t)n;
    }

    // Four times the input plus a constant of 1 MiB: the record buffers,
    // the read-ahead window and the write-behind buffer take ~300 KiB.
    static int64_t bound(int64_t inputBytes) { return 4 * inputBytes + (1 << 20); }
};

void putU32le(std::vector<unsigned char> &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + i] = (unsigned char)(v >> (8 * i));
}
void putU32be(std::vector<unsigned char> &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + i] = (unsigned char)(v >> (8 * (3 - i)));
}

TEST_F(ResourceBounds, MemoLengthOfFourGigabytesInASmallFile) {
    cb.memSizeMemo = 64;
    FIELD4INFO fields[] = {{"NOTES", 'M', 0, 0, 0}, {nullptr, 0, 0, 0, 0}};
    std::string base = dir.file("m");
    DATA4 *d = d4create(&cb, base.c_str(), fields);
    ASSERT_NE(d, nullptr);
    d4appendStart(d, 0);
    d4blank(d);
    f4memoAssign(d4field(d, "NOTES"), "a memo whose length is about to grow");
    ASSERT_EQ(d4append(d), 0);
    ASSERT_EQ(d4close(d), 0);
    // The memo is at block 8 (512 / 64); its length becomes 0xFFFFFFF0, and
    // the file header's next free block a number past any real file.
    auto fpt = vt::readFile(base + ".fpt");
    putU32be(fpt, 8 * 64 + 4, 0xFFFFFFF0u);
    putU32be(fpt, 0, 0xFFFFFFF0u);
    vt::writeFile(base + ".fpt", fpt);
    int64_t input = fileSize(base + ".dbf") + fileSize(base + ".fpt");

    rely::AllocWindow window;
    d = d4open(&cb, base.c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(f4memoLen(d4field(d, "NOTES")), 0u);
    EXPECT_EQ(cb.errorCode, e4memoCorrupt);
    error4set(&cb, 0);
    // Copying the record with its memo reads it too.
    EXPECT_EQ(d4appendStart(d, 1), e4memoCorrupt);
    error4set(&cb, 0);
    // A new memo goes to the end of the file, not where the damaged next
    // free block says (which would grow the file by a quarter terabyte).
    ASSERT_EQ(d4appendStart(d, 0), 0);
    f4memoAssign(d4field(d, "NOTES"), "new");
    EXPECT_EQ(d4append(d), 0);
    EXPECT_EQ(d4close(d), 0);
    EXPECT_LE(window.peak(), bound(input));
    EXPECT_LE(fileSize(base + ".fpt"), (int64_t)fpt.size() + 64);
}

// A table of one 65534-byte character field (record length 65535) whose
// header counts two billion records while the file holds two.
class HugeCount : public ResourceBounds {
protected:
    void SetUp() override {
        ResourceBounds::SetUp();
        const uint32_t recordLen = 65535, headerLen = 32 + 32 + 2;
        std::vector<unsigned char> b(headerLen + 2 * (size_t)recordLen + 1, ' ');
        std::fill(b.begin(), b.begin() + headerLen, 0);
        b[0] = 0x03;
        b[1] = 124;
        b[2] = 1;
        b[3] = 1;
        putU32le(b, 4, 2000000000u);
        b[8] = headerLen & 0xFF;
        b[9] = headerLen >> 8;
        b[10] = recordLen & 0xFF;
        b[11] = recordLen >> 8;
        std::memcpy(&b[32], "BIG", 3);
        b[32 + 11] = 'C';
        b[32 + 16] = 0xFE;  // 65534, the high byte in the decimals byte
        b[32 + 17] = 0xFF;
        b[64] = 0x0D;
        b[65] = 0x1A;
        b[headerLen] = ' ';
        std::memcpy(&b[headerLen + 1], "first", 5);
        std::memcpy(&b[headerLen + recordLen + 1], "second", 6);
        b.back() = 0x1A;
        name = dir.file("huge.dbf");
        vt::writeFile(name, b);
        size = (int64_t)b.size();
    }
    std::string name;
    int64_t size = 0;
};

TEST_F(HugeCount, OpensReadsAndRefusesToGrowTheFileByTheCount) {
    rely::AllocWindow window;
    DATA4 *d = d4open(&cb, name.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4recCount(d), 2000000000L);
    ASSERT_EQ(d4top(d), 0);
    EXPECT_EQ(std::string(f4str(d4field(d, "BIG")), 5), "first");
    EXPECT_EQ(d4skip(d, 1), 0);
    EXPECT_EQ(d4skip(d, 1), r4eof);  // record 3 is not in the file
    error4set(&cb, 0);
    EXPECT_LT(d4bottom(d), 0);
    error4set(&cb, 0);
    // An append would go 131 terabytes past the end.
    d4appendStart(d, 0);
    EXPECT_LT(d4append(d), 0);
    error4set(&cb, 0);
    d4close(d);
    error4set(&cb, 0);
    EXPECT_LE(window.peak(), bound(size));
    EXPECT_LE(fileSize(name), size);
}

// A relation walks records by number: the records the count promises but
// the file cannot hold must not be visited one by one, nor send the walk
// back to the first record. With goError on the first missing record is an
// error; with it off the view ends where the file ends.
TEST_F(HugeCount, RelationOverTheMissingRecordsEnds) {
    for (int goError : {1, 0}) {
        SCOPED_TRACE(goError);
        cb.goError = goError;
        DATA4 *d = d4open(&cb, name.c_str());
        ASSERT_NE(d, nullptr);
        RELATE4 *r = relate4init(d);
        ASSERT_NE(r, nullptr);
        ASSERT_EQ(relate4querySet(r, "RECNO() > 1"), 0);
        ASSERT_EQ(relate4top(r), 0);
        EXPECT_EQ(d4recNo(d), 2);
        if (goError) {
            EXPECT_EQ(relate4skip(r, 1), e4read);
            error4set(&cb, 0);
            EXPECT_EQ(relate4bottom(r), e4read);
            error4set(&cb, 0);
        } else {
            EXPECT_EQ(relate4skip(r, 1), r4eof);
            EXPECT_EQ(relate4bottom(r), 0);
            EXPECT_EQ(d4recNo(d), 2);
            EXPECT_EQ(relate4skip(r, -1), r4bof);
        }
        ASSERT_EQ(relate4sortSet(r, "DESCEND(RECNO())"), 0);
        if (goError) {
            EXPECT_EQ(relate4top(r), e4read);
            error4set(&cb, 0);
        } else {
            ASSERT_EQ(relate4top(r), 0);
            EXPECT_EQ(d4recNo(d), 2);
            EXPECT_EQ(relate4skip(r, 1), r4eof);
        }
        relate4free(r, 1);
        error4set(&cb, 0);
    }
}

TEST_F(ResourceBounds, ExpressionsWithLargeConstantsAndResults) {
    FIELD4INFO fields[] = {{"NAME", 'C', 10, 0, 0}, {"N", 'N', 5, 0, 0}, {nullptr, 0, 0, 0, 0}};
    DATA4 *d = d4create(&cb, dir.file("e").c_str(), fields);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4appendBlank(d), 0);
    ASSERT_EQ(d4go(d, 1), 0);
    std::string big = "'" + std::string(65536, 'x') + "'";
    std::string spaces = "SPACE(65536)";
    for (int i = 0; i < 40; i++) spaces += "+SPACE(65536)";
    std::string sum = "1";
    for (int i = 0; i < 30000; i++) sum += "+1";
    std::string nested(100000, '(');
    const std::string texts[] = {
        big,
        big + "+" + big + "+NAME",
        "PADL(" + big + ", 65536)",
        spaces,                       // 2.6 MiB of result from 530 bytes of text: refused
        "PADR(NAME, 2000000000)",
        "STR(N, 2000000000)",
        sum,
        nested + "1" + std::string(100000, ')'),
        "UPPER(" + big + ") = " + big,
    };
    // The layer caps a result at 1 MiB and a work area at 4 MiB; a parsed
    // expression takes a few hundred bytes per operator or operand.
    const int64_t constant = 6 << 20, perByte = 256;
    for (const std::string &text : texts) {
        SCOPED_TRACE(text.substr(0, 40));
        rely::AllocWindow window;
        EXPR4 *e = expr4parse(d, text.c_str());
        if (e) {
            char *result = nullptr;
            int len = expr4vary(e, &result);
            EXPECT_GE(len, 0);
            char *key = nullptr;
            expr4key(e, &key, nullptr);
            expr4free(e);
        } else {
            EXPECT_LT(cb.errorCode, 0);
            EXPECT_NE(cb.errorCode, e4memory);
        }
        error4set(&cb, 0);
        EXPECT_LE(window.peak(), perByte * (int64_t)text.size() + constant);
    }
    d4close(d);
}

// Parsing grows its buffers geometrically: a 60 KB expression of 30,000
// terms needs a few dozen allocations, not one per ten operands (which made
// parsing quadratic: a minute under the sanitizers' copying realloc).
TEST_F(ResourceBounds, ParsingALongExpressionAllocatesAFewTimes) {
    FIELD4INFO fields[] = {{"N", 'N', 5, 0, 0}, {nullptr, 0, 0, 0, 0}};
    DATA4 *d = d4create(&cb, dir.file("p").c_str(), fields);
    ASSERT_NE(d, nullptr);
    std::string sum = "N";
    for (int i = 0; i < 30000; i++) sum += "+" + std::to_string(i % 10);
    rely::AllocWindow window;
    EXPR4 *e = expr4parse(d, sum.c_str());
    ASSERT_NE(e, nullptr);
    EXPECT_LE(window.calls(), 100);
    expr4free(e);
    d4close(d);
}

}  // namespace
