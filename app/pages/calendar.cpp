#include "calendar.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace vpages {

namespace {
// Days from 1970-01-01 of a civil date, and back (H. Hinnant's algorithms:
// eras of 400 years starting on 1 March).
long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate civilFromDays(long z) {
    z += 719468;
    long era = (z >= 0 ? z : z - 146096) / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    int d = int(doy - (153 * mp + 2) / 5 + 1);
    int m = int(mp < 10 ? mp + 3 : mp - 9);
    return {int(yoe + era * 400 + (m <= 2)), m, d};
}

// 1970-01-01 is day number 2440588.
constexpr long kDayNumberOf1970 = 2440588;
constexpr long kFirstDayNumber = 1721426;  // 0001-01-01
constexpr long kLastDayNumber = 5373484;   // 9999-12-31

const char16_t *const kMonths[12] = {u"January", u"February", u"March",     u"April",   u"May",      u"June",
                                     u"July",    u"August",   u"September", u"October", u"November", u"December"};
const char16_t *const kDays[7] = {u"Sunday", u"Monday", u"Tuesday", u"Wednesday", u"Thursday", u"Friday", u"Saturday"};
}  // namespace

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int monthLength(int year, int month) {
    static const int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && isLeapYear(year) ? 29 : kLengths[month - 1];
}

int weekday(const CivilDate &d) {
    long w = (daysFromCivil(d.year, d.month, d.day) + 4) % 7;  // 1970-01-01 was a Thursday
    return int(w < 0 ? w + 7 : w);
}

long dayNumberOf(const CivilDate &d) { return daysFromCivil(d.year, d.month, d.day) + kDayNumberOf1970; }

CivilDate dateOfDayNumber(long n) { return civilFromDays(n - kDayNumberOf1970); }

bool isDayNumber(double n) { return n >= double(kFirstDayNumber) && n <= double(kLastDayNumber) && n == std::floor(n); }

long hoursOf(const CivilDate &d) { return (dayNumberOf(d) - kDayNumberOf1900) * 24; }

CivilDate dateOfHours(long hours) {
    long days = hours >= 0 ? hours / 24 : -((-hours + 23) / 24);
    return dateOfDayNumber(days + kDayNumberOf1900);
}

CivilDate today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string ccyymmdd(const CivilDate &d) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%4d%2d%2d", d.year, d.month, d.day);
    std::string s(buf);
    for (char &c : s)
        if (c == ' ') c = '0';
    return s;
}

const char16_t *monthName(int month) { return month >= 1 && month <= 12 ? kMonths[month - 1] : u""; }

const char16_t *dayName(int weekday) { return weekday >= 0 && weekday <= 6 ? kDays[weekday] : u""; }

}  // namespace vpages
