#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "foundation/error4.h"
#include "tables/date4.h"

namespace {

struct Dtoa {
    int rc;
    std::string text;
};

Dtoa dtoa(double value, int width, int decimals) {
    char buf[400];
    std::memset(buf, '#', sizeof buf);
    int rc = c4dtoa45(value, buf, width, decimals);
    // Exactly width characters are written, nothing after them.
    int w = width > 0 ? width : 0;
    EXPECT_EQ(buf[w], '#') << value << " width " << width;
    return {rc, std::string(buf, (size_t)w)};
}

TEST(C4dtoa45, FixedWidthText) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double value;
        int width, decimals;
        const char *expected;
        int rc;
    } cases[] = {
        {-0.5, 5, 1, " -0.5", 0},
        {-1.5, 5, 1, " -1.5", 0},
        {0.5, 4, 2, "0.50", 0},
        {0, 5, 0, "    0", 0},
        {0, 5, 2, " 0.00", 0},
        {0.3, 3, 0, "  0", 0},
        {12.345, 8, 2, "   12.35", 0},  // 12.345 is stored just above the half
        {2.5, 3, 0, "  3", 0},          // exact halves round away from zero
        {-2.5, 3, 0, " -3", 0},
        {0.125, 5, 2, " 0.13", 0},
        {1.005, 6, 2, "  1.00", 0},     // 1.005 is stored just below the half
        {99.96, 5, 1, "100.0", 0},      // the carry adds an integer digit
        {-123, 4, 0, "-123", 0},
        {-0.04, 5, 1, "  0.0", 0},      // rounds to zero: no "-0.0"
        {-0.0, 3, 0, "  0", 0},
        {0.5, 2, 1, ".5", 0},           // no room for the leading zero
        {-0.5, 3, 1, "-.5", 0},
        {123456, 5, 0, "*****", e4overflow},
        {999.96, 5, 1, "*****", e4overflow},
        {-99.96, 5, 1, "*****", e4overflow},
        {-1234, 4, 0, "****", e4overflow},
        {std::nan(""), 6, 2, "******", e4overflow},
        {inf, 4, 0, "****", e4overflow},
        {-inf, 4, 0, "****", e4overflow},
        {1e308, 20, 2, "********************", e4overflow},
        {-1e308, 20, 0, "********************", e4overflow},
        {1.0, 20, 18, "   1.000000000000000", 0},  // decimals capped at 15
        {5, 1, 3, "5", 0},                          // decimals capped at width - 1
        {7, 2, 1, "**", e4overflow},                // ".7"-style layout has no room for 7
        {1e15, 16, 0, "1000000000000000", 0},
        {123.456, 7, -2, "    123", 0},
    };
    for (const Case &c : cases) {
        Dtoa r = dtoa(c.value, c.width, c.decimals);
        EXPECT_EQ(r.text, c.expected) << c.value << " " << c.width << "," << c.decimals;
        EXPECT_EQ(r.rc, c.rc) << c.value << " " << c.width << "," << c.decimals;
    }
    EXPECT_EQ(dtoa(1.0, 0, 0).rc, e4overflow);
}

TEST(C4dtoa45, LargestDoubleFitsAWideEnoughField) {
    Dtoa r = dtoa(std::numeric_limits<double>::max(), 320, 2);
    EXPECT_EQ(r.rc, 0);
    char expected[400];
    std::snprintf(expected, sizeof expected, "%320.2f", std::numeric_limits<double>::max());
    EXPECT_EQ(r.text, expected);
}

// Away from exact halves the digits are the C library's correctly rounded ones.
TEST(C4dtoa45, AgreesWithPrintfOnRandomValues) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
    std::uniform_int_distribution<int> scale(-6, 12), decimals(0, 6);
    for (int i = 0; i < 20000; i++) {
        double v = mantissa(rng) * std::pow(10.0, scale(rng));
        int d = decimals(rng);
        int width = 20;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%*.*f", width, d, v);
        std::string e = expected;
        // printf keeps "-0.00"; this conversion drops the sign of a zero.
        if (e.find_first_of("123456789") == std::string::npos) {
            size_t minus = e.find('-');
            if (minus != std::string::npos) e[minus] = ' ';
        }
        Dtoa r = dtoa(v, width, d);
        ASSERT_EQ(r.text, e) << v << " decimals " << d;
    }
}

