// Dates and numbers: "CCYYMMDD" text <-> julian day numbers (1 January 2000
// is day 2451545; 0 is blank, -1 invalid), day and month names, date
// pictures ("MM/DD/YY"), the clock, and fixed-width number-to-text.
//
// Dates handled are 0001-01-01 (day 1721426) to 9999-12-31 (day 5373484);
// day numbers outside that range have no 4-digit year and assign as blank.
#pragma once
#include <cstdint>

#include "foundation/c4ltoa.h"

struct CODE4;

constexpr double DATE4_BLANK_DOUBLE = 1.0e100;  // a blank date as a double
constexpr long DATE4_FIRST_DAY = 1721426;       // 0001-01-01
constexpr long DATE4_LAST_DAY = 5373484;        // 9999-12-31

long date4long(const char *date8);                       // 0 blank, -1 invalid
void date4assign(char *date8, long julian);              // 8 blanks for <= 0
// As date4assign; zeroFill != 0 writes "00000000" instead of blanks.
void date4assignLow(char *date8, long julian, int zeroFill);
// Day number of year-month-day; -1 when that is no date (year 1..9999).
long date4julian(int year, int month, int day);
int date4dow(const char *date8);                         // 1 Sunday .. 7 Saturday, 0 invalid
const char *date4cdow(const char *date8);                // day name or ""
const char *date4cmonth(const char *date8);              // month name or ""
// The date written through the picture: out gets strlen(picture) chars + NUL.
void date4format(const char *date8, char *out, const char *picture);
// As date4format into a buffer of outSize bytes: at most outSize - 1
// characters of the formatted picture, then a NUL (nothing when outSize <= 0).
void date4formatN(const char *date8, char *out, int outSize, const char *picture);
// Text (NUL-terminated) read through the picture into 8 bytes "CCYYMMDD";
// a picture without a century takes it from the clock.
void date4init(char *date8, const char *text, const char *picture);
// As date4init with the century for pictures that lack one given (19, 20..).
void date4initLow(char *date8, const char *text, const char *picture, int defaultCentury);
void date4today(char *date8);                            // 8 bytes, no terminator
void date4timeNow(char *time8);                          // "hh:mm:ss", no terminator
double date4double(const char *date8);                   // julian as double, 1.0E100 blank

// The platform's local time, broken down.
struct DATE4CLOCK {
    int year, month, day;               // 1..9999, 1..12, 1..31
    int hour, minute, second, millisecond;
};
void date4clock(DATE4CLOCK *now);

// double to fixed-width text; returns 0, or -440 when the integer part does
// not fit (the field is then all '*'). Writes exactly width characters.
int c4dtoa45(double value, char *out, int width, int decimals);
// Text to number as the field conversions read them (len bytes, need not be
// terminated). Leading blanks (c4atol: white space) are skipped however many
// there are, so a wide field reads like a narrow one; of what follows,
// c4atol reads at most 127 bytes (a sign, digits) and c4atod at most 49 (a
// sign, integer digits, then '.' and fraction digits); anything else ends
// the number.
long c4atol(const char *text, int len);
double c4atod(const char *text, int len);
