// Creating tables: the bytes of the header, descriptors and trailer at each
// level, and the refusals of bad field lists.
#include <ctime>

#include "tables_test_util.h"

namespace {

using tt::fld;
using vt::EngineTest;

TEST_F(EngineTest, Level25TableLayout) {
    FIELD4INFO fields[] = {fld("name", 'C', 10), fld("AMOUNT", 'N', 8, 2), fld("born", 'D'), tt::END};
    DATA4 *d = d4create(&cb, dir.file("people").c_str(), fields);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4numFields(d), 3);
    EXPECT_EQ(d4recCount(d), 0);
    EXPECT_EQ(d4tableLevel(d), 25);
    EXPECT_EQ(d4close(d), 0);

    auto b = vt::readFile(dir.file("people.dbf"));
    ASSERT_EQ(b.size(), 130u);
    EXPECT_EQ(b[0], 0x03);
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    EXPECT_EQ(b[1], t.tm_year % 100);
    EXPECT_EQ(b[2], t.tm_mon + 1);
    EXPECT_EQ(b[3], t.tm_mday);
    EXPECT_EQ(tt::i32(b, 4), 0);
    EXPECT_EQ(tt::u16(b, 8), 130);
    EXPECT_EQ(tt::u16(b, 10), 1 + 10 + 8 + 8);
    for (int i = 12; i < 32; i++) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(tt::text(b, 32, 11), std::string("NAME\0\0\0\0\0\0\0", 11));
    EXPECT_EQ(b[32 + 11], 'C');
    EXPECT_EQ(tt::i32(b, 32 + 12), 1);
    EXPECT_EQ(b[32 + 16], 10);
    EXPECT_EQ(b[64 + 11], 'N');
    EXPECT_EQ(tt::i32(b, 64 + 12), 11);
    EXPECT_EQ(b[64 + 16], 8);
    EXPECT_EQ(b[64 + 17], 2);
    EXPECT_EQ(b[96 + 11], 'D');
    EXPECT_EQ(b[96 + 16], 8);
    EXPECT_EQ(b[128], 0x0D);
    EXPECT_EQ(b[129], 0x1A);
    EXPECT_FALSE(vt::readFile(dir.file("people.fpt")).size());
}

TEST_F(EngineTest, Level30TableWithNullableField) {
    cb.compatibility = 30;
    cb.codePage = 0x03;
    FIELD4INFO fields[] = {fld("ID", 'I'), fld("NOTE", 'C', 300, 0, r4null), fld("MEMO", 'M'), tt::END};
    DATA4 *d = d4create(&cb, dir.file("t30.dbf").c_str(), fields);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d4numFields(d), 3);
    EXPECT_EQ(d4codePage(d), 0x03);
    EXPECT_EQ(d4close(d), 0);

    auto b = vt::readFile(dir.file("t30.dbf"));
    // 3 descriptors and _NullFlags: 4 * 32 + 297, and the file is exactly
    // that long although it has no records (it reopens, see above).
    ASSERT_EQ(tt::u16(b, 8), 425);
    EXPECT_EQ(b.size(), 425u);
    EXPECT_EQ(b[0], 0x30);
    EXPECT_EQ(b[28], 0x02);  // memo file
    EXPECT_EQ(b[29], 0x03);
    EXPECT_EQ(tt::u16(b, 10), 1 + 4 + 300 + 4 + 1);
    EXPECT_EQ(b[32 + 18], 0x04);                 // I: binary
    EXPECT_EQ(b[64 + 16], 300 & 0xFF);           // C length low byte
    EXPECT_EQ(b[64 + 17], 300 >> 8);             // and high byte
    EXPECT_EQ(b[64 + 18], 0x02);                 // nullable
    EXPECT_EQ(b[96 + 11], 'M');
    EXPECT_EQ(b[96 + 16], 4);
    EXPECT_EQ(b[96 + 18], 0x00);
    EXPECT_EQ(tt::text(b, 128, 11), std::string("_NullFlags\0", 11));
    EXPECT_EQ(b[128 + 11], '0');
    EXPECT_EQ(b[128 + 16], 1);
    EXPECT_EQ(b[128 + 18], 0x05);
    EXPECT_EQ(tt::i32(b, 128 + 12), 1 + 4 + 300 + 4);
    EXPECT_EQ(b[160], 0x0D);
    for (size_t i = 161; i < b.size(); i++) ASSERT_EQ(b[i], 0) << i;

    auto m = vt::readFile(dir.file("t30.fpt"));
    ASSERT_EQ(m.size(), 512u);
    EXPECT_EQ(tt::u32be(m, 0), 1u);   // 512 / 512
    EXPECT_EQ(m[6] * 256 + m[7], 512);
}

