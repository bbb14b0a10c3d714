// Opening tables: every validation step with its code and message, shared
// and single opens, the production-index seam, and damaged files (byte flips
// and truncations) that must give error codes, never a crash.
#include <random>

#include "tables_test_util.h"

namespace {

using tt::fld;

class OpenTest : public vt::EngineTest {
protected:
    // A level-25 table A C(4), N N(3) with the given number of records.
    std::string makeTable(const std::string &name, int records, int level = 25) {
        cb.compatibility = (int16_t)level;
        FIELD4INFO fields[] = {fld("A", 'C', 4), fld("N", 'N', 3), tt::END};
        DATA4 *d = d4create(&cb, dir.file(name).c_str(), fields);
        EXPECT_NE(d, nullptr);
        for (int i = 0; i < records; i++) {
            d4appendStart(d, 0);
            f4assign(d4field(d, "A"), "abcd");
            f4assignLong(d4field(d, "N"), i);
            d4append(d);
        }
        d4close(d);
        cb.compatibility = 25;
        return dir.file(name);
    }

    // Opens and expects a failure with code and location; the message names the file.
    void expectRefused(const std::string &path, int code, long location, std::string named = "") {
        if (named.empty()) named = path;
        cb.errorCode = 0;
        shown.clear();
        EXPECT_EQ(d4open(&cb, path.c_str()), nullptr);
        EXPECT_EQ(cb.errorCode, code);
        EXPECT_EQ(cb.errorLocation, location);
        ASSERT_EQ(shown.messages().size(), 1u);
        EXPECT_NE(shown.messages()[0].find(named), std::string::npos) << shown.messages()[0];
        EXPECT_EQ(cb.dataList.count, 0);
        EXPECT_EQ(cb.dataFileList.count, 0);
        cb.errorCode = 0;
    }

    void patch(const std::string &path, size_t at, std::initializer_list<unsigned char> bytes) {
        auto b = vt::readFile(path);
        size_t i = at;
        for (unsigned char v : bytes) b[i++] = v;
        vt::writeFile(path, b);
    }
};

TEST_F(OpenTest, StoredCountMustAgreeOnlyWhenWritersAreDenied) {
    std::string t = makeTable("t.dbf", 12);
    patch(t, 4, {10, 0, 0, 0});
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4recCount(d), 10);
    d4close(d);
    for (unsigned char mode : {1, 2}) {
        cb.accessMode = mode;
        expectRefused(t, -200, E4_MSG_DATA_CORRUPT);
    }
    cb.validationOff = 1;
    d = d4open(&cb, t.c_str());
    EXPECT_NE(d, nullptr);
    d4close(d);
}

// A count from 2^31 up cannot be a count of this engine: the table is
// damaged, not empty.
TEST_F(OpenTest, CountsFrom2To31AreDamage) {
    std::string t = makeTable("t.dbf", 2);
    for (uint32_t count : {0x80000000u, 0xFFFFFFFEu, 0x9000000Au}) {
        patch(t, 4, {(unsigned char)count, (unsigned char)(count >> 8), (unsigned char)(count >> 16),
                     (unsigned char)(count >> 24)});
        expectRefused(t, -200, E4_MSG_RECORD_COUNT);
    }
}

