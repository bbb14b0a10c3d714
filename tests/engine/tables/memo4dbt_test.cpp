// The .dbt memo files of dBASE III (0x83) and dBASE IV (0x8B) tables, byte
// for byte: what a level-3 create and memo writes leave on disk, how memos
// without a length end, which memo file each version byte names, and the
// refusals (a missing .dbt, a dBASE III memo holding 0x1A).
#include <filesystem>

#include "tables_test_util.h"

namespace fs = std::filesystem;

namespace {

using tt::fld;

uint32_t u32le(const std::vector<unsigned char> &b, size_t at) { return (uint32_t)tt::i32(b, at); }

std::string memoOf(DATA4 *d, const char *field) {
    FIELD4 *f = d4field(d, field);
    return std::string(f4memoPtr(f), f4memoLen(f));
}

class Dbt : public vt::EngineTest {
protected:
    // A dBASE III table: NAME C(8), NOTES M.
    DATA4 *makeDbase3(const char *name) {
        cb.compatibility = 3;
        FIELD4INFO fields[] = {fld("NAME", 'C', 8), fld("NOTES", 'M'), tt::END};
        DATA4 *d = d4create(&cb, dir.file(name).c_str(), fields);
        cb.compatibility = 25;
        EXPECT_NE(d, nullptr) << cb.errorCode;
        return d;
    }
    void append(DATA4 *d, const char *name, const std::string &notes) {
        ASSERT_EQ(d4appendStart(d, 0), 0);
        d4blank(d);
        f4assign(d4field(d, "NAME"), name);
        if (!notes.empty()) {
            ASSERT_EQ(f4memoAssignN(d4field(d, "NOTES"), notes.data(), (unsigned)notes.size()), 0);
        }
        ASSERT_EQ(d4append(d), 0);
    }
};

TEST_F(Dbt, Level3CreatesADbase3TableAndItsMemoFile) {
    DATA4 *d = makeDbase3("d3");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dataFile->memoFile.format, MEMO4_DBT3);
    EXPECT_EQ(d->dataFile->memoFile.blockSize, 512u);
    EXPECT_EQ(d4tableLevel(d), 25);
    append(d, "short", "hello memo");
    append(d, "long", std::string(1100, 'q'));  // 1102 bytes with the end marks: 3 blocks
    append(d, "none", "");
    ASSERT_EQ(d4close(d), 0);

    auto t = vt::readFile(dir.file("d3.dbf"));
    EXPECT_EQ(t[0], 0x83);
    EXPECT_EQ(tt::u16(t, 8), 32 * 2 + 34);
    EXPECT_EQ(t[32 + 32 + 11], 'M');
    EXPECT_EQ(t[32 + 32 + 16], 10);  // the block number as 10 digits
    size_t rec = tt::u16(t, 8), len = tt::u16(t, 10);
    EXPECT_EQ(tt::text(t, rec + 9, 10), "         1");
    EXPECT_EQ(tt::text(t, rec + len + 9, 10), "         2");
    EXPECT_EQ(tt::text(t, rec + 2 * len + 9, 10), std::string(10, ' '));
    EXPECT_FALSE(fs::exists(dir.file("d3.fpt")));

    auto m = vt::readFile(dir.file("d3.dbt"));
    ASSERT_EQ(m.size(), 5u * 512);                  // header, 1 block, 3 blocks, padded
    EXPECT_EQ(u32le(m, 0), 5u);                     // next free block, little-endian
    for (size_t i = 4; i < 512; i++) ASSERT_EQ(m[i], 0) << i;
    EXPECT_EQ(tt::text(m, 512, 12), "hello memo\x1a\x1a");
    EXPECT_EQ(m[512 + 12], 0);
    EXPECT_EQ(tt::text(m, 1024, 1100), std::string(1100, 'q'));
    EXPECT_EQ(tt::text(m, 1024 + 1100, 2), "\x1a\x1a");
}

TEST_F(Dbt, AChangedMemoGoesToNewBlocksAtTheEnd) {
    DATA4 *d = makeDbase3("grow");
    ASSERT_NE(d, nullptr);
    append(d, "a", "first text");
    append(d, "b", "second");
    ASSERT_EQ(d4go(d, 1), 0);
    // Shorter: still new blocks, the old ones are left as they were.
    ASSERT_EQ(f4memoAssign(d4field(d, "NOTES"), "1st"), 0);
    ASSERT_EQ(d4write(d, -1), 0);
    EXPECT_EQ(f4long(d4field(d, "NOTES")), 3);
    ASSERT_EQ(d4close(d), 0);
    auto m = vt::readFile(dir.file("grow.dbt"));
    EXPECT_EQ(u32le(m, 0), 4u);
    EXPECT_EQ(tt::text(m, 512, 12), "first text\x1a\x1a");
    EXPECT_EQ(tt::text(m, 3 * 512, 5), "1st\x1a\x1a");

    d = d4open(&cb, dir.file("grow").c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), "1st");
    ASSERT_EQ(d4go(d, 2), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), "second");
    d4close(d);
}

