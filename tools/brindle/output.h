// Escaping for the output formats, appended to a buffer.
#pragma once
#include <string>

#include "text/json_string.h"
#include "values.h"

namespace brindle {

using vandrel::appendJsonString;
using vandrel::jsonString;

// Copy: the text format of PostgreSQL's COPY (\N for null; backslash, line
// breaks and tabs escaped).
enum class Format { Text, Csv, Json, Copy };

// RFC 4180: quoted when the text holds a comma, a quote or a line break.
void appendCsvField(std::string &out, const char *p, size_t n);
void appendBase64(std::string &out, const std::string &bytes);
// Text in COPY's text format: \\, \n, \r and \t escaped.
void appendCopyField(std::string &out, const char *p, size_t n);
// A value in a format: text and csv show binary values by their size.
void appendValue(std::string &out, const Value &v, Format format);

std::string csvField(const std::string &text);
std::string base64(const std::string &bytes);

}  // namespace brindle