TEST_F(EngineTest, Level30ThreeFieldsHeaderLength) {
    cb.compatibility = 30;
    FIELD4INFO fields[] = {fld("A", 'C', 5), fld("B", 'L'), fld("C", 'D'), tt::END};
    DATA4 *d = d4create(&cb, dir.file("h.dbf").c_str(), fields);
    ASSERT_NE(d, nullptr);
    d4close(d);
    auto b = vt::readFile(dir.file("h.dbf"));
    EXPECT_EQ(tt::u16(b, 8), 393);
    EXPECT_EQ(b.size(), 393u);
    // It opens again, and with a record it keeps its shape.
    d = d4open(&cb, dir.file("h.dbf").c_str());
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4appendBlank(d), 0);
    d4close(d);
    EXPECT_EQ(vt::readFile(dir.file("h.dbf")).size(), 393u + 15);
}

TEST_F(EngineTest, BinaryRequestsAndAutoIncrement) {
    cb.compatibility = 30;
    cb.autoIncrementStart = 100.0;
    FIELD4INFO fields[] = {fld("K", 'B', 0, 0, r4autoIncrement), fld("Z", 'Z', 6), fld("X", 'X'),
                           fld("Y", 'Y'), fld("T", 'T'), fld("O", 'O', 5), tt::END};
    DATA4 *d = d4create(&cb, dir.file("bin.dbf").c_str(), fields);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(f4type(d4field(d, "Z")), 'Z');
    EXPECT_EQ(f4type(d4field(d, "X")), 'X');
    EXPECT_EQ(f4decimals(d4field(d, "Y")), 4);
    EXPECT_EQ(f4len(d4field(d, "O")), 8u);
    d4close(d);
    auto b = vt::readFile(dir.file("bin.dbf"));
    EXPECT_EQ(b[0], 0x31);
    EXPECT_EQ(b[12], 1);
    for (int i = 13; i < 20; i++) EXPECT_EQ(b[i], 0);
    double start;
    std::memcpy(&start, &b[20], 8);
    EXPECT_EQ(start, 100.0);
    EXPECT_EQ(b[32 + 11], 'B');
    EXPECT_EQ(b[32 + 18], 0x0C);
    EXPECT_EQ(b[64 + 11], 'C');
    EXPECT_EQ(b[64 + 18], 0x04);
    EXPECT_EQ(b[96 + 11], 'M');
    EXPECT_EQ(b[96 + 16], 4);
    EXPECT_EQ(b[96 + 18], 0x04);
}

TEST_F(EngineTest, CreateRefusals) {
    cb.offError = 1;
    struct Case {
        int level;
        FIELD4INFO field;
        int code;
        long location;
    } cases[] = {
        {25, fld("B", 'B'), -200, E4_MSG_ILLEGAL_FIELD_DATA},
        {26, fld("T", 'T'), -200, E4_MSG_ILLEGAL_FIELD_DATA},
        {25, fld("I", 'I'), -200, E4_MSG_ILLEGAL_FIELD_DATA},
        {30, fld("S", 'S', 4), -220, E4_MSG_ILLEGAL_FIELD_DATA},
        {30, fld("N", 'N', 300), -200, E4_MSG_ILLEGAL_FIELD_DATA},
        {30, fld("C", 'C', 65535), -230, E4_LOC_D4CREATE},
        {30, fld("A", 'N', 5, 0, r4autoIncrement), -200, E4_MSG_AUTOINC_TYPE},
    };
    for (const Case &k : cases) {
        cb.compatibility = (int16_t)k.level;
        cb.errorCode = 0;
        FIELD4INFO fields[] = {k.field, tt::END};
        std::string name = dir.file(std::string("bad") + (char)k.field.type + ".dbf");
        EXPECT_EQ(d4create(&cb, name.c_str(), fields), nullptr) << (char)k.field.type;
        EXPECT_EQ(cb.errorCode, k.code) << (char)k.field.type;
        EXPECT_EQ(cb.errorLocation, k.location) << (char)k.field.type;
        EXPECT_FALSE(::file4exists(name.c_str()));
    }
    cb.errorCode = 0;
    // The unknown type's code is given in decimal.
    cb.compatibility = 25;
    FIELD4INFO s[] = {fld("S", 'S', 4), tt::END};
    EXPECT_EQ(d4create(&cb, dir.file("s.dbf").c_str(), s), nullptr);
    EXPECT_STREQ(cb.errorText, "83");
    cb.errorCode = 0;
    cb.compatibility = 30;
    FIELD4INFO two[] = {fld("A", 'B', 0, 0, r4autoIncrement), fld("B", 'B', 0, 0, r4autoIncrement), tt::END};
    EXPECT_EQ(d4create(&cb, dir.file("two.dbf").c_str(), two), nullptr);
    EXPECT_EQ(cb.errorLocation, E4_MSG_AUTOINC_TWICE);
    cb.errorCode = 0;
    // Header length: 32 n + 297 must stay below 65535.
    std::vector<std::string> names;
    for (int i = 0; i < 2040; i++) names.push_back("F" + std::to_string(i));
    std::vector<FIELD4INFO> many;
    for (const std::string &n : names) many.push_back(fld(n.c_str(), 'L'));
    many.push_back(tt::END);
    EXPECT_EQ(d4create(&cb, dir.file("many.dbf").c_str(), many.data()), nullptr);
    EXPECT_EQ(cb.errorCode, -230);
}

