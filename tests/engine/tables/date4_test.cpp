#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <ctime>
#include <string>

#include "tables/date4.h"

namespace {

std::string assigned(long julian, int zeroFill = 0) {
    char d[8];
    date4assignLow(d, julian, zeroFill);
    return std::string(d, 8);
}

std::string formatted(const char *date8, const char *picture) {
    char out[64];
    date4format(date8, out, picture);
    return out;
}

std::string initialised(const char *text, const char *picture, int century = 20) {
    char d[8];
    date4initLow(d, text, picture, century);
    return std::string(d, 8);
}

// Day number of a civil date, from the standard library's calendar: the
// epoch 1970-01-01 is day 2440588.
long civilDay(int y, unsigned m, unsigned d) {
    using namespace std::chrono;
    return (long)sys_days{year{y} / month{m} / day{d}}.time_since_epoch().count() + 2440588;
}

TEST(Date4Long, StoredTextToDayNumber) {
    struct Case {
        const char *date;
        long expected;
    } cases[] = {
        {"20000101", 2451545}, {"20000229", 2451604}, {"19000229", -1},     {"        ", 0},
        {"00000000", 0},       {"20001301", -1},      {"20000001", -1},     {"20000100", -1},
        {"20000132", -1},      {"20000431", -1},      {"24000229", civilDay(2400, 2, 29)},
        {"2000010A", -1},      {"20-00101", -1},      {"00010101", 1721426}, {"99991231", 5373484},
        {"00000101", -1},  // year 0 is not in the calendar
        {"2000 1 1", 2451545},  // blanks before digits are skipped
        {"1 000101", 1721426},  // the year's digits stop at the blank: year 1
    };
    for (const Case &c : cases) EXPECT_EQ(date4long(c.date), c.expected) << c.date;
}

TEST(Date4Assign, DayNumberToStoredText) {
    struct Case {
        long julian;
        int zeroFill;
        const char *expected;
    } cases[] = {
        {2451545, 0, "20000101"}, {2451604, 0, "20000229"}, {0, 0, "        "},         {0, 1, "00000000"},
        {-5, 0, "        "},      {-1, 1, "00000000"},      {1721426, 0, "00010101"},   {5373484, 0, "99991231"},
        // No 4-digit year: treated like no date rather than overflowing.
        {1721425, 0, "        "},     {5373485, 0, "        "}, {5373485, 1, "00000000"},
        {LONG_MAX, 0, "        "},    {LONG_MIN, 0, "        "},
    };
    for (const Case &c : cases) EXPECT_EQ(assigned(c.julian, c.zeroFill), c.expected) << c.julian;
}

// Every day of years 1..9999 against the standard library's calendar, both
// directions, and stored texts ascend with the day numbers.
TEST(Date4Assign, EveryDayRoundTripsAndMatchesTheCivilCalendar) {
    using namespace std::chrono;
    std::string previous = "00000000";
    long mismatches = 0;
    for (long j = DATE4_FIRST_DAY; j <= DATE4_LAST_DAY; j++) {
        std::string text = assigned(j);
        year_month_day ymd{sys_days{days{j - 2440588}}};
        char expected[16];
        std::snprintf(expected, sizeof expected, "%04d%02u%02u", (int)ymd.year(), (unsigned)ymd.month(),
                      (unsigned)ymd.day());
        if (text != expected || date4long(text.c_str()) != j || !(text > previous)) {
            if (++mismatches < 5) ADD_FAILURE() << j << ": " << text << " expected " << expected;
        }
        previous = text;
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Date4Julian, PartsToDayNumber) {
    EXPECT_EQ(date4julian(2000, 1, 1), 2451545);
    EXPECT_EQ(date4julian(2000, 2, 29), 2451604);
    EXPECT_EQ(date4julian(1900, 2, 29), -1);
    EXPECT_EQ(date4julian(0, 1, 1), -1);
    EXPECT_EQ(date4julian(10000, 1, 1), -1);
    EXPECT_EQ(date4julian(2000, 13, 1), -1);
    EXPECT_EQ(date4julian(2000, 4, 31), -1);
}

TEST(Date4Dow, WeekdaysAndNames) {
    struct Case {
        const char *date;
        int dow;
        const char *name;
    } cases[] = {
        {"20000101", 7, "Saturday"}, {"20000102", 1, "Sunday"}, {"20240101", 2, "Monday"},
        {"20240103", 4, "Wednesday"}, {"19000229", 0, ""},      {"2000010X", 0, ""},
        {"        ", 2, "Monday"},  // a blank date is day 0
    };
    for (const Case &c : cases) {
        EXPECT_EQ(date4dow(c.date), c.dow) << c.date;
        EXPECT_STREQ(date4cdow(c.date), c.name) << c.date;
    }
    // A stretch of days against the standard library's weekday.
    using namespace std::chrono;
    for (long j = 2451545 - 400; j < 2451545 + 400; j++) {
        char d[8];
        date4assign(d, j);
        unsigned expected = weekday{sys_days{days{j - 2440588}}}.c_encoding() + 1;
        ASSERT_EQ(date4dow(d), (int)expected) << j;
    }
}

TEST(Date4Cmonth, MonthNames) {
    EXPECT_STREQ(date4cmonth("20030513"), "May");
    EXPECT_STREQ(date4cmonth("20030113"), "January");
    EXPECT_STREQ(date4cmonth("20031213"), "December");
    EXPECT_STREQ(date4cmonth("20031313"), "");
    EXPECT_STREQ(date4cmonth("20030013"), "");
    EXPECT_STREQ(date4cmonth("        "), "");
    EXPECT_STREQ(date4cmonth("2003AB13"), "");
}

TEST(Date4Double, DayNumberOrBlank) {
    EXPECT_EQ(date4double("20000101"), 2451545.0);
    EXPECT_EQ(date4double("        "), DATE4_BLANK_DOUBLE);
    EXPECT_EQ(date4double("00000000"), DATE4_BLANK_DOUBLE);
    EXPECT_EQ(date4double("19000229"), DATE4_BLANK_DOUBLE);  // invalid is no date
}

TEST(Date4Format, Pictures) {
    struct Case {
        const char *date;
        const char *picture;
        const char *expected;
    } cases[] = {
        {"20030513", "MM/DD/YY", "05/13/03"},
        {"20030513", "CCYY/MM/DD", "2003/05/13"},
        {"20030513", "DD MMMMMMMMM CCYY", "13 May       2003"},
        {"20030513", "mm/dd/yy", "05/13/03"},       // letters in either case
        {"20030513", "DD.MM.CCYY", "13.05.2003"},
        {"20030513", "MMM DD", "May 13"},
        {"20030513", "MM/DD/YY MM", "05/13/03   "},  // only the first run of a letter is filled
        {"20030913", "MMMMMMMM", "Septembe"},       // name cut to the run
        {"20030513", "MMMM", "May "},
        {"20031513", "MMM", "Dec"},                 // month clamped to 1..12
        {"20030013", "MMM", "Jan"},
        {"        ", "MM/DD/YY", "  /  /  "},
        {"        ", "DD MMM CCYY", "           "},
        {"20030513", "YYYY", "03  "},               // a run gets at most two digits
        {"20030513", "", ""},
        {"20030513", "(DD-MM)", "(13-05)"},
    };
    for (const Case &c : cases) EXPECT_EQ(formatted(c.date, c.picture), c.expected) << c.date << " " << c.picture;
}

TEST(Date4Format, NeverWritesPastTheGivenSize) {
    char out[8];
    std::memset(out, 'x', sizeof out);
    date4formatN("20030513", out, 6, "CCYY/MM/DD");
    EXPECT_STREQ(out, "2003/");
    EXPECT_EQ(out[6], 'x');
    date4formatN("20030513", out, 4, "DD MMMMMMMMM");
    EXPECT_STREQ(out, "13 ");
    out[0] = 'x';
    date4formatN("20030513", out, 0, "DD");
    EXPECT_EQ(out[0], 'x');
}

TEST(Date4Init, TextThroughPictures) {
    struct Case {
        const char *text;
        const char *picture;
        const char *expected;
    } cases[] = {
        {"05/13/03", "MM/DD/YY", "20030513"},
        {"05/13/03", "mm/dd/yy", "20030513"},
        {"2003/05/13", "CCYY/MM/DD", "20030513"},
        {"13 May 2003", "DD MMM CCYY", "20030513"},
        {"13 MAY 2003", "DD MMM CCYY", "20030513"},
        {"13 sep       2003", "DD MMMMMMMMM CCYY", "20030913"},
        {"13 sep 2003", "DD MMMMMMMMM CCYY", "00000913"},  // text and picture walk together
        {"13 Ma  2003", "DD MMM CCYY", "20030313"},   // "Ma": the first month that starts so
        {"13 Xyz 2003", "DD MMM CCYY", "20030013"},   // no such month -> invalid date
        {"13     2003", "DD MMM CCYY", "20030013"},   // no month text is no month, not January
        {"  /  /  ", "MM/DD/YY", "        "},          // nothing read: the blank date
        {"", "MM/DD/YY", "        "},
        {"05/13", "MM/DD/YY", "20000513"},             // text ends early: missing digits are zeros
        {"5/13/03", "MM/DD/YY", "20305/3/"},           // positions are taken as they stand
        {"0513", "MMDD", "20010513"},                  // no year in the picture: year 01
        {"2003", "CCYY", "20030101"},                  // no month, no day: 01
    };
    for (const Case &c : cases) EXPECT_EQ(initialised(c.text, c.picture), c.expected) << c.text << " " << c.picture;
    EXPECT_EQ(initialised("05/13/03", "MM/DD/YY", 19), "19030513");
    EXPECT_EQ(date4long(initialised("13 Xyz 2003", "DD MMM CCYY").c_str()), -1);
    EXPECT_EQ(date4long(initialised("5/13/03", "MM/DD/YY").c_str()), -1);
}

TEST(Date4Init, FormatThenReadGivesTheDateBack) {
    const char *pictures[] = {"MM/DD/YY", "CCYY/MM/DD", "DD MMM CCYY", "DD MMMMMMMMM CCYY", "DD.MM.CCYY"};
    const char *dates[] = {"20030513", "19991231", "20000229", "20240101", "20031130"};
    for (const char *picture : pictures) {
        for (const char *date : dates) {
            std::string text = formatted(date, picture);
            EXPECT_EQ(initialised(text.c_str(), picture, date[0] == '1' ? 19 : 20), date) << picture;
        }
    }
}

TEST(Date4Clock, TodayAndNowFollowTheLocalClock) {
    auto localNow = []() {
        std::time_t t = std::time(nullptr);
        std::tm tm;
        localtime_r(&t, &tm);
        return tm;
    };
    std::tm before = localNow();
    char today[9] = {0}, now[9] = {0};
    date4today(today);
    date4timeNow(now);
    DATE4CLOCK clock;
    date4clock(&clock);
    std::tm after = localNow();

    char expectA[9], expectB[9];
    std::strftime(expectA, sizeof expectA, "%Y%m%d", &before);
    std::strftime(expectB, sizeof expectB, "%Y%m%d", &after);
    EXPECT_TRUE(std::strcmp(today, expectA) == 0 || std::strcmp(today, expectB) == 0) << today;
    EXPECT_GT(date4long(today), 0);

    char timeA[9], timeB[9];
    std::strftime(timeA, sizeof timeA, "%H:%M:%S", &before);
    std::strftime(timeB, sizeof timeB, "%H:%M:%S", &after);
    EXPECT_TRUE(std::strcmp(now, timeA) >= 0 && std::strcmp(now, timeB) <= 0) << now;

    EXPECT_GE(clock.millisecond, 0);
    EXPECT_LT(clock.millisecond, 1000);
    EXPECT_EQ(clock.year, after.tm_year + 1900);

    // A picture without a century takes it from the clock.
    char d[8];
    date4init(d, "05/13/03", "MM/DD/YY");
    char century[3] = {today[0], today[1], 0};
    EXPECT_EQ(std::string(d, 2), century);
}

}  // namespace
