// Calendar arithmetic for the date picker and the pages that open it: civil
// dates (proleptic Gregorian, years 1 ... 9999), the day numbers the table
// layer uses (1 January 2000 is day 2451545), and dates passed as whole
// hours counted from 1900-01-01 00:00 (a day is 24 hours). The hours are
// pure calendar arithmetic, so no time zone or daylight time can shift a
// date by a day.
#pragma once
#include <string>

namespace vpages {

constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;
// The day number of 1900-01-01, hour 0 of the date values.
constexpr long kDayNumberOf1900 = 2415021;

struct CivilDate {
    int year = 1900, month = 1, day = 1;  // month 1-12, day 1-31
    bool operator==(const CivilDate &) const = default;
};

bool isLeapYear(int year);
// Days in a month (1-12) of a year.
int monthLength(int year, int month);
// 0 Sunday ... 6 Saturday.
int weekday(const CivilDate &d);

long dayNumberOf(const CivilDate &d);
CivilDate dateOfDayNumber(long dayNumber);
// Whether a cell's number holds a date: a whole day number of 0001 ... 9999
// (not 0, not the no-date value 1e100, not -1 of a record that was not read).
bool isDayNumber(double number);

long hoursOf(const CivilDate &d);
// The date of an hour count; hours within a day fall to that day.
CivilDate dateOfHours(long hours);

// The local date of the device's clock.
CivilDate today();

// "%4d%2d%2d" of year, month and day with blanks turned to "0": the
// eight-character CCYYMMDD text of a date field.
std::string ccyymmdd(const CivilDate &d);

// "January" ... "December" for 1 ... 12; "Sunday" ... "Saturday" for 0 ... 6.
const char16_t *monthName(int month);
const char16_t *dayName(int weekday);

}  // namespace vpages
