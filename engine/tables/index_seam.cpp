// The registered index-layer hooks. Until an index layer registers its own,
// every hook is null and the table layer treats the table as having no open
// index: no tag order, no key maintenance, no reuse tag.
#include "index_seam.h"

namespace {
INDEX4HOOKS g_hooks{};
}  // namespace

const INDEX4HOOKS &index4hooks() { return g_hooks; }

void index4hooksSet(const INDEX4HOOKS &hooks) { g_hooks = hooks; }
