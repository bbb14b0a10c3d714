// The text of one table: its 8-bit code page (header byte 29) to the
// interface's UTF-16 and back. Single-byte code pages are read through a
// 256-entry table made once from the shared code-page conversion; the
// multi-byte ones (932, 936, 949, 950) go through it value by value.
#pragma once
#include <string>
#include <unordered_map>

#include "text/codepage.h"

namespace vandrel {

class TableText {
public:
    // For the code page mark of a table header (0 and unknown marks: CP1252).
    explicit TableText(int codePageMark = 0x03);

    const std::string &codePageName() const { return codePage_.name(); }
    // Table bytes to UTF-16.
    std::u16string widen(const char *bytes, size_t n) const;
    std::u16string widen(const std::string &bytes) const { return widen(bytes.data(), bytes.size()); }
    // UTF-16 to table bytes; false (out untouched) when a character has no
    // place in the code page.
    bool narrow(const std::u16string &text, std::string &out) const;

private:
    CodePage codePage_;
    bool singleByte_ = true;
    bool asciiSame_ = true;  // bytes below 0x80 are ASCII
    char16_t forward_[256] = {};
    std::unordered_map<char16_t, unsigned char> reverse_;
};

}  // namespace vandrel
