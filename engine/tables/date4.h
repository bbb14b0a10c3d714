// Dates and numbers: "CCYYMMDD" text <-> julian day numbers (1 January 2000
// is day 2451545; 0 is blank, -1 invalid), day and month names, date
// pictures ("MM/DD/YY"), the clock, and fixed-width number-to-text.
#pragma once
#include <cstdint>

#include "foundation/c4ltoa.h"

struct CODE4;

constexpr double DATE4_BLANK_DOUBLE = 1.0e100;  // a blank date as a double

long date4long(const char *date8);                       // 0 blank, -1 invalid
void date4assign(char *date8, long julian);              // 8 blanks for <= 0
void date4assignLow(char *date8, long julian, int zeroFill);
int date4dow(const char *date8);                         // 1 Sunday .. 7 Saturday, 0 invalid
const char *date4cdow(const char *date8);                // day name or ""
const char *date4cmonth(const char *date8);              // month name or ""
void date4format(const char *date8, char *out, const char *picture);  // out gets strlen(picture) chars + NUL
void date4init(char *date8, const char *text, const char *picture);
void date4today(char *date8);
void date4timeNow(char *time8);                          // "hh:mm:ss"
double date4double(const char *date8);                   // julian as double, 1.0E100 blank
// double to fixed-width text; returns 0, or -440 when the integer part does
// not fit (the field is then all '*'). Writes exactly width characters.
int c4dtoa45(double value, char *out, int width, int decimals);
// Text to number as the field conversions read them.
long c4atol(const char *text, int len);
double c4atod(const char *text, int len);
