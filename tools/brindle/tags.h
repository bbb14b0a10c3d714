// The tags of a table's open indexes as the commands show them, and the
// --tag option.
#pragma once
#include <string>

#include "brindle.h"
#include "options.h"

namespace brindle {

// The tags as a JSON array.
std::string tagsJson(DATA4 *d);
// The tags as lines of text (nothing when there are none).
void printTags(DATA4 *d);
// Selects the tag named by --tag (when given); false after a message.
bool selectTag(DATA4 *d, const Options &o);

}  // namespace brindle
