#include "codepage.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <map>
#include <mutex>
#include <utility>

namespace vandrel {

namespace {

struct MarkName {
    int mark;
    const char *name;
};

constexpr MarkName kMarks[] = {
    {0x01, "CP437"},  {0x02, "CP850"},  {0x03, "CP1252"}, {0x64, "CP852"},  {0x65, "CP866"},
    {0x66, "CP865"},  {0x67, "CP861"},  {0x6A, "CP737"},  {0x6B, "CP857"},  {0x78, "CP950"},
    {0x79, "CP949"},  {0x7A, "CP936"},  {0x7B, "CP932"},  {0x7C, "CP874"},  {0x7D, "CP1255"},
    {0x7E, "CP1256"}, {0xC8, "CP1250"}, {0xC9, "CP1251"}, {0xCA, "CP1254"}, {0xCB, "CP1253"},
};

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kPrivateBase = 0xF700;  // undefined bytes outside 0x80..0x9F

std::string upper(std::string s) {
    for (char &c : s) c = (char)std::toupper((unsigned char)c);
    return s;
}

class Iconv {
public:
    Iconv(const std::string &to, const std::string &from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
    ~Iconv() {
        if (ok()) iconv_close(cd_);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;
    bool ok() const { return cd_ != (iconv_t)-1; }

    // Converts the whole of in and flushes the converter's pending state (a
    // stateful page such as cp1255 holds back the last character until
    // then). An unconvertible sequence appends replacement and skips a byte,
    // or, with an empty replacement, fails. *incomplete is set when the input
    // ended inside a multi-byte character.
    bool run(const char *in, size_t length, std::string &out, const std::string &replacement,
             bool *incomplete = nullptr) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buf[1024];
        char *src = const_cast<char *>(in);
        size_t srcLeft = length;
        while (srcLeft > 0) {
            char *dst = buf;
            size_t dstLeft = sizeof buf;
            size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, sizeof buf - dstLeft);
            if (rc != (size_t)-1 || errno == E2BIG) continue;
            if (errno == EINVAL && incomplete) *incomplete = true;
            if (replacement.empty()) return false;
            out += replacement;
            src++;
            srcLeft--;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        for (;;) {
            char *dst = buf;
            size_t dstLeft = sizeof buf;
            size_t rc = iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
            out.append(buf, sizeof buf - dstLeft);
            if (rc != (size_t)-1) return true;
            if (errno != E2BIG) return replacement.empty() ? false : true;
        }
    }

private:
    iconv_t cd_;
};

}  // namespace

struct CodePage::Table {
    char32_t chars[256];
    char utf8[256][4];
    unsigned char utf8Len[256];
    bool asciiIdentity;
    int16_t fromLatin[256];                                // byte of U+0000..U+00FF, -1 none
    std::vector<std::pair<char32_t, unsigned char>> fromOther;  // sorted by character
};

namespace {

// Builds the table of a single-byte page; null when the page is not one
// (some byte starts a longer sequence) or iconv does not know it.
std::shared_ptr<const CodePage::Table> buildTable(const std::string &name) {
    Iconv toUtf32("UTF-32LE", name);
    if (!toUtf32.ok()) return nullptr;
    auto t = std::make_shared<CodePage::Table>();
    std::fill(std::begin(t->fromLatin), std::end(t->fromLatin), (int16_t)-1);
    bool defined[256];
    for (int b = 0; b < 256; b++) {
        char byte = (char)b;
        std::string out;
        bool incomplete = false;
        bool ok = toUtf32.run(&byte, 1, out, "", &incomplete);
        if (incomplete) return nullptr;  // a lead byte: not a single-byte page
        defined[b] = ok && out.size() == 4;
        if (defined[b] && (unsigned char)out[2] != 0) return nullptr;  // past the BMP: not a table page
        t->chars[b] = defined[b] ? (char32_t)((unsigned char)out[0] | (unsigned char)out[1] << 8 |
                                              (unsigned char)out[2] << 16 | (unsigned char)out[3] << 24)
                                 : 0;
    }
    // Undefined bytes take characters no defined byte uses.
    auto used = [&](char32_t c) {
        for (int b = 0; b < 256; b++)
            if (defined[b] && t->chars[b] == c) return true;
        return false;
    };
    for (int b = 0; b < 256; b++) {
        if (defined[b]) continue;
        char32_t c = b >= 0x80 && b <= 0x9F && !used((char32_t)b) ? (char32_t)b : kPrivateBase + (char32_t)b;
        t->chars[b] = c;
    }
    for (int b = 255; b >= 0; b--) {  // the lowest byte wins a shared character
        char32_t c = t->chars[b];
        std::string s;
        utf8Append(c, s);
        std::memcpy(t->utf8[b], s.data(), s.size());
        t->utf8Len[b] = (unsigned char)s.size();
        if (c < 0x100) t->fromLatin[c] = (int16_t)b;
        else t->fromOther.push_back({c, (unsigned char)b});
    }
    t->asciiIdentity = true;
    for (int b = 0; b < 0x80; b++) t->asciiIdentity = t->asciiIdentity && t->chars[b] == (char32_t)b;
    std::sort(t->fromOther.begin(), t->fromOther.end());
    t->fromOther.erase(std::unique(t->fromOther.begin(), t->fromOther.end(),
                                   [](auto &a, auto &b) { return a.first == b.first; }),
                       t->fromOther.end());
    return t;
}

std::shared_ptr<const CodePage::Table> tableFor(const std::string &name) {
    static std::mutex lock;
    static std::map<std::string, std::shared_ptr<const CodePage::Table>> tables;
    std::lock_guard<std::mutex> hold(lock);
    auto it = tables.find(name);
    if (it != tables.end()) return it->second;
    auto t = buildTable(name);
    tables[name] = t;
    return t;
}

}  // namespace

char32_t utf8Decode(const unsigned char *p, const unsigned char *limit, size_t *length) {
    *length = 0;
    if (p >= limit) return 0;
    unsigned char b = p[0];
    if (b < 0x80) {
        *length = 1;
        return b;
    }
    size_t n;
    char32_t c, min;
    if ((b & 0xE0) == 0xC0) n = 2, c = b & 0x1F, min = 0x80;
    else if ((b & 0xF0) == 0xE0) n = 3, c = b & 0x0F, min = 0x800;
    else if ((b & 0xF8) == 0xF0) n = 4, c = b & 0x07, min = 0x10000;
    else return 0;
    if ((size_t)(limit - p) < n) return 0;
    for (size_t i = 1; i < n; i++) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        c = c << 6 | (p[i] & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *length = n;
    return c;
}

bool validUtf8(const std::string &text) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data()), *end = p + text.size();
    while (p < end) {
        size_t n;
        utf8Decode(p, end, &n);
        if (!n) return false;
        p += n;
    }
    return true;
}

void utf8Append(char32_t c, std::string &out) {
    if (c < 0x80) {
        out += (char)c;
    } else if (c < 0x800) {
        out += (char)(0xC0 | c >> 6);
        out += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += (char)(0xE0 | c >> 12);
        out += (char)(0x80 | (c >> 6 & 0x3F));
        out += (char)(0x80 | (c & 0x3F));
    } else {
        out += (char)(0xF0 | c >> 18);
        out += (char)(0x80 | (c >> 12 & 0x3F));
        out += (char)(0x80 | (c >> 6 & 0x3F));
        out += (char)(0x80 | (c & 0x3F));
    }
}

std::string codePageName(int mark) {
    for (const MarkName &m : kMarks)
        if (m.mark == (mark & 0xFF)) return m.name;
    return "CP1252";
}

int codePageMark(const std::string &text) {
    if (text.empty()) return -1;
    char *end = nullptr;
    long n = std::strtol(text.c_str(), &end, 0);
    if (*end == 0) {
        // a number: a mark when it is one, else a code page number ("1252")
        for (const MarkName &m : kMarks)
            if (m.mark == n) return (int)n;
        if (n == 0) return 0;
        std::string cp = "CP" + text;
        for (const MarkName &m : kMarks)
            if (cp == m.name) return m.mark;
        return -1;
    }
    std::string u = upper(text);
    for (const MarkName &m : kMarks)
        if (u == m.name) return m.mark;
    return -1;
}

std::string codePageNames() {
    std::string out;
    for (const MarkName &m : kMarks) {
        if (!out.empty()) out += ", ";
        for (const char *p = m.name; *p; p++) out += (char)std::tolower((unsigned char)*p);
    }
    return out;
}

CodePage::CodePage(const std::string &iconvName) : name_(upper(iconvName)), table_(tableFor(name_)) {}

bool CodePage::valid() const {
    if (table_) return true;
    Iconv probe("UTF-8", name_);
    return probe.ok();
}

bool CodePage::singleByte() const { return table_ != nullptr; }

char32_t CodePage::character(unsigned char byte) const { return table_ ? table_->chars[byte] : 0; }

bool CodePage::asciiIdentity() const { return table_ && table_->asciiIdentity; }

size_t CodePage::encodeUtf8(const unsigned char *p, size_t n, char *dst) const {
    const Table &t = *table_;
    char *d = dst;
    for (size_t i = 0; i < n; i++) {
        unsigned char b = p[i];
        unsigned len = t.utf8Len[b];
        d[0] = t.utf8[b][0];
        if (len > 1) {
            d[1] = t.utf8[b][1];
            d[2] = t.utf8[b][2];
        }
        d += len;
    }
    return (size_t)(d - dst);
}

void CodePage::appendUtf8(const char *bytes, size_t length, std::string &out) const {
    if (table_) {
        size_t at = out.size();
        out.resize(at + 3 * length);
        size_t n = encodeUtf8(reinterpret_cast<const unsigned char *>(bytes), length, out.data() + at);
        out.resize(at + n);
        return;
    }
    Iconv cd("UTF-8", name_);
    if (!cd.ok()) {
        out.append(bytes, length);
        return;
    }
    std::string replacement;
    utf8Append(kReplacement, replacement);
    cd.run(bytes, length, out, replacement);
}

std::string CodePage::toUtf8(const std::string &bytes) const {
    std::string out;
    out.reserve(bytes.size());
    appendUtf8(bytes.data(), bytes.size(), out);
    return out;
}

bool CodePage::fromUtf8(const std::string &utf8, std::string &out) const {
    std::string result;
    if (!table_) {
        Iconv cd(name_, "UTF-8");
        if (!cd.ok() || !cd.run(utf8.data(), utf8.size(), result, "")) return false;
        out = result;
        return true;
    }
    const Table &t = *table_;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const unsigned char *limit = p + utf8.size();
    std::unique_ptr<Iconv> fallback;
    while (p < limit) {
        size_t n;
        char32_t c = utf8Decode(p, limit, &n);
        if (n == 0) return false;
        if (c < 0x100 && t.fromLatin[c] >= 0) {
            result += (char)t.fromLatin[c];
        } else {
            auto it = std::lower_bound(t.fromOther.begin(), t.fromOther.end(), std::make_pair(c, (unsigned char)0));
            if (it != t.fromOther.end() && it->first == c) {
                result += (char)it->second;
            } else {
                // A character the page spells with more than one byte (a
                // precomposed Hebrew letter with its point).
                if (!fallback) fallback = std::make_unique<Iconv>(name_, "UTF-8");
                if (!fallback->ok() || !fallback->run(reinterpret_cast<const char *>(p), n, result, "")) return false;
            }
        }
        p += n;
    }
    out = result;
    return true;
}

}  // namespace vandrel
