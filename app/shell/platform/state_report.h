// What `state NAME` dumps: the visible cell panels, the open pop-up menu and
// message box and the shell's own figures, gathered by the platform and
// written as JSON.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace vp {

struct ScrollState {
    long min = 0, max = 0, page = 1, position = 0;
};

struct PanelState {
    std::string name;
    int top = 0;
    int selected = -1;
    std::vector<std::vector<std::u16string>> rows;
    // Grids: the record number of each row (-1 none), the shown scroll bars.
    std::vector<long> records;
    std::optional<ScrollState> vscroll, hscroll;
};

struct MenuItemState {
    std::u16string text;
    int id = 0;
    bool enabled = true;
    bool checked = false;
};

struct MessageState {
    std::u16string caption;
    std::u16string text;
    std::vector<std::u16string> buttons;
};

struct StateReport {
    int pane = -1;
    std::u16string title;
    std::optional<std::u16string> counter;
    std::vector<PanelState> panels;
    std::optional<std::vector<MenuItemState>> menu;
    std::optional<MessageState> message;
    std::optional<std::string> dialogFolder;  // the open dialog's folder
    std::optional<std::u16string> editor;     // the in-place editor's text while it is shown
    bool keyboardShown = false;
    bool waitCursorShown = false;
    int waitCursors = 0;  // times the wait cursor was put up since start
    int beeps = 0;
    int scale = 1;
};

// The report as one JSON object (UTF-8, keys in a fixed order).
std::string stateJson(const StateReport &r);

}  // namespace vp
