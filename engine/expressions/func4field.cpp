// Handlers of fields and constants. A field that needs no conversion is
// pushed as a pointer into the record buffer; the others are converted or
// copied into the entry's place. Field entries keep the field's offset in
// i1 and its width in the record in i2.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "foundation/bytes.h"
#include "func4.h"
#include "tables/date4.h"
#include "tables/field4.h"
#include "tables/memo4.h"

namespace {
inline const unsigned char *fieldBytes(const E4EVAL &r) { return e4record(r.item) + r.item->i1; }

constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Numeric text to double exactly as c4atod reads it, with a fast path for
// the usual field texts: with at most 15 digits the digits and the power of
// ten are exact doubles, so one division rounds correctly, giving the value
// the general conversion gives. Longer texts take the general conversion.
inline double numericText(const char *s, int len) {
    while (len > 0 && *s == ' ') {
        s++;
        len--;
    }
    if (len > E4MAX_NUMBER_TEXT) len = E4MAX_NUMBER_TEXT;
    int i = 0;
    bool negative = false;
    if (i < len && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    uint64_t digits = 0;
    int count = 0, decimals = 0;
    for (; i < len && (unsigned)(s[i] - '0') < 10u; i++, count++) digits = digits * 10 + (unsigned)(s[i] - '0');
    if (i < len && s[i] == '.')
        for (i++; i < len && (unsigned)(s[i] - '0') < 10u; i++, count++, decimals++)
            digits = digits * 10 + (unsigned)(s[i] - '0');
    if (count == 0) return 0.0;
    if (count > 15) return c4atod(s, len);
    double v = (double)digits / kPow10[decimals];
    return negative ? -v : v;
}
}  // namespace

void e4fieldPtr(E4EVAL &r) { *r.top++ = (char *)fieldBytes(r); }

void e4fieldCopy(E4EVAL &r) {
    char *out = e4out(r);
    std::memcpy(out, fieldBytes(r), r.item->len);
    // A varchar's value is padded with blanks, as its writers key it.
    const FIELD4 *f = r.item->field;
    if (f && f->varLength) {
        unsigned n = field4varLenIn(f, e4record(r.item));
        if (n < r.item->len) std::memset(out + n, ' ', r.item->len - n);
    }
    *r.top++ = out;
}

void e4fieldCopyO(E4EVAL &r) {
    char *out = e4out(r);
    // The result length is the field width less its two trailing bytes.
    std::memcpy(out, fieldBytes(r), r.item->len);
    *r.top++ = out;
}

void e4fieldLogical(E4EVAL &r) {
    char *out = e4out(r);
    unsigned char b = *fieldBytes(r);
    e4putLogical(out, b == 'T' || b == 't' || b == 'Y' || b == 'y');
    *r.top++ = out;
}

void e4fieldDateDouble(E4EVAL &r) {
    char *out = e4out(r);
    // Blank or "00000000" is 0, an impossible date -1.
    e4putDouble(out, (double)date4long((const char *)fieldBytes(r)));
    *r.top++ = out;
}

void e4fieldNumDouble(E4EVAL &r) {
    char *out = e4out(r);
    e4putDouble(out, numericText((const char *)fieldBytes(r), r.item->i2));
    *r.top++ = out;
}

void e4fieldDouble(E4EVAL &r) {
    char *out = e4out(r);
    e4putDouble(out, b4::getF64le(fieldBytes(r)));
    *r.top++ = out;
}

void e4fieldShort(E4EVAL &r) {
    // Two bytes in the record, held in a 4-byte place: the readers take the
    // low 16 bits, and nothing reads past the field.
    char *out = e4out(r);
    std::memcpy(out, fieldBytes(r), 2);
    out[2] = out[3] = 0;
    *r.top++ = out;
}

void e4fieldIntDouble(E4EVAL &r) {
    char *out = e4out(r);
    e4putDouble(out, (double)b4::getI32le(fieldBytes(r)));
    *r.top++ = out;
}

void e4fieldCurrencyDouble(E4EVAL &r) {
    // The value through its text with four decimals, as the field reads it.
    char *out = e4out(r);
    int64_t v = b4::getI64le(fieldBytes(r));
    uint64_t mag = v < 0 ? (uint64_t)0 - (uint64_t)v : (uint64_t)v;
    char text[32];
    int n = std::snprintf(text, sizeof text, "%s%" PRIu64 ".%04u", v < 0 ? "-" : "", mag / 10000u,
                          (unsigned)(mag % 10000u));
    e4putDouble(out, c4atod(text, n));
    *r.top++ = out;
}

void e4fieldMemo(E4EVAL &r) {
    char *out = e4out(r);
    uint32_t cap = r.item->len;
    FIELD4 *f = r.item->field;
    const char *text = f ? f4memoPtr(f) : nullptr;
    uint32_t n = text ? f4memoLen(f) : 0;
    if (n > cap) n = cap;
    if (n) std::memcpy(out, text, n);
    std::memset(out + n, 0, cap - n);
    *r.top++ = out;
}

void e4constDouble(E4EVAL &r) {
    char *out = e4out(r);
    std::memcpy(out, r.constants + r.item->i1, sizeof(double));
    *r.top++ = out;
}

void e4constText(E4EVAL &r) {
    char *out = e4out(r);
    std::memcpy(out, r.constants + r.item->i1, r.item->len);
    *r.top++ = out;
}
