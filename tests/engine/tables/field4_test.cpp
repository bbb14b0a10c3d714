// Field reads and assignments for every stored type, currency and
// date-time text, null flags, and the refusals of unsupported conversions.
#include <cmath>
#include <random>

#include "tables_test_util.h"

namespace {

using tt::fld;

class FieldTest : public vt::EngineTest {
protected:
    void SetUp() override {
        vt::EngineTest::SetUp();
        cb.compatibility = 30;
        FIELD4INFO fields[] = {fld("C", 'C', 6),         fld("N", 'N', 5),          fld("N62", 'N', 6, 2),
                               fld("F", 'F', 8, 3),      fld("D", 'D'),             fld("L", 'L'),
                               fld("I", 'I'),            fld("B", 'B', 0, 2),       fld("Y", 'Y'),
                               fld("T", 'T'),            fld("Q", 'Q'),             fld("R", 'R'),
                               fld("Z", 'Z', 4),         fld("M", 'M'),             fld("TWO", '2'),
                               fld("NC", 'C', 3, 0, r4null), fld("NN", 'N', 4, 0, r4null), tt::END};
        d = d4create(&cb, dir.file("types").c_str(), fields);
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(d4appendBlank(d), 0);
    }
    void TearDown() override {
        if (d) d4close(d);
        vt::EngineTest::TearDown();
    }
    FIELD4 *f(const char *name) { return d4field(d, name); }
    DATA4 *d = nullptr;
};

TEST_F(FieldTest, DescriptiveOperations) {
    EXPECT_EQ(d4numFields(d), 17);
    EXPECT_STREQ(f4name(f("n62")), "N62");
    EXPECT_EQ(f4type(f("Z")), 'Z');
    EXPECT_EQ(f4type(f("C")), 'C');
    EXPECT_EQ(f4type(f("M")), 'M');
    EXPECT_EQ(f4len(f("N62")), 6u);
    EXPECT_EQ(f4decimals(f("N62")), 2);
    EXPECT_EQ(f4decimals(f("B")), 2);
    EXPECT_EQ(f4number(f("D")), 5);
    EXPECT_EQ(d4fieldNumber(d, "L"), 6);
    EXPECT_EQ(d4fieldJ(d, 7), f("I"));
    EXPECT_EQ(f4ptr(f("C")), reinterpret_cast<const char *>(d4record(d)) + 1);
    // _NullFlags is not one of the reported fields.
    cb.fieldNameError = 0;
    EXPECT_EQ(d4field(d, "_NullFlags"), nullptr);
    EXPECT_EQ(d4fieldNumber(d, "nothere"), -210);
    EXPECT_TRUE(shown.messages().empty());
    cb.fieldNameError = 1;
    EXPECT_EQ(d4field(d, "nothere"), nullptr);
    EXPECT_EQ(cb.errorCode, -210);
    cb.errorCode = 0;
}

TEST_F(FieldTest, NumericText) {
    f4assign(f("N"), "  -12");
    EXPECT_EQ(f4long(f("N")), -12);
    EXPECT_EQ(f4double(f("N")), -12.0);
    f4assign(f("N"), "     ");
    EXPECT_EQ(f4long(f("N")), 0);
    EXPECT_EQ(f4double(f("N")), 0.0);
    f4assignLong(f("N"), 123456);
    EXPECT_EQ(tt::raw(f("N")), "*****");
    f4assignLong(f("N"), -42);
    EXPECT_EQ(tt::raw(f("N")), "  -42");
    f4assignDouble(f("N62"), 3.14159);
    EXPECT_EQ(tt::raw(f("N62")), "  3.14");
    f4assignLong(f("N62"), 7);  // decimals: through the double form
    EXPECT_EQ(tt::raw(f("N62")), "  7.00");
    f4assign(f("N"), "12");      // right-aligned
    EXPECT_EQ(tt::raw(f("N")), "   12");
    f4assign(f("N"), "1234567");  // too long: the first characters
    EXPECT_EQ(tt::raw(f("N")), "12345");
    f4assignDouble(f("F"), -1.5);
    EXPECT_EQ(tt::raw(f("F")), "  -1.500");
    EXPECT_DOUBLE_EQ(f4double(f("F")), -1.5);
    EXPECT_STREQ(f4str(f("F")), "  -1.500");
}

// f4long and f4double read numeric text exactly as c4atol and c4atod do,
// whatever shortcut they take.
TEST_F(FieldTest, NumericTextReadsAsTheNumberConversions) {
    cb.compatibility = 30;
    FIELD4INFO wide[] = {tt::fld("W", 'C', 40), tt::END};
    DATA4 *t = d4create(&cb, dir.file("wide").c_str(), wide);
    ASSERT_NE(t, nullptr);
    d4appendBlank(t);
    FIELD4 *w = d4field(t, "W");
    std::vector<std::string> texts = {"", " ", "-", "+", "-0", "0.", ".5", "-.5", "  12.50x", "1e5", "\t 7", "12 34",
                                      "123456789012345", "1234567890123456", "0.1234567890123456789012",
                                      "99999999999999999999", "-9223372036854775808", "-9223372036854775809",
                                      "999999999999999999", "1.7976931348623157", "*****", "  -0003.0100"};
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; i++) {
        std::string s(rng() % 4, ' ');
        if (rng() % 3 == 0) s += "-";
        for (int k = rng() % 20; k > 0; k--) s += (char)('0' + rng() % 10);
        if (rng() % 2) s += ".";
        for (int k = rng() % 25; k > 0; k--) s += (char)('0' + rng() % 10);
        texts.push_back(s.substr(0, 40));
    }
    for (const std::string &s : texts) {
        f4assignN(w, s.data(), (unsigned)s.size());
        std::string field(f4ptr(w), f4len(w));
        double want = c4atod(field.data(), (int)field.size());
        double got = f4double(w);
        EXPECT_EQ(std::memcmp(&want, &got, sizeof want), 0) << "'" << s << "' " << want << " vs " << got;
        EXPECT_EQ(f4long(w), c4atol(field.data(), (int)field.size())) << "'" << s << "'";
    }
    d4close(t);
}

