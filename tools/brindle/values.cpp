#include "values.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brindle {

namespace {

constexpr long kMsPerDay = 86400000L;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isDigits(const std::string &s, size_t from, size_t to) {
    if (from >= to) return false;
    for (size_t i = from; i < to; i++)
        if (!isDigit(s[i])) return false;
    return true;
}

// Length without trailing blanks and NULs.
size_t trimmedLength(const char *p, size_t n) {
    while (n && (p[n - 1] == ' ' || p[n - 1] == '\0')) n--;
    return n;
}

std::string trimBoth(const std::string &s) {
    size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

// Rounds a plain decimal number text to dec places (half away from zero)
// and lays it out right-aligned in width; false when it does not fit.
bool layoutNumber(const std::string &number, unsigned width, unsigned dec, std::string &out) {
    bool negative = number[0] == '-';
    std::string body = negative ? number.substr(1) : number;
    size_t dot = body.find('.');
    std::string intPart = dot == std::string::npos ? body : body.substr(0, dot);
    std::string frac = dot == std::string::npos ? "" : body.substr(dot + 1);
    bool roundUp = frac.size() > dec && frac[dec] >= '5';
    frac.resize(dec, '0');
    std::string digits = intPart + frac;
    if (roundUp) {
        int i = (int)digits.size() - 1;
        while (i >= 0 && digits[i] == '9') digits[i--] = '0';
        if (i < 0) digits.insert(digits.begin(), '1');
        else digits[i]++;
    }
    intPart = digits.substr(0, digits.size() - dec);
    frac = digits.substr(digits.size() - dec);
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
    bool zero = digits.find_first_not_of('0') == std::string::npos;
    std::string text = (negative && !zero ? "-" : "") + intPart + (dec ? "." + frac : "");
    if (text.size() > width) return false;
    out = std::string(width - text.size(), ' ') + text;
    return true;
}

void appendTwo(std::string &out, long v) {
    out += (char)('0' + v / 10 % 10);
    out += (char)('0' + v % 10);
}

// "YYYY-MM-DD" of a stored "CCYYMMDD".
void appendIsoDate(std::string &out, const char *d8) {
    out.append(d8, 4);
    out += '-';
    out.append(d8 + 4, 2);
    out += '-';
    out.append(d8 + 6, 2);
}

// A stored date is a date when it is eight digits of a real day.
bool isStoredDate(const char *p) {
    for (int i = 0; i < 8; i++)
        if (!isDigit(p[i])) return false;
    return date4long(p) > 0;
}

bool blankOrZeros(const char *p, size_t n) {
    bool blanks = true, zeros = true;
    for (size_t i = 0; i < n; i++) {
        blanks = blanks && p[i] == ' ';
        zeros = zeros && p[i] == '0';
    }
    return blanks || zeros;
}

// Whether a memo field's block number is a number that is not negative.
bool memoPointerSound(FIELD4 *f) {
    const char *p = f4ptr(f);
    if (f4len(f) == 4) return b4::getI32le(reinterpret_cast<const unsigned char *>(p)) >= 0;
    for (unsigned i = 0; i < f4len(f); i++)
        if (p[i] != ' ' && !isDigit(p[i])) return false;
    return true;
}

bool readMemo(FIELD4 *f, const CodePage &cp, Value &v, std::string &damage, bool binary) {
    if (!memoPointerSound(f)) {
        damage = "holds a damaged memo block number";
        return false;
    }
    CODE4 *c = f->data->codeBase;
    const char *p = f4memoPtr(f);
    unsigned n = f4memoLen(f);
    if (c->errorCode < 0 || !p) return false;
    v.kind = binary ? Value::Binary : Value::Text;
    if (binary) v.text.assign(p, n);
    else cp.appendUtf8(p, n, v.text);
    return true;
}

bool readDateTime(FIELD4 *f, Value &v, std::string &damage) {
    const unsigned char *b = reinterpret_cast<const unsigned char *>(f4ptr(f));
    long day = b4::getI32le(b);
    long ms = b4::getI32le(b + 4);
    if (day == 0 && ms == 0) return true;  // blank
    static const long lastDay = date4long("99991231");
    if (day <= 0 || day > lastDay || ms < 0 || ms >= kMsPerDay) {
        damage = "holds an impossible date-time (day " + std::to_string(day) + ", millisecond " + std::to_string(ms) +
                 ")";
        return false;
    }
    long secs = (ms + 500) / 1000;
    if (secs == 86400) {  // rounds up into the next day
        day++;
        secs = 0;
    }
    char d8[9] = {};
    date4assign(d8, day);
    if (d8[0] == ' ') {
        damage = "holds an impossible date-time";
        return false;
    }
    v.kind = Value::Text;
    appendIsoDate(v.text, d8);
    v.text += 'T';
    appendTwo(v.text, secs / 3600);
    v.text += ':';
    appendTwo(v.text, secs / 60 % 60);
    v.text += ':';
    appendTwo(v.text, secs % 60);
    return true;
}

// Parses a decimal number as the tool takes it: optional sign, digits with
// an optional fraction, an optional exponent; no hex, no NaN or infinity.
bool decimalText(const std::string &s) {
    size_t i = 0, digits = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) i++;
    while (i < s.size() && isDigit(s[i])) i++, digits++;
    if (i < s.size() && s[i] == '.') {
        i++;
        while (i < s.size() && isDigit(s[i])) i++, digits++;
    }
    if (!digits) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        i++;
        if (i < s.size() && (s[i] == '-' || s[i] == '+')) i++;
        size_t from = i;
        while (i < s.size() && isDigit(s[i])) i++;
        if (i == from) return false;
    }
    return i == s.size();
}

