// Handlers of text: concatenation, parts, case, trimming, padding, SPACE(),
// CHR() and IIF(). Results are fixed-length byte runs without a terminator.
// The first operand stands at the result's own place or outside the work
// area, and later operands stand after it, so copying with memmove in the
// order below never overwrites an operand before it is read.
#include <cmath>
#include <cstring>

#include "func4.h"

void e4concat(E4EVAL &r) {
    char *out = e4out(r);
    uint32_t len0 = (uint32_t)r.item->i1, len1 = r.item->len - len0;
    const char *a = e4arg(r, 0, 2), *b = e4arg(r, 1, 2);
    if (a != out) std::memmove(out, a, len0);
    std::memmove(out + len0, b, len1);
    e4push(r, 2, out);
}

namespace {
// The first text without its trailing `pad` bytes, then the second, then
// the dropped bytes at the end.
inline void concatMoving(E4EVAL &r, char pad) {
    char *out = e4out(r);
    uint32_t len0 = (uint32_t)r.item->i1, len1 = r.item->len - len0;
    const char *a = e4arg(r, 0, 2), *b = e4arg(r, 1, 2);
    uint32_t keep = len0;
    while (keep > 0 && a[keep - 1] == pad) keep--;
    if (a != out) std::memmove(out, a, keep);
    std::memmove(out + keep, b, len1);
    std::memset(out + keep + len1, pad, len0 - keep);
    e4push(r, 2, out);
}
}  // namespace

void e4concatTrim(E4EVAL &r) { concatMoving(r, 0); }
void e4concatBlank(E4EVAL &r) { concatMoving(r, ' '); }

void e4chr(E4EVAL &r) {
    char *out = e4out(r);
    double v = std::trunc(e4getDouble(e4arg(r, 0, 1)));
    // The integer part, taken modulo 256; values beyond any integer give 0.
    long n = (v >= -2147483648.0 && v <= 2147483647.0) ? (long)v : 0;
    out[0] = (char)(unsigned char)(n & 0xFF);
    e4push(r, 1, out);
}

void e4substr(E4EVAL &r) {
    // SUBSTR(), LEFT() and RIGHT(): start i1 and length were clipped to the operand.
    char *out = e4out(r);
    std::memmove(out, e4arg(r, 0, 1) + r.item->i1, r.item->len);
    e4push(r, 1, out);
}

void e4upper(E4EVAL &r) {
    char *out = e4out(r);
    uint32_t len = r.item->len;
    const char *a = e4arg(r, 0, 1);
    if (a != out) std::memmove(out, a, len);
    for (uint32_t i = 0; i < len; i++)
        if (out[i] >= 'a' && out[i] <= 'z') out[i] = (char)(out[i] - 'a' + 'A');
    e4push(r, 1, out);
}

void e4space(E4EVAL &r) {
    char *out = e4out(r);
    std::memset(out, ' ', r.item->len);
    e4push(r, 1, out);
}

namespace {
inline bool blankOrNul(char ch) { return ch == ' ' || ch == 0; }

inline void trimRight(char *s, uint32_t len) {
    while (len > 0 && blankOrNul(s[len - 1])) s[--len] = 0;
}

inline void trimLeft(char *out, const char *a, uint32_t len) {
    uint32_t k = 0;
    while (k < len && blankOrNul(a[k])) k++;
    std::memmove(out, a + k, len - k);
    std::memset(out + len - k, 0, k);
}
}  // namespace

void e4trim(E4EVAL &r) {
    char *out = e4out(r);
    uint32_t len = r.item->len;
    const char *a = e4arg(r, 0, 1);
    if (a != out) std::memmove(out, a, len);
    trimRight(out, len);
    e4push(r, 1, out);
}

void e4ltrim(E4EVAL &r) {
    char *out = e4out(r);
    trimLeft(out, e4arg(r, 0, 1), r.item->len);
    e4push(r, 1, out);
}

void e4alltrim(E4EVAL &r) {
    char *out = e4out(r);
    trimLeft(out, e4arg(r, 0, 1), r.item->len);
    trimRight(out, r.item->len);
    e4push(r, 1, out);
}

void e4padl(E4EVAL &r) {
    // The text without trailing NULs, right-aligned in the result with blanks
    // on the left; a longer text keeps its first bytes.
    char *out = e4out(r);
    uint32_t n = r.item->len, len0 = (uint32_t)r.item->i2;
    const char *s = e4arg(r, 0, 1);
    uint32_t t = len0;
    while (t > 0 && s[t - 1] == 0) t--;
    if (t >= n) {
        std::memmove(out, s, n);
    } else {
        std::memmove(out + (n - t), s, t);
        std::memset(out, ' ', n - t);
    }
    e4push(r, 1, out);
}

void e4padr(E4EVAL &r) {
    char *out = e4out(r);
    uint32_t n = r.item->len, len0 = (uint32_t)r.item->i2;
    const char *s = e4arg(r, 0, 1);
    uint32_t c = len0 < n ? len0 : n;
    std::memmove(out, s, c);
    for (uint32_t i = c; i > 0 && out[i - 1] == 0; i--) out[i - 1] = ' ';
    std::memset(out + c, ' ', n - c);
    e4push(r, 1, out);
}

void e4iifText(E4EVAL &r) {
    char *out = e4out(r);
    bool cond = e4getLogical(e4arg(r, 0, 3)) != 0;
    const char *chosen = e4arg(r, cond ? 1 : 2, 3);
    uint32_t clen = (uint32_t)(cond ? r.item->i1 : r.item->i2);
    std::memmove(out, chosen, clen);
    std::memset(out + clen, ' ', r.item->len - clen);
    e4push(r, 3, out);
}

void e4iifDouble(E4EVAL &r) {
    char *out = e4out(r);
    bool cond = e4getLogical(e4arg(r, 0, 3)) != 0;
    std::memmove(out, e4arg(r, cond ? 1 : 2, 3), sizeof(double));
    e4push(r, 3, out);
}

void e4iifLogical(E4EVAL &r) {
    char *out = e4out(r);
    bool cond = e4getLogical(e4arg(r, 0, 3)) != 0;
    std::memmove(out, e4arg(r, cond ? 1 : 2, 3), sizeof(int32_t));
    e4push(r, 3, out);
}
