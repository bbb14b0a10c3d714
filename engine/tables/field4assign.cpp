// Assigning fields: text, characters, integers and doubles converted to each
// type's stored form, blanking and null flags. Every assignment goes through
// the write pointer, which clears the field's null bit and marks the handle
// changed. While the context's error code is negative nothing is assigned
// and -1 is returned.
//
// Null flags (level-30 tables): nullable field number b (in descriptor order
// among the nullable fields) owns bit b % 8 of byte b / 8 of the _NullFlags
// field; a set bit means the field is null.
#include <climits>
#include <cmath>
#include <cstring>

#include "d4internal.h"
#include "date4.h"
#include "field4harbour.h"
#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "foundation/error4.h"

namespace {

bool valid(const FIELD4 *f, long location) { return error4checkStamp(f, f ? f->s4valid : 0, location) == 0; }

// Stamp and error gate of an assignment: 0 to go on, else the result.
// Fields the table keeps itself are never assigned.
int gate(const FIELD4 *f, long location) {
    if (int rc = error4checkStamp(f, f ? f->s4valid : 0, location)) return rc;
    if (f->data->codeBase->errorCode < 0) return -1;
    return field4keptByTable(f) ? field4refuseKept(f) : 0;
}

int unsupported(const FIELD4 *f) {
    return error4describe(f->data->codeBase, e4parm, E4_MSG_FIELD_TYPE_UNSUPPORTED, f->name, nullptr, nullptr);
}

unsigned char *target(FIELD4 *f) { return reinterpret_cast<unsigned char *>(f4assignPtr(f)); }

// Writes the first n bytes of a binary value, as many as the field holds.
void putBinary(FIELD4 *f, const unsigned char *value, unsigned n) {
    unsigned char *p = target(f);
    unsigned have = f->len < n ? f->len : n;
    std::memcpy(p, value, have);
    if (f->len > n) std::memset(p + n, 0, f->len - n);
}

void putI32(FIELD4 *f, int32_t v) {
    unsigned char b[4];
    b4::putI32le(b, v);
    putBinary(f, b, 4);
}

void putI16(FIELD4 *f, int16_t v) {
    unsigned char b[2];
    b4::putI16le(b, v);
    putBinary(f, b, 2);
}

void putDate(FIELD4 *f, long julian) {
    char d[8];
    date4assign(d, julian);
    unsigned char *p = target(f);
    unsigned have = f->len < 8 ? f->len : 8;
    std::memcpy(p, d, have);
    if (f->len > 8) std::memset(p + 8, ' ', f->len - 8);
}

int32_t clampI32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (int32_t)v;
}

long clampLong(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 9.2e18) return LONG_MAX;
    if (v <= -9.2e18) return LONG_MIN;
    return (long)v;
}

}  // namespace

void field4blankBytes(const FIELD4 *f, unsigned char *record) {
    unsigned char *p = record + f->offset;
    if (f->varLength) {
        field4varStore(f, record, "", 0);  // the empty value
    } else if (f->type == '2' && f->len >= 6) {
        // The blank of this binary date form: 1899-12-30.
        b4::putI16le(p, 1899);
        b4::putI16le(p + 2, 12);
        b4::putI16le(p + 4, 30);
        std::memset(p + 6, 0, f->len - 6u);
    } else {
        // Binary-stored types of level-25 tables carry no binary flag.
        bool zeros = f->binary || (f->data->dataFile->tableLevel != 30 && dbf::storedBinary((unsigned char)f->fileType));
        std::memset(p, zeros ? 0 : ' ', f->len);
    }
}

char *f4assignPtr(FIELD4 *f) {
    if (!valid(f, E4_LOC_F4ASSIGNPTR)) return nullptr;
    DATA4 *d = f->data;
    if (f->nullable) d->record[d->nullFlags->offset + f->nullByte] &= (unsigned char)~f->nullMask;
    d->changed = 1;
    return reinterpret_cast<char *>(d->record + f->offset);
}

int f4assign(FIELD4 *f, const char *text) {
    if (int rc = gate(f, E4_LOC_F4ASSIGN)) return rc;
    if (!text) return error4(f->data->codeBase, e4parmNull, E4_LOC_F4ASSIGN);
    size_t n = std::strlen(text);
    if (f->type != 'N' && f->type != 'F') return f4assignN(f, text, (unsigned)(n > UINT_MAX ? UINT_MAX : n));
    unsigned char *p = target(f);
    if (n >= f->len) {
        std::memcpy(p, text, f->len);
    } else {
        std::memset(p, ' ', f->len);
        std::memcpy(p + (f->len - n), text, n);
    }
    return 0;
}

