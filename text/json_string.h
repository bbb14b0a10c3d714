// UTF-8 text as a quoted JSON string: quote, backslash and the control
// characters escaped (NUL included, as \u0000), everything else as it is.
#pragma once
#include <cstddef>
#include <string>

namespace vandrel {

// Appends the quoted form of n bytes at p to out.
void appendJsonString(std::string &out, const char *p, size_t n);
std::string jsonString(const std::string &utf8);

}  // namespace vandrel
