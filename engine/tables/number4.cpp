// Numbers as text: the fixed-width double-to-text conversion of numeric
// fields and STR(), and the text-to-number readings of the field
// conversions. Independent of the C library's locale: '.' is always the
// decimal point.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "foundation/error4.h"
#include "tables/date4.h"

namespace {

constexpr int kMaxDecimals = 15;
// Extra digits printed past the requested decimals: a double that is not an
// exact half at the rounding position differs from one within these digits,
// so the first extra digit alone decides the rounding.
constexpr int kGuardDigits = 30;
// Integer digits of the largest finite double (about 1.8e308).
constexpr int kMaxIntDigits = 309;

// The digits of magnitude rounded half away from zero at decimals places,
// by integer arithmetic, for the common case of a value whose scaled form
// is small and not within reach of a half (where the product's rounding
// could matter); false leaves the case to the exact conversion.
bool fastDigits(double magnitude, int decimals, char *digits, int *intLen) {
    static const double kPow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9};
    if (decimals > 9) return false;
    double scaled = magnitude * kPow10[decimals];
    if (!(scaled < 4294967296.0)) return false;
    double whole = std::floor(scaled);
    double frac = scaled - whole;
    if (std::fabs(frac - 0.5) < 1e-5) return false;
    uint64_t r = (uint64_t)whole + (frac > 0.5 ? 1 : 0);
    char tmp[24];
    int n = 0;
    do {
        tmp[n++] = (char)('0' + r % 10);
        r /= 10;
    } while (r);
    while (n < decimals + 1) tmp[n++] = '0';  // at least one integer digit
    *intLen = n - decimals;
    digits[0] = '0';
    for (int i = 0; i < n; i++) digits[1 + i] = tmp[n - 1 - i];
    return true;
}

}  // namespace

int c4dtoa45(double value, char *out, int width, int decimals) {
    if (width <= 0) return e4overflow;
    if (!std::isfinite(value)) {
        std::memset(out, '*', (size_t)width);
        return e4overflow;
    }
    if (decimals > kMaxDecimals) decimals = kMaxDecimals;
    if (decimals > width - 1) decimals = width - 1;
    if (decimals < 0) decimals = 0;
    // Room for the integer part (and sign) before the point or the end.
    int intRoom = decimals > 0 ? width - decimals - 1 : width;

    bool negative = std::signbit(value);
    double magnitude = std::fabs(value);
    // digits = integer digits followed by the kept decimals, with one leading
    // slot for a carry.
    char digits[1 + kMaxIntDigits + kMaxDecimals + 1];
    int intLen = 0;
    if (fastDigits(magnitude, decimals, digits, &intLen)) goto layout;
    {
    // The exact decimal digits of the magnitude, then rounded half away
    // from zero at the requested number of decimals.
    char text[kMaxIntDigits + 1 + kMaxDecimals + kGuardDigits + 8];
    int len = std::snprintf(text, sizeof text, "%.*f", decimals + kGuardDigits, magnitude);
    if (len <= 0 || len >= (int)sizeof text) {
        std::memset(out, '*', (size_t)width);
        return e4overflow;
    }
    // The radix character follows the locale; find the digits around it.
    while (text[intLen] >= '0' && text[intLen] <= '9') intLen++;
    const char *frac = text + intLen;
    while (*frac && (*frac < '0' || *frac > '9')) frac++;
    if ((int)std::strlen(frac) < decimals + kGuardDigits) {
        std::memset(out, '*', (size_t)width);
        return e4overflow;
    }
    digits[0] = '0';
    std::memcpy(digits + 1, text, (size_t)intLen);
    std::memcpy(digits + 1 + intLen, frac, (size_t)decimals);
    if (frac[decimals] >= '5') {
        int i = intLen + decimals;  // the last kept digit
        while (digits[i] == '9') digits[i--] = '0';
        digits[i]++;
    }
    }
layout:
    int count = 1 + intLen + decimals;
    // Integer digits without leading zeros (start..intEnd).
    int intEnd = 1 + intLen;
    int start = 0;
    while (start < intEnd && digits[start] == '0') start++;
    int intDigits = intEnd - start;
    bool allZero = intDigits == 0;
    for (int i = intEnd; i < count && allZero; i++) allZero = digits[i] == '0';
    if (allZero) negative = false;  // no "-0"

    // A value below 1 keeps its '0' when there is room for it.
    bool leadingZero = intDigits == 0 && intRoom - (negative ? 1 : 0) >= 1;
    int need = intDigits + (leadingZero ? 1 : 0) + (negative ? 1 : 0);
    if (need > intRoom) {
        std::memset(out, '*', (size_t)width);
        return e4overflow;
    }

    std::memset(out, ' ', (size_t)intRoom);
    int pos = intRoom;
    if (leadingZero) out[--pos] = '0';
    for (int i = intEnd - 1; i >= start; i--) out[--pos] = digits[i];
    if (negative) out[--pos] = '-';
    if (decimals > 0) {
        out[intRoom] = '.';
        std::memcpy(out + intRoom + 1, digits + intEnd, (size_t)decimals);
    }
    return 0;
}

long c4atol(const char *text, int len) {
    char buf[128];
    if (len < 0) len = 0;
    while (len > 0 && (*text == ' ' || (*text >= '\t' && *text <= '\r'))) {
        text++;
        len--;
    }
    if (len > 127) len = 127;
    std::memcpy(buf, text, (size_t)len);
    buf[len] = 0;
    return std::strtol(buf, nullptr, 10);
}

double c4atod(const char *text, int len) {
    if (len < 0) len = 0;
    while (len > 0 && *text == ' ') {
        text++;
        len--;
    }
    if (len > 49) len = 49;
    int i = 0;
    // Rebuild a clean "-digits.digits" and let from_chars round it exactly.
    char clean[64];
    int n = 0;
    if (i < len && (text[i] == '-' || text[i] == '+')) {
        if (text[i] == '-') clean[n++] = '-';
        i++;
    }
    int digits = 0;
    for (; i < len && text[i] >= '0' && text[i] <= '9'; i++, digits++) clean[n++] = text[i];
    if (i < len && text[i] == '.') {
        clean[n++] = '.';
        for (i++; i < len && text[i] >= '0' && text[i] <= '9'; i++, digits++) clean[n++] = text[i];
    }
    if (digits == 0) return 0.0;
    double value = 0.0;
    std::from_chars(clean, clean + n, value);
    return value;
}
