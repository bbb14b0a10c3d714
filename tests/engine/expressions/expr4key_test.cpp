// Keys of expressions on real records: the encodings by result type, the
// blank-padded keys of trimmed text, the null-marker byte, and the ASCEND()
// and DESCEND() forms used inside sort expressions.
#include "expr4_test_util.h"

namespace {

using et::ExprTest;

int keyLen(ExprTest &t, const std::string &text, DATA4 *table = nullptr) {
    (void)t;
    EXPR4 *e = expr4parse(table, text.c_str());
    if (!e) return -999;
    int n = expr4keyLen(e);
    expr4free(e);
    return n;
}

TEST_F(ExprTest, NumericKeys) {
    append({{"AMOUNT", "0"}});
    EXPECT_EQ(key("AMOUNT"), "80 00 00 00 00 00 00 00");
    EXPECT_EQ(key("AMOUNT + 1"), "BF F0 00 00 00 00 00 00");
    EXPECT_EQ(key("AMOUNT - 1"), "40 0F FF FF FF FF FF FF");
    EXPECT_EQ(key("-3"), "3F F7 FF FF FF FF FF FF");
    append({{"AMOUNT", "123.45"}});
    EXPECT_EQ(key("AMOUNT"), "C0 5E DC CC CC CC CC CD");
    EXPECT_EQ(key("VAL(STR(AMOUNT, 6, 2))"), "C0 5E DC CC CC CC CC CD");
    // Keys sort as their values: -1 < 0 < 1.
    EXPECT_LT(key("-1"), key("0"));
    EXPECT_LT(key("0"), key("1"));
    EXPECT_LT(key("-2"), key("-1"));
    EXPECT_EQ(keyLen(*this, "AMOUNT", d), 8);
    EXPECT_EQ(keyLen(*this, "AMOUNT * 2", d), 8);
}

TEST_F(ExprTest, DateAndLogicalKeys) {
    append({{"BORN", "20000101"}, {"FLAG", "T"}});
    EXPECT_EQ(key("BORN"), "C1 42 B4 2C 80 00 00 00");
    EXPECT_EQ(key("BORN + 1"), "C1 42 B4 2D 00 00 00 00");
    EXPECT_EQ(key("PAID"), "80 00 00 00 00 00 00 00");  // blank: day 0
    EXPECT_EQ(key("PAID + 3"), "80 00 00 00 00 00 00 00");
    EXPECT_LT(key("PAID"), key("BORN"));
    EXPECT_EQ(key("FLAG"), "54");
    EXPECT_EQ(key("DONE"), "46");
    EXPECT_EQ(key("FLAG .AND. DONE"), "46");
    EXPECT_EQ(keyLen(*this, "FLAG", d), 1);
    EXPECT_EQ(keyLen(*this, "BORN", d), 8);
    EXPECT_EQ(keyLen(*this, "DTOS(BORN)", d), 8);
}

TEST_F(ExprTest, TextKeys) {
    append({{"NAME", "Smith"}, {"CODE", "AB"}});
    EXPECT_EQ(key("NAME"), "53 6D 69 74 68 20 20 20 20 20");
    // Trimmed text gives a blank-padded key of the full length.
    EXPECT_EQ(key("TRIM(NAME)"), "53 6D 69 74 68 20 20 20 20 20");
    EXPECT_EQ(key("TRIM(CODE) + 'C'"), "41 42 43 20 20");
    EXPECT_EQ(keyLen(*this, "TRIM(NAME)", d), 10);
    EXPECT_EQ(key("DTOS(BORN) + UPPER(CODE)"), "20 20 20 20 20 20 20 20 41 42 20 20");
    char *k = nullptr;
    EXPR4 *e = parse("CODE");
    ASSERT_EQ(expr4key(e, &k, nullptr), 4);
    EXPECT_EQ(std::string(k), "AB  ");  // NUL-terminated
    expr4free(e);
}

TEST_F(ExprTest, AscendAndDescendForms) {
    append({{"NAME", "Smith"}, {"COUNT", "-12"}, {"AMOUNT", "1"}, {"BORN", "20000101"}, {"FLAG", "T"}});
    EXPECT_EQ(value("COUNT"), " -12");
    EXPECT_EQ(key("ASCEND(COUNT)"), "2C 2C 2B 2A");
    EXPECT_EQ(key("DESCEND(FLAG)"), "CE");
    EXPECT_EQ(key("ASCEND(FLAG)"), "31");
    EXPECT_EQ(key("ASCEND(DONE)"), "30");
    EXPECT_EQ(key("ASCEND(BORN)"), "32 30 30 30 30 31 30 31");
    // A date field given to DESCEND() is keyed through the day number's text.
    EXPECT_EQ(key("DESCEND(BORN)"), "CD CF CF CF CF CE CF CE");
    EXPECT_EQ(key("ASCEND(BORN + 1)"), "32 30 30 30 30 31 30 32");
    EXPECT_EQ(key("ASCEND(PAID + 1)"), "20 20 20 20 20 20 20 20");
    EXPECT_EQ(key("ASCEND(AMOUNT * 1)"), "BF F0 00 00 00 00 00 00");
    EXPECT_EQ(key("DESCEND(AMOUNT * 1)"), "40 0F FF FF FF FF FF FF");
    EXPECT_EQ(key("DESCEND(CODE)"), "DF DF DF DF");
    EXPECT_EQ(key("ASCEND(NAME)"), "53 6D 69 74 68 20 20 20 20 20");
    EXPECT_EQ(key("DESCEND(UPPER(NAME))"), "AC B2 B6 AB B7 DF DF DF DF DF");
    // The record keeps its bytes.
    EXPECT_EQ(value("NAME"), "Smith     ");
    // Sort keys of mixed kinds concatenate.
    EXPECT_EQ(key("ASCEND(FLAG) + DESCEND(COUNT) + ASCEND(AMOUNT)"), "31 D3 D3 D4 D5 30 30 30 30 30 30 30 30 30 31");
    // Negative numbers sort below positive ones, larger magnitudes lower.
    append({{"COUNT", "-2"}});
    std::string minus2 = key("ASCEND(COUNT)");
    append({{"COUNT", "3"}});
    std::string plus3 = key("ASCEND(COUNT)");
    append({{"COUNT", "-12"}});
    std::string minus12 = key("ASCEND(COUNT)");
    EXPECT_LT(minus12, minus2);
    EXPECT_LT(minus2, plus3);
}

// A blank number sorts as zero, where the filters and the field reads put
// it: not between 0.99 and 1 (where its all-zero text would fall), and the
// same for every width and number of decimals.
TEST_F(ExprTest, BlankNumbersSortAsZeroInAscendAndDescend) {
    auto keysOf = [&](const char *field, const std::vector<const char *> &values) {
        std::vector<std::pair<std::string, std::string>> keys;  // ASCEND, DESCEND
        for (const char *v : values) {
            append({});
            if (*v) {
                EXPECT_EQ(f4assignDouble(d4field(d, field), std::atof(v)), 0);
            }
            keys.push_back({key(std::string("ASCEND(") + field + ")"), key(std::string("DESCEND(") + field + ")")});
        }
        return keys;
    };
    // AMOUNT is N(10,2), COUNT N(4,0): "" is the blank record.
    auto amount = keysOf("AMOUNT", {"-0.01", "", "0", "0.99", "1"});
    EXPECT_EQ(amount[1], amount[2]) << "blank and 0.00 share their keys";
    EXPECT_EQ(amount[1].first, "30 30 30 30 30 30 30 2E 30 30");
    EXPECT_LT(amount[0].first, amount[1].first);
    EXPECT_LT(amount[2].first, amount[3].first);
    EXPECT_LT(amount[3].first, amount[4].first);
    EXPECT_GT(amount[0].second, amount[1].second);
    EXPECT_GT(amount[2].second, amount[3].second);
    auto count = keysOf("COUNT", {"-1", "", "0", "1"});
    EXPECT_EQ(count[1], count[2]);
    EXPECT_LT(count[0].first, count[1].first);
    EXPECT_LT(count[2].first, count[3].first);
    // Inside a composed sort key the blank still ties with zero.
    append({{"NAME", "Ann"}});
    std::string blank = key("ASCEND(NAME) + DESCEND(AMOUNT)");
    EXPECT_EQ(f4assignDouble(d4field(d, "AMOUNT"), 0.0), 0);
    EXPECT_EQ(key("ASCEND(NAME) + DESCEND(AMOUNT)"), blank);
}

TEST_F(ExprTest, BinaryKindsAndNullMarker) {
    DATA4 *t = createLevel30("kinds");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(d4appendStart(t, 0), 0);
    ASSERT_EQ(d4blank(t), 0);
    ASSERT_EQ(f4assignLong(d4field(t, "ID"), -5), 0);
    ASSERT_EQ(f4assignCurrency(d4field(t, "PRICE"), "1.5"), 0);
    ASSERT_EQ(f4assignDateTime(d4field(t, "STAMP"), "2003051312:34:57"), 0);
    ASSERT_EQ(f4assignDouble(d4field(t, "RATIO"), 2.5), 0);
    ASSERT_EQ(f4assign(d4field(t, "LABEL"), "abc"), 0);
    ASSERT_EQ(d4append(t), 0);

    EXPECT_EQ(key("ID", t), "7F FF FF FB");
    EXPECT_EQ(key("PRICE", t), "80 00 00 00 00 00 3A 98");
    EXPECT_EQ(key("STAMP", t), "C1 42 B6 92 C3 1B 4E 82");
    EXPECT_EQ(key("RATIO", t), "C0 04 00 00 00 00 00 00");
    EXPECT_EQ(key("ASCEND(ID)", t), "7F FF FF FB");
    EXPECT_EQ(key("DESCEND(PRICE)", t), "7F FF FF FF FF FF C5 67");
    EXPECT_EQ(key("ASCEND(STAMP)", t), "C1 42 B6 92 C3 1B 4E 82");
    // Integer and currency fields convert where numbers are wanted.
    EXPECT_EQ(key("ID * 2", t), key("-10", t));
    EXPECT_EQ(key("PRICE + 1", t), key("2.5", t));
    EXPECT_EQ(key("RATIO", t), key("2.5", t));
    EXPECT_EQ(keyLen(*this, "ID", t), 4);
    EXPECT_EQ(keyLen(*this, "PRICE", t), 8);
    EXPECT_EQ(keyLen(*this, "STAMP", t), 8);
    // Comparisons of the binary kinds.
    EXPR4 *e = expr4parse(t, "STAMP = STAMP .AND. PRICE > 1 .AND. PRICE # PRICE + 0.0001 .AND. ID < 0");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4true(e), 1);
    expr4free(e);
    e = expr4parse(t, "DATETIME(2003, 5, 13, 12, 34, 57) = STAMP .AND. DATETIME(2003, 5, 13, 12) < STAMP");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(expr4true(e), 1);
    expr4free(e);

