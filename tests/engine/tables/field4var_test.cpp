// Version-0x32 tables: varchar (V) and varbinary (Q) values of varying
// length, blobs (W), as the newer writers store them. The bit layout of
// _NullFlags is pinned against the writer's own file (TEST.DBF: plain and
// nullable V and Q), and tables d4create32 makes are checked byte for byte.
#include <filesystem>

#include "tables_test_util.h"

namespace fs = std::filesystem;

namespace {

using tt::fld;

std::string hexOf(const std::string &s) {
    static const char *digits = "0123456789abcdef";
    std::string out;
    for (unsigned char ch : s) out += digits[ch >> 4], out += digits[ch & 15];
    return out;
}

// The value a field holds, by its bytes and varying length.
std::string value(FIELD4 *f) { return std::string(f4ptr(f), f4varLen(f)); }

class VarFields : public vt::EngineTest {
protected:
    std::string copyFolderOf(const std::string &relative) {
        fs::path from = vt::fixturePath(relative);
        for (const auto &e : fs::directory_iterator(from.parent_path()))
            if (e.is_regular_file()) fs::copy_file(e.path(), dir.file(e.path().filename().string()));
        return dir.file(from.filename().string());
    }
    DATA4 *openFixture(const std::string &relative) {
        cb.autoOpen = 0;
        return d4open(&cb, copyFolderOf(relative).c_str());
    }
    unsigned char nullFlags(DATA4 *d) { return d4record(d)[d->nullFlags->offset]; }
};

// TEST.DBF: VARBIN_NIL Q(10) nullable, VAR_NIL V(254) nullable, VAR V(10).
// Each varying field owns a length bit, a nullable one its null bit right
// after: VARBIN_NIL bits 0 (length) and 1 (null), VAR_NIL 2 and 3, VAR 4.
// The writer's records (_NullFlags 0x14, 0x11, 0x15) read as it wrote them
// only with this order: were the null bit first, record 1's VAR_NIL (bit 2)
// and record 2's VARBIN_NIL (bit 0) would be null although they hold text.
TEST_F(VarFields, TheWritersBitOrderAndLengthByte) {
    DATA4 *d = openFixture("real/vfp9-godbase/table/TEST.DBF");
    ASSERT_NE(d, nullptr) << cb.errorCode;
    EXPECT_EQ(d->dataFile->version, 0x32);
    EXPECT_EQ(d4tableLevel(d), 30);
    FIELD4 *bin = d4field(d, "VARBIN_NIL"), *varNil = d4field(d, "VAR_NIL"), *var = d4field(d, "VAR");
    ASSERT_TRUE(bin && varNil && var);
    struct Bits {
        FIELD4 *f;
        int varByte;
        unsigned char varMask, nullMask;
    } bits[] = {{bin, 0, 0x01, 0x02}, {varNil, 0, 0x04, 0x08}, {var, 0, 0x10, 0}};
    for (const Bits &b : bits) {
        EXPECT_EQ(b.f->varLength, 1) << f4name(b.f);
        EXPECT_EQ(b.f->varByte, b.varByte) << f4name(b.f);
        EXPECT_EQ(b.f->varMask, b.varMask) << f4name(b.f);
        EXPECT_EQ(b.f->nullable ? b.f->nullMask : 0, b.nullMask) << f4name(b.f);
    }

    struct Row {
        unsigned char flags;
        std::string binHex, varNilText, varText;
        unsigned varNilLen;
    } rows[] = {
        {0x14, "112233445566778899aa", "Test value with variable length", "", 31},
        {0x11, "aabbcc", "Lorem ipsum dolor sit amet", "", 254},
        {0x15, "", "", "Test", 0},
    };
    for (long r = 1; r <= 3; r++) {
        SCOPED_TRACE(r);
        ASSERT_EQ(d4go(d, r), 0);
        const Row &want = rows[r - 1];
        EXPECT_EQ(nullFlags(d), want.flags);
        EXPECT_EQ(hexOf(value(bin)), want.binHex);
        EXPECT_EQ(f4varLen(varNil), want.varNilLen);
        EXPECT_EQ(value(varNil).substr(0, want.varNilText.size()), want.varNilText);
        EXPECT_EQ(value(var), want.varText);
        for (FIELD4 *f : {bin, varNil, var}) EXPECT_EQ(f4null(f), 0) << f4name(f);
    }
    // f4str pads the value with blanks where the length byte was.
    EXPECT_EQ(std::string(f4str(var)), "Test      ");
    char buf[8];
    EXPECT_EQ(f4ncpy(var, buf, sizeof buf), 7u);
    EXPECT_EQ(std::string(buf), "Test   ");
    // The blob is a binary memo; the writer left it empty.
    FIELD4 *blob = d4field(d, "BLOB");
    ASSERT_NE(blob->memo, nullptr);
    EXPECT_EQ(f4memoLen(blob), 0u);
    EXPECT_EQ(f4type(blob), 'W');
    EXPECT_EQ(cb.errorCode, 0);
    d4close(d);
}

TEST_F(VarFields, ALongVarcharWithTheBinaryFlag) {
    DATA4 *d = openFixture("real/ruby-dbf/dbase_32.dbf");
    ASSERT_NE(d, nullptr) << cb.errorCode;
    FIELD4 *name = d4field(d, "NAME");
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(name->binary, 1);
    EXPECT_EQ(nullFlags(d), 0x01);
    EXPECT_EQ(value(name), "Bad Meets Evil");
    d4close(d);
}

// Varchar and varbinary in expressions: the value padded with blanks, as the
// writers key it; a varbinary has no expression form, a blob is a memo.
TEST_F(VarFields, VarcharKeysAreTheValuePaddedWithBlanks) {
    DATA4 *d = openFixture("real/vfp9-godbase/table/TEST.DBF");
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d4go(d, 3), 0);
    EXPR4 *e = expr4parse(d, "UPPER(VAR)+\"|\"");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4type(e), 'C');
    EXPECT_EQ(std::string(expr4str(e)), "TEST      |");
    expr4free(e);
    e = expr4parse(d, "VAR");
    ASSERT_NE(e, nullptr);
    char *key = nullptr;
    ASSERT_EQ(expr4key(e, &key, nullptr), 10);
    EXPECT_EQ(std::string(key, 10), "Test      ");
    ASSERT_EQ(d4go(d, 1), 0);  // an empty value: all blanks
    ASSERT_EQ(expr4key(e, &key, nullptr), 10);
    EXPECT_EQ(std::string(key, 10), std::string(10, ' '));
    expr4free(e);
    e = expr4parse(d, "VAR = 'Test'");
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(d4go(d, 3), 0);
    EXPECT_EQ(expr4true(e), 1);
    ASSERT_EQ(d4go(d, 2), 0);
    EXPECT_EQ(expr4true(e), 0);
    expr4free(e);
    cb.errorCode = 0;
    cb.offError = 1;
    EXPECT_EQ(expr4parse(d, "VARBIN_NIL"), nullptr);
    cb.errorCode = 0;
    e = expr4parse(d, "BLOB");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4type(e), 'C');
    expr4free(e);
    d4close(d);
}

