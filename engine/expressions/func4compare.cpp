// Handlers of the comparisons and "$". Text compares the first i1 bytes
// (the shorter operand's length) as unsigned bytes; on a tie ">" and "<"
// answer with the length rule the type pass stored in i2 (">" true when the
// left text is longer, "<" when it is shorter), while ">=" and "<=" count a
// tie as true. Currency compares signed 64-bit values, date-time the day and
// then the milliseconds as signed 32-bit values.
#include <cstring>

#include "foundation/bytes.h"
#include "func4.h"

namespace {

inline void result(E4EVAL &r, int32_t v) {
    char *out = e4out(r);
    e4putLogical(out, v);
    e4push(r, 2, out);
}

inline int textCompare(E4EVAL &r) {
    return std::memcmp(e4arg(r, 0, 2), e4arg(r, 1, 2), (size_t)r.item->i1);
}

inline int sign(int64_t a, int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

inline int currencyCompare(E4EVAL &r) {
    const unsigned char *a = (const unsigned char *)e4arg(r, 0, 2), *b = (const unsigned char *)e4arg(r, 1, 2);
    return sign(b4::getI64le(a), b4::getI64le(b));
}

inline int dateTimeCompare(E4EVAL &r) {
    const unsigned char *a = (const unsigned char *)e4arg(r, 0, 2), *b = (const unsigned char *)e4arg(r, 1, 2);
    int c = sign(b4::getI32le(a), b4::getI32le(b));
    return c ? c : sign(b4::getI32le(a + 4), b4::getI32le(b + 4));
}

inline double left(E4EVAL &r) { return e4getDouble(e4arg(r, 0, 2)); }
inline double right(E4EVAL &r) { return e4getDouble(e4arg(r, 1, 2)); }

}  // namespace

void e4eqText(E4EVAL &r) { result(r, textCompare(r) == 0); }
// "==": the whole texts, blanks included; a text ends before its trailing
// NUL bytes (the fill TRIM() and the trimming "+" leave). i1 and i2 hold the
// operands' lengths.
void e4eqExactText(E4EVAL &r) {
    const char *a = e4arg(r, 0, 2), *b = e4arg(r, 1, 2);
    uint32_t la = (uint32_t)r.item->i1, lb = (uint32_t)r.item->i2;
    while (la > 0 && a[la - 1] == 0) la--;
    while (lb > 0 && b[lb - 1] == 0) lb--;
    result(r, la == lb && std::memcmp(a, b, la) == 0);
}
void e4neText(E4EVAL &r) { result(r, textCompare(r) != 0); }
void e4gtText(E4EVAL &r) {
    int c = textCompare(r);
    result(r, c > 0 ? 1 : (c < 0 ? 0 : r.item->i2));
}
void e4ltText(E4EVAL &r) {
    int c = textCompare(r);
    result(r, c < 0 ? 1 : (c > 0 ? 0 : r.item->i2));
}
void e4geText(E4EVAL &r) { result(r, textCompare(r) >= 0); }
void e4leText(E4EVAL &r) { result(r, textCompare(r) <= 0); }

// Numbers and day numbers compare by value (so -0 equals 0).
void e4eqDouble(E4EVAL &r) { result(r, left(r) == right(r)); }
void e4neDouble(E4EVAL &r) { result(r, left(r) != right(r)); }
void e4gtDouble(E4EVAL &r) { result(r, left(r) > right(r)); }
void e4ltDouble(E4EVAL &r) { result(r, left(r) < right(r)); }
void e4geDouble(E4EVAL &r) { result(r, left(r) >= right(r)); }
void e4leDouble(E4EVAL &r) { result(r, left(r) <= right(r)); }

void e4eqLogical(E4EVAL &r) {
    result(r, std::memcmp(e4arg(r, 0, 2), e4arg(r, 1, 2), sizeof(int32_t)) == 0);
}
void e4neLogical(E4EVAL &r) {
    result(r, std::memcmp(e4arg(r, 0, 2), e4arg(r, 1, 2), sizeof(int32_t)) != 0);
}

void e4eqCurrency(E4EVAL &r) { result(r, currencyCompare(r) == 0); }
void e4neCurrency(E4EVAL &r) { result(r, currencyCompare(r) != 0); }
void e4gtCurrency(E4EVAL &r) { result(r, currencyCompare(r) > 0); }
void e4ltCurrency(E4EVAL &r) { result(r, currencyCompare(r) < 0); }
void e4geCurrency(E4EVAL &r) { result(r, currencyCompare(r) >= 0); }
void e4leCurrency(E4EVAL &r) { result(r, currencyCompare(r) <= 0); }

void e4eqDateTime(E4EVAL &r) { result(r, dateTimeCompare(r) == 0); }
void e4neDateTime(E4EVAL &r) { result(r, dateTimeCompare(r) != 0); }
void e4gtDateTime(E4EVAL &r) { result(r, dateTimeCompare(r) > 0); }
void e4ltDateTime(E4EVAL &r) { result(r, dateTimeCompare(r) < 0); }
void e4geDateTime(E4EVAL &r) { result(r, dateTimeCompare(r) >= 0); }
void e4leDateTime(E4EVAL &r) { result(r, dateTimeCompare(r) <= 0); }

void e4contains(E4EVAL &r) {
    // The whole first text (i1 bytes, trailing blanks included) somewhere in
    // the second (i2 bytes).
    uint32_t a = (uint32_t)r.item->i1, b = (uint32_t)r.item->i2;
    const char *needle = e4arg(r, 0, 2), *hay = e4arg(r, 1, 2);
    int32_t found = 0;
    for (uint32_t pos = 0; a <= b && pos <= b - a && !found; pos++) found = std::memcmp(hay + pos, needle, a) == 0;
    result(r, found);
}