// Names other programs cannot read back, and names used twice (as written:
// upper-case, cut to 10 characters), make no table.
TEST_F(EngineTest, CreateRefusesBadAndDuplicateFieldNames) {
    struct Case {
        std::vector<const char *> names;
        long location;
    } cases[] = {
        {{"A", "a"}, E4_MSG_FIELD_NAME_TWICE},
        {{"LONGNAME01", "LONGNAME012"}, E4_MSG_FIELD_NAME_TWICE},
        {{"A-B"}, E4_MSG_FIELD_NAME_FORM},
        {{"A.B"}, E4_MSG_FIELD_NAME_FORM},
        {{"A=B"}, E4_MSG_FIELD_NAME_FORM},
        {{"1ST"}, E4_MSG_FIELD_NAME_FORM},
        {{"_X"}, E4_MSG_FIELD_NAME_FORM},
        {{" "}, E4_MSG_FIELD_NAME_FORM},
        {{"M\xC3\xBCNZE"}, E4_MSG_FIELD_NAME_FORM},
    };
    int i = 0;
    for (const Case &k : cases) {
        std::vector<FIELD4INFO> fields;
        for (const char *n : k.names) fields.push_back(fld(n, 'C', 5));
        fields.push_back(tt::END);
        std::string name = dir.file("bad" + std::to_string(i++) + ".dbf");
        cb.errorCode = 0;
        EXPECT_EQ(d4create(&cb, name.c_str(), fields.data()), nullptr) << k.names.back();
        EXPECT_EQ(cb.errorCode, e4fieldName) << k.names.back();
        EXPECT_EQ(cb.errorLocation, k.location) << k.names.back();
        EXPECT_FALSE(::file4exists(name.c_str()));
    }
    cb.errorCode = 0;
    FIELD4INFO good[] = {fld("a_1", 'C', 5), fld("B2", 'N', 3), fld("name ", 'D'), tt::END};
    DATA4 *d = d4create(&cb, dir.file("good.dbf").c_str(), good);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(f4name(d4fieldJ(d, 1)), "A_1");
    EXPECT_STREQ(f4name(d4fieldJ(d, 3)), "NAME");
    d4close(d);
}

TEST_F(EngineTest, CreateDoesNotReplaceAnExistingTable) {
    FIELD4INFO fields[] = {fld("A", 'C', 5), tt::END};
    vt::writeFile(dir.file("old.dbf"), std::string("keep me"));
    EXPECT_EQ(d4create(&cb, dir.file("old.dbf").c_str(), fields), nullptr);
    EXPECT_EQ(cb.errorCode, -20);
    EXPECT_EQ(vt::readFile(dir.file("old.dbf")).size(), 7u);
}

TEST_F(EngineTest, MemoFileBesideLevel25Table) {
    FIELD4INFO fields[] = {fld("NOTES", 'M'), fld("G", 'G'), tt::END};
    cb.memSizeMemo = 64;
    DATA4 *d = d4create(&cb, dir.file("memo").c_str(), fields);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(f4len(d4field(d, "NOTES")), 10u);
    d4close(d);
    auto b = vt::readFile(dir.file("memo.dbf"));
    EXPECT_EQ(b[0], 0xF5);
    auto m = vt::readFile(dir.file("memo.fpt"));
    ASSERT_EQ(m.size(), 512u);
    EXPECT_EQ(tt::u32be(m, 0), 8u);  // 512 / 64
    EXPECT_EQ(m[6] * 256 + m[7], 64);
}

}  // namespace