// NAME V(5), NOTE V(6) null, RAW Q(4) null, PIC W, CODE C(2) null:
// _NullFlags bits NAME 0; NOTE 1 (length), 2 (null); RAW 3, 4; CODE 5.
class CreatedVarTable : public VarFields {
protected:
    void SetUp() override {
        VarFields::SetUp();
        FIELD4INFO fields[] = {fld("NAME", 'V', 5),         fld("NOTE", 'V', 6, 0, r4null), fld("RAW", 'Q', 4, 0, r4null),
                               fld("PIC", 'W'),              fld("CODE", 'C', 2, 0, r4null), tt::END};
        path = dir.file("v.dbf");
        d = d4create32(&cb, path.c_str(), fields);
        ASSERT_NE(d, nullptr) << cb.errorCode;
        name = d4field(d, "NAME"), note = d4field(d, "NOTE"), raw = d4field(d, "RAW");
        pic = d4field(d, "PIC"), code = d4field(d, "CODE");
    }
    void TearDown() override {
        if (d) d4close(d);
        VarFields::TearDown();
    }
    std::string path;
    DATA4 *d = nullptr;
    FIELD4 *name, *note, *raw, *pic, *code;
};

TEST_F(CreatedVarTable, HeaderAndDescriptorsAsTheWritersMakeThem) {
    auto b = vt::readFile(path);
    EXPECT_EQ(b[0], 0x32);
    EXPECT_EQ(b[28], 0x02);  // memo file: the blob
    // 5 + 1 fields (with _NullFlags): 6 * 32 + 297.
    EXPECT_EQ(tt::u16(b, 8), 6 * 32 + 297);
    EXPECT_EQ(tt::u16(b, 10), 1 + 5 + 6 + 4 + 4 + 2 + 1);
    struct Desc {
        const char *name;
        char type;
        unsigned char len, flags;
    } want[] = {{"NAME", 'V', 5, 0x00}, {"NOTE", 'V', 6, 0x02}, {"RAW", 'Q', 4, 0x06},
                {"PIC", 'W', 4, 0x04},  {"CODE", 'C', 2, 0x02}, {"_NullFlags", '0', 1, 0x05}};
    for (size_t i = 0; i < 6; i++) {
        size_t at = 32 + 32 * i;
        EXPECT_EQ(tt::text(b, at, std::strlen(want[i].name)), want[i].name);
        EXPECT_EQ(b[at + 11], want[i].type) << want[i].name;
        EXPECT_EQ(b[at + 16], want[i].len) << want[i].name;
        EXPECT_EQ(b[at + 18], want[i].flags) << want[i].name;
    }
    EXPECT_TRUE(fs::exists(dir.file("v.fpt")));
}

