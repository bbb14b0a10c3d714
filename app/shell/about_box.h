// The About box: a modal page titled "About Vandrel" with the program's
// icon and the line "Vandrel Version 1.0", closed by its OK button, Enter or
// Escape (or the script's `answer OK`).
#pragma once

namespace vshell {

void showAboutBox();

}  // namespace vshell