TEST_F(FieldTest, CharacterAndLogical) {
    f4assign(f("C"), "ab");
    EXPECT_EQ(tt::raw(f("C")), "ab    ");
    f4assignN(f("C"), "abcdefgh", 8);
    EXPECT_EQ(tt::raw(f("C")), "abcdef");
    f4assignChar(f("C"), 'x');
    EXPECT_EQ(tt::raw(f("C")), "x     ");
    EXPECT_EQ(f4char(f("C")), 'x');
    char buf[4];
    EXPECT_EQ(f4ncpy(f("C"), buf, sizeof buf), 3u);
    EXPECT_STREQ(buf, "x  ");
    f4assign(f("C"), "  42x");
    EXPECT_EQ(f4long(f("C")), 42);
    for (auto [ch, want] : {std::pair{'y', 1}, {'Y', 1}, {'t', 1}, {'T', 1}, {'F', 0}, {'N', 0}, {'?', 0}}) {
        f4assignChar(f("L"), ch);
        EXPECT_EQ(f4true(f("L")), want) << ch;
    }
    // Z is binary character: blanked with zeros.
    f4assign(f("Z"), "ab");
    EXPECT_EQ(tt::raw(f("Z")), std::string("ab\0\0", 4));
}

TEST_F(FieldTest, Dates) {
    f4assign(f("D"), "20000101");
    EXPECT_EQ(f4long(f("D")), 2451545);
    EXPECT_EQ(f4double(f("D")), 2451545.0);
    f4assignLong(f("D"), 2451604);
    EXPECT_EQ(tt::raw(f("D")), "20000229");
    f4assignDouble(f("D"), 2451545.9);
    EXPECT_EQ(tt::raw(f("D")), "20000101");
    f4assignLong(f("D"), 0);
    EXPECT_EQ(tt::raw(f("D")), "        ");
    EXPECT_EQ(f4long(f("D")), 0);
}

