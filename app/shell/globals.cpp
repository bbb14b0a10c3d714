#include "globals.h"

namespace vshell {

namespace {
Globals *current = nullptr;
}

Globals &globals() { return *current; }
void setGlobals(Globals *g) { current = g; }

}  // namespace vshell
