// UTF-8 <-> UTF-16 for the user interface, whose text is UTF-16.
#pragma once
#include <string>
#include <string_view>

namespace vp {

// Invalid UTF-8 bytes become U+FFFD.
std::u16string fromUtf8(std::string_view s);
// Unpaired surrogates become U+FFFD.
std::string toUtf8(std::u16string_view s);
// Latin-1 widening, byte by byte: for engine texts that are not UTF-8.
std::u16string fromLatin1(std::string_view s);
// Decodes one code point starting at s[i], moving i past it.
char32_t nextCodePoint(std::u16string_view s, size_t &i);

}  // namespace vp
