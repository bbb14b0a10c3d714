// Field values as the tool shows and takes them, the same in every format:
//  C, Z   the text without trailing blanks
//  N, F   the stored number without blanks, as a plain decimal ("." gets a
//         leading "0", leading zeros go: "00012" is 12); stored text that is
//         not a number (an overflow's asterisks) stays text
//  D      YYYY-MM-DD (a stored text that is no date stays as stored)
//  L      T or F (T/t/Y/y, F/f/N/n; else no value)
//  M      the memo text     G, X  the bytes (size in text/csv, base64 in json)
//  I      decimal integer   B  shortest decimal that reads back the same,
//         plain between 1e-6 and 1e21, exponent form outside; NaN and
//         infinities as text
//  Y      four decimals     T  YYYY-MM-DDThh:mm:ss, seconds rounded from the
//         milliseconds and carried into the next day
//  Version-0x32 tables: V (varchar) its text exactly, trailing blanks kept;
//         Q (varbinary) and W (blob) the bytes, as G and X
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

// Reads the current record's value of a field into v (whose buffer is
// reused). False when the stored value is damaged (a memo that cannot be
// read, an impossible time): damage then holds why, or the engine reported it.
bool readValue(FIELD4 *field, const CodePage &cp, Value &v, std::string &damage);

// Assigns a value given as UTF-8 text (binary fields: raw bytes when raw is
// set); an empty text blanks the field. Returns false with the reason when
// the text is not a value of the field's type, does not fit, or has
// characters the code page cannot hold.
bool assignValue(FIELD4 *field, const std::string &text, const CodePage &cp, std::string &error, bool raw = false);

// Shortest decimal text that reads back as the same double: plain notation
// for magnitudes from 1e-6 up to 1e21, exponent form outside; "NaN",
// "Infinity" and "-Infinity" for the rest.
std::string shortestDouble(double v);

// A stored numeric text as a plain decimal number ("-00.50" -> "-0.50",
// "+.5" -> "0.5"); false when it is not a number.
bool plainNumber(const char *p, size_t n, std::string &out);

// The kinds of version-0x32 tables' V, Q and W fields (elsewhere these
// letters are fixed-width binary fields).
inline bool isVarchar(FIELD4 *f) { return f4type(f) == 'V' && f->varLength; }
inline bool isVarbinary(FIELD4 *f) { return f4type(f) == 'Q' && f->varLength; }
inline bool isBlob(FIELD4 *f) { return f4type(f) == 'W' && f->memo; }
// Fields whose contents live in the memo file: M, G, X and blobs.
inline bool isMemoField(FIELD4 *f) { return f->memo != nullptr; }

// A field's name in UTF-8.
std::string fieldName(FIELD4 *field, const CodePage &cp);

}  // namespace brindle
