// Dates: "CCYYMMDD" text <-> julian day numbers, day and month names, and
// the date pictures used to show and read dates.
//
// Stored date (8 ASCII bytes):
//   offset 0  2  century digits "CC"
//   offset 2  2  year digits    "YY"
//   offset 4  2  month          "01".."12"
//   offset 6  2  day            "01".."31"
// 8 blanks or "00000000" is the blank date (day number 0).
//
// Day numbers count days from the julian epoch; the proleptic Gregorian
// calendar is used throughout: day 1721426 is 0001-01-01 and 2451545 is
// 2000-01-01. Only years 1..9999 have a stored form.
#include "tables/date4.h"

#include <cctype>
#include <cstring>

namespace {

constexpr long kEpochOffset = 1721425;  // day number of 0000-12-31

const char *const kDayNames[8] = {"",         "Sunday",   "Monday", "Tuesday",
                                  "Wednesday", "Thursday", "Friday", "Saturday"};
const char *const kMonthNames[13] = {"",     "January", "February", "March",     "April",
                                     "May",  "June",    "July",     "August",    "September",
                                     "October", "November", "December"};
// Days before each month in a common year.
const int kDaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

bool isLeap(long year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days from 0001-01-01 to the first day of year (year >= 1).
long daysBeforeYear(long year) {
    long a = year - 1;
    return 365 * a + a / 4 - a / 100 + a / 400;
}

int monthLength(long year, int month) {
    int len = kDaysBeforeMonth[month] - kDaysBeforeMonth[month - 1];
    return (month == 2 && isLeap(year)) ? len + 1 : len;
}

// Value of the leading digits of n bytes after leading blanks; stops at the
// first other byte. Only used on bytes already checked to be digits/blanks.
int digitsValue(const char *p, int n) {
    int i = 0;
    while (i < n && p[i] == ' ') i++;
    int v = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; i++) v = v * 10 + (p[i] - '0');
    return v;
}

void putDigits(char *out, long value, int n) {
    for (int i = n - 1; i >= 0; i--) {
        out[i] = (char)('0' + value % 10);
        value /= 10;
    }
}

char upper(char c) { return (char)std::toupper((unsigned char)c); }

// Part of "CCYYMMDD" a picture letter stands for: 0 century, 1 year,
// 2 month, 3 day; -1 for any other character.
int datePart(char upperCase) {
    switch (upperCase) {
    case 'C': return 0;
    case 'Y': return 1;
    case 'M': return 2;
    case 'D': return 3;
    default: return -1;
    }
}

bool isDateLetter(char c) { return datePart(c) >= 0; }

// Start and length of the first run of 3 or more 'M' in the (upper-cased)
// picture of n characters; false when there is none.
bool findMonthNameRun(const char *picture, int n, int *start, int *len) {
    for (int i = 0; i < n;) {
        if (upper(picture[i]) != 'M') {
            i++;
            continue;
        }
        int j = i;
        while (j < n && upper(picture[j]) == 'M') j++;
        if (j - i >= 3) {
            *start = i;
            *len = j - i;
            return true;
        }
        i = j;
    }
    return false;
}

}  // namespace

long date4julian(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return -1;
    if (day < 1 || day > monthLength(year, month)) return -1;
    long dayOfYear = kDaysBeforeMonth[month - 1] + day + ((month > 2 && isLeap(year)) ? 1 : 0);
    return dayOfYear + daysBeforeYear(year) + kEpochOffset;
}

long date4long(const char *date8) {
    for (int i = 0; i < 8; i++) {
        char c = date8[i];
        if (c != ' ' && (c < '0' || c > '9')) return -1;
    }
    int year = digitsValue(date8, 4);
    if (year == 0) {
        if (std::memcmp(date8, "        ", 8) == 0 || std::memcmp(date8, "00000000", 8) == 0) return 0;
        // Year 0 has no place in the calendar the day numbers count.
        return -1;
    }
    return date4julian(year, digitsValue(date8 + 4, 2), digitsValue(date8 + 6, 2));
}

void date4assignLow(char *date8, long julian, int zeroFill) {
    if (julian < DATE4_FIRST_DAY || julian > DATE4_LAST_DAY) {
        // Blank, or a day with no 4-digit year.
        std::memset(date8, zeroFill ? '0' : ' ', 8);
        return;
    }
    long m = julian - kEpochOffset;
    long c = (long)((double)m * (-1.0 / 365.2425));
    long year = 1 - c;
    long dayOfYear = m - daysBeforeYear(year);
    if (dayOfYear <= 0) {
        year = -c;
        dayOfYear = m - daysBeforeYear(year);
    }
    long yearLen = isLeap(year) ? 366 : 365;
    if (dayOfYear > yearLen) {
        dayOfYear -= yearLen;
        year++;
    }
    int leapDay = isLeap(year) ? 1 : 0;
    int month = 1;
    while (month < 12) {
        int before = kDaysBeforeMonth[month] + (month >= 2 ? leapDay : 0);
        if (dayOfYear <= before) break;
        month++;
    }
    long day = dayOfYear - kDaysBeforeMonth[month - 1] - (month > 2 ? leapDay : 0);
    putDigits(date8, year, 4);
    putDigits(date8 + 4, month, 2);
    putDigits(date8 + 6, day, 2);
}

