// The display names of field types (the field arrangement page and the form
// view show them) and the groups of types the session treats alike.
#pragma once
#include <string>

namespace vandrel {

// "Text", "Numerical Text", ... ; "Unknown" for a letter without a name.
std::u16string fieldTypeName(int type);

// Types whose values are text in the expression language (quoted, "$" allowed,
// case-insensitive orders offered).
inline bool isTextType(int type) { return type == 'C' || type == 'M' || type == 'W'; }

}  // namespace vandrel
