// Reading fields: the descriptive operations and the conversions of a
// field's stored bytes to text, character, integer, double and logical.
//
// Stored forms read here (binary ones little-endian):
//   C, N, F      text; numbers right-aligned with leading blanks
//   D            "CCYYMMDD" digits, blank when empty
//   L            one character: T, t, Y, y true
//   M, G         memo block number: 10 digits (level 25/26) or int32; W
//                of a version-0x32 table (blob) the same int32
//   V, Q         of a version-0x32 table: the value, padded with blanks
//                (field4var.cpp)
//   I, P         int32            Q int16, R uint16
//   B            IEEE double      Y, T: see field4currency.cpp
// Binary fields are decoded with the byte-order helpers, never through a
// pointer cast; a field shorter than its binary form reads as zero-padded.
#include <climits>
#include <cmath>
#include <cstring>

#include "d4internal.h"
#include "date4.h"
#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "foundation/error4.h"

namespace {

bool valid(const FIELD4 *f, long location) { return stamp4check(f, f ? f->s4valid : 0, location) == 0; }

const unsigned char *bytes(const FIELD4 *f) { return f->data->record + f->offset; }

int unsupported(const FIELD4 *f) {
    return error4describe(f->data->codeBase, e4parm, E4_MSG_FIELD_TYPE_UNSUPPORTED, f->name, nullptr, nullptr);
}

// The first n bytes of the field, zero-padded when the field is shorter.
void binaryBytes(const FIELD4 *f, unsigned char *out, unsigned n) {
    unsigned have = f->len < n ? f->len : n;
    std::memcpy(out, bytes(f), have);
    std::memset(out + have, 0, n - have);
}

// The field as an 8-character date, blank-padded when it is shorter.
void dateBytes(const FIELD4 *f, char out[8]) {
    unsigned have = f->len < 8 ? f->len : 8;
    std::memcpy(out, bytes(f), have);
    std::memset(out + have, ' ', 8 - have);
}

int32_t binaryI32(const FIELD4 *f) {
    unsigned char b[4];
    binaryBytes(f, b, 4);
    return b4::getI32le(b);
}

const char *text(const FIELD4 *f) { return reinterpret_cast<const char *>(bytes(f)); }

int64_t currencyValue(const FIELD4 *f) {
    unsigned char b[8];
    binaryBytes(f, b, 8);
    return b4::getI64le(b);
}

// Text to double as c4atod reads it (leading blanks, then at most 49 bytes:
// a sign, digits, '.', digits). Numbers of at most 15 digits and 22
// decimals are computed here: the digits and the power of ten are exact
// doubles, so their quotient is the correctly rounded value c4atod gives
// too. Longer ones go to c4atod.
double textToDouble(const char *text, unsigned len) {
    static const double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char *p = text, *end = text + len;
    while (p < end && *p == ' ') p++;
    if (end - p > 49) end = p + 49;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    uint64_t mantissa = 0;
    const char *first = p;
    for (unsigned d; p < end && (d = (unsigned)(unsigned char)*p - '0') <= 9; p++) mantissa = mantissa * 10 + d;
    long digits = p - first, decimals = 0;
    if (p < end && *p == '.') {
        const char *frac = ++p;
        for (unsigned d; p < end && (d = (unsigned)(unsigned char)*p - '0') <= 9; p++) mantissa = mantissa * 10 + d;
        decimals = p - frac;
        digits += decimals;
    }
    if (digits == 0) return 0.0;
    if (digits > 15 || decimals > 22) return c4atod(text, (int)len);
    double v = decimals ? (double)mantissa / kPow10[decimals] : (double)mantissa;
    return negative ? -v : v;
}

// Text to integer as c4atol reads it (white space, then at most 127 bytes:
// a sign, digits); up to 18 digits computed here, longer ones (which may
// saturate) by c4atol.
long textToLong(const char *text, unsigned len) {
    unsigned i = 0;
    while (i < len && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) i++;
    unsigned n = len - i > 127 ? i + 127 : len;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long v = 0;
    int digits = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; i++, digits++) {
        if (digits == 18) return c4atol(text, (int)len);
        v = v * 10 + (text[i] - '0');
    }
    return negative ? -v : v;
}

// A double truncated toward zero, kept inside the range of long.
long truncateToLong(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2e18) return LONG_MAX;
    if (v <= -9.2e18) return LONG_MIN;
    return (long)v;
}

}  // namespace

const char *f4name(const FIELD4 *f) { return valid(f, E4_LOC_F4NAME) ? f->name : nullptr; }

int f4type(const FIELD4 *f) {
    if (!valid(f, E4_LOC_F4TYPE)) return -1;
    if (f->type == 'C' && f->binary) return 'Z';
    if (f->type == 'M' && f->binary == 1) return 'X';
    return (unsigned char)f->type;
}

unsigned f4len(const FIELD4 *f) { return valid(f, E4_LOC_F4LEN) ? f->len : 0; }

