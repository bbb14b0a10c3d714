// The regional date picture: the order of day, month and year in short
// dates, from the C library's locale (the environment's LC_ALL, LC_TIME or
// LANG, read without changing the program's own locale), or from the
// environment variable VANDREL_DATE_ORDER when it is 0, 1 or 2.
#pragma once

namespace vandrel {

// Orders of short dates.
enum DateOrder : int {
    kMonthDayYear = 0,
    kDayMonthYear = 1,
    kYearMonthDay = 2,
};

// The order of a strftime date format ("%d.%m.%Y" day first, "%Y-%m-%d"
// year first); month first when the format names no day or year first.
int dateOrderOfFormat(const char *format);
// VANDREL_DATE_ORDER when it is 0, 1 or 2, else the order of the locale's D_FMT.
int regionalDateOrder();
// "dd/mm/ccyy" for day first, "ccyy/mm/dd" for year first, else "mm/dd/ccyy".
const char *datePicture(int order);

}  // namespace vandrel
