// Key encodings: one small conversion per result type. The byte layouts are
// documented in key4.h, where callers read them.
#include "expressions/key4.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/bytes.h"
#include "foundation/error4.h"
#include "tables/date4.h"

namespace {

constexpr uint64_t kSign64 = 0x8000000000000000ULL;
constexpr uint64_t kNanKey = 0xFFF8000000000000ULL;  // after +infinity
constexpr double kMillisPerDay = 86400000.0;

void putU64be(unsigned char *out, uint64_t v) {
    b4::putU32be(out, (uint32_t)(v >> 32));
    b4::putU32be(out + 4, (uint32_t)v);
}

// The ordered bit pattern of a double.
uint64_t doubleKeyBits(double value) {
    if (std::isnan(value)) return kNanKey;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    // -0.0 >= 0 holds, so both zeros give the same key.
    return value >= 0 ? (bits | kSign64) : ~bits;
}

int putDouble(double value, unsigned char *out, int outLen) {
    if (outLen < KEY4_DOUBLE_LEN) return e4parm;
    putU64be(out, doubleKeyBits(value));
    return KEY4_DOUBLE_LEN;
}

int putInt32(int32_t value, unsigned char *out, int outLen) {
    if (outLen < KEY4_INT_LEN) return e4parm;
    b4::putU32be(out, (uint32_t)value ^ 0x80000000U);
    return KEY4_INT_LEN;
}

int putUint32(uint32_t value, unsigned char *out, int outLen) {
    if (outLen < KEY4_INT_LEN) return e4parm;
    b4::putU32be(out, value);
    return KEY4_INT_LEN;
}

int putInt64(int64_t value, unsigned char *out, int outLen) {
    if (outLen < KEY4_INT64_LEN) return e4parm;
    putU64be(out, (uint64_t)value ^ kSign64);
    return KEY4_INT64_LEN;
}

// Day number of "CCYYMMDD"; blank or invalid is 0.
long dayOf(const char *date8) {
    long day = date4long(date8);
    return day < 0 ? 0 : day;
}

// Units of 1/10 000 from a magnitude's digits, saturating at the int64 range.
int64_t clampUnits(uint64_t magnitude, bool overflow, bool negative) {
    const uint64_t maxPositive = (uint64_t)INT64_MAX;
    if (negative) {
        if (overflow || magnitude > maxPositive + 1) return INT64_MIN;
        return magnitude == maxPositive + 1 ? INT64_MIN : -(int64_t)magnitude;
    }
    if (overflow || magnitude > maxPositive) return INT64_MAX;
    return (int64_t)magnitude;
}

// Appends a digit to a magnitude; false once it no longer fits.
bool addDigit(uint64_t *magnitude, int digit) {
    if (*magnitude > (UINT64_MAX - (uint64_t)digit) / 10) return false;
    *magnitude = *magnitude * 10 + (uint64_t)digit;
    return true;
}

}  // namespace

int key4double(const void *value, unsigned char *out, int outLen) {
    double v;
    std::memcpy(&v, value, sizeof v);
    return putDouble(v, out, outLen);
}

int key4numericText(const char *text, int len, unsigned char *out, int outLen) {
    return putDouble(c4atod(text, len), out, outLen);
}

int key4dateText(const char *date8, unsigned char *out, int outLen) {
    return putDouble((double)dayOf(date8), out, outLen);
}

int key4dateTime(const unsigned char *field8, unsigned char *out, int outLen) {
    int32_t day = b4::getI32le(field8);
    int64_t millis = b4::getI32le(field8 + 4);
    // Whole seconds, halves rounded up (away from zero for negative times).
    int64_t seconds = millis >= 0 ? (millis + 500) / 1000 : -((-millis + 500) / 1000);
    return putDouble((double)day + (double)(seconds * 1000) / kMillisPerDay, out, outLen);
}

int key4int32(const unsigned char *field4, unsigned char *out, int outLen) {
    return putInt32(b4::getI32le(field4), out, outLen);
}

int key4int16(const unsigned char *field2, unsigned char *out, int outLen) {
    return putInt32(b4::getI16le(field2), out, outLen);
}

int key4uint32(const unsigned char *field4, unsigned char *out, int outLen) {
    return putUint32(b4::getU32le(field4), out, outLen);
}

int key4uint16(const unsigned char *field2, unsigned char *out, int outLen) {
    return putUint32(b4::getU16le(field2), out, outLen);
}

int key4logical(const void *value, unsigned char *out, int outLen) {
    if (outLen < KEY4_LOGICAL_LEN) return e4parm;
    int32_t v;
    std::memcpy(&v, value, sizeof v);
    out[0] = v ? 'T' : 'F';
    return KEY4_LOGICAL_LEN;
}