TEST_F(FieldTest, BinaryNumbers) {
    f4assignLong(f("I"), -7);
    EXPECT_EQ(tt::raw(f("I")), std::string("\xF9\xFF\xFF\xFF", 4));
    EXPECT_EQ(f4long(f("I")), -7);
    EXPECT_EQ(f4double(f("I")), -7.0);
    f4assignDouble(f("I"), 1e12);  // kept inside the 32-bit range
    EXPECT_EQ(f4long(f("I")), 2147483647);
    f4assignDouble(f("B"), -2.75);
    EXPECT_EQ(f4double(f("B")), -2.75);
    EXPECT_EQ(f4long(f("B")), -2);
    f4assignLong(f("B"), 5);
    EXPECT_EQ(f4double(f("B")), 5.0);
    f4assignLong(f("Q"), -2);
    EXPECT_EQ(f4long(f("Q")), -2);
    f4assignLong(f("R"), 65535);
    EXPECT_EQ(f4long(f("R")), 65535);
    EXPECT_EQ(tt::raw(f("TWO")), std::string("\x6B\x07\x0C\x00\x1E\x00", 6));  // 1899, 12, 30
}

TEST_F(FieldTest, Currency) {
    auto store = [&](int64_t v) {
        char *p = f4assignPtr(f("Y"));
        for (int i = 0; i < 8; i++) p[i] = (char)((uint64_t)v >> (8 * i));
    };
    store(-12345);
    EXPECT_STREQ(f4currency(f("Y"), 2), "-1.23");
    EXPECT_STREQ(f4currency(f("Y"), 4), "-1.2345");
    EXPECT_STREQ(f4currency(f("Y"), 0), "-1");
    EXPECT_EQ(f4long(f("Y")), -1);
    EXPECT_DOUBLE_EQ(f4double(f("Y")), -1.2345);
    store(INT64_MIN);
    EXPECT_STREQ(f4currency(f("Y"), 4), "-922337203685477.5808");
    EXPECT_EQ(f4currency(f("Y"), 5), nullptr);
    EXPECT_EQ(cb.errorCode, -930);
    cb.errorCode = 0;

    struct Case {
        const char *text;
        int rc;
        const char *shown;
    } cases[] = {
        {"12.5", 0, "12.5000"},         {"  -0003.1415", 0, "-3.1415"}, {"+7", 0, "7.0000"},
        {"1.23456", -1, "0.0000"},      {"922337203685477.5807", 0, "922337203685477.5807"},
        {"922337203685477.5808", -1, "0.0000"}, {"12345678901234567", -1, "0.0000"}, {"", 0, "0.0000"},
    };
    for (const Case &k : cases) {
        store(99);
        EXPECT_EQ(f4assignCurrency(f("Y"), k.text), k.rc) << k.text;
        EXPECT_STREQ(f4currency(f("Y"), 4), k.shown) << k.text;
    }
    f4assignDouble(f("Y"), 2.5);
    EXPECT_STREQ(f4currency(f("Y"), 4), "2.5000");
    f4assignLong(f("Y"), -3);
    EXPECT_STREQ(f4currency(f("Y"), 1), "-3.0");
}

TEST_F(FieldTest, DateTime) {
    char *p = f4assignPtr(f("T"));
    int32_t day = 2452773, ms = 45296600;
    std::memcpy(p, &day, 4);
    std::memcpy(p + 4, &ms, 4);
    EXPECT_STREQ(f4dateTime(f("T")), "2003051312:34:57");
    ASSERT_EQ(f4assignDateTime(f("T"), "2003051308:05:09"), 0);
    EXPECT_STREQ(f4dateTime(f("T")), "2003051308:05:09");
    std::memcpy(&ms, p + 4, 4);
    EXPECT_EQ(ms, (8 * 3600 + 5 * 60 + 9) * 1000);
    f4blank(f("T"));
    EXPECT_STREQ(f4dateTime(f("T")), "        00:00:00");
    // Damaged milliseconds stay inside one day.
    ms = -5;
    std::memcpy(p + 4, &ms, 4);
    EXPECT_STREQ(f4dateTime(f("T")), "        00:00:00");
    // Milliseconds that round up at 23:59:59 carry into the next day, also
    // across a year's end.
    day = 2452773;
    ms = 86399600;
    std::memcpy(p, &day, 4);
    std::memcpy(p + 4, &ms, 4);
    EXPECT_STREQ(f4dateTime(f("T")), "2003051400:00:00");
    day = 2453005;  // 2003-12-31
    std::memcpy(p, &day, 4);
    EXPECT_STREQ(f4dateTime(f("T")), "2004010100:00:00");
    ms = 86399499;
    std::memcpy(p + 4, &ms, 4);
    EXPECT_STREQ(f4dateTime(f("T")), "2003123123:59:59");
    EXPECT_EQ(f4dateTime(f("C")), nullptr);
    cb.errorCode = 0;
}

