#include "utf16.h"

namespace vandrel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point starting at s[i], advancing i; U+FFFD (one byte consumed)
// for a sequence that is not well-formed UTF-8.
char32_t decodeOne(const std::string &s, size_t &i) {
    unsigned char b = (unsigned char)s[i];
    if (b < 0x80) {
        i++;
        return b;
    }
    int extra;
    char32_t cp, min;
    if (b >= 0xC2 && b <= 0xDF) extra = 1, cp = b & 0x1F, min = 0x80;
    else if (b >= 0xE0 && b <= 0xEF) extra = 2, cp = b & 0x0F, min = 0x800;
    else if (b >= 0xF0 && b <= 0xF4) extra = 3, cp = b & 0x07, min = 0x10000;
    else {
        i++;
        return kReplacement;
    }
    if (i + (size_t)extra >= s.size()) {  // cut short by the end
        i++;
        return kReplacement;
    }
    for (int k = 1; k <= extra; k++) {
        unsigned char c = (unsigned char)s[i + (size_t)k];
        if ((c & 0xC0) != 0x80) {
            i++;
            return kReplacement;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        i++;
        return kReplacement;
    }
    i += (size_t)extra + 1;
    return cp;
}

void appendUtf8(std::string &out, char32_t cp) {
    if (cp < 0x80) {
        out += (char)cp;
    } else if (cp < 0x800) {
        out += (char)(0xC0 | (cp >> 6));
        out += (char)(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += (char)(0xE0 | (cp >> 12));
        out += (char)(0x80 | ((cp >> 6) & 0x3F));
        out += (char)(0x80 | (cp & 0x3F));
    } else {
        out += (char)(0xF0 | (cp >> 18));
        out += (char)(0x80 | ((cp >> 12) & 0x3F));
        out += (char)(0x80 | ((cp >> 6) & 0x3F));
        out += (char)(0x80 | (cp & 0x3F));
    }
}

// UTF-16 to UTF-8 with each unpaired surrogate passed to onBad (which
// returns false to stop).
template <typename OnBad>
bool encode(const std::u16string &text, std::string &out, OnBad onBad) {
    out.reserve(out.size() + text.size());
    for (size_t i = 0; i < text.size(); i++) {
        char32_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (char32_t)(text[i + 1] - 0xDC00);
            i++;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            if (!onBad()) return false;
            u = kReplacement;
        }
        appendUtf8(out, u);
    }
    return true;
}

}  // namespace

std::u16string utf8ToUtf16(const std::string &utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = decodeOne(utf8, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += (char16_t)(0xD800 + (cp >> 10));
            out += (char16_t)(0xDC00 + (cp & 0x3FF));
        } else {
            out += (char16_t)cp;
        }
    }
    return out;
}

bool utf16ToUtf8(const std::u16string &text, std::string &out) {
    std::string result;
    if (!encode(text, result, [] { return false; })) return false;
    out = std::move(result);
    return true;
}

std::string toUtf8(const std::u16string &text) {
    std::string out;
    encode(text, out, [] { return true; });
    return out;
}

}  // namespace vandrel