TEST(C4atol, TextToInteger) {
    struct Case {
        const char *text;
        long expected;
    } cases[] = {
        {"  -12", -12}, {"     ", 0}, {"", 0}, {"12abc", 12}, {"+7", 7}, {"  3 4", 3}, {"abc", 0}, {"0042", 42},
    };
    for (const Case &c : cases) EXPECT_EQ(c4atol(c.text, (int)std::strlen(c.text)), c.expected) << c.text;
    // Only the given length is read; the bytes need no terminator.
    char unterminated[3] = {'1', '2', '3'};
    EXPECT_EQ(c4atol(unterminated, 2), 12);
    // At most 127 bytes take part.
    std::string longText(200, '0');
    longText[126] = '7';
    longText[199] = '5';
    EXPECT_EQ(c4atol(longText.data(), (int)longText.size()), 7);
    std::string wide = std::string(200, ' ') + "-42";
    EXPECT_EQ(c4atol(wide.data(), (int)wide.size()), -42);
}

TEST(C4atod, TextToDouble) {
    struct Case {
        const char *text;
        double expected;
    } cases[] = {
        {"  -12.50", -12.5}, {"", 0.0},       {"    ", 0.0},     {"1.2.3", 1.2}, {".5", 0.5}, {"-.25", -0.25},
        {"12abc", 12.0},     {"-", 0.0},      {"0.1", 0.1},      {"1e5", 1.0},   {"12.", 12.0}, {"  7  ", 7.0},
        {"+3.5", 3.5},       {"123456789.123456789", 123456789.123456789},
        {"*****", 0.0},  // an overflowed field reads as zero
    };
    for (const Case &c : cases) EXPECT_EQ(c4atod(c.text, (int)std::strlen(c.text)), c.expected) << c.text;
    char unterminated[4] = {'2', '.', '5', '9'};
    EXPECT_EQ(c4atod(unterminated, 3), 2.5);
    // Leading blanks do not count: a number right-aligned in a wide field
    // reads whole. Of what follows them, at most 49 bytes take part.
    std::string wide = std::string(200, ' ') + "123.45";
    EXPECT_EQ(c4atod(wide.data(), (int)wide.size()), 123.45);
    std::string longText = "  1" + std::string(48, '0') + "5";
    EXPECT_EQ(c4atod(longText.data(), (int)longText.size()), 1e48);
    // Every value written with decimals reads back as the same text.
    for (double v : {-1234.56, 0.01, 99999.99, -0.5}) {
        char buf[12];
        ASSERT_EQ(c4dtoa45(v, buf, 10, 2), 0);
        EXPECT_EQ(c4atod(buf, 10), v) << v;
    }
}

}  // namespace

namespace {

// Exact binary halves round away from zero; values that only look like
// halves in decimal round by their true binary value.
TEST(C4dtoa45, HalvesAndNearHalves) {
    struct Case {
        double v;
        int width, dec;
        const char *text;
    } cases[] = {
        {2.5, 5, 0, "    3"},    {-2.5, 5, 0, "   -3"},    {0.125, 6, 2, "  0.13"}, {-0.125, 6, 2, " -0.13"},
        {1.005, 6, 2, "  1.00"},  {2.675, 6, 2, "  2.67"},  {1.015625, 7, 3, "  1.016"},
        {12.345, 8, 2, "   12.35"}, {0.49999999, 4, 0, "   0"}, {123456789.5, 12, 0, "   123456790"},
    };
    for (const Case &c : cases) {
        char out[32] = {};
        ASSERT_EQ(c4dtoa45(c.v, out, c.width, c.dec), 0) << c.v;
        EXPECT_EQ(std::string(out, (size_t)c.width), c.text) << c.v;
    }
}

}  // namespace