TEST_F(Dbt, ADbase3MemoCannotHoldItsEndMark) {
    DATA4 *d = makeDbase3("mark");
    ASSERT_NE(d, nullptr);
    append(d, "a", "kept");
    auto before = vt::readFile(dir.file("mark.dbt"));
    ASSERT_EQ(d4go(d, 1), 0);
    cb.offError = 1;
    std::string text("cut\x1ahere", 8);
    EXPECT_EQ(f4memoAssignN(d4field(d, "NOTES"), text.data(), (unsigned)text.size()), e4parm);
    EXPECT_EQ(cb.errorLocation, E4_MSG_MEMO_END_MARK);
    cb.errorCode = 0;
    EXPECT_EQ(memoOf(d, "NOTES"), "kept");
    ASSERT_EQ(d4close(d), 0);
    EXPECT_EQ(vt::readFile(dir.file("mark.dbt")), before);
}

// A hand-made .dbt: memos without a length end at their first 0x1A, or at
// the end of the file; a block past the end is damage.
TEST_F(Dbt, Dbase3MemosRunToTheirFirstEndMark) {
    DATA4 *d = makeDbase3("scan");
    ASSERT_NE(d, nullptr);
    for (const char *n : {"a", "b", "c", "d"}) append(d, n, "");
    ASSERT_EQ(d4close(d), 0);
    std::vector<unsigned char> m(512, 0);
    auto add = [&](const std::string &bytes) {
        m.resize((m.size() + 511) / 512 * 512);
        size_t block = m.size() / 512;
        m.insert(m.end(), bytes.begin(), bytes.end());
        return block;
    };
    size_t single = add(std::string("one\x1atwo\x1a\x1a", 10));  // cut at the first mark
    size_t across = add(std::string(700, 'x') + "\x1a");         // spans two blocks
    size_t toEnd = add("no mark at all");                         // the file ends first
    tt::putI32(m, 0, (int32_t)(m.size() / 512 + 1));
    vt::writeFile(dir.file("scan.dbt"), m);
    auto t = vt::readFile(dir.file("scan.dbf"));
    size_t rec = tt::u16(t, 8), len = tt::u16(t, 10);
    size_t blocks[] = {single, across, toEnd, 99};
    for (size_t r = 0; r < 4; r++) {
        std::string digits = std::to_string(blocks[r]);
        std::string field = std::string(10 - digits.size(), ' ') + digits;
        std::copy(field.begin(), field.end(), t.begin() + (long)(rec + r * len + 9));
    }
    vt::writeFile(dir.file("scan.dbf"), t);

    d = d4open(&cb, dir.file("scan").c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), "one");
    ASSERT_EQ(d4go(d, 2), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), std::string(700, 'x'));
    ASSERT_EQ(d4go(d, 3), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), "no mark at all");
    ASSERT_EQ(d4go(d, 4), 0);
    cb.offError = 1;
    EXPECT_EQ(f4memoLen(d4field(d, "NOTES")), 0u);
    EXPECT_EQ(cb.errorCode, e4memoCorrupt);
    cb.errorCode = 0;
    d4close(d);
}

TEST_F(Dbt, EachVersionByteLooksOnlyForItsOwnMemoFile) {
    DATA4 *d = makeDbase3("which");
    ASSERT_NE(d, nullptr);
    append(d, "a", "from the dbt");
    ASSERT_EQ(d4close(d), 0);
    // A stray .fpt beside a dBASE table is not looked at.
    std::vector<unsigned char> stray(512, 0);
    stray[3] = 8;
    stray[7] = 64;
    vt::writeFile(dir.file("which.fpt"), stray);
    d = d4open(&cb, dir.file("which").c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dataFile->memoFile.format, MEMO4_DBT3);
    EXPECT_EQ(std::string(d->dataFile->memoFile.file.name).substr(std::string(d->dataFile->memoFile.file.name).size() - 4),
              ".dbt");
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), "from the dbt");
    d4close(d);

    // The same table marked FoxPro (0xF5) wants its .fpt, never the .dbt.
    auto t = vt::readFile(dir.file("which.dbf"));
    t[0] = 0xF5;
    vt::writeFile(dir.file("which.dbf"), t);
    d = d4open(&cb, dir.file("which").c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dataFile->memoFile.format, MEMO4_FPT);
    d4close(d);
    fs::remove(dir.file("which.fpt"));
    cb.offError = 1;
    EXPECT_EQ(d4open(&cb, dir.file("which").c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, e4fileFind);
    EXPECT_EQ(fs::path(cb.errorText).extension(), ".fpt");
}