int key4int64(const unsigned char *field8, unsigned char *out, int outLen) {
    return putInt64(b4::getI64le(field8), out, outLen);
}

int key4dateParts(const unsigned char *field6, unsigned char *out, int outLen) {
    if (outLen < KEY4_PARTS_LEN) return e4parm;
    for (int i = 0; i < 6; i += 2) b4::putU16be(out + i, b4::getU16le(field6 + i));
    return KEY4_PARTS_LEN;
}

int key4timeParts(const unsigned char *field6, unsigned char *out, int outLen) {
    if (outLen < KEY4_PARTS_LEN) return e4parm;
    for (int i = 0; i < 6; i += 2) b4::putU16be(out + i, (uint16_t)(b4::getU16le(field6 + i) ^ 0x8000U));
    return KEY4_PARTS_LEN;
}

int key4timestamp(const unsigned char *field16, unsigned char *out, int outLen) {
    if (outLen < KEY4_TIMESTAMP_LEN) return e4parm;
    for (int i = 0; i < 12; i += 2) b4::putU16be(out + i, b4::getU16le(field16 + i));
    b4::putU32be(out + 12, b4::getU32le(field16 + 12));
    return KEY4_TIMESTAMP_LEN;
}

int key4wide(const unsigned char *text, int len, unsigned char *out, int outLen) {
    if (outLen < 0) return e4parm;
    int chars = (len < 0 ? 0 : len) / 2;
    if (chars > outLen / 2) chars = outLen / 2;
    for (int i = 0; i < chars; i++) {
        out[2 * i] = text[2 * i + 1];
        out[2 * i + 1] = text[2 * i];
    }
    std::memset(out + 2 * chars, 0, (size_t)(outLen - 2 * chars));
    return outLen;
}

int key4text(const char *text, int len, int nulsToBlanks, unsigned char *out, int outLen) {
    if (outLen < 0) return e4parm;
    if (len < 0) len = 0;
    int end = len;  // where the trailing NULs start
    if (nulsToBlanks)
        while (end > 0 && text[end - 1] == 0) end--;
    int copy = len < outLen ? len : outLen;
    for (int i = 0; i < copy; i++) out[i] = i >= end ? (unsigned char)' ' : (unsigned char)text[i];
    std::memset(out + copy, ' ', (size_t)(outLen - copy));
    return outLen;
}

int key4dateTimeText(const char *text, int len, unsigned char *out, int outLen) {
    if (outLen < KEY4_DOUBLE_LEN) return e4parm;
    if (len < 16) {
        std::memset(out, 0, KEY4_DOUBLE_LEN);
        return KEY4_DOUBLE_LEN;
    }
    // "CCYYMMDDhh:mm:ss": hours, minutes and seconds at 8, 11 and 14.
    long seconds = c4atol(text + 8, 2) * 3600 + c4atol(text + 11, 2) * 60 + c4atol(text + 14, 2);
    return putDouble((double)dayOf(text) + (double)seconds * 1000.0 / kMillisPerDay, out, outLen);
}

int key4logicalText(const char *text, int len, unsigned char *out, int outLen) {
    if (outLen < KEY4_LOGICAL_LEN) return e4parm;
    out[0] = 'F';
    for (int i = 0; i < len; i++) {
        char c = text[i];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y') {
            out[0] = 'T';
            break;
        }
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n') break;
    }
    return KEY4_LOGICAL_LEN;
}

int key4currencyDouble(double value, unsigned char *out, int outLen) {
    if (outLen < KEY4_INT64_LEN) return e4parm;
    if (std::isnan(value)) return putInt64(0, out, outLen);
    if (value * 10000.0 >= 9223372036854775807.0) return putInt64(INT64_MAX, out, outLen);
    if (value * 10000.0 <= -9223372036854775808.0) return putInt64(INT64_MIN, out, outLen);
    // Through the text form with 4 decimals, so the rounding is decimal.
    char buf[32];
    if (c4dtoa45(value, buf, 30, 4) < 0) return putInt64(value < 0 ? INT64_MIN : INT64_MAX, out, outLen);
    return key4currencyText(buf, 30, out, outLen);
}

