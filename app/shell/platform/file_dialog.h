// The open dialog: a full page over the page area listing the folders and
// the files of one type of a folder. A tap on a folder goes into it, on ".."
// up one level, on a file chooses it; "Cancel" or Escape closes the dialog
// with nothing chosen. Keys: Up, Down, Page Up/Down, Home, End, Enter,
// Backspace (up one level). The script's `choose PATH` answers it directly.
#pragma once
#include <string>

namespace vp {

// The chosen file's path, or empty when cancelled. typeText names the files
// ("xBase (*.DBF)"); extension is matched without regard to case ("dbf").
std::string openFileDialog(const std::string &startFolder, const std::u16string &typeText,
                           const std::string &extension);

}  // namespace vp
