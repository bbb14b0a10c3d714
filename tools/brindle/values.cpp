#include "values.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace brindle {

namespace {

std::string trimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

std::string trimBoth(const std::string &s) {
    size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

bool isDigits(const std::string &s, size_t from, size_t to) {
    if (from >= to) return false;
    for (size_t i = from; i < to; i++)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

// "-12.5", "3", ".5" (becomes "0.5"), "-.5"; false for anything else.
bool normaliseNumber(std::string &s) {
    std::string sign;
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        if (s[i] == '-') sign = "-";
        i++;
    }
    std::string body = s.substr(i);
    size_t dot = body.find('.');
    std::string intPart = dot == std::string::npos ? body : body.substr(0, dot);
    std::string frac = dot == std::string::npos ? "" : body.substr(dot + 1);
    if (intPart.empty() && frac.empty()) return false;
    if (!intPart.empty() && !isDigits(intPart, 0, intPart.size())) return false;
    if (dot != std::string::npos && !frac.empty() && !isDigits(frac, 0, frac.size())) return false;
    if (intPart.empty()) intPart = "0";
    s = sign + intPart + (frac.empty() ? "" : "." + frac);
    return true;
}

std::string isoDate(const char *d8) {
    return std::string(d8, 4) + "-" + std::string(d8 + 4, 2) + "-" + std::string(d8 + 6, 2);
}

std::string memoBytes(FIELD4 *f) { return std::string(f4memoPtr(f), f4memoLen(f)); }

// Rounds a decimal number text to dec places (half away from zero) and lays
// it out right-aligned in width; false when it does not fit.
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

}  // namespace

std::string shortestDouble(double v) {
    char buf[40];
    for (int p = 1; p <= 17; p++) {
        std::snprintf(buf, sizeof buf, "%.*g", p, v);
        if (std::strtod(buf, nullptr) == v) break;
    }
    return buf;
}

Value readValue(FIELD4 *f, const CodePage &cp) {
    Value v;
    if (f4null(f)) return v;
    const char *p = f4ptr(f);
    unsigned len = f4len(f);
    std::string raw(p, len);
    switch (f4type(f)) {
        case 'C':
        case 'Z':
            v.kind = Value::Text;
            v.text = cp.toUtf8(trimRight(raw));
            break;
        case 'N':
        case 'F': {
            std::string t = trimBoth(raw);
            if (t.empty()) break;
            std::string n = t;
            if (normaliseNumber(n)) {
                v.kind = Value::Number;
                v.text = n;
            } else {
                v.kind = Value::Text;
                v.text = cp.toUtf8(t);
            }
            break;
        }
        case 'D': {
            long j = date4long(p);
            if (j == 0) break;
            v.kind = Value::Text;
            v.text = j > 0 ? isoDate(p) : cp.toUtf8(trimRight(raw));
            if (j < 0 && v.text.empty()) v.kind = Value::None;
            break;
        }
        case 'L': {
            char ch = raw.empty() ? ' ' : raw[0];
            if (std::strchr("TtYy", ch) && ch) v.kind = Value::Bool, v.truth = true;
            else if (std::strchr("FfNn", ch) && ch) v.kind = Value::Bool, v.truth = false;
            break;
        }
        case 'M':
            v.kind = Value::Text;
            v.text = cp.toUtf8(memoBytes(f));
            break;
        case 'G':
        case 'X':
            v.kind = Value::Binary;
            v.text = memoBytes(f);
            break;
        case 'I':
            v.kind = Value::Number;
            v.text = std::to_string(f4long(f));
            break;
        case 'B': {
            double d = f4double(f);
            v.kind = std::isfinite(d) ? Value::Number : Value::Text;
            v.text = shortestDouble(d);
            break;
        }
        case 'Y':
            v.kind = Value::Number;
            v.text = f4currency(f, 4);
            break;
        case 'T': {
            std::string t = f4dateTime(f);
            if (t.size() < 8 || t.compare(0, 8, "        ") == 0) break;
            v.kind = Value::Text;
            std::string time = t.size() > 8 ? t.substr(8) : "00:00:00";
            v.text = isoDate(t.c_str()) + "T" + time;
            break;
        }
        default:
            v.kind = Value::Binary;
            v.text = raw;
            break;
    }
    return v;
}

bool assignValue(FIELD4 *f, const std::string &utf8, const CodePage &cp, std::string &error) {
    int type = f4type(f);
    unsigned len = f4len(f);
    if (utf8.empty()) {
        f4blank(f);
        return true;
    }
    std::string bytes;
    switch (type) {
        case 'C':
        case 'Z':
            if (!cp.fromUtf8(utf8, bytes)) {
                error = "the code page " + cp.name() + " cannot hold this text";
                return false;
            }
            if (bytes.size() > len) {
                error = "text of " + std::to_string(bytes.size()) + " bytes does not fit in " + std::to_string(len);
                return false;
            }
            f4assignN(f, bytes.data(), (unsigned)bytes.size());
            return true;
        case 'M':
            if (!cp.fromUtf8(utf8, bytes)) {
                error = "the code page " + cp.name() + " cannot hold this text";
                return false;
            }
            return f4memoAssignN(f, bytes.data(), (unsigned)bytes.size()) >= 0;
        case 'N':
        case 'F': {
            std::string n = trimBoth(utf8), out;
            if (!normaliseNumber(n)) {
                error = "'" + utf8 + "' is not a number";
                return false;
            }
            if (!layoutNumber(n, len, (unsigned)f4decimals(f), out)) {
                error = "'" + utf8 + "' does not fit in N(" + std::to_string(len) + "," +
                        std::to_string(f4decimals(f)) + ")";
                return false;
            }
            f4assignN(f, out.data(), (unsigned)out.size());
            return true;
        }
        case 'D': {
            if (utf8.size() != 10 || utf8[4] != '-' || utf8[7] != '-') {
                error = "dates are written YYYY-MM-DD";
                return false;
            }
            std::string d8 = utf8.substr(0, 4) + utf8.substr(5, 2) + utf8.substr(8, 2);
            if (!isDigits(d8, 0, 8) || date4long(d8.c_str()) <= 0) {
                error = "'" + utf8 + "' is not a valid date";
                return false;
            }
            f4assignN(f, d8.data(), 8);
            return true;
        }
        case 'L':
            if (utf8.size() != 1 || !std::strchr("TtYyFfNn", utf8[0])) {
                error = "logical values are T or F";
                return false;
            }
            f4assignChar(f, std::strchr("TtYy", utf8[0]) ? 'T' : 'F');
            return true;
        case 'I': {
            errno = 0;
            char *end = nullptr;
            long long v = std::strtoll(utf8.c_str(), &end, 10);
            if (*end || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) {
                error = "'" + utf8 + "' is not a 32-bit integer";
                return false;
            }
            f4assignLong(f, (long)v);
            return true;
        }
        case 'B': {
            errno = 0;
            char *end = nullptr;
            double v = std::strtod(utf8.c_str(), &end);
            if (*end || errno == ERANGE) {
                error = "'" + utf8 + "' is not a number";
                return false;
            }
            f4assignDouble(f, v);
            return true;
        }
        case 'Y': {
            std::string n = trimBoth(utf8);
            size_t dot = n.find('.');
            if (!normaliseNumber(n) || (dot != std::string::npos && n.size() - n.find('.') - 1 > 4)) {
                error = "'" + utf8 + "' is not a currency value (at most 4 decimals)";
                return false;
            }
            std::string intPart = n.substr(n[0] == '-' ? 1 : 0, n.find('.') == std::string::npos ? std::string::npos
                                                                                                : n.find('.') - (n[0] == '-'));
            if (intPart.size() > 15) {
                error = "'" + utf8 + "' is too large for a currency field";
                return false;
            }
            return f4assignCurrency(f, n.c_str()) >= 0;
        }
        case 'T': {
            // YYYY-MM-DDThh:mm:ss (or a date alone)
            if (utf8.size() < 10 || utf8[4] != '-' || utf8[7] != '-') {
                error = "date-times are written YYYY-MM-DDThh:mm:ss";
                return false;
            }
            std::string d8 = utf8.substr(0, 4) + utf8.substr(5, 2) + utf8.substr(8, 2);
            std::string time = utf8.size() > 10 ? utf8.substr(11) : "00:00:00";
            bool okTime = utf8.size() == 10 || (utf8[10] == 'T' && time.size() == 8 && time[2] == ':' &&
                                                time[5] == ':' && isDigits(time, 0, 2) && isDigits(time, 3, 5) &&
                                                isDigits(time, 6, 8) && std::atoi(time.c_str()) < 24 &&
                                                std::atoi(time.c_str() + 3) < 60 && std::atoi(time.c_str() + 6) < 60);
            if (!isDigits(d8, 0, 8) || date4long(d8.c_str()) <= 0 || !okTime) {
                error = "'" + utf8 + "' is not a valid date-time (YYYY-MM-DDThh:mm:ss)";
                return false;
            }
            return f4assignDateTime(f, (d8 + time).c_str()) >= 0;
        }
        default:
            error = std::string("fields of type '") + (char)type + "' cannot be set by this tool";
            return false;
    }
}

}  // namespace brindle
