// Field values as the tool shows and takes them, the same in every format:
//  C, Z   the text without trailing blanks
//  N, F   the stored number without blanks ("." gets a leading "0"); stored
//         text that is not a number (an overflow's asterisks) stays text
//  D      YYYY-MM-DD        L  T or F (T/t/Y/y, F/f/N/n; else no value)
//  M      the memo text     G, X  the bytes (size in text/csv, base64 in json)
//  I      decimal integer   B  shortest decimal that reads back the same
//  Y      four decimals     T  YYYY-MM-DDThh:mm:ss
// No value (blank number or date, null field) is empty / null.
#pragma once
#include <string>

#include "brindle.h"
#include "text/codepage.h"

namespace brindle {

using vandrel::CodePage;

struct Value {
    enum Kind { None, Text, Number, Bool, Binary } kind = None;
    std::string text;   // UTF-8 text, number text, or raw bytes for Binary
    bool truth = false;
};

Value readValue(FIELD4 *field, const CodePage &cp);

// Assigns a value given as UTF-8 text; an empty text blanks the field.
// Returns false with a reason when the text is not a value of the field's
// type, does not fit, or has characters the code page cannot hold.
bool assignValue(FIELD4 *field, const std::string &utf8, const CodePage &cp, std::string &error);

// Shortest decimal text that reads back as the same double.
std::string shortestDouble(double v);

}  // namespace brindle
