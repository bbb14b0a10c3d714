#include "table_text.h"

#include "utf16.h"

namespace vandrel {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isMultiByte(const std::string &name) {
    return name == "CP932" || name == "CP936" || name == "CP949" || name == "CP950";
}

bool allAscii(const char *p, size_t n) {
    for (size_t i = 0; i < n; i++)
        if ((unsigned char)p[i] >= 0x80) return false;
    return true;
}

bool allAscii(const std::u16string &s) {
    for (char16_t c : s)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

TableText::TableText(int codePageMark) : codePage_(vandrel::codePageName(codePageMark)) {
    singleByte_ = !isMultiByte(codePage_.name());
    if (!singleByte_) return;
    // Every byte at once; a single-byte code page gives one character each.
    std::string all(256, '\0');
    for (int b = 0; b < 256; b++) all[(size_t)b] = (char)b;
    std::u16string wide = utf8ToUtf16(codePage_.toUtf8(all));
    if (wide.size() != 256) {
        for (int b = 0; b < 256; b++) {
            std::u16string one = utf8ToUtf16(codePage_.toUtf8(std::string(1, (char)b)));
            wide.resize(256);
            wide[(size_t)b] = one.size() == 1 ? one[0] : kReplacement;
        }
    }
    for (int b = 0; b < 256; b++) {
        forward_[b] = wide[(size_t)b];
        // A character that two bytes share, or the replacement of a byte the
        // code page leaves undefined, has no way back.
        if (forward_[b] == kReplacement) continue;
        reverse_.emplace(forward_[b], (unsigned char)b);
    }
    for (int b = 0; b < 0x80; b++)
        if (forward_[b] != (char16_t)b) asciiSame_ = false;
}

std::u16string TableText::widen(const char *bytes, size_t n) const {
    if (!bytes || n == 0) return std::u16string();
    if (asciiSame_ && allAscii(bytes, n)) return std::u16string(bytes, bytes + n);
    if (!singleByte_) return utf8ToUtf16(codePage_.toUtf8(std::string(bytes, n)));
    std::u16string out(n, u'\0');
    for (size_t i = 0; i < n; i++) out[i] = forward_[(unsigned char)bytes[i]];
    return out;
}

bool TableText::narrow(const std::u16string &text, std::string &out) const {
    if (asciiSame_ && allAscii(text)) {
        out.assign(text.begin(), text.end());
        return true;
    }
    if (!singleByte_) {
        std::string utf8, bytes;
        if (!utf16ToUtf8(text, utf8) || !codePage_.fromUtf8(utf8, bytes)) return false;
        out = std::move(bytes);
        return true;
    }
    std::string bytes(text.size(), '\0');
    for (size_t i = 0; i < text.size(); i++) {
        auto it = reverse_.find(text[i]);
        if (it == reverse_.end()) return false;
        bytes[i] = (char)it->second;
    }
    out = std::move(bytes);
    return true;
}

}  // namespace vandrel
