#include "fast_format.h"

#include <cstdio>
#include <cstring>

namespace brindle {

namespace {

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

constexpr unsigned char kDaysInMonth[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Eight digits of a real day (what the general path shows as a date).
bool realDate(const unsigned char *p) {
    for (int i = 0; i < 8; i++)
        if (!isDigit(p[i])) return false;
    int year = (p[0] - '0') * 1000 + (p[1] - '0') * 100 + (p[2] - '0') * 10 + (p[3] - '0');
    int month = (p[4] - '0') * 10 + (p[5] - '0');
    int day = (p[6] - '0') * 10 + (p[7] - '0');
    if (year == 0 || month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month]) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day < 29 || leap;
}

// Bytes that csv must quote, that json and COPY must escape.
struct Classes {
    bool csv[256] = {};
    bool json[256] = {};
    bool copy[256] = {};
    Classes() {
        for (unsigned char c : {',', '"', '\r', '\n'}) csv[c] = true;
        for (int c = 0; c < 0x20; c++) json[c] = true;
        json['"'] = json['\\'] = true;
        for (unsigned char c : {'\\', '\r', '\n', '\t', '\0'}) copy[c] = true;
    }
};

// What no value is in each format.
const char *noValue(Format format) { return format == Format::Json ? "null" : format == Format::Copy ? "\\N" : ""; }
const Classes kClasses;

}  // namespace

FastColumn::FastColumn(FIELD4 *field, const vandrel::CodePage &cp) : field_(field), cp_(cp) {
    if (!cp.singleByte() || !cp.asciiIdentity()) return;
    nullable_ = field->nullable != 0;
    ptr_ = reinterpret_cast<const unsigned char *>(f4ptr(field));
    len_ = f4len(field);
    dec_ = (unsigned)f4decimals(field);
    switch (f4type(field)) {
        case 'C': case 'Z': kind_ = Char; break;
        case 'N': case 'F': kind_ = Number; break;
        case 'D': kind_ = len_ >= 8 ? Date : General; break;
        case 'L': kind_ = Logical; break;
        case 'I': kind_ = len_ == 4 ? Integer : General; break;
        default: kind_ = General;
    }
}

bool FastColumn::append(std::string &out, Format format, std::vector<char> &scratch) const {
    if (kind_ == General || (nullable_ && f4null(field_))) return false;
    const unsigned char *p = ptr_;
    bool json = format == Format::Json;
    bool copy = format == Format::Copy;
    switch (kind_) {
        case Char: {
            size_t n = len_;
            while (n && (p[n - 1] == ' ' || p[n - 1] == 0)) n--;
            const bool *special = json ? kClasses.json : copy ? kClasses.copy : kClasses.csv;
            bool plain = true;
            bool ascii = true;
            for (size_t i = 0; i < n; i++) {
                plain = plain && !special[p[i]];
                ascii = ascii && p[i] < 0x80;
            }
            // COPY's text cannot hold a NUL: the general path refuses it.
            if (copy && !plain && std::memchr(p, 0, n)) return false;
            const char *text = reinterpret_cast<const char *>(p);
            size_t textLen = n;
            if (!ascii) {
                if (scratch.size() < 3 * n) scratch.resize(3 * n);
                textLen = cp_.encodeUtf8(p, n, scratch.data());
                text = scratch.data();
            }
            if (json) {
                if (plain) {
                    out += '"';
                    out.append(text, textLen);
                    out += '"';
                } else {
                    appendJsonString(out, text, textLen);
                }
            } else if (plain) {
                out.append(text, textLen);
            } else if (copy) {
                appendCopyField(out, text, textLen);
            } else {
                appendCsvField(out, text, textLen);
            }
            return true;
        }
        case Number: {
            size_t a = 0, b = len_;
            while (a < b && p[a] == ' ') a++;
            while (b > a && (p[b - 1] == ' ' || p[b - 1] == 0)) b--;
            if (a == b) {
                out += noValue(format);
                return true;
            }
            // [-]digits[.digits] with no superfluous leading zero; anything
            // else goes the general way.
            size_t i = a;
            if (p[i] == '-') i++;
            size_t intFrom = i;
            while (i < b && isDigit(p[i])) i++;
            size_t intLen = i - intFrom;
            if (intLen == 0 || (intLen > 1 && p[intFrom] == '0')) return false;
            size_t fracLen = 0;
            if (i < b) {
                if (p[i] != '.' || i + 1 == b) return false;
                for (i++; i < b; i++, fracLen++)
                    if (!isDigit(p[i])) return false;
            }
            // numeric(len, dec) takes it as it stands, else the general path judges
            bool zero = intLen == 1 && p[intFrom] == '0';
            if (copy && dec_ < len_ && (fracLen > dec_ || (zero ? 0 : intLen) > len_ - dec_)) return false;
            out.append(reinterpret_cast<const char *>(p + a), b - a);
            return true;
        }
        case Date: {
            bool blank = true, zeros = true;
            for (int i = 0; i < 8; i++) {
                blank = blank && p[i] == ' ';
                zeros = zeros && p[i] == '0';
            }
            if (blank || zeros) {
                out += noValue(format);
                return true;
            }
            if (!realDate(p)) return false;
            char d[12];
            char *w = d;
            if (json) *w++ = '"';
            std::memcpy(w, p, 4);
            w[4] = '-';
            std::memcpy(w + 5, p + 4, 2);
            w[7] = '-';
            std::memcpy(w + 8, p + 6, 2);
            w += 10;
            if (json) *w++ = '"';
            out.append(d, (size_t)(w - d));
            return true;
        }
        case Logical: {
            unsigned char c = len_ ? p[0] : ' ';
            bool t = c == 'T' || c == 't' || c == 'Y' || c == 'y';
            bool f = c == 'F' || c == 'f' || c == 'N' || c == 'n';
            if (t) out += json ? "true" : copy ? "t" : "T";
            else if (f) out += json ? "false" : copy ? "f" : "F";
            else out += noValue(format);
            return true;
        }
        case Integer: {
            char buf[16];
            int32_t v = b4::getI32le(p);
            char *end = buf + sizeof buf, *w = end;
            uint32_t m = v < 0 ? 0u - (uint32_t)v : (uint32_t)v;
            do *--w = (char)('0' + m % 10);
            while (m /= 10);
            if (v < 0) *--w = '-';
            out.append(w, (size_t)(end - w));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace brindle
