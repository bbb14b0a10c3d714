#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "expressions/key4.h"
#include "foundation/bytes.h"
#include "foundation/error4.h"
#include "tables/date4.h"

namespace {

using Key = std::vector<unsigned char>;

Key hex(const char *text) {
    Key out;
    for (const char *p = text; *p;) {
        if (*p == ' ') {
            p++;
            continue;
        }
        out.push_back((unsigned char)std::stoi(std::string(p, 2), nullptr, 16));
        p += 2;
    }
    return out;
}

Key doubleKey(double v) {
    Key k(8);
    EXPECT_EQ(key4double(&v, k.data(), 8), 8);
    return k;
}

Key textKey(int (*fn)(const char *, int, unsigned char *, int), const char *text) {
    Key k(8);
    EXPECT_EQ(fn(text, (int)std::strlen(text), k.data(), 8), 8) << text;
    return k;
}

template <typename Fn>
Key fieldKey(Fn fn, const unsigned char *field, int keyLen) {
    Key k((size_t)keyLen);
    EXPECT_EQ(fn(field, k.data(), keyLen), keyLen);
    return k;
}

Key int32Key(int32_t v) {
    unsigned char f[4];
    b4::putI32le(f, v);
    return fieldKey(key4int32, f, 4);
}

Key int64Key(int64_t v) {
    unsigned char f[8];
    b4::putI64le(f, v);
    return fieldKey(key4int64, f, 8);
}

Key dateTimeKey(int32_t day, int32_t ms) {
    unsigned char f[8];
    b4::putI32le(f, day);
    b4::putI32le(f + 4, ms);
    return fieldKey(key4dateTime, f, 8);
}

// Keys listed in ascending value order must compare ascending as bytes
// (strictly, unless equal values are expected to give equal keys).
void expectAscending(const std::vector<Key> &keys, const char *what) {
    for (size_t i = 1; i < keys.size(); i++)
        EXPECT_LT(std::memcmp(keys[i - 1].data(), keys[i].data(), keys[i].size()), 0) << what << " at " << i;
}

TEST(Key4Numeric, ExactBytes) {
    EXPECT_EQ(doubleKey(0.0), hex("80 00 00 00 00 00 00 00"));
    EXPECT_EQ(doubleKey(-0.0), hex("80 00 00 00 00 00 00 00"));
    EXPECT_EQ(doubleKey(1.0), hex("BF F0 00 00 00 00 00 00"));
    EXPECT_EQ(doubleKey(-1.0), hex("40 0F FF FF FF FF FF FF"));
    EXPECT_EQ(doubleKey(std::nan("")), hex("FF F8 00 00 00 00 00 00"));
    EXPECT_EQ(textKey(key4numericText, "  -12.50"), doubleKey(-12.5));
    EXPECT_EQ(textKey(key4numericText, "     "), doubleKey(0.0));
}

TEST(Key4Numeric, ByteOrderIsValueOrder) {
    const double inf = std::numeric_limits<double>::infinity();
    const double tiny = std::numeric_limits<double>::denorm_min();
    std::vector<double> sorted = {-inf, -1e300, -12.5, -1.0, -0.5, -1e-300, -tiny, 0.0,
                                  tiny, 1e-300, 0.5,  1.0,  12.5, 1e300,  inf,    std::nan("")};
    std::vector<Key> keys;
    for (double v : sorted) keys.push_back(doubleKey(v));
    expectAscending(keys, "double");

    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> mant(-1.0, 1.0);
    std::uniform_int_distribution<int> exp(-30, 30);
    std::vector<double> values;
    for (int i = 0; i < 5000; i++) values.push_back(std::ldexp(mant(rng), exp(rng)));
    std::vector<std::pair<Key, double>> byKey;
    for (double v : values) byKey.emplace_back(doubleKey(v), v);
    std::sort(byKey.begin(), byKey.end());
    std::sort(values.begin(), values.end());
    for (size_t i = 0; i < values.size(); i++) ASSERT_EQ(byKey[i].second, values[i]) << i;
}

TEST(Key4Date, BlankAndInvalidAreDayZeroAndSortFirst) {
    Key blank(8), zeros(8), invalid(8);
    ASSERT_EQ(key4dateText("        ", blank.data(), 8), 8);
    ASSERT_EQ(key4dateText("00000000", zeros.data(), 8), 8);
    ASSERT_EQ(key4dateText("20001301", invalid.data(), 8), 8);
    EXPECT_EQ(blank, hex("80 00 00 00 00 00 00 00"));
    EXPECT_EQ(zeros, blank);
    EXPECT_EQ(invalid, blank);

    std::vector<Key> keys = {blank};
    for (const char *d : {"00010101", "19991231", "20000101", "20000229", "99991231"}) {
        Key k(8);
        ASSERT_EQ(key4dateText(d, k.data(), 8), 8);
        EXPECT_EQ(k, doubleKey((double)date4long(d))) << d;
        keys.push_back(k);
    }
    expectAscending(keys, "date");
}

TEST(Key4DateTime, DayPlusRoundedSecondsAsADouble) {
    EXPECT_EQ(dateTimeKey(2451545, 43200000), doubleKey(2451545.5));
    EXPECT_EQ(dateTimeKey(0, 0), doubleKey(0.0));
    // Milliseconds round to whole seconds.
    EXPECT_EQ(dateTimeKey(2451545, 1499), dateTimeKey(2451545, 1000));
    EXPECT_EQ(dateTimeKey(2451545, 1500), dateTimeKey(2451545, 2000));
    expectAscending({dateTimeKey(0, 0), dateTimeKey(2451544, 86399000), dateTimeKey(2451545, 0),
                     dateTimeKey(2451545, 1000), dateTimeKey(2451545, 86399000), dateTimeKey(2451546, 0)},
                    "date-time");

    Key fromText(8), shortText(8);
    const char *text = "2000010112:00:00";
    ASSERT_EQ(key4dateTimeText(text, 16, fromText.data(), 8), 8);
    EXPECT_EQ(fromText, dateTimeKey(2451545, 43200000));
    ASSERT_EQ(key4dateTimeText(text, 15, shortText.data(), 8), 8);
    EXPECT_EQ(shortText, Key(8, 0));
}

TEST(Key4Integers, SignedAndUnsigned) {
    EXPECT_EQ(int32Key(0), hex("80 00 00 00"));
    EXPECT_EQ(int32Key(-1), hex("7F FF FF FF"));
    EXPECT_EQ(int32Key(1), hex("80 00 00 01"));
    expectAscending({int32Key(INT32_MIN), int32Key(-65536), int32Key(-1), int32Key(0), int32Key(1), int32Key(256),
                     int32Key(INT32_MAX)},
                    "int32");

    const unsigned char minusOne16[2] = {0xFF, 0xFF}, min16[2] = {0x00, 0x80}, max16[2] = {0xFF, 0x7F};
    EXPECT_EQ(fieldKey(key4int16, minusOne16, 4), int32Key(-1));  // sign-extended
    EXPECT_EQ(fieldKey(key4int16, min16, 4), int32Key(-32768));
    EXPECT_EQ(fieldKey(key4int16, max16, 4), int32Key(32767));
    EXPECT_EQ(fieldKey(key4uint16, minusOne16, 4), hex("00 00 FF FF"));  // zero-extended

    const unsigned char p1[4] = {1, 0, 0, 0}, pBig[4] = {0, 0, 0, 0x80}, pMax[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(fieldKey(key4uint32, pBig, 4), hex("80 00 00 00"));
    expectAscending({fieldKey(key4uint32, p1, 4), fieldKey(key4uint32, pBig, 4),
                     fieldKey(key4uint32, pMax, 4)},
                    "uint32");
}

TEST(Key4Logical, OneByteFalseBeforeTrue) {
    int32_t t = 1, f = 0, other = 7;
    unsigned char kt, kf, ko;
    ASSERT_EQ(key4logical(&t, &kt, 1), 1);
    ASSERT_EQ(key4logical(&f, &kf, 1), 1);
    ASSERT_EQ(key4logical(&other, &ko, 1), 1);
    EXPECT_EQ(kt, 'T');
    EXPECT_EQ(kf, 'F');
    EXPECT_EQ(ko, 'T');
    EXPECT_LT(kf, kt);

    struct Case {
        const char *text;
        char expected;
    } cases[] = {{"T", 'T'}, {"  y", 'T'}, {"xyz", 'T'}, {"N", 'F'}, {"abc", 'F'}, {"", 'F'}, {"-f-T", 'F'}};
    for (const Case &c : cases) {
        unsigned char k = 0;
        ASSERT_EQ(key4logicalText(c.text, (int)std::strlen(c.text), &k, 1), 1);
        EXPECT_EQ(k, (unsigned char)c.expected) << c.text;
    }
}

TEST(Key4Currency, Int64WithTheSignBitInverted) {
    EXPECT_EQ(int64Key(0), hex("80 00 00 00 00 00 00 00"));
    EXPECT_EQ(int64Key(-1), hex("7F FF FF FF FF FF FF FF"));
    expectAscending({int64Key(INT64_MIN), int64Key(-10000), int64Key(-1), int64Key(0), int64Key(1), int64Key(10000),
                     int64Key(INT64_MAX)},
                    "int64");

    struct Case {
        double value;
        int64_t units;
    } doubles[] = {{1.5, 15000}, {-1.5, -15000}, {0.00005, 1}, {-0.00005, -1}, {0.00004, 0}, {123.45678, 1234568},
                   {1e300, INT64_MAX}, {-1e300, INT64_MIN}};
    for (const Case &c : doubles) {
        Key k(8);
        ASSERT_EQ(key4currencyDouble(c.value, k.data(), 8), 8);
        EXPECT_EQ(k, int64Key(c.units)) << c.value;
    }
    struct TextCase {
        const char *text;
        int64_t units;
    } texts[] = {{"  -12.3456789", -123456}, {"12", 120000}, {"+0.5", 5000}, {"", 0},
                 {"99999999999999999999", INT64_MAX}, {"-99999999999999999999", INT64_MIN}};
    for (const TextCase &c : texts) EXPECT_EQ(textKey(key4currencyText, c.text), int64Key(c.units)) << c.text;
}

TEST(Key4Parts, DateTimeAndTimestampParts) {
    unsigned char date[6], time[6], stamp[16];
    b4::putU16le(date, 1899); b4::putU16le(date + 2, 12); b4::putU16le(date + 4, 30);
    b4::putU16le(time, 13); b4::putU16le(time + 2, 5); b4::putU16le(time + 4, 0);
    const uint16_t parts[6] = {2003, 5, 13, 23, 59, 58};
    for (int i = 0; i < 6; i++) b4::putU16le(stamp + 2 * i, parts[i]);
    b4::putU32le(stamp + 12, 0x01020304);
    EXPECT_EQ(fieldKey(key4dateParts, date, 6), hex("07 6B 00 0C 00 1E"));
    EXPECT_EQ(fieldKey(key4timeParts, time, 6), hex("80 0D 80 05 80 00"));
    EXPECT_EQ(fieldKey(key4timestamp, stamp, 16), hex("07 D3 00 05 00 0D 00 17 00 3B 00 3A 01 02 03 04"));
}

TEST(Key4Text, CharacterAndWideKeys) {
    // A character key keeps trailing blanks: AB and "AB " give the same key.
    Key a(3), b(3), trimmed(4), cut(2);
    ASSERT_EQ(key4text("AB", 2, 0, a.data(), 3), 3);
    ASSERT_EQ(key4text("AB ", 3, 0, b.data(), 3), 3);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, Key({'A', 'B', ' '}));
    const char withNuls[4] = {'A', 0, 'B', 0};
    ASSERT_EQ(key4text(withNuls, 4, 1, trimmed.data(), 4), 4);
    EXPECT_EQ(trimmed, Key({'A', 0, 'B', ' '}));  // only trailing NULs become blanks
    ASSERT_EQ(key4text("ABCD", 4, 0, cut.data(), 2), 2);
    EXPECT_EQ(cut, Key({'A', 'B'}));

    const unsigned char wide[5] = {'A', 0, 0x34, 0x12, 'z'};
    Key w(6);
    ASSERT_EQ(key4wide(wide, 5, w.data(), 6), 6);
    EXPECT_EQ(w, hex("00 41 12 34 00 00"));  // the odd byte is no character
}

TEST(Key4Null, MarkerPrefixAndNullKeySortsFirst) {
    Key present(9), null(9, 0xAA);
    double v = -1e300;
    ASSERT_EQ(key4double(&v, present.data() + 1, 8), 8);
    key4nullMark(present.data(), 9, 0);
    key4nullMark(null.data(), 9, 1);
    EXPECT_EQ(present[0], KEY4_NULL_MARKER);
    EXPECT_EQ(Key(present.begin() + 1, present.end()), doubleKey(v));
    EXPECT_EQ(null, Key(9, 0));
    EXPECT_LT(std::memcmp(null.data(), present.data(), 9), 0);
}

TEST(Key4Ascend, FormsAndDescendingInversion) {
    int32_t t = 1;
    unsigned char one = 0;
    ASSERT_EQ(key4ascend('L', &t, 4, &one, 1), 1);
    EXPECT_EQ(one, '1');
    key4invert(&one, 1);
    EXPECT_EQ(one, (unsigned char)~'1');

    unsigned char n[4];
    ASSERT_EQ(key4ascend('N', " -12", 4, n, 4), 4);
    EXPECT_EQ(Key(n, n + 4), Key({44, 44, 43, 42}));

    unsigned char d[8];
    double day = 2451545.0, blank = 0.0, none = DATE4_BLANK_DOUBLE;
    ASSERT_EQ(key4ascend('d', &day, 8, d, 8), 8);
    EXPECT_EQ(std::string((char *)d, 8), "20000101");
    ASSERT_EQ(key4ascend('d', &blank, 8, d, 8), 8);
    EXPECT_EQ(std::string((char *)d, 8), "        ");
    ASSERT_EQ(key4ascend('d', &none, 8, d, 8), 8);
    EXPECT_EQ(std::string((char *)d, 8), "        ");

    // Numeric field texts (width 7, 2 decimals) sort by value in their
    // ascending form, and in reverse once inverted.
    std::vector<double> values = {-999.99, -100.5, -12.0, -1.25, -0.01, 0.0, 0.01, 1.25, 12.0, 100.5, 9999.99};
    std::vector<Key> asc, desc;
    for (double v : values) {
        char text[7];
        ASSERT_EQ(c4dtoa45(v, text, 7, 2), 0);
        Key k(7);
        ASSERT_EQ(key4ascend('N', text, 7, k.data(), 7), 7);
        asc.push_back(k);
        key4invert(k.data(), 7);
        desc.insert(desc.begin(), k);
    }
    expectAscending(asc, "ASCEND(N)");
    expectAscending(desc, "DESCEND(N)");
}

TEST(Key4Ascend, BlankNumericTextIsTheZeroOfItsWidthAndDecimals) {
    struct Case {
        int len, decimals;
        const char *zero;  // the stored zero's ascending form
    } cases[] = {{8, 2, "00000.00"}, {10, 0, "0000000000"}, {5, 3, "0.000"}, {4, 3, ".000"}, {3, 2, ".00"}, {1, 0, "0"}, {5, 9, "00000"}};
    for (const Case &c : cases) {
        std::string blank((size_t)c.len, ' ');
        std::vector<unsigned char> k((size_t)c.len);
        ASSERT_EQ(key4numericAscend(blank.data(), c.len, k.data(), c.len, c.decimals), c.len);
        EXPECT_EQ(std::string(k.begin(), k.end()), std::string(c.zero).substr(0, (size_t)c.len)) << c.len << "," << c.decimals;
        ASSERT_EQ(key4ascend('N', blank.data(), c.len, k.data(), c.len, c.decimals), c.len);
        EXPECT_EQ(std::string(k.begin(), k.end()), std::string(c.zero).substr(0, (size_t)c.len));
    }
    // The stored zero of a field (width 8, 2 decimals) gives the same key.
    char zero[8];
    ASSERT_EQ(c4dtoa45(0.0, zero, 8, 2), 0);
    unsigned char a[8], b[8];
    key4numericAscend(zero, 8, a, 8, 2);
    key4numericAscend("        ", 8, b, 8, 2);
    EXPECT_EQ(std::memcmp(a, b, 8), 0);
    // Text that is not all blank keeps its bytes.
    key4numericAscend("   .  ", 6, a, 6, 2);
    EXPECT_EQ(std::string((char *)a, 6), "000.  ");
}

TEST(Key4Convert, DispatchLengthsAndRefusals) {
    struct Case {
        char type;
        int resultLen;
        int keyLen;
    } cases[] = {{'n', 8, 8}, {'d', 8, 8}, {'N', 10, 8}, {'D', 8, 8}, {'T', 8, 8}, {'Y', 8, 8}, {'1', 8, 8},
                 {'I', 4, 4}, {'P', 4, 4}, {'Q', 4, 4}, {'R', 4, 4}, {'L', 4, 1}, {'2', 6, 6}, {'3', 6, 6},
                 {'4', 16, 16}, {'C', 12, 12}, {'W', 10, 10}, {'O', 6, 6}};
    unsigned char value[32];
    std::memset(value, '1', sizeof value);
    for (const Case &c : cases) {
        EXPECT_EQ(key4len(c.type, c.resultLen), c.keyLen) << c.type;
        unsigned char out[32];
        EXPECT_EQ(key4convert(c.type, value, c.resultLen, out, sizeof out), c.keyLen) << c.type;
        // One byte short: refused, nothing written.
        unsigned char small[32];
        std::memset(small, 0xAB, sizeof small);
        EXPECT_EQ(key4convert(c.type, value, c.resultLen, small, c.keyLen - 1), e4parm) << c.type;
        EXPECT_EQ(small[0], 0xAB) << c.type;
    }
    unsigned char out[8];
    EXPECT_EQ(key4len('X', 8), e4info);
    EXPECT_EQ(key4convert('X', value, 8, out, 8), e4info);
    EXPECT_EQ(key4convert('G', value, 8, out, 8), e4info);
    // Through the dispatcher, the same bytes as the per-type functions.
    double v = 12.5;
    EXPECT_EQ(key4convert('n', &v, 8, out, 8), 8);
    EXPECT_EQ(Key(out, out + 8), doubleKey(12.5));
    EXPECT_EQ(key4convert('N', " 12.50", 6, out, 8), 8);
    EXPECT_EQ(Key(out, out + 8), doubleKey(12.5));
}

}  // namespace