    // A null-capable field puts a marker byte in front of the key ...
    EXPECT_EQ(key("LABEL", t), "80 61 62 63 20 20 20");
    EXPECT_EQ(key("UPPER(LABEL) + 'x'", t), "80 41 42 43 20 20 20 78");
    EXPECT_EQ(keyLen(*this, "LABEL", t), 7);
    EXPECT_EQ(keyLen(*this, "LABEL = 'abc'", t), 2);
    EXPECT_EQ(key("LABEL = 'abc'", t), "80 54");
    EXPECT_EQ(keyLen(*this, "ID", t), 4);
    e = expr4parse(t, "LABEL");
    EXPECT_EQ(expr4nullable(e), 1);
    char *p = nullptr;
    EXPECT_EQ(expr4vary(e, &p), 6);  // the value itself has no marker
    expr4free(e);
    // ... and a null field zeroes the whole key.
    ASSERT_EQ(f4assignNull(d4field(t, "LABEL")), 0);
    EXPECT_EQ(key("LABEL", t), "00 00 00 00 00 00 00");
    EXPECT_EQ(key("LABEL + 'x'", t), "00 00 00 00 00 00 00 00");
    EXPECT_EQ(key("ID", t), "7F FF FF FB");
}

// A tag that keeps no null byte and one with a collation that doubles text.
struct FakeTag {
    int noNullByte;
    int collated;
};

