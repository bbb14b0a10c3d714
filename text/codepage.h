// Text conversion between a table's 8-bit code page and UTF-8, by the code
// page mark of header byte 29; shared by brindle and the app.
//
// Single-byte code pages convert through a 256-entry table built once per
// code page from iconv, so every byte maps to exactly one character and back:
//  - a byte the code page defines maps to its character;
//  - a byte it leaves undefined in 0x80..0x9F maps to the C1 control
//    character of the same number (0x81 <-> U+0081, as Windows and the
//    web's decoders do); one undefined elsewhere maps to the private-use
//    character U+F700 + byte, as there is no C1 character of its number.
// So every stored byte survives a conversion to UTF-8 and back. Multi-byte
// code pages (932, 936, 949, 950) go through iconv; their undefined bytes
// become U+FFFD.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vandrel {

// The iconv name for a code page mark ("CP1252" for 0x03, 0x00 and unknown marks).
std::string codePageName(int mark);
// The mark of a code page given by name ("cp1252", "1252") or number ("3",
// "0x03"); -1 when unknown.
int codePageMark(const std::string &nameOrNumber);
// The names codePageMark accepts, for messages ("cp437, cp850, ...").
std::string codePageNames();

class CodePage {
public:
    explicit CodePage(const std::string &iconvName);
    const std::string &name() const { return name_; }
    // Whether the name is one iconv knows.
    bool valid() const;
    // Whether each byte is one character (the table-driven pages).
    bool singleByte() const;
    // The character of a byte of a single-byte page (0 for others).
    char32_t character(unsigned char byte) const;

    // Bytes in the code page to UTF-8.
    std::string toUtf8(const std::string &bytes) const;
    // The same, appended to out.
    void appendUtf8(const char *bytes, size_t length, std::string &out) const;
    // Single-byte pages: writes the UTF-8 form of n bytes to dst, which must
    // hold 3 * n bytes, and returns its length (the fast path of bulk export).
    size_t encodeUtf8(const unsigned char *p, size_t n, char *dst) const;
    // Whether bytes 0x00..0x7F are ASCII (true of every single-byte page here).
    bool asciiIdentity() const;
    // UTF-8 to the code page; false (out untouched) when a character has no
    // place in the code page or the input is not valid UTF-8.
    bool fromUtf8(const std::string &utf8, std::string &out) const;

    struct Table;  // the byte tables of a single-byte page

private:
    std::string name_;
    std::shared_ptr<const Table> table_;
};

// Decodes one UTF-8 sequence at p (before limit): the character and its
// length, or length 0 when the bytes are not valid UTF-8.
char32_t utf8Decode(const unsigned char *p, const unsigned char *limit, size_t *length);
// Whether the text is valid UTF-8 throughout.
bool validUtf8(const std::string &text);
// Appends the UTF-8 form of a character.
void utf8Append(char32_t c, std::string &out);

}  // namespace vandrel