void date4assign(char *date8, long julian) { date4assignLow(date8, julian, 0); }

int date4dow(const char *date8) {
    long j = date4long(date8);
    if (j < 0) return 0;
    return (int)((j + 1) % 7) + 1;
}

const char *date4cdow(const char *date8) { return kDayNames[date4dow(date8)]; }

const char *date4cmonth(const char *date8) {
    for (int i = 4; i < 6; i++)
        if (date8[i] != ' ' && (date8[i] < '0' || date8[i] > '9')) return kMonthNames[0];
    int month = digitsValue(date8 + 4, 2);
    return (month >= 1 && month <= 12) ? kMonthNames[month] : kMonthNames[0];
}

double date4double(const char *date8) {
    long j = date4long(date8);
    // An invalid date is no date at all, the same as a blank one.
    if (j <= 0) return DATE4_BLANK_DOUBLE;
    return (double)j;
}

void date4formatN(const char *date8, char *out, int outSize, const char *picture) {
    if (outSize <= 0) return;
    int n = (int)std::strlen(picture);
    if (n > outSize - 1) n = outSize - 1;
    // Letters start blank; every other character is copied as it stands.
    for (int i = 0; i < n; i++) out[i] = isDateLetter(upper(picture[i])) ? ' ' : picture[i];
    out[n] = 0;

    // Each part of "CCYYMMDD" goes into the first run of its letter.
    static const char kLetters[4] = {'C', 'Y', 'M', 'D'};
    for (int part = 0; part < 4; part++) {
        int i = 0;
        while (i < n && upper(picture[i]) != kLetters[part]) i++;
        const char *src = date8 + part * 2;
        for (int k = 0; k < 2 && i < n && upper(picture[i]) == kLetters[part]; k++, i++) out[i] = src[k];
    }

    int start, len;
    if (!findMonthNameRun(picture, n, &start, &len)) return;
    std::memset(out + start, ' ', (size_t)len);
    if (date8[4] == ' ' && date8[5] == ' ') return;
    int month = digitsValue(date8 + 4, 2);
    if (month < 1) month = 1;
    if (month > 12) month = 12;
    const char *name = kMonthNames[month];
    int nameLen = (int)std::strlen(name);
    if (nameLen > 9) nameLen = 9;
    if (nameLen > len) nameLen = len;
    std::memcpy(out + start, name, (size_t)nameLen);
}

void date4format(const char *date8, char *out, const char *picture) {
    date4formatN(date8, out, (int)std::strlen(picture) + 1, picture);
}

void date4initLow(char *date8, const char *text, const char *picture, int defaultCentury) {
    std::memset(date8, ' ', 8);
    // Next free position of each part, and where each part ends.
    int next[4] = {0, 2, 4, 6};
    bool inPicture[4] = {false, false, false, false};
    bool readSomething = false;

    int textLen = (int)std::strlen(text);
    int picLen = (int)std::strlen(picture);
    for (int i = 0; i < picLen; i++) {
        int part = datePart(upper(picture[i]));
        if (part < 0) continue;
        inPicture[part] = true;
        if (i >= textLen || next[part] >= part * 2 + 2) continue;
        date8[next[part]++] = text[i];
        if (text[i] != ' ') readSomething = true;
    }
    // Nothing read at all: the blank date.
    if (!readSomething) {
        std::memset(date8, ' ', 8);
        return;
    }

    if (!inPicture[0]) {
        int century = defaultCentury < 0 ? 0 : defaultCentury % 100;
        putDigits(date8, century, 2);
    }
    if (!inPicture[1]) std::memcpy(date8 + 2, "01", 2);
    if (!inPicture[2]) std::memcpy(date8 + 4, "01", 2);
    if (!inPicture[3]) std::memcpy(date8 + 6, "01", 2);

    int start, len;
    if (findMonthNameRun(picture, picLen, &start, &len)) {
        date8[4] = date8[5] = ' ';
        char word[4] = {0, 0, 0, 0};
        int wordLen = 0;
        for (int k = 0; k < 3 && k < len && start + k < textLen; k++) word[wordLen++] = text[start + k];
        while (wordLen > 0 && word[wordLen - 1] == ' ') word[--wordLen] = 0;
        for (int k = 0; k < wordLen; k++)
            word[k] = (char)(k == 0 ? std::toupper((unsigned char)word[k]) : std::tolower((unsigned char)word[k]));
        // An empty word names no month (it would otherwise match January).
        for (int month = 1; wordLen > 0 && month <= 12; month++) {
            if (std::strncmp(kMonthNames[month], word, (size_t)wordLen) == 0) {
                putDigits(date8 + 4, month, 2);
                break;
            }
        }
    }

    for (int i = 0; i < 8; i++)
        if (date8[i] == ' ') date8[i] = '0';
}

void date4init(char *date8, const char *text, const char *picture) {
    DATE4CLOCK now;
    date4clock(&now);
    date4initLow(date8, text, picture, now.year / 100);
}