int f4assignN(FIELD4 *f, const char *text, unsigned len) {
    if (int rc = gate(f, E4_LOC_F4ASSIGNN)) return rc;
    if (!text && len) return error4(f->data->codeBase, e4parmNull, E4_LOC_F4ASSIGNN);
    unsigned char *p = target(f);
    if (f->varLength) {
        field4varStore(f, f->data->record, text, len);
        return 0;
    }
    if (len <= f->len) field4blankBytes(f, f->data->record);
    std::memcpy(p, text, len < f->len ? len : f->len);
    return 0;
}

int f4assignChar(FIELD4 *f, int character) {
    if (int rc = gate(f, E4_LOC_F4ASSIGNCHAR)) return rc;
    if (f->type != 'C' && f->type != 'L') return unsupported(f);
    unsigned char *p = target(f);
    field4blankBytes(f, f->data->record);
    if (f->len) p[0] = (unsigned char)character;
    return 0;
}

int f4assignLong(FIELD4 *f, long value) {
    if (int rc = gate(f, E4_LOC_F4ASSIGNLONG)) return rc;
    switch (f->type) {
        case 'I': case 'P':
            putI32(f, (int32_t)value);
            return 0;
        case 'Q': case 'R':
            putI16(f, (int16_t)value);
            return 0;
        case 'D':
            putDate(f, value);
            return 0;
        case 'M': case 'G':
            if (f->len == 4)
                putI32(f, (int32_t)value);
            else
                c4ltoa45(value, reinterpret_cast<char *>(target(f)), f->len);
            return 0;
        case '0': case 'L': case 'T':
            return unsupported(f);
        case 'N': case 'F': case 'C':
            if (f->dec == 0) {
                c4ltoa45(value, reinterpret_cast<char *>(target(f)), f->len);
                return 0;
            }
            [[fallthrough]];
        default:
            return f4assignDouble(f, (double)value);
    }
}

int f4assignInt(FIELD4 *f, int value) {
    if (int rc = gate(f, E4_LOC_F4ASSIGNINT)) return rc;
    if (f->type == 'D' || f->type == 'M' || f->type == 'G') return unsupported(f);
    return f4assignLong(f, value);
}

int f4assignDouble(FIELD4 *f, double value) {
    if (int rc = gate(f, E4_LOC_F4ASSIGNDOUBLE)) return rc;
    switch (f->type) {
        case 'B': {
            unsigned char b[8];
            b4::putF64le(b, value);
            putBinary(f, b, 8);
            return 0;
        }
        case 'D':
            putDate(f, clampLong(value));
            return 0;
        case 'I':
            putI32(f, clampI32(value));
            return 0;
        case 'Y': {
            char t[48];
            if (c4dtoa45(value, t, 40, 4) != 0) {
                // Too large for any currency: refused as f4assignCurrency does.
                putBinary(f, (const unsigned char *)"\0\0\0\0\0\0\0\0", 8);
                return -1;
            }
            t[40] = 0;
            return f4assignCurrency(f, t);
        }
        case '0': case '1': case '2': case '3': case '4': case '6':
        case 'L': case 'O': case 'P': case 'Q': case 'R': case 'T': case 'W':
            return unsupported(f);
        case 'M': case 'G':
            // A level-30 memo reference is a binary block number.
            if (f->len == 4) {
                putI32(f, clampI32(value));
                return 0;
            }
            [[fallthrough]];
        default:
            c4dtoa45(value, reinterpret_cast<char *>(target(f)), f->len, f->dec);
            return 0;
    }
}

int f4blank(FIELD4 *f) {
    if (int rc = gate(f, E4_LOC_F4BLANK)) return rc;
    target(f);
    field4blankBytes(f, f->data->record);
    return 0;
}

int f4assignNull(FIELD4 *f) {
    if (int rc = gate(f, E4_LOC_F4ASSIGNNULL)) return rc;
    if (!f->nullable) return unsupported(f);
    DATA4 *d = f->data;
    d->record[d->nullFlags->offset + f->nullByte] |= f->nullMask;
    d->changed = 1;
    return 0;
}
