// Text conversion between a table's 8-bit code page and UTF-8, by the code
// page mark of header byte 29; shared by brindle and the app.
#pragma once
#include <string>

namespace vandrel {

// The iconv name for a code page mark ("CP1252" for 0x03, 0x00 and unknown marks).
std::string codePageName(int mark);
// The mark of a code page given by name ("cp1252", "1252") or number ("3",
// "0x03"); -1 when unknown.
int codePageMark(const std::string &nameOrNumber);

class CodePage {
public:
    explicit CodePage(const std::string &iconvName);
    const std::string &name() const { return name_; }
    // Bytes in the code page to UTF-8; undefined bytes become U+FFFD.
    std::string toUtf8(const std::string &bytes) const;
    // UTF-8 to the code page; false (out untouched) when a character has no
    // place in the code page or the input is not valid UTF-8.
    bool fromUtf8(const std::string &utf8, std::string &out) const;
    // Whether the name is one iconv knows.
    bool valid() const;

private:
    std::string name_;
};

}  // namespace vandrel