void fakeCollate(const TAG4FILE *, const unsigned char *text, unsigned len, unsigned char *out) {
    for (unsigned i = 0; i < len; i++) {
        out[2 * i] = (unsigned char)(text[i] >= 'a' && text[i] <= 'z' ? text[i] - 32 : text[i]);
        out[2 * i + 1] = text[i];
    }
}

void fakeOptions(const TAG4FILE *tag, EXPR4KEYOPTIONS *o) {
    const FakeTag *t = reinterpret_cast<const FakeTag *>(tag);
    o->noNullByte = t->noNullByte;
    if (t->collated) {
        o->collationExtra = 1;
        o->collate = fakeCollate;
    }
}

TEST_F(ExprTest, TagOptionsAndTagExpressions) {
    DATA4 *t = createLevel30("tagged");
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(d4appendStart(t, 0), 0);
    ASSERT_EQ(d4blank(t), 0);
    ASSERT_EQ(f4assign(d4field(t, "LABEL"), "ab"), 0);
    ASSERT_EQ(d4append(t), 0);

    EXPR4TAGOPTIONS indexLayerHook = expr4tagOptionsHook();
    expr4tagOptionsHookSet(fakeOptions);
    FakeTag plain{1, 0}, collated{0, 1};
    EXPR4 *e = expr4parseTag(t, "LABEL", reinterpret_cast<TAG4FILE *>(&plain));
    ASSERT_NE(e, nullptr);
    char *k = nullptr;
    EXPECT_EQ(expr4keyLen(e), 6);
    ASSERT_EQ(expr4key(e, &k, nullptr), 6);
    EXPECT_EQ(et::hex(k, 6), "61 62 20 20 20 20");
    ASSERT_EQ(expr4key(e, &k, reinterpret_cast<TAG4FILE *>(&collated)), 13);
    EXPECT_EQ(et::hex(k, 13), "80 41 61 42 62 20 20 20 20 20 20 20 20");

    // A tag expression reads the record slot it is given.
    std::vector<unsigned char> other(t->record, t->record + d4recWidth(t) + 1);
    std::memcpy(other.data() + d4field(t, "LABEL")->offset, "zz", 2);
    ASSERT_EQ(expr4recordSet(e, other.data()), 0);
    ASSERT_EQ(expr4key(e, &k, nullptr), 6);
    EXPECT_EQ(et::hex(k, 6), "7A 7A 20 20 20 20");
    ASSERT_EQ(expr4context(e, t), 0);
    ASSERT_EQ(expr4key(e, &k, nullptr), 6);
    EXPECT_EQ(et::hex(k, 6), "61 62 20 20 20 20");
    expr4free(e);

    // Tag expressions refuse other tables.
    EXPECT_EQ(expr4parseTag(t, "people->NAME", reinterpret_cast<TAG4FILE *>(&plain)), nullptr);
    EXPECT_EQ(cb.errorCode, e4tagExpr);
    error4set(&cb, 0);
    expr4tagOptionsHookSet(indexLayerHook);
}

}  // namespace