int key4currencyText(const char *text, int len, unsigned char *out, int outLen) {
    if (outLen < KEY4_INT64_LEN) return e4parm;
    int i = 0;
    while (i < len && text[i] == ' ') i++;
    bool negative = false;
    if (i < len && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    uint64_t magnitude = 0;
    bool fits = true;
    for (; i < len && text[i] >= '0' && text[i] <= '9'; i++) fits = fits && addDigit(&magnitude, text[i] - '0');
    int decimals = 0;
    if (i < len && text[i] == '.') {
        for (i++; i < len && text[i] >= '0' && text[i] <= '9' && decimals < 4; i++, decimals++)
            fits = fits && addDigit(&magnitude, text[i] - '0');
    }
    for (; decimals < 4; decimals++) fits = fits && addDigit(&magnitude, 0);
    return putInt64(clampUnits(magnitude, !fits, negative), out, outLen);
}

int key4len(char type, int resultLen) {
    switch (type) {
    case 'n': case 'd': case 'N': case 'D': case 'T':
        return KEY4_DOUBLE_LEN;
    case 'Y': case '1':
        return KEY4_INT64_LEN;
    case 'I': case 'P': case 'Q': case 'R':
        return KEY4_INT_LEN;
    case 'L':
        return KEY4_LOGICAL_LEN;
    case '2': case '3':
        return KEY4_PARTS_LEN;
    case '4':
        return KEY4_TIMESTAMP_LEN;
    case 'C': case 'W': case 'O':
        return resultLen < 0 ? 0 : resultLen;
    default:
        return e4info;
    }
}

int key4convert(char type, const void *value, int valueLen, unsigned char *out, int outLen) {
    const unsigned char *bytes = (const unsigned char *)value;
    switch (type) {
    case 'n': case 'd': return key4double(value, out, outLen);
    case 'N': return key4numericText((const char *)value, valueLen, out, outLen);
    case 'D': return key4dateText((const char *)value, out, outLen);
    case 'T': return key4dateTime(bytes, out, outLen);
    case 'I': return key4int32(bytes, out, outLen);
    case 'Q': return key4int16(bytes, out, outLen);
    case 'P': return key4uint32(bytes, out, outLen);
    case 'R': return key4uint16(bytes, out, outLen);
    case 'L': return key4logical(value, out, outLen);
    case 'Y': case '1': return key4int64(bytes, out, outLen);
    case '2': return key4dateParts(bytes, out, outLen);
    case '3': return key4timeParts(bytes, out, outLen);
    case '4': return key4timestamp(bytes, out, outLen);
    case 'C': {
        int len = valueLen < 0 ? 0 : valueLen;
        if (outLen < len) return e4parm;
        std::memcpy(out, value, (size_t)len);
        return len;
    }
    case 'W': case 'O': {
        int len = valueLen < 0 ? 0 : valueLen;
        if (outLen < len) return e4parm;
        return key4wide(bytes, len, out, len);
    }
    default:
        return e4info;
    }
}

int key4numericAscend(const char *text, int len, unsigned char *out, int outLen, int decimals) {
    if (len < 0) len = 0;
    if (outLen < len) return e4parm;
    std::memcpy(out, text, (size_t)len);
    if (len > 0 && std::all_of(text, text + len, [](char ch) { return ch == ' '; })) {
        // A blank number is zero, as the filters and the field reads take it:
        // the form of zero at this width and these decimals ("0000.00").
        std::memset(out, '0', (size_t)len);
        if (decimals > 0 && decimals < len) out[len - decimals - 1] = '.';
        return len;
    }
    int i = 0;
    while (i < len && out[i] == ' ') out[i++] = '0';
    if (i < len && out[i] == '-') {
        out[i] = '0';
        for (int k = 0; k < len; k++) out[k] = (unsigned char)(92 - out[k]);
    }
    return len;
}

int key4ascend(char type, const void *value, int valueLen, unsigned char *out, int outLen, int decimals) {
    switch (type) {
    case 'C': case 'D': {
        int len = type == 'D' ? 8 : (valueLen < 0 ? 0 : valueLen);
        if (outLen < len) return e4parm;
        std::memcpy(out, value, (size_t)len);
        return len;
    }
    case 'L': {
        if (outLen < 1) return e4parm;
        int32_t v;
        std::memcpy(&v, value, sizeof v);
        out[0] = v ? '1' : '0';
        return 1;
    }
    case 'N':
        return key4numericAscend((const char *)value, valueLen, out, outLen, decimals);
    case 'd': {
        if (outLen < 8) return e4parm;
        double day;
        std::memcpy(&day, value, sizeof day);
        // Out-of-range days (blank 0, 1.0E100, NaN) are the blank date.
        long julian = (day >= 1.0 && day <= (double)DATE4_LAST_DAY) ? (long)day : 0;
        date4assign((char *)out, julian);
        return 8;
    }
    default:
        return key4convert(type, value, valueLen, out, outLen);
    }
}

void key4invert(unsigned char *key, int len) {
    for (int i = 0; i < len; i++) key[i] = (unsigned char)~key[i];
}

void key4nullMark(unsigned char *key, int keyLen, int isNull) {
    if (keyLen <= 0) return;
    if (isNull)
        std::memset(key, 0, (size_t)keyLen);
    else
        key[0] = KEY4_NULL_MARKER;
}