std::string quoted(const std::string &text) {
    std::string shown = text.size() > 60 ? text.substr(0, 57) + "..." : text;
    return "'" + shown + "'";
}

// Text fields take UTF-8 text in the code page; binary memos the bytes as given.
bool assignText(FIELD4 *f, const std::string &text, const CodePage &cp, std::string &error) {
    std::string bytes;
    int type = f4type(f);
    if (type == 'G' || type == 'X' || isBlob(f) || isVarbinary(f)) {
        bytes = text;
    } else if (!cp.fromUtf8(text, bytes)) {
        error = vandrel::validUtf8(text) ? quoted(text) + " has characters the code page " + cp.name() + " cannot hold"
                                : "the value is not UTF-8 text";
        return false;
    }
    if (isMemoField(f)) return f4memoAssignN(f, bytes.data(), (unsigned)bytes.size()) >= 0;
    if (bytes.size() > f4len(f)) {
        error = quoted(text) + " is " + std::to_string(bytes.size()) + " bytes in the code page; the field holds " +
                std::to_string(f4len(f));
        return false;
    }
    f4assignN(f, bytes.data(), (unsigned)bytes.size());
    return true;
}

}  // namespace

bool plainNumber(const char *p, size_t n, std::string &out) {
    out.clear();
    size_t i = 0;
    bool negative = false;
    if (i < n && (p[i] == '-' || p[i] == '+')) negative = p[i++] == '-';
    size_t intFrom = i;
    while (i < n && isDigit(p[i])) i++;
    size_t intTo = i;
    size_t fracFrom = i, fracTo = i;
    if (i < n && p[i] == '.') {
        fracFrom = ++i;
        while (i < n && isDigit(p[i])) i++;
        fracTo = i;
    }
    if (i != n || (intTo == intFrom && fracTo == fracFrom)) return false;
    while (intFrom + 1 < intTo && p[intFrom] == '0') intFrom++;
    if (negative) out += '-';
    if (intFrom == intTo) out += '0';
    else out.append(p + intFrom, intTo - intFrom);
    if (fracTo > fracFrom) {
        out += '.';
        out.append(p + fracFrom, fracTo - fracFrom);
    }
    return true;
}

