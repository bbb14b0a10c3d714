// Currency ('Y') and date-time ('T') fields as text.
//
// Stored forms (little-endian):
//   Y  8 bytes  signed 64-bit integer in units of 1/10000
//   T  8 bytes  int32 julian day number, then int32 milliseconds since
//               midnight
#include <climits>
#include <cstring>

#include "d4internal.h"
#include "date4.h"
#include "field4harbour.h"
#include "foundation/bytes.h"
#include "foundation/code4.h"
#include "foundation/error4.h"

namespace {

constexpr long MS_PER_DAY = 86400000L;

bool valid(const FIELD4 *f, long location) { return error4checkStamp(f, f ? f->s4valid : 0, location) == 0; }

int unsupported(const FIELD4 *f) {
    return error4describe(f->data->codeBase, e4parm, E4_MSG_FIELD_TYPE_UNSUPPORTED, f->name, nullptr, nullptr);
}

void readBinary(const FIELD4 *f, unsigned char out[8]) {
    unsigned have = f->len < 8 ? f->len : 8;
    std::memcpy(out, f->data->record + f->offset, have);
    std::memset(out + have, 0, 8 - have);
}

void writeBinary(FIELD4 *f, const unsigned char in[8]) {
    unsigned char *p = reinterpret_cast<unsigned char *>(f4assignPtr(f));
    unsigned have = f->len < 8 ? f->len : 8;
    std::memcpy(p, in, have);
    if (f->len > 8) std::memset(p + 8, 0, f->len - 8u);
}

bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

// Reads up to maxDigits digits; the count read goes to *count.
long readNumber(const char *&p, int maxDigits, int *count) {
    long v = 0;
    *count = 0;
    while (isDigit(*p) && *count < maxDigits) {
        v = v * 10 + (*p++ - '0');
        (*count)++;
    }
    return v;
}

}  // namespace

int field4currencyText(int64_t value, int decimals, char *out) {
    bool negative = value < 0;
    uint64_t mag = negative ? 0 - (uint64_t)value : (uint64_t)value;
    uint64_t whole = mag / 10000, frac = mag % 10000;
    char digits[24];
    int n = 0;
    do {
        digits[n++] = (char)('0' + whole % 10);
        whole /= 10;
    } while (whole);
    int len = 0;
    if (negative) out[len++] = '-';
    while (n) out[len++] = digits[--n];
    if (decimals > 0) {
        out[len++] = '.';
        char f4[4] = {(char)('0' + frac / 1000), (char)('0' + frac / 100 % 10), (char)('0' + frac / 10 % 10),
                      (char)('0' + frac % 10)};
        for (int i = 0; i < decimals && i < 4; i++) out[len++] = f4[i];
    }
    out[len] = 0;
    return len;
}

const char *f4currency(FIELD4 *f, int decimals) {
    if (!valid(f, E4_LOC_F4CURRENCY)) return nullptr;
    CODE4 *c = f->data->codeBase;
    if (f->type != 'Y') return unsupported(f), nullptr;
    if (decimals < 0 || decimals > 4) return error4(c, e4parm, E4_LOC_F4CURRENCY), nullptr;
    unsigned char b[8];
    readBinary(f, b);
    char *out = code4fieldBuffer(c, 32);
    if (!out) return nullptr;
    field4currencyText(b4::getI64le(b), decimals, out);
    return out;
}

