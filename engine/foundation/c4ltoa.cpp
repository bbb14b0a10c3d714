#include "c4ltoa.h"

#include <cstdlib>
#include <cstring>

void c4ltoa45(long value, char *out, int width) {
    bool zeroFill = width < 0;
    int w = zeroFill ? -width : width;
    if (w <= 0) return;
    bool negative = value < 0;
    // Unsigned magnitude so LONG_MIN does not overflow.
    unsigned long mag = negative ? 0UL - (unsigned long)value : (unsigned long)value;
    char digits[24];
    int n = 0;
    do {
        digits[n++] = (char)('0' + mag % 10);
        mag /= 10;
    } while (mag);
    int need = n + (negative ? 1 : 0);
    if ((zeroFill && negative) || need > w) {
        std::memset(out, '*', (size_t)w);
        return;
    }
    std::memset(out, zeroFill ? '0' : ' ', (size_t)w);
    for (int i = 0; i < n; i++) out[w - 1 - i] = digits[i];
    if (negative) out[w - 1 - n] = '-';
}
