// A UTF-8 text as a quoted JSON string: quote, backslash and the control
// characters escaped, everything else as it is.
#pragma once
#include <string>

namespace vandrel {

std::string jsonString(const std::string &utf8);

}  // namespace vandrel