TEST_F(CreatedVarTable, ShortFullEmptyAndNullValuesByteForByte) {
    // A blank record holds empty values: every length bit set, length 0.
    ASSERT_EQ(d4appendBlank(d), 0);
    EXPECT_EQ(nullFlags(d), 0x01 | 0x02 | 0x08);
    EXPECT_EQ(tt::raw(name), std::string("    \0", 5));
    EXPECT_EQ(value(name), "");

    ASSERT_EQ(f4assign(name, "ab"), 0);            // short: bit 0, length 2
    ASSERT_EQ(f4assignN(note, "abcdef", 6), 0);    // full: bit 1 clear
    ASSERT_EQ(f4assignN(raw, "\x01\x00\x02", 3), 0);  // short binary, a NUL inside
    ASSERT_EQ(f4assign(code, "x"), 0);
    EXPECT_EQ(tt::raw(name), std::string("ab  \x02", 5));
    EXPECT_EQ(tt::raw(note), "abcdef");
    EXPECT_EQ(tt::raw(raw), std::string("\x01\x00\x02\x03", 4));
    EXPECT_EQ(nullFlags(d), 0x01 | 0x08);
    ASSERT_EQ(d4write(d, 1), 0);

    // Trailing blanks belong to a varchar's value.
    ASSERT_EQ(d4appendBlank(d), 0);
    ASSERT_EQ(f4assign(name, "a  "), 0);
    ASSERT_EQ(f4assignN(raw, "wxyz", 4), 0);
    ASSERT_EQ(f4assignNull(note), 0);  // null: bit 2, the length bit stays
    ASSERT_EQ(f4assignNull(code), 0);
    EXPECT_EQ(nullFlags(d), 0x01 | 0x02 | 0x04 | 0x20);
    EXPECT_EQ(tt::raw(name), std::string("a   \x03", 5));
    ASSERT_EQ(f4memoAssignN(pic, "\x89PNG\0\x01", 6), 0);
    ASSERT_EQ(d4write(d, 2), 0);

    // A value longer than the field keeps what fits; f4blank empties.
    ASSERT_EQ(d4appendBlank(d), 0);
    ASSERT_EQ(f4assign(name, "abcdefgh"), 0);
    EXPECT_EQ(tt::raw(name), "abcde");
    EXPECT_EQ(nullFlags(d) & 0x01, 0);
    ASSERT_EQ(f4blank(name), 0);
    EXPECT_EQ(value(name), "");
    EXPECT_EQ(nullFlags(d) & 0x01, 0x01);
    ASSERT_EQ(d4close(d), 0);
    d = nullptr;

    // Read back from the file.
    d = d4open(&cb, path.c_str());
    ASSERT_NE(d, nullptr);
    name = d4field(d, "NAME"), note = d4field(d, "NOTE"), raw = d4field(d, "RAW");
    pic = d4field(d, "PIC"), code = d4field(d, "CODE");
    ASSERT_EQ(d4go(d, 1), 0);
    EXPECT_EQ(value(name), "ab");
    EXPECT_EQ(value(note), "abcdef");
    EXPECT_EQ(value(raw), std::string("\x01\x00\x02", 3));
    EXPECT_EQ(f4memoLen(pic), 0u);
    ASSERT_EQ(d4go(d, 2), 0);
    EXPECT_EQ(value(name), "a  ");
    EXPECT_EQ(f4null(note), 1);
    EXPECT_EQ(f4null(code), 1);
    EXPECT_EQ(value(raw), "wxyz");
    EXPECT_EQ(std::string(f4memoPtr(pic), f4memoLen(pic)), std::string("\x89PNG\0\x01", 6));
    // Assigning a null field makes it not null again.
    ASSERT_EQ(f4assign(note, "n"), 0);
    EXPECT_EQ(f4null(note), 0);
    EXPECT_EQ(value(note), "n");
    ASSERT_EQ(d4go(d, 3), 0);
    EXPECT_EQ(value(name), "");
}

TEST_F(CreatedVarTable, LengthsAndAutoincrementTheKindsAllow) {
    d4close(d);
    d = nullptr;
    cb.offError = 1;
    for (unsigned len : {0u, 255u}) {
        FIELD4INFO bad[] = {fld("V", 'V', len), tt::END};
        cb.errorCode = 0;
        EXPECT_EQ(d4create32(&cb, dir.file("bad" + std::to_string(len) + ".dbf").c_str(), bad), nullptr);
        EXPECT_EQ(cb.errorCode, -200);
    }
    FIELD4INFO onDouble[] = {fld("N", 'B', 0, 0, r4autoIncrement), tt::END};
    cb.errorCode = 0;
    EXPECT_EQ(d4create32(&cb, dir.file("b.dbf").c_str(), onDouble), nullptr);
    EXPECT_EQ(cb.errorLocation, E4_MSG_AUTOINC_TYPE_INTEGER);
    cb.errorCode = 0;
    // At level 25 the same letters keep their fixed-width meaning.
    FIELD4INFO old[] = {fld("V", 'V'), fld("Q", 'Q'), tt::END};
    DATA4 *fixed = d4create(&cb, dir.file("old.dbf").c_str(), old);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(d4recWidth(fixed), 1u + 16 + 2);
    EXPECT_EQ(d4field(fixed, "V")->varLength, 0);
    d4close(fixed);
}

}  // namespace
