// Handlers of dates and times. Dates are "CCYYMMDD" text (D, blank = 8
// blanks) or day numbers in a double (d, blank = 0); date-times are the
// field's two little-endian int32: the day number and the milliseconds of
// the day. DTOC() and CTOD() use the date picture copied into the
// constants when the expression was parsed (offset i1).
#include <cmath>
#include <cstring>

#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "func4.h"
#include "tables/date4.h"

namespace {

// A day number held in a double as a long; 0 (blank) outside the dates.
inline long dayOf(double d) { return (d >= 1.0 && d <= (double)DATE4_LAST_DAY) ? (long)d : 0; }

inline void dateText(double d, char *date8) { date4assign(date8, dayOf(d)); }

inline void format(E4EVAL &r, const char *date8, char *out) {
    char text[S4DATE_FORMAT_MAX + 1];
    date4formatN(date8, text, (int)sizeof text, r.constants + r.item->i1);
    std::memcpy(out, text, r.item->len);
}

// Digits [from, from + n) of the date text as a number (blanks give 0).
inline double part(const char *date8, int from, int n) { return (double)c4atol(date8 + from, n); }

inline int32_t intOf(double v) { return (int32_t)e4clampLong(std::trunc(v), -2147483647L, 2147483647L); }

}  // namespace

void e4time(E4EVAL &r) {
    char *out = e4out(r);
    date4timeNow(out);
    *r.top++ = out;
}

void e4dtos(E4EVAL &r) {
    char *out = e4out(r);
    const char *a = e4arg(r, 0, 1);
    if (a != out) std::memmove(out, a, 8);
    if (std::memcmp(out, "       0", 8) == 0) std::memset(out, ' ', 8);
    e4push(r, 1, out);
}

void e4dtosDouble(E4EVAL &r) {
    char *out = e4out(r);
    dateText(e4getDouble(e4arg(r, 0, 1)), out);
    e4push(r, 1, out);
}

void e4dtoc(E4EVAL &r) {
    char *out = e4out(r);
    char date8[8];
    std::memcpy(date8, e4arg(r, 0, 1), 8);
    format(r, date8, out);
    e4push(r, 1, out);
}

void e4dtocDouble(E4EVAL &r) {
    char *out = e4out(r);
    char date8[8];
    dateText(e4getDouble(e4arg(r, 0, 1)), date8);
    format(r, date8, out);
    e4push(r, 1, out);
}

void e4datetime(E4EVAL &r) {
    char *out = e4out(r);
    double y = e4getDouble(e4arg(r, 0, 3)), m = e4getDouble(e4arg(r, 1, 3)), d = e4getDouble(e4arg(r, 2, 3));
    int32_t year = intOf(y), month = intOf(m), day = intOf(d);
    long julian = (year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31)
                      ? date4julian(year, month, day)
                      : -1;
    b4::putI32le((unsigned char *)out, (int32_t)julian);
    b4::putI32le((unsigned char *)out + 4, r.item->i1);
    e4push(r, 3, out);
}

void e4stod(E4EVAL &r) {
    char *out = e4out(r);
    uint32_t len = r.item[-1].len;  // the operand ends just before this entry
    char date8[8];
    std::memset(date8, ' ', 8);
    std::memcpy(date8, e4arg(r, 0, 1), len < 8 ? len : 8);
    e4putDouble(out, (double)date4long(date8));
    e4push(r, 1, out);
}

void e4ctod(E4EVAL &r) {
    char *out = e4out(r);
    uint32_t len = r.item[-1].len;
    char text[64];
    uint32_t n = len < sizeof text - 1 ? len : (uint32_t)sizeof text - 1;
    std::memcpy(text, e4arg(r, 0, 1), n);
    text[n] = 0;
    char date8[8];
    date4init(date8, text, r.constants + r.item->i1);
    long day = date4long(date8);
    e4putDouble(out, (double)day);
    e4push(r, 1, out);
}

void e4date(E4EVAL &r) {
    char *out = e4out(r);
    char date8[8];
    date4today(date8);
    e4putDouble(out, (double)date4long(date8));
    *r.top++ = out;
}

void e4day(E4EVAL &r) {
    char *out = e4out(r);
    e4putDouble(out, part(e4arg(r, 0, 1), 6, 2));
    e4push(r, 1, out);
}

void e4month(E4EVAL &r) {
    char *out = e4out(r);
    e4putDouble(out, part(e4arg(r, 0, 1), 4, 2));
    e4push(r, 1, out);
}

void e4year(E4EVAL &r) {
    char *out = e4out(r);
    e4putDouble(out, part(e4arg(r, 0, 1), 0, 4));
    e4push(r, 1, out);
}

void e4dayDouble(E4EVAL &r) {
    char *out = e4out(r);
    char date8[8];
    dateText(e4getDouble(e4arg(r, 0, 1)), date8);
    e4putDouble(out, part(date8, 6, 2));
    e4push(r, 1, out);
}

void e4monthDouble(E4EVAL &r) {
    char *out = e4out(r);
    char date8[8];
    dateText(e4getDouble(e4arg(r, 0, 1)), date8);
    e4putDouble(out, part(date8, 4, 2));
    e4push(r, 1, out);
}

void e4yearDouble(E4EVAL &r) {
    char *out = e4out(r);
    char date8[8];
    dateText(e4getDouble(e4arg(r, 0, 1)), date8);
    e4putDouble(out, part(date8, 0, 4));
    e4push(r, 1, out);
}