namespace {

using et::ExprTest;

TEST_F(ExprTest, WideTextFields) {
    cb.compatibility = 30;
    FIELD4INFO fields[] = {et::fld("WIDE", 'W', 8), et::fld("OTHER", 'W', 4), et::END};
    DATA4 *t = d4create(&cb, dir.file("wide").c_str(), fields);
    cb.compatibility = 25;
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(d4appendStart(t, 0), 0);
    ASSERT_EQ(d4blank(t), 0);
    ASSERT_EQ(f4assignN(d4field(t, "WIDE"), "A\0B\0C\0\0\0", 8), 0);
    ASSERT_EQ(f4assignN(d4field(t, "OTHER"), "x\0y\0", 4), 0);
    ASSERT_EQ(d4append(t), 0);

    auto bytes = [&](const char *text) {
        EXPR4 *e = expr4parse(t, text);
        if (!e) return std::string("<parse failed>");
        char *p = nullptr;
        int len = expr4vary(e, &p);
        std::string s = et::hex(p, len) + " " + (char)expr4type(e);
        expr4free(e);
        return s;
    };
    EXPECT_EQ(bytes("WIDE"), "41 00 42 00 43 00 00 00 W");
    EXPECT_EQ(bytes("WIDE + OTHER"), "41 00 42 00 43 00 00 00 78 00 79 00 W");
    // Wide keys hold each 16-bit character most significant byte first.
    EXPECT_EQ(key("WIDE", t), "00 41 00 42 00 43 00 00");
    EXPECT_EQ(bytes("ASCEND(WIDE)"), "00 41 00 42 00 43 00 00 C");
    EXPECT_EQ(bytes("DESCEND(OTHER)"), "FF 87 FF 86 C");
    // STR() of a W field widens each byte up to and including a NUL.
    EXPECT_EQ(bytes("STR(OTHER)"), "78 00 00 00 C");
    EXPECT_EQ(bytes("WIDE"), "41 00 42 00 43 00 00 00 W");  // the record is untouched
    EXPECT_EQ(parseError("WIDE + 'x'", t), e4typeSub);
}

}  // namespace