TEST_F(OpenTest, HeaderFailures) {
    struct Case {
        const char *what;
        size_t at;
        std::vector<unsigned char> bytes;
        int code;
        long location;
    } cases[] = {
        {"record length 0", 10, {0, 0}, -200, E4_MSG_DATA_CORRUPT},
        {"count -1", 4, {0xFF, 0xFF, 0xFF, 0xFF}, -200, E4_MSG_DATA_CORRUPT},
        {"header length 32", 8, {32, 0}, -200, E4_MSG_DATA_CORRUPT},
        {"header length 2", 8, {2, 0}, -200, E4_MSG_DATA_CORRUPT},
        {"no terminator", 96, {0x20}, -200, E4_MSG_DATA_CORRUPT},
        {"widths do not add up", 10, {9, 0}, -200, E4_LOC_DFILE4OPEN},
        {"type S", 32 + 11, {'S'}, -220, E4_MSG_INVALID_FIELD_TYPE},
        {"lower-case type", 32 + 11, {'c'}, -220, E4_MSG_INVALID_FIELD_TYPE},
        {"B at level 25", 64 + 11, {'B'}, -200, E4_MSG_INVALID_FIELD_TYPE},
        {"T at level 25", 64 + 11, {'T'}, -200, E4_MSG_INVALID_FIELD_TYPE},
        {"Y at level 25", 64 + 11, {'Y'}, -200, E4_MSG_INVALID_FIELD_TYPE},
        {"0x31 without marker", 0, {0x31}, -200, E4_MSG_DATA_VERSION},
        {"header past the file end", 8, {0xFF, 0x7F}, -200, E4_MSG_DATA_SHORT_HEADER},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.what);
        std::string t = makeTable(std::string(k.what) + ".dbf", 2);
        auto b = vt::readFile(t);
        std::copy(k.bytes.begin(), k.bytes.end(), b.begin() + (long)k.at);
        vt::writeFile(t, b);
        expectRefused(t, k.code, k.location);
    }
}

TEST_F(OpenTest, VersionMessageIsExact) {
    std::string t = makeTable("v.dbf", 0);
    patch(t, 0, {0x31});
    cb.errorCode = 0;
    EXPECT_EQ(d4open(&cb, t.c_str()), nullptr);
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_NE(shown.messages()[0].find("Your current version of Brindle does not support this table.  Upgrade to a "
                                       "newer version of Brindle."),
              std::string::npos);
}

TEST_F(OpenTest, AutoIncrementMarkerOpensAsLevel30) {
    std::string t = makeTable("ai.dbf", 1, 30);
    patch(t, 0, {0x31});
    patch(t, 12, {1, 0, 0, 0, 0, 0, 0, 0});
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dataFile->version, 0x30);
    EXPECT_EQ(d->dataFile->hasAutoIncrement, 1);
    EXPECT_EQ(d4tableLevel(d), 30);
    d4close(d);
    EXPECT_EQ(vt::readFile(t)[0], 0x31);  // the file keeps its version byte
}

TEST_F(OpenTest, LongCharacterFieldAndDeletedByte) {
    std::string t = makeTable("w.dbf", 1);
    // A becomes 300 wide: byte 16 = 0x2C, byte 17 = 0x01; the record grows.
    auto b = vt::readFile(t);
    b[32 + 16] = 0x2C;
    b[32 + 17] = 0x01;
    tt::putU16(b, 10, 1 + 300 + 3);
    b.resize(tt::u16(b, 8));
    std::vector<unsigned char> rec(1 + 300 + 3, 'q');
    rec[0] = 'x';  // any byte but a blank counts as deleted
    b.insert(b.end(), rec.begin(), rec.end());
    tt::putI32(b, 4, 1);
    vt::writeFile(t, b);
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(f4len(d4field(d, "A")), 300u);
    EXPECT_EQ(f4len(d4field(d, "N")), 3u);
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(d4deleted(d), 1);
    EXPECT_EQ(tt::raw(d4field(d, "N")), "qqq");
    d4close(d);
}

TEST_F(OpenTest, Level30Rules) {
    std::string t = makeTable("l30.dbf", 1, 30);
    // A '0' field must be named _NullFlags (in any letter case).
    patch(t, 64 + 11, {'0'});
    expectRefused(t, -200, E4_MSG_INVALID_FIELD_TYPE);
    patch(t, 64, {'_', 'N', 'U', 'L', 'L', 'F', 'L', 'A', 'G', 'S', 0});
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4numFields(d), 1);
    d4close(d);
    // B, T and Y are fine at level 30.
    patch(t, 32 + 11, {'B'});
    patch(t, 32 + 16, {4});
    d = d4open(&cb, t.c_str());
    EXPECT_NE(d, nullptr);
    d4close(d);
}