int f4assignCurrency(FIELD4 *f, const char *text) {
    if (int rc = error4checkStamp(f, f ? f->s4valid : 0, E4_LOC_F4ASSIGNCURRENCY)) return rc;
    CODE4 *c = f->data->codeBase;
    if (c->errorCode < 0) return -1;
    if (f->type != 'Y') return unsupported(f);
    if (!text) return error4(c, e4parmNull, E4_LOC_F4ASSIGNCURRENCY);
    unsigned char b[8] = {};
    const char *p = text;
    while (*p == ' ') p++;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    while (*p == '0') p++;
    uint64_t whole = 0;
    int n = 0;
    while (isDigit(*p)) {
        if (++n > 16) break;
        whole = whole * 10 + (uint64_t)(*p++ - '0');
    }
    uint64_t frac = 0;
    int fracDigits = 0;
    bool refused = n > 16;
    if (!refused && *p == '.') {
        p++;
        while (isDigit(*p)) {
            if (++fracDigits > 4) break;
            frac = frac * 10 + (uint64_t)(*p++ - '0');
        }
        refused = fracDigits > 4;
    }
    for (int i = fracDigits; i < 4; i++) frac *= 10;
    // 16 digits times 10000 can pass the 64-bit range: that is refused too.
    const uint64_t limit = negative ? (uint64_t)INT64_MAX + 1 : (uint64_t)INT64_MAX;
    if (!refused && (whole > (limit - frac) / 10000)) refused = true;
    if (refused) {
        writeBinary(f, b);
        return -1;
    }
    uint64_t mag = whole * 10000 + frac;
    b4::putU64le(b, negative ? 0 - mag : mag);
    writeBinary(f, b);
    return 0;
}

const char *f4dateTime(FIELD4 *f) {
    if (!valid(f, E4_LOC_F4DATETIME)) return nullptr;
    if (f->type != 'T') return unsupported(f), nullptr;
    unsigned char b[8];
    readBinary(f, b);
    long day = b4::getI32le(b);
    long ms = b4::getI32le(b + 4);
    // Damaged times are kept inside one day so the text stays hh:mm:ss.
    if (ms < 0) ms = 0;
    if (ms >= MS_PER_DAY) ms = MS_PER_DAY - 1;
    long secs = (ms + 500) / 1000;
    // Milliseconds that round up to the next second at 23:59:59 carry into
    // the next day rather than make hour 24.
    if (secs == MS_PER_DAY / 1000 && day > 0) {
        day++;
        secs = 0;
    } else if (secs == MS_PER_DAY / 1000) {
        secs--;
    }
    char *out = code4fieldBuffer(f->data->codeBase, 18);
    if (!out) return nullptr;
    date4assign(out, day);
    char *t = out + 8;
    long parts[3] = {secs / 3600, secs / 60 % 60, secs % 60};
    for (int i = 0; i < 3; i++) {
        t[0] = (char)('0' + parts[i] / 10 % 10);
        t[1] = (char)('0' + parts[i] % 10);
        t[2] = ':';
        t += 3;
    }
    int len = 16;
    while (len > 0 && out[len - 1] == ' ') len--;
    out[len] = 0;
    return out;
}

int f4assignDateTime(FIELD4 *f, const char *text) {
    if (int rc = error4checkStamp(f, f ? f->s4valid : 0, E4_LOC_F4ASSIGNDATETIME)) return rc;
    CODE4 *c = f->data->codeBase;
    if (c->errorCode < 0) return -1;
    if (field4keptByTable(f)) return field4refuseKept(f);
    if (f->type != 'T') return unsupported(f);
    if (!text) return error4(c, e4parmNull, E4_LOC_F4ASSIGNDATETIME);
    char date[8];
    size_t n = strnlen(text, 8);
    std::memcpy(date, text, n);
    std::memset(date + n, ' ', 8 - n);
    long day = date4long(date);
    if (day < 0) day = 0;
    const char *p = text + n;
    long part[3] = {0, 0, 0};
    for (int i = 0; i < 3; i++) {
        while (*p == ' ') p++;
        int count;
        part[i] = readNumber(p, 6, &count);
        if (*p != ':') break;
        p++;
    }
    long ms = ((part[0] * 60 + part[1]) * 60 + part[2]) * 1000;
    unsigned char b[8];
    b4::putI32le(b, (int32_t)day);
    b4::putI32le(b + 4, (int32_t)(ms < INT32_MAX ? ms : INT32_MAX));
    writeBinary(f, b);
    return 0;
}
