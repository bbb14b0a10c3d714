#include "codepage.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <vector>

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

// Runs iconv over the whole input; on a character it cannot convert calls
// onBad (which may append a replacement and skip input) or fails.
bool convert(const std::string &from, const std::string &to, const std::string &in, std::string &out,
             bool replaceBad) {
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == (iconv_t)-1) return false;
    out.clear();
    std::vector<char> buf(in.size() * 4 + 16);
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = in.size();
    bool ok = true;
    while (srcLeft > 0) {
        char *dst = buf.data();
        size_t dstLeft = buf.size();
        size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        out.append(buf.data(), buf.size() - dstLeft);
        if (rc != (size_t)-1) continue;
        if (errno == E2BIG) continue;
        if (!replaceBad) {
            ok = false;
            break;
        }
        out += "\xEF\xBF\xBD";  // U+FFFD for a byte the code page leaves undefined
        src++;
        srcLeft--;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return ok;
}

std::string upper(std::string s) {
    for (char &c : s) c = (char)std::toupper((unsigned char)c);
    return s;
}

}  // namespace

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

CodePage::CodePage(const std::string &iconvName) : name_(upper(iconvName)) {}

bool CodePage::valid() const {
    iconv_t cd = iconv_open("UTF-8", name_.c_str());
    if (cd == (iconv_t)-1) return false;
    iconv_close(cd);
    return true;
}

std::string CodePage::toUtf8(const std::string &bytes) const {
    std::string out;
    convert(name_, "UTF-8", bytes, out, true);
    return out;
}

bool CodePage::fromUtf8(const std::string &utf8, std::string &out) const {
    std::string result;
    if (!convert("UTF-8", name_, utf8, result, false)) return false;
    out = result;
    return true;
}

}  // namespace vandrel
