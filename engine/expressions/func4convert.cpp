// Handlers of number conversions (STR(), STRZERO(), VAL(), L2BIN()) and of
// the ASCEND()/DESCEND() key forms, which use the shared key encodings.
#include <climits>
#include <cmath>
#include <cstring>

#include "foundation/bytes.h"
#include "func4.h"
#include "key4.h"
#include "tables/date4.h"
#include "tables/field4.h"

void e4str(E4EVAL &r) {
    // Right-aligned with i1 decimals; '*' throughout when it does not fit.
    char *out = e4out(r);
    double v = e4getDouble(e4arg(r, 0, 1));
    if (r.item->len > 0) c4dtoa45(v, out, (int)r.item->len, r.item->i1);
    e4push(r, 1, out);
}

void e4strWide(E4EVAL &r) {
    // Each byte of the field becomes the byte and a 0, up to and including a
    // NUL byte; the rest of the result is NUL bytes.
    char *out = e4out(r);
    const char *a = e4arg(r, 0, 1);
    uint32_t len = r.item->len, pairs = len / 2, i = 0;
    if (a == out) {
        // In place: walk backwards so no byte is overwritten before it is read.
        uint32_t stop = pairs;
        for (uint32_t k = 0; k < pairs; k++)
            if (a[k] == 0) {
                stop = k + 1;
                break;
            }
        for (uint32_t k = stop; k-- > 0;) {
            out[2 * k] = a[k];
            out[2 * k + 1] = 0;
        }
        i = stop;
    } else {
        for (; i < pairs; i++) {
            out[2 * i] = a[i];
            out[2 * i + 1] = 0;
            if (a[i] == 0) {
                i++;
                break;
            }
        }
    }
    std::memset(out + 2 * i, 0, len - 2 * i);
    e4push(r, 1, out);
}

void e4strZero(E4EVAL &r) {
    char *out = e4out(r);
    double v = e4getDouble(e4arg(r, 0, 1));
    int len = (int)r.item->len;
    char fill = (char)('0' + r.item->i1);
    e4push(r, 1, out);
    if (len <= 0) return;
    // Integer digits of |v|, one more for a minus sign.
    double mag = std::trunc(std::fabs(v));
    int count = 1;
    if (!std::isfinite(mag)) {
        count = len + 1;
    } else {
        while (mag >= 10.0 && count <= len) {
            mag = std::trunc(mag / 10.0);
            count++;
        }
    }
    if (v < 0) count++;
    if (count > len) {
        std::memset(out, '*', (size_t)len);
        return;
    }
    int decimals = len - count - 1;
    if (decimals < 0) decimals = 0;
    if (c4dtoa45(v, out, len, decimals) < 0) return;  // all '*'
    // Drop trailing zero decimals (and the point when all are zero) and move
    // the text right by as many characters.
    int drop = 0;
    if (decimals > 0) {
        const char *point = static_cast<const char *>(std::memchr(out, '.', (size_t)len));
        if (point) {
            int p = (int)(point - out);
            int z = 0;
            while (len - 1 - z > p && out[len - 1 - z] == '0') z++;
            drop = (len - 1 - z == p) ? z + 1 : z;
        }
    }
    if (drop > 0) {
        std::memmove(out + drop, out, (size_t)(len - drop));
        std::memset(out, fill, (size_t)drop);
    }
    for (int i = 0; i < len && out[i] == ' '; i++) out[i] = fill;
    // A minus sign goes in front of the fill digits, not among them.
    char *minus = static_cast<char *>(std::memchr(out, '-', (size_t)len));
    if (minus && minus != out) {
        *minus = fill;
        out[0] = '-';
    }
}

void e4val(E4EVAL &r) {
    char *out = e4out(r);
    uint32_t len = r.item[-1].len;  // the operand ends just before this entry
    const char *a = e4arg(r, 0, 1);
    e4putDouble(out, c4atod(a, len > INT32_MAX ? INT32_MAX : (int)len));
    e4push(r, 1, out);
}

void e4l2bin(E4EVAL &r) {
    char *out = e4out(r);
    double v = std::trunc(e4getDouble(e4arg(r, 0, 1)));
    // The integer part as 32 bits, least significant byte first (wrapping).
    int64_t n = (v >= -9.2e18 && v <= 9.2e18) ? (int64_t)v : 0;
    b4::putU32le((unsigned char *)out, (uint32_t)n);
    e4push(r, 1, out);
}

template <char Type, bool Descend>
void e4keyForm(E4EVAL &r) {
    unsigned char *out = (unsigned char *)e4out(r);
    const char *a = e4arg(r, 0, 1);
    int len = (int)r.item->len;
    if (Type == 'C' || Type == 'D') {
        if (a != (const char *)out) std::memmove(out, a, (size_t)len);
    } else if (Type == 'W' || Type == 'O') {
        if (a != (const char *)out) {
            key4ascend(Type, a, len, out, len);
        } else {
            for (int i = 0; i + 1 < len; i += 2) {
                unsigned char lo = out[i];
                out[i] = out[i + 1];
                out[i + 1] = lo;
            }
        }
    } else if (Type == 'N') {
        // Numeric fields are read in place from the record, never from here.
        // The operand is the field read just before; its decimals place the
        // point in the key of a blank number.
        const FIELD4 *field = r.item[-1].field;
        int decimals = field ? (int)field->dec : 0;
        if (a == (const char *)out) {
            unsigned char tmp[256];
            int n = len < 256 ? len : 256;
            std::memcpy(tmp, a, (size_t)n);
            key4numericAscend((const char *)tmp, n, out, len, decimals);
        } else {
            key4numericAscend(a, len, out, len, decimals);
        }
    } else {
        unsigned char value[16];
        std::memcpy(value, a, Type == '4' ? 16 : (Type == '2' || Type == '3') ? 6 : (Type == 'L' || Type == 'I' || Type == 'P' || Type == 'Q' || Type == 'R') ? 4 : 8);
        key4ascend(Type, value, len, out, len);
    }
    if (Descend) key4invert(out, len);
    e4push(r, 1, (char *)out);
}

#define E4KEYFORM(T)                              \
    template void e4keyForm<T, false>(E4EVAL &); \
    template void e4keyForm<T, true>(E4EVAL &);
E4KEYFORM('C')
E4KEYFORM('N')
E4KEYFORM('D')
E4KEYFORM('d')
E4KEYFORM('L')
E4KEYFORM('T')
E4KEYFORM('I')
E4KEYFORM('Y')
E4KEYFORM('W')
E4KEYFORM('O')
E4KEYFORM('n')
E4KEYFORM('1')
E4KEYFORM('P')
E4KEYFORM('R')
E4KEYFORM('Q')
E4KEYFORM('2')
E4KEYFORM('3')
E4KEYFORM('4')
#undef E4KEYFORM