TEST_F(OpenTest, HeaderOneByteShortIsAccepted) {
    std::string t = makeTable("short.dbf", 0, 30);
    auto b = vt::readFile(t);
    b.pop_back();  // the byte after the backlink area, as another writer leaves it
    vt::writeFile(t, b);
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4recCount(d), 0);
    EXPECT_EQ(d4top(d), 3);
    d4close(d);

    // Appending to it makes a sound table: the missing byte reads as zero.
    d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4appendStart(d, 0), 0);
    f4assign(d4field(d, "A"), "wxyz");
    ASSERT_EQ(d4append(d), 0);
    ASSERT_EQ(d4close(d), 0);
    auto grown = vt::readFile(t);
    size_t headerLen = tt::u16(grown, 8), recordLen = tt::u16(grown, 10);
    ASSERT_EQ(grown.size(), headerLen + recordLen);
    EXPECT_EQ(grown[headerLen - 1], 0);
    EXPECT_EQ(tt::text(grown, headerLen, 5), " wxyz");
    d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4top(d), 0);
    EXPECT_EQ(tt::raw(d4field(d, "A")), "wxyz");
    d4close(d);
}

TEST_F(OpenTest, HeaderTwoBytesShortIsRefused) {
    std::string t = makeTable("short2.dbf", 0, 30);
    auto b = vt::readFile(t);
    b.resize(b.size() - 2);  // two bytes short is damage
    vt::writeFile(t, b);
    expectRefused(t, -200, E4_MSG_DATA_SHORT_HEADER);
}