int f4decimals(const FIELD4 *f) { return valid(f, E4_LOC_F4DECIMALS) ? f->dec : -1; }

int f4number(const FIELD4 *f) { return valid(f, E4_LOC_F4NUMBER) ? (int)(f - f->data->fields) + 1 : -1; }

char *f4ptr(const FIELD4 *f) {
    if (!valid(f, E4_LOC_F4ASSIGNPTR)) return nullptr;
    return reinterpret_cast<char *>(f->data->record + f->offset);
}

char *f4data(const FIELD4 *f) { return f4ptr(f); }

char *f4str(FIELD4 *f) {
    if (!valid(f, E4_LOC_F4STR)) return nullptr;
    char *out = code4fieldBuffer(f->data->codeBase, f->len);
    if (!out) return nullptr;
    // A varying-length value comes padded with blanks to the field's length.
    unsigned n = field4varLenIn(f, f->data->record);
    std::memcpy(out, bytes(f), n);
    std::memset(out + n, ' ', f->len - n);
    out[f->len] = 0;
    return out;
}

unsigned f4ncpy(FIELD4 *f, char *buffer, unsigned size) {
    if (!valid(f, E4_LOC_F4NCPY) || !buffer || size == 0) return 0;
    unsigned n = f->len < size - 1 ? f->len : size - 1;
    unsigned value = field4varLenIn(f, f->data->record);
    std::memcpy(buffer, bytes(f), n < value ? n : value);
    if (n > value) std::memset(buffer + value, ' ', n - value);
    buffer[n] = 0;
    return n;
}

int f4char(FIELD4 *f) {
    if (!valid(f, E4_LOC_F4CHAR)) return -1;
    switch (f->type) {
        case 'C': case 'N': case 'F': case 'D': case 'L':
            return f->len ? bytes(f)[0] : 0;
        default:
            return unsupported(f), -1;
    }
}

long f4long(FIELD4 *f) {
    if (!valid(f, E4_LOC_F4LONG)) return -1;
    unsigned char b[8];
    switch (f->type) {
        case 'C': case 'N': case 'F':
            return textToLong(text(f), f->len);
        case 'D': {
            char d[8];
            dateBytes(f, d);
            return date4long(d);
        }
        case 'W':
            if (!f->memo) return unsupported(f), -1;  // a blob's memo reference
            [[fallthrough]];
        case 'M': case 'G':
            return f->len == 4 ? binaryI32(f) : textToLong(text(f), f->len);
        case 'I': case 'P':
            return binaryI32(f);
        case 'Q':
            binaryBytes(f, b, 2);
            return b4::getI16le(b);
        case 'R':
            binaryBytes(f, b, 2);
            return b4::getU16le(b);
        case 'B':
            binaryBytes(f, b, 8);
            return truncateToLong(b4::getF64le(b));
        case 'Y': {
            // The currency's integer part: its text with no decimals.
            char t[32];
            int n = field4currencyText(currencyValue(f), 0, t);
            return c4atol(t, n);
        }
        default:
            return unsupported(f), -1;
    }
}

int f4int(FIELD4 *f) {
    if (!valid(f, E4_LOC_F4INT)) return -1;
    if (f->type == 'M' || f->type == 'G') return unsupported(f), -1;
    return (int)f4long(f);
}

double f4double(FIELD4 *f) {
    if (!valid(f, E4_LOC_F4DOUBLE)) return -1;
    unsigned char b[8];
    switch (f->type) {
        case 'C': case 'N': case 'F': case 'P': case 'Q': case 'R':
            return textToDouble(text(f), f->len);
        case 'D': {
            char d[8];
            dateBytes(f, d);
            return (double)date4long(d);
        }
        case 'M': case 'G':
            // A level-30 memo reference is a binary block number.
            return f->len == 4 ? (double)binaryI32(f) : textToDouble(text(f), f->len);
        case 'I':
            return (double)binaryI32(f);
        case 'B':
            binaryBytes(f, b, 8);
            return b4::getF64le(b);
        case 'Y': {
            char t[32];
            int n = field4currencyText(currencyValue(f), 4, t);
            return c4atod(t, n);
        }
        default:
            return unsupported(f), -1;
    }
}

int f4true(FIELD4 *f) {
    if (!valid(f, E4_LOC_F4TRUE)) return -1;
    if (f->type != 'L') unsupported(f);
    if (f->len == 0) return 0;
    unsigned char ch = bytes(f)[0];
    return ch == 'T' || ch == 't' || ch == 'Y' || ch == 'y';
}

int f4null(const FIELD4 *f) {
    if (!valid(f, E4_LOC_F4NULL)) return -1;
    if (!f->nullable) return 0;
    const FIELD4 *flags = f->data->nullFlags;
    return (f->data->record[flags->offset + f->nullByte] & f->nullMask) != 0;
}
