// The display names of field types (the field arrangement page and the form
// view show them) and the groups of types the session treats alike.
#pragma once
#include <string>

namespace vandrel {

// "Text", "Numerical Text", ... ; "Unknown" for a letter without a name.
// In a table with varchar fields (TableSession::varFields) V, Q and W are
// "Varchar", "Varbinary" and "Blob"; elsewhere these letters are fixed-width
// binary kinds without a name.
std::u16string fieldTypeName(int type, bool varFields = false);

// Types whose values are text in the expression language (quoted, "$" allowed,
// case-insensitive orders offered). V only has an expression form as a
// varchar; W is wide text, or a blob read as its memo text.
inline bool isTextType(int type) { return type == 'C' || type == 'M' || type == 'W' || type == 'V'; }

}  // namespace vandrel
