// What the backends hand the platform: pen, keys, wheel, commands, timers,
// and, from the headless runner's script only, the answers to open dialogs
// and the requests for screenshots and state dumps.
#pragma once
#include <string>

#include "geometry.h"

namespace vp {

enum class Key { None, Enter, Escape, Up, Down, Left, Right, PageUp, PageDown, Home, End, Backspace, Delete, Tab, Char };

enum Modifier { kShift = 1, kCtrl = 2, kAlt = 4 };

struct Event {
    enum class Type {
        PenDown, PenMove, PenUp, DoubleTap,  // pt in screen pixels
        Text,                                // text: typed characters
        KeyPress,                            // key, mods; ch for Key::Char (a letter with Ctrl or Alt)
        Wheel,                               // amount (positive: away from the user, up), pt
        Command,                             // command: one of the command bar's identifiers
        Timer,                               // timer
        Quit,                                // the window was closed or the script ended
        Choose,                              // arg: a path answering the open dialog
        MenuChoose,                          // text: the item of the open pop-up menu
        Answer,                              // text: the button of the open message box
        Shot,                                // arg: the screenshot's name
        State,                               // arg: the state dump's name
    };
    Type type = Type::Quit;
    Point pt;
    std::u16string text;
    Key key = Key::None;
    int mods = 0;
    char32_t ch = 0;
    int amount = 0;
    int command = 0;
    int timer = 0;
    std::string arg;
    int line = 0;  // the script line it came from (headless)
};

}  // namespace vp
