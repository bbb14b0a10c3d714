// Escaping for the output formats.
#pragma once
#include <string>

#include "values.h"

namespace brindle {

std::string jsonString(const std::string &utf8);   // quoted, NUL as \u0000
std::string csvField(const std::string &text);     // RFC 4180 quoting when needed
std::string base64(const std::string &bytes);
// A value in a format: "text", "csv" or "json".
std::string formatValue(const Value &v, const std::string &format);

}  // namespace brindle