TEST_F(OpenTest, CompatibilityMustBeATableLevel) {
    std::string t = makeTable("c.dbf", 0);
    cb.compatibility = 27;
    expectRefused(t, -60, E4_LOC_DFILE4OPEN);
    // A negative code gates the next open until it is cleared.
    cb.errorCode = -60;
    cb.compatibility = 25;
    shown.clear();
    EXPECT_EQ(d4open(&cb, t.c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, -60);
    EXPECT_TRUE(shown.messages().empty());
    cb.errorCode = 0;
    DATA4 *d = d4open(&cb, t.c_str());
    EXPECT_NE(d, nullptr);
    d4close(d);
}

TEST_F(OpenTest, MissingFilesAndOpenError) {
    cb.openError = 0;
    EXPECT_EQ(d4open(&cb, dir.file("none").c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, 70);
    EXPECT_TRUE(shown.messages().empty());
    cb.openError = 1;
    cb.errorCode = 0;
    EXPECT_EQ(d4open(&cb, dir.file("none").c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, -64);
    cb.errorCode = 0;
    // A table that says it has a memo file fails without it.
    FIELD4INFO fields[] = {fld("M", 'M'), tt::END};
    DATA4 *d = d4create(&cb, dir.file("m").c_str(), fields);
    d4close(d);
    std::remove(dir.file("m.fpt").c_str());
    EXPECT_EQ(d4open(&cb, dir.file("m").c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, -64);
    EXPECT_EQ(cb.dataFileList.count, 0);
}

TEST_F(OpenTest, ProductionIndexFlag) {
    std::string t = makeTable("px.dbf", 1);
    patch(t, 28, {0x01});
    // Refused as if its index could not be opened, naming the index file.
    expectRefused(t, -60, E4_LOC_D4OPEN, dir.file("px.cdx"));
    shown.clear();
    cb.openError = 0;
    EXPECT_EQ(d4open(&cb, t.c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, 70);
    EXPECT_TRUE(shown.messages().empty());
    cb.errorCode = 0;
    cb.autoOpen = 0;
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4go(d, 1), 0);
    d4close(d);
}

TEST_F(OpenTest, SingleAndSharedOpens) {
    std::string t = makeTable("s.dbf", 2);
    DATA4 *a = d4open(&cb, t.c_str());
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(d4alias(a), "s");
    // The same file under another letter case and without its extension.
    std::string other = dir.file("S");
    EXPECT_EQ(d4open(&cb, other.c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, -69);
    cb.errorCode = 0;
    cb.singleOpen = 0;
    DATA4 *b = d4open(&cb, t.c_str());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(a->dataFile, b->dataFile);
    EXPECT_EQ(a->dataFile->userCount, 2);
    EXPECT_NE(a->handleNumber, b->handleNumber);
    // An append through one handle is seen by the other.
    ASSERT_EQ(d4appendBlank(a), 0);
    EXPECT_EQ(d4recCount(b), 3);
    EXPECT_EQ(d4go(b, 3), 0);
    EXPECT_EQ(d4close(a), 0);
    EXPECT_EQ(b->dataFile->userCount, 1);
    EXPECT_EQ(d4close(b), 0);
    EXPECT_EQ(cb.dataFileList.count, 0);
}

TEST_F(OpenTest, ReleasingTheContextClosesItsTables) {
    std::string t = makeTable("rel.dbf", 1);
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    d4appendBlank(d);  // pending in the write buffer, header changed
    EXPECT_EQ(cb.dataList.count, 1);
    EXPECT_EQ(code4closeAll(&cb), 0);
    EXPECT_EQ(cb.dataList.count, 0);
    EXPECT_EQ(cb.dataFileList.count, 0);
    auto b = vt::readFile(t);
    EXPECT_EQ(tt::i32(b, 4), 2);
    EXPECT_EQ(b.size(), 98u + 2 * 8 + 1);
    d = d4open(&cb, t.c_str());
    d4appendBlank(d);
    EXPECT_EQ(code4initUndo(&cb), 0);
    EXPECT_EQ(tt::i32(vt::readFile(t), 4), 3);
    ASSERT_EQ(code4init(&cb), 0);  // for the fixture's own release
}

TEST_F(OpenTest, AliasTakesBaseNameWithUnderscores) {
    std::string t = makeTable("expense reports.dbf", 0);
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d4alias(d), "expense_reports");
    EXPECT_EQ(std::string(d4fileName(d)), t);
    d4close(d);
}

// Damaged copies of a table with memos: every byte of the header flipped
// in turn and random truncations must open with an error code or open and
// read without faults (the sanitizer build checks the reads).
TEST_F(OpenTest, DamagedFilesGiveCodesNotFaults) {
    cb.compatibility = 30;
    cb.memSizeMemo = 64;
    FIELD4INFO fields[] = {fld("C", 'C', 6), fld("N", 'N', 5, 1, r4null), fld("M", 'M'), fld("I", 'I'),
                           fld("T", 'T'), fld("Y", 'Y'), tt::END};
    DATA4 *d = d4create(&cb, dir.file("src").c_str(), fields);
    ASSERT_NE(d, nullptr);
    for (int i = 0; i < 3; i++) {
        d4appendStart(d, 0);
        f4assign(d4field(d, "C"), "xyz");
        f4memoAssign(d4field(d, "M"), std::string(100 * (i + 1), 'm').c_str());
        d4append(d);
    }
    d4close(d);
    const auto table = vt::readFile(dir.file("src.dbf"));
    const auto memo = vt::readFile(dir.file("src.fpt"));
    cb.offError = 1;
    std::mt19937 rng(1234);
    auto readAll = [&](DATA4 *t) {
        for (int rc = d4top(t); rc == 0; rc = d4skip(t, 1)) {
            for (int j = 1; j <= d4numFields(t); j++) {
                FIELD4 *f = d4fieldJ(t, j);
                f4str(f);
                f4memoLen(f);
                if (f4type(f) == 'T') f4dateTime(f);
                if (f4type(f) == 'Y') f4currency(f, 4);
                cb.errorCode = 0;
            }
        }
        cb.errorCode = 0;
    };
    for (int round = 0; round < 600; round++) {
        auto t = table;
        auto m = memo;
        if (round < 300) {
            size_t at = rng() % 400;
            t[at % t.size()] ^= (unsigned char)(1u << (rng() % 8));
            if (round % 3 == 0) m[rng() % m.size()] ^= 0xFF;
        } else {
            t.resize(rng() % t.size());
            if (round % 2) m.resize(rng() % m.size());
        }
        vt::writeFile(dir.file("dmg.dbf"), t);
        vt::writeFile(dir.file("dmg.fpt"), m);
        cb.errorCode = 0;
        DATA4 *x = d4open(&cb, dir.file("dmg.dbf").c_str());
        if (!x) {
            EXPECT_NE(cb.errorCode, 0) << round;
            continue;
        }
        readAll(x);
        d4close(x);
    }
    cb.errorCode = 0;
}

}  // namespace