TEST_F(FieldTest, NullFlags) {
    FIELD4 *nc = f("NC"), *nn = f("NN");
    EXPECT_EQ(f4null(nc), 0);
    ASSERT_EQ(f4assignNull(nc), 0);
    ASSERT_EQ(f4assignNull(nn), 0);
    EXPECT_EQ(f4null(nc), 1);
    EXPECT_EQ(f4null(nn), 1);
    const unsigned char *r = d4record(d);
    EXPECT_EQ(r[d4recWidth(d) - 1], 0x03);
    f4assign(nn, "5");  // clears only its own bit
    EXPECT_EQ(f4null(nn), 0);
    EXPECT_EQ(f4null(nc), 1);
    EXPECT_EQ(r[d4recWidth(d) - 1], 0x01);
    d4update(d);
    d4go(d, 1);
    EXPECT_EQ(f4null(nc), 1);
    EXPECT_EQ(f4assignNull(f("C")), -930);  // not nullable
    cb.errorCode = 0;
}

TEST_F(FieldTest, UnsupportedConversionsAreReported) {
    struct Case {
        const char *field;
        int (*op)(FIELD4 *);
    } cases[] = {
        {"L", [](FIELD4 *x) { return (int)f4long(x); }},
        {"T", [](FIELD4 *x) { return (int)f4double(x); }},
        {"I", [](FIELD4 *x) { return f4char(x); }},
        {"M", [](FIELD4 *x) { return f4int(x); }},
        {"L", [](FIELD4 *x) { return f4assignLong(x, 1); }},
        {"T", [](FIELD4 *x) { return f4assignDouble(x, 1); }},
        {"Q", [](FIELD4 *x) { return f4assignDouble(x, 1); }},
        {"D", [](FIELD4 *x) { return f4assignInt(x, 1); }},
        {"N", [](FIELD4 *x) { return f4assignChar(x, 'a'); }},
        {"N", [](FIELD4 *x) { return f4assignCurrency(x, "1"); }},
    };
    for (const Case &k : cases) {
        cb.errorCode = 0;
        shown.clear();
        k.op(f(k.field));
        EXPECT_EQ(cb.errorCode, -930) << k.field;
        EXPECT_EQ(cb.errorLocation, E4_MSG_FIELD_TYPE_UNSUPPORTED) << k.field;
        ASSERT_EQ(shown.messages().size(), 1u);
        EXPECT_NE(shown.messages()[0].find("field function not supported for given field type"), std::string::npos);
    }
    cb.errorCode = 0;
    // f4true on another type reports and still tests the first byte.
    f4assign(f("C"), "Yes");
    EXPECT_EQ(f4true(f("C")), 1);
    EXPECT_EQ(cb.errorCode, -930);
    cb.errorCode = 0;
}

TEST_F(FieldTest, AssignmentsWaitWhileAnErrorIsPending) {
    f4assign(f("C"), "keep");
    d4changed(d, 0);
    cb.errorCode = -70;
    EXPECT_EQ(f4assign(f("C"), "lost"), -1);
    EXPECT_EQ(f4assignLong(f("N"), 3), -1);
    EXPECT_EQ(f4blank(f("C")), -1);
    cb.errorCode = 0;
    EXPECT_EQ(tt::raw(f("C")), "keep  ");
    EXPECT_EQ(d4changed(d, -1), 0);
    FIELD4 fake{};
    EXPECT_EQ(f4str(&fake), nullptr);
    EXPECT_EQ(f4assign(nullptr, "x"), -935);
}

TEST_F(FieldTest, AssignmentMarksTheRecordChanged) {
    d4changed(d, 0);
    f4assignDouble(f("B"), 1.0);
    EXPECT_EQ(d4changed(d, -1), 1);
    d4update(d);
    EXPECT_EQ(d4changed(d, -1), 0);
    f4assignPtr(f("C"));
    EXPECT_EQ(d4changed(d, -1), 1);
}

}  // namespace