TEST_F(Dbt, AMissingDbtIsRefusedSayingSo) {
    DATA4 *d = makeDbase3("gone");
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4close(d), 0);
    fs::remove(dir.file("gone.dbt"));
    EXPECT_EQ(d4open(&cb, dir.file("gone").c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, e4fileFind);
    EXPECT_EQ(cb.errorLocation, E4_MSG_MEMO_MISSING);
    ASSERT_EQ(shown.messages().size(), 1u);
    EXPECT_NE(shown.messages()[0].find("memo file is missing"), std::string::npos);
    EXPECT_NE(shown.messages()[0].find("gone.dbt"), std::string::npos);
    // With open errors off: the quiet "not opened" of any file.
    cb.errorCode = 0;
    cb.openError = 0;
    EXPECT_EQ(d4open(&cb, dir.file("gone").c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, r4noOpen);
    EXPECT_EQ(shown.messages().size(), 1u);
    cb.errorCode = 0;
}

// dBASE IV: memos with a header whose length counts its own 8 bytes, the
// block size at header offset 20.
class Dbt4 : public Dbt {
protected:
    // The dBASE III table turned into a dBASE IV one with the block size.
    void toDbase4(const std::string &base, uint16_t blockSize) {
        auto t = vt::readFile(dir.file(base + ".dbf"));
        t[0] = 0x8B;
        vt::writeFile(dir.file(base + ".dbf"), t);
        auto m = vt::readFile(dir.file(base + ".dbt"));
        tt::putU16(m, 20, blockSize);
        vt::writeFile(dir.file(base + ".dbt"), m);
    }
};

TEST_F(Dbt4, MemosCarryTheirLengthAndTheBlockSizeComesFromTheHeader) {
    DATA4 *d = makeDbase3("d4");
    ASSERT_NE(d, nullptr);
    append(d, "a", "");
    append(d, "b", "");
    ASSERT_EQ(d4close(d), 0);
    toDbase4("d4", 1024);

    d = d4open(&cb, dir.file("d4").c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dataFile->memoFile.format, MEMO4_DBT4);
    EXPECT_EQ(d->dataFile->memoFile.blockSize, 1024u);
    ASSERT_EQ(d4go(d, 1), 0);
    std::string text = std::string(1500, 'z') + "\x1a\x1a end marks are text here";
    ASSERT_EQ(f4memoAssignN(d4field(d, "NOTES"), text.data(), (unsigned)text.size()), 0);
    ASSERT_EQ(d4write(d, -1), 0);
    ASSERT_EQ(d4go(d, 2), 0);
    ASSERT_EQ(f4memoAssign(d4field(d, "NOTES"), "second"), 0);
    ASSERT_EQ(d4close(d), 0);

    auto m = vt::readFile(dir.file("d4.dbt"));
    ASSERT_EQ(m.size(), 4u * 1024);  // header block, 2 blocks, 1 block
    EXPECT_EQ(u32le(m, 0), 4u);
    EXPECT_EQ(tt::u16(m, 20), 1024);
    EXPECT_EQ(tt::text(m, 1024, 4), std::string("\xff\xff\x08\x00", 4));
    EXPECT_EQ(u32le(m, 1028), text.size() + 8);
    EXPECT_EQ(tt::text(m, 1032, text.size()), text);
    EXPECT_EQ(u32le(m, 3 * 1024 + 4), 6u + 8);

    d = d4open(&cb, dir.file("d4").c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), text);
    ASSERT_EQ(d4go(d, 2), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), "second");
    d4close(d);
}

TEST_F(Dbt4, ABlockWithoutTheMarkReadsToItsEndMark) {
    DATA4 *d = makeDbase3("old");
    ASSERT_NE(d, nullptr);
    append(d, "a", "older memo");  // dBASE III form: no header, 0x1A 0x1A
    ASSERT_EQ(d4close(d), 0);
    toDbase4("old", 0);  // no block size: 512
    d = d4open(&cb, dir.file("old").c_str());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->dataFile->memoFile.blockSize, 512u);
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(memoOf(d, "NOTES"), "older memo");
    d4close(d);
}

TEST_F(Dbt4, TheDbase4FixtureReadsByItsLengths) {
    std::string t = vt::copyFixture("real/ruby-dbf/dbase_8b.dbf", dir);
    vt::copyFixture("real/ruby-dbf/dbase_8b.dbt", dir);
    DATA4 *d = d4open(&cb, t.c_str());
    ASSERT_NE(d, nullptr);
    // Their text, without the stale bytes that follow it in the block.
    const char *want[] = {"First memo\r\n", "Second memo", "Thierd memo", "Fourth memo", "Fifth memo",
                          "Sixth memo", "Seventh memo", "Eigth memo", "Nineth memo", ""};
    for (long r = 1; r <= 10; r++) {
        ASSERT_EQ(d4go(d, r), 0);
        EXPECT_EQ(memoOf(d, "MEMO"), want[r - 1]) << r;
    }
    d4close(d);
}

}  // namespace
