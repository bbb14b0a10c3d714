// The headless runner's script: one event per line, coordinates in pixels of
// the 240 x 320 screen (the page area starts at y 26):
//   tap X Y | dtap X Y | down X Y | move X Y | up X Y | wheel N X Y
//   key TEXT | press KEYNAME (Enter, Escape, Up, Down, Left, Right, PageUp,
//     PageDown, Home, End, Backspace, Delete, Tab, or a letter; Ctrl+, Shift+
//     and Alt+ in front)
//   command exit|open|grid|about | choose PATH | menu TEXT | answer Yes|No|OK
//   wait MS | shot NAME | state NAME
// Blank lines and lines starting with "#" are skipped.
#pragma once
#include <string>
#include <vector>

#include "event.h"

namespace vp {

// The command bar's command identifiers.
enum Command : int { kCmdExit = 32774, kCmdGrid = 32775, kCmdOpen = 32776, kCmdAbout = 57664 };

// One step of a script: events, or a wait (Event::Type::Timer with amount = milliseconds).
struct ScriptStep {
    std::vector<Event> events;
    int waitMs = -1;
    int line = 0;
};

// Parses a whole script; on an unknown or malformed line, false with the
// line number and a message in error.
bool parseScript(const std::string &text, std::vector<ScriptStep> &steps, std::string &error);
// A key name as `press` takes it; false when unknown.
bool parseKeyName(const std::string &name, Event &e);

}  // namespace vp