std::string shortestDouble(double v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v < 0 ? "-Infinity" : "Infinity";
    if (v == 0) return std::signbit(v) ? "-0" : "0";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string sci(buf, r.ptr);
    // d[.ddd]e[+-]XX: the shortest digits that read back as v
    size_t e = sci.find('e');
    bool negative = sci[0] == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; i++)
        if (sci[i] != '.') digits += sci[i];
    int exponent = std::atoi(sci.c_str() + e + 1);
    double magnitude = std::fabs(v);
    std::string out = negative ? "-" : "";
    if (magnitude >= 1e-6 && magnitude < 1e21) {
        int point = exponent + 1;  // digits before the decimal point
        if (point <= 0) {
            out += "0." + std::string((size_t)-point, '0') + digits;
        } else if ((size_t)point >= digits.size()) {
            out += digits + std::string((size_t)point - digits.size(), '0');
        } else {
            out += digits.substr(0, (size_t)point) + "." + digits.substr((size_t)point);
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += exponent < 0 ? "e-" : "e+";
    out += std::to_string(std::abs(exponent));
    return out;
}

std::string fieldName(FIELD4 *f, const CodePage &cp) { return cp.toUtf8(f4name(f)); }

bool readValue(FIELD4 *f, const CodePage &cp, Value &v, std::string &damage) {
    v.kind = Value::None;
    v.text.clear();
    int type = f4type(f);
    if (f4null(f)) return true;
    const char *p = f4ptr(f);
    unsigned len = f4len(f);
    if (isVarchar(f)) {
        v.kind = Value::Text;
        cp.appendUtf8(p, f4varLen(f), v.text);
        return true;
    }
    if (isVarbinary(f)) {
        v.kind = Value::Binary;
        v.text.assign(p, f4varLen(f));
        return true;
    }
    if (isBlob(f)) return readMemo(f, cp, v, damage, true);
    switch (type) {
        case 'C':
        case 'Z':
            v.kind = Value::Text;
            cp.appendUtf8(p, trimmedLength(p, len), v.text);
            return true;
        case 'N':
        case 'F': {
            size_t a = 0, b = len;
            while (a < b && p[a] == ' ') a++;
            while (b > a && (p[b - 1] == ' ' || p[b - 1] == '\0')) b--;
            if (a == b) return true;
            if (plainNumber(p + a, b - a, v.text)) {
                v.kind = Value::Number;
            } else {
                v.kind = Value::Text;
                v.text.clear();
                cp.appendUtf8(p + a, b - a, v.text);
            }
            return true;
        }
        case 'D':
            if (len < 8 || blankOrZeros(p, 8)) return true;
            v.kind = Value::Text;
            if (isStoredDate(p)) appendIsoDate(v.text, p);
            else cp.appendUtf8(p, trimmedLength(p, len), v.text);
            return true;
        case 'L': {
            char ch = len ? p[0] : ' ';
            if (ch && std::strchr("TtYy", ch)) v.kind = Value::Bool, v.truth = true;
            else if (ch && std::strchr("FfNn", ch)) v.kind = Value::Bool, v.truth = false;
            return true;
        }
        case 'M':
            return readMemo(f, cp, v, damage, false);
        case 'G':
        case 'X':
            return readMemo(f, cp, v, damage, true);
        case 'I':
            v.kind = Value::Number;
            v.text = std::to_string(b4::getI32le(reinterpret_cast<const unsigned char *>(p)));
            return true;
        case 'B': {
            double d = b4::getF64le(reinterpret_cast<const unsigned char *>(p));
            v.kind = std::isfinite(d) ? Value::Number : Value::Text;
            v.text = shortestDouble(d);
            return true;
        }
        case 'Y': {
            const char *t = f4currency(f, 4);
            if (!t) return false;
            v.kind = Value::Number;
            v.text = t;
            return true;
        }
        case 'T':
            return readDateTime(f, v, damage);
        default:
            v.kind = Value::Binary;
            v.text.assign(p, len);
            return true;
    }
}

bool assignValue(FIELD4 *f, const std::string &text, const CodePage &cp, std::string &error, bool raw) {
    int type = f4type(f);
    unsigned len = f4len(f);
    if (text.empty()) {
        if (isMemoField(f)) return f4memoAssignN(f, "", 0) >= 0;
        f4blank(f);
        return true;
    }
    if (isVarchar(f) || isVarbinary(f) || isBlob(f)) return assignText(f, text, cp, error);
    switch (type) {
        case 'C':
        case 'Z':
        case 'M':
        case 'G':
        case 'X':
            return assignText(f, text, cp, error);
        case 'N':
        case 'F': {
            std::string trimmed = trimBoth(text), n, out;
            if (!plainNumber(trimmed.data(), trimmed.size(), n)) {
                error = quoted(text) + " is not a number";
                return false;
            }
            if (!layoutNumber(n, len, (unsigned)f4decimals(f), out)) {
                error = quoted(text) + " does not fit in " + std::string(1, (char)type) + "(" + std::to_string(len) +
                        "," + std::to_string(f4decimals(f)) + ")";
                return false;
            }
            f4assignN(f, out.data(), (unsigned)out.size());
            return true;
        }
        case 'D': {
            std::string d8 = text.size() == 10 && text[4] == '-' && text[7] == '-'
                                 ? text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2)
                                 : "";
            if (d8.empty() || !isDigits(d8, 0, 8) || date4long(d8.c_str()) <= 0) {
                error = quoted(text) + " is not a date (YYYY-MM-DD)";
                return false;
            }
            f4assignN(f, d8.data(), 8);
            return true;
        }
        case 'L':
            if (text.size() != 1 || !std::strchr("TtYyFfNn", text[0])) {
                error = quoted(text) + " is not a logical value (T or F)";
                return false;
            }
            f4assignChar(f, std::strchr("TtYy", text[0]) ? 'T' : 'F');
            return true;
        case 'I': {
            errno = 0;
            char *end = nullptr;
            long long v = std::strtoll(text.c_str(), &end, 10);
            if (*end || end == text.c_str() || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
                error = quoted(text) + " is not a 32-bit integer";
                return false;
            }
            f4assignLong(f, (long)v);
            return true;
        }
        case 'B': {
            errno = 0;
            double v = std::strtod(text.c_str(), nullptr);
            // Underflow to a subnormal keeps a value; to zero or past the range it does not.
            bool lost = errno == ERANGE && (v == 0 || !std::isfinite(v));
            if (!decimalText(text) || lost || !std::isfinite(v)) {
                error = quoted(text) + " is not a finite decimal number";
                return false;
            }
            f4assignDouble(f, v);
            return true;
        }
        case 'Y': {
            std::string trimmed = trimBoth(text), n;
            if (!plainNumber(trimmed.data(), trimmed.size(), n)) {
                error = quoted(text) + " is not a number";
                return false;
            }
            size_t dot = n.find('.');
            if (dot != std::string::npos && n.size() - dot - 1 > 4) {
                error = quoted(text) + " has more than the 4 decimals a currency field holds";
                return false;
            }
            if (f4assignCurrency(f, n.c_str()) < 0) {
                if (f->data->codeBase->errorCode < 0) return false;
                error = quoted(text) + " is outside the currency range (-922337203685477.5808 to "
                                       "922337203685477.5807)";
                return false;
            }
            return true;
        }
        case 'T': {
            // YYYY-MM-DDThh:mm:ss (or a date alone)
            std::string d8 = text.size() >= 10 && text[4] == '-' && text[7] == '-'
                                 ? text.substr(0, 4) + text.substr(5, 2) + text.substr(8, 2)
                                 : "";
            std::string time = text.size() > 11 ? text.substr(11) : "00:00:00";
            bool okTime = text.size() == 10 || (text.size() > 10 && text[10] == 'T' && time.size() == 8 &&
                                                time[2] == ':' && time[5] == ':' && isDigits(time, 0, 2) &&
                                                isDigits(time, 3, 5) && isDigits(time, 6, 8) &&
                                                std::atoi(time.c_str()) < 24 && std::atoi(time.c_str() + 3) < 60 &&
                                                std::atoi(time.c_str() + 6) < 60);
            if (d8.empty() || !isDigits(d8, 0, 8) || date4long(d8.c_str()) <= 0 || !okTime) {
                error = quoted(text) + " is not a date-time (YYYY-MM-DDThh:mm:ss)";
                return false;
            }
            return f4assignDateTime(f, (d8 + time).c_str()) >= 0;
        }
        default:
            if (raw && text.size() == len) {
                f4assignN(f, text.data(), len);
                return true;
            }
            error = std::string("fields of type '") + (char)type + "' take exactly " + std::to_string(len) +
                    " bytes, from --file";
            return false;
    }
}

}  // namespace brindle
