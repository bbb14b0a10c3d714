// Memo files: layout of created files, placement of new and rewritten memos
// (always in new blocks), references at both levels, copied memos on append,
// and memo references that point outside the file.
#include <filesystem>

#include "tables_test_util.h"

namespace {

using tt::fld;

class MemoTest : public vt::EngineTest {
protected:
    DATA4 *make(const char *name, int level, unsigned blockSize = 64) {
        cb.compatibility = (int16_t)level;
        cb.memSizeMemo = blockSize;
        FIELD4INFO fields[] = {fld("ID", 'N', 3), fld("NOTE", 'M'), fld("PIC", 'G'), tt::END};
        DATA4 *d = d4create(&cb, dir.file(name).c_str(), fields);
        EXPECT_NE(d, nullptr);
        return d;
    }
    std::vector<unsigned char> memoFile(const char *name) { return vt::readFile(dir.file(name)); }
};

TEST_F(MemoTest, PlacementOfNewGrownAndShrunkMemos) {
    DATA4 *d = make("place", 30);
    FIELD4 *note = d4field(d, "NOTE");
    d4appendBlank(d);
    ASSERT_EQ(f4memoAssign(note, std::string(100, 'a').c_str()), 0);
    ASSERT_EQ(d4update(d), 0);
    auto m = memoFile("place.fpt");
    // 100 bytes + 8 need 2 blocks of 64, placed at block 8; next free 10.
    EXPECT_EQ(tt::u32be(m, 0), 10u);
    ASSERT_EQ(m.size(), 640u);
    EXPECT_EQ(tt::u32be(m, 512), 1u);
    EXPECT_EQ(tt::u32be(m, 516), 100u);
    EXPECT_EQ(tt::text(m, 520, 100), std::string(100, 'a'));
    EXPECT_EQ(tt::i32(std::vector<unsigned char>(f4ptr(note), f4ptr(note) + 4), 0), 8);

    // Every rewrite takes new blocks at the end, shorter or longer: the
    // old blocks stay as they were until the record refers elsewhere.
    f4memoAssign(note, "short");
    d4update(d);
    m = memoFile("place.fpt");
    EXPECT_EQ(f4long(note), 10);
    EXPECT_EQ(tt::u32be(m, 0), 11u);
    EXPECT_EQ(tt::u32be(m, 516), 100u);  // the old memo, untouched
    EXPECT_EQ(tt::u32be(m, 10 * 64 + 4), 5u);
    f4memoAssign(note, std::string(200, 'b').c_str());
    d4update(d);
    m = memoFile("place.fpt");
    EXPECT_EQ(f4long(note), 11);
    EXPECT_EQ(tt::u32be(m, 0), 15u);
    EXPECT_EQ(m.size(), 15u * 64);
    d4go(d, 1);
    EXPECT_EQ(f4memoLen(note), 200u);
    EXPECT_EQ(std::string(f4memoStr(note)), std::string(200, 'b'));
    d4close(d);
}

TEST_F(MemoTest, ReferencesAtBothLevels) {
    for (int level : {25, 30}) {
        SCOPED_TRACE(level);
        std::string name = "ref" + std::to_string(level);
        DATA4 *d = make(name.c_str(), level);
        FIELD4 *note = d4field(d, "NOTE");
        d4appendBlank(d);
        EXPECT_EQ(tt::raw(note), level == 25 ? std::string(10, ' ') : std::string(4, '\0'));
        f4memoAssign(note, "hello");
        d4update(d);
        EXPECT_EQ(tt::raw(note), level == 25 ? std::string("         8") : std::string("\x08\0\0\0", 4));
        f4memoAssign(note, "");
        d4update(d);
        EXPECT_EQ(tt::raw(note), level == 25 ? std::string(10, ' ') : std::string(4, '\0'));
        EXPECT_EQ(f4memoLen(note), 0u);
        d4close(d);
    }
}

TEST_F(MemoTest, ContentsAreReadOnFirstAccessAndResetOnMoving) {
    DATA4 *d = make("read", 25);
    FIELD4 *note = d4field(d, "NOTE"), *id = d4field(d, "ID");
    for (int i = 1; i <= 3; i++) {
        d4appendStart(d, 0);
        f4assignLong(id, i);
        f4memoAssign(note, ("memo number " + std::to_string(i)).c_str());
        ASSERT_EQ(d4append(d), 0);
    }
    d4close(d);
    d = d4open(&cb, dir.file("read").c_str());
    note = d4field(d, "NOTE");
    for (int rc = d4top(d); rc == 0; rc = d4skip(d, 1)) {
        std::string want = "memo number " + std::to_string(f4long(d4field(d, "ID")));
        EXPECT_EQ(f4memoLen(note), want.size());
        EXPECT_EQ(std::string(f4memoStr(note)), want);
    }
    d4go(d, 2);
    char buf[5];
    EXPECT_EQ(f4memoNcpy(note, buf, sizeof buf), 4u);
    EXPECT_STREQ(buf, "memo");
    ASSERT_EQ(f4memoSetLen(note, 4), 0);
    EXPECT_STREQ(f4memoStr(note), "memo");
    ASSERT_EQ(f4memoSetLen(note, 6), 0);
    EXPECT_EQ(std::string(f4memoPtr(note), 6), std::string("memo\0\0", 6));
    // Freeing gives up the pending change; the record keeps its memo.
    f4memoFree(note);
    d4go(d, 2);
    EXPECT_STREQ(f4memoStr(note), "memo number 2");
    // A non-memo field answers with its own bytes.
    EXPECT_STREQ(f4memoStr(d4field(d, "ID")), "  2");
    EXPECT_EQ(f4memoLen(d4field(d, "ID")), 3u);
    d4close(d);
}

TEST_F(MemoTest, AppendStartWithMemosWritesCopies) {
    DATA4 *d = make("copy", 30);
    FIELD4 *note = d4field(d, "NOTE"), *pic = d4field(d, "PIC");
    d4appendStart(d, 0);
    f4memoAssign(note, "original note");
    f4memoAssign(pic, "original picture");
    ASSERT_EQ(d4append(d), 0);
    ASSERT_EQ(d4appendStart(d, 1), 0);
    ASSERT_EQ(d4append(d), 0);
    long first = (d4go(d, 1), f4long(note));
    d4go(d, 2);
    EXPECT_NE(f4long(note), first);
    EXPECT_STREQ(f4memoStr(note), "original note");
    EXPECT_STREQ(f4memoStr(pic), "original picture");
    // The copy is independent of its source.
    f4memoAssign(note, "changed");
    d4go(d, 1);
    EXPECT_STREQ(f4memoStr(note), "original note");
    // Without copying, a new record starts with no memos.
    d4appendStart(d, 0);
    ASSERT_EQ(d4append(d), 0);
    EXPECT_EQ(f4memoLen(note), 0u);
    EXPECT_EQ(f4long(note), 0);
    d4close(d);
}

class DamagedMemo : public MemoTest {
protected:
    void SetUp() override {
        MemoTest::SetUp();
        DATA4 *d = make("dmg", 25);
        d4appendBlank(d);
        f4memoAssign(d4field(d, "NOTE"), "twelve bytes");
        d4close(d);
    }
    // Opens, reads the memo of record 1 and returns the error code.
    int readMemo(std::string *out = nullptr) {
        DATA4 *d = d4open(&cb, dir.file("dmg").c_str());
        EXPECT_NE(d, nullptr);
        d4go(d, 1);
        const char *s = f4memoStr(d4field(d, "NOTE"));
        if (out) *out = s;
        int code = cb.errorCode;
        cb.errorCode = 0;
        d4close(d);
        return code;
    }
};

TEST_F(DamagedMemo, BlockNumberPastTheEnd) {
    auto t = vt::readFile(dir.file("dmg.dbf"));
    size_t ref = tt::u16(t, 8) + 1 + 3;
    std::memcpy(&t[ref], "     99999", 10);
    vt::writeFile(dir.file("dmg.dbf"), t);
    std::string s = "x";
    EXPECT_EQ(readMemo(&s), -1110);
    EXPECT_EQ(s, "");
    ASSERT_FALSE(shown.messages().empty());
    EXPECT_NE(shown.messages().back().find("Memo File Corrupt"), std::string::npos);
}

TEST_F(DamagedMemo, LengthLargerThanTheFile) {
    auto m = vt::readFile(dir.file("dmg.fpt"));
    m[512 + 4] = 0x7F;  // about two gigabytes: refused before allocating
    vt::writeFile(dir.file("dmg.fpt"), m);
    EXPECT_EQ(readMemo(), -1110);
    m[512 + 4] = 0;
    m[512 + 7] = 0;  // length 0: an empty memo
    vt::writeFile(dir.file("dmg.fpt"), m);
    std::string s = "x";
    EXPECT_EQ(readMemo(&s), 0);
    EXPECT_EQ(s, "");
}

TEST_F(DamagedMemo, NextFreeInsideTheDataDoesNotOverwrite) {
    auto m = vt::readFile(dir.file("dmg.fpt"));
    m[0] = m[1] = m[2] = 0;
    m[3] = 8;  // says block 8, which holds the existing memo
    vt::writeFile(dir.file("dmg.fpt"), m);
    DATA4 *d = d4open(&cb, dir.file("dmg").c_str());
    d4appendBlank(d);
    f4memoAssign(d4field(d, "NOTE"), "second");
    ASSERT_EQ(d4update(d), 0);
    EXPECT_EQ(f4long(d4field(d, "NOTE")), 9);
    d4go(d, 1);
    EXPECT_STREQ(f4memoStr(d4field(d, "NOTE")), "twelve bytes");
    d4close(d);
}

TEST_F(DamagedMemo, ZeroBlockSizeIsRefusedOnOpen) {
    auto m = vt::readFile(dir.file("dmg.fpt"));
    m[6] = m[7] = 0;
    vt::writeFile(dir.file("dmg.fpt"), m);
    EXPECT_EQ(d4open(&cb, dir.file("dmg").c_str()), nullptr);
    EXPECT_EQ(cb.errorCode, -1110);
    cb.errorCode = 0;
}

TEST_F(MemoTest, TemporaryMemoFileInTheTablesFolder) {
    DATA4 *d = make("host", 25);
    MEMO4FILE m;
    ASSERT_EQ(memo4fileCreate(&m, &cb, d->dataFile, nullptr), 0);
    std::string name = m.file.name;
    EXPECT_EQ(std::filesystem::path(name).parent_path(), std::filesystem::path(dir.path()));
    std::string base = std::filesystem::path(name).filename().string();
    EXPECT_EQ(base.size(), 12u);
    EXPECT_EQ(base.substr(0, 4), "TEMP");
    EXPECT_EQ(base.substr(8), ".tmp");
    EXPECT_EQ(vt::readFile(name).size(), 512u);
    memo4fileClose(&m);
    d4close(d);
}

}  // namespace
