// The hot path of csv, json and COPY export: values of the common field types
// (C, N, F, D, L, I) formatted straight from the record buffer into the
// output, in one pass with the code-page conversion and the escaping. A
// value it does not handle (another type, a null field, a stored text that
// is no plain number or date) is left to the general path of values.h,
// whose results these must equal byte for byte.
#pragma once
#include <string>
#include <vector>

#include "brindle.h"
#include "output.h"
#include "text/codepage.h"

namespace brindle {

class FastColumn {
public:
    FastColumn(FIELD4 *field, const vandrel::CodePage &cp);
    // Appends the current record's value; false (nothing appended) when the
    // general path must format it.
    bool append(std::string &out, Format format, std::vector<char> &scratch) const;

private:
    enum Kind { General, Char, Number, Date, Logical, Integer };
    Kind kind_ = General;
    FIELD4 *field_;
    const vandrel::CodePage &cp_;
    const unsigned char *ptr_ = nullptr;  // the field's bytes in the record buffer
    unsigned len_ = 0;
    unsigned dec_ = 0;
    bool nullable_ = false;
};

}  // namespace brindle
