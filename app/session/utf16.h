// UTF-8 <-> UTF-16, the user interface's text. Used by the session on top of
// the code-page conversion, and by the shell for its own texts.
#pragma once
#include <string>

namespace vandrel {

// UTF-8 to UTF-16; a byte sequence that is not UTF-8 becomes U+FFFD.
std::u16string utf8ToUtf16(const std::string &utf8);
// UTF-16 to UTF-8; false (out untouched) for an unpaired surrogate.
bool utf16ToUtf8(const std::u16string &text, std::string &out);
// The same, with U+FFFD for an unpaired surrogate (for messages and logs).
std::string toUtf8(const std::u16string &text);
// ASCII or UTF-8 literal to UTF-16, for the program's own texts.
inline std::u16string u16(const std::string &utf8) { return utf8ToUtf16(utf8); }

}  // namespace vandrel
