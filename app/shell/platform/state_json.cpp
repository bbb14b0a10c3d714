#include <cstdio>

#include "state_report.h"
#include "text/json_string.h"
#include "utf.h"

namespace vp {

namespace {
std::string quote(std::u16string_view s) { return vandrel::jsonString(toUtf8(s)); }
std::string quote(const std::string &s) { return vandrel::jsonString(s); }
const char *boolean(bool b) { return b ? "true" : "false"; }

// A menu identifier: the character when it is printable ASCII, else its number.
std::string menuId(int id) {
    if (id >= 0x20 && id < 0x7F) return quote(std::u16string(1, char16_t(id)));
    return std::to_string(id);
}
}  // namespace

std::string stateJson(const StateReport &r) {
    std::string j = "{\"pane\": " + std::to_string(r.pane) + ", \"title\": " + quote(r.title) + ", \"panels\": [";
    for (size_t p = 0; p < r.panels.size(); p++) {
        const PanelState &panel = r.panels[p];
        if (p) j += ", ";
        j += "{\"name\": " + quote(panel.name) + ", \"top\": " + std::to_string(panel.top) +
             ", \"selected\": " + std::to_string(panel.selected) + ", \"rows\": [";
        for (size_t i = 0; i < panel.rows.size(); i++) {
            if (i) j += ", ";
            j += "[";
            for (size_t k = 0; k < panel.rows[i].size(); k++) j += (k ? ", " : "") + quote(panel.rows[i][k]);
            j += "]";
        }
        j += "]";
        if (!panel.records.empty()) {
            j += ", \"records\": [";
            for (size_t i = 0; i < panel.records.size(); i++) j += (i ? ", " : "") + std::to_string(panel.records[i]);
            j += "]";
        }
        for (auto [key, bar] : {std::pair{"vscroll", &panel.vscroll}, std::pair{"hscroll", &panel.hscroll}}) {
            if (!*bar) continue;
            const ScrollState &b = **bar;
            j += std::string(", \"") + key + "\": {\"min\": " + std::to_string(b.min) + ", \"max\": " +
                 std::to_string(b.max) + ", \"page\": " + std::to_string(b.page) + ", \"position\": " +
                 std::to_string(b.position) + "}";
        }
        j += "}";
    }
    j += "], \"counter\": " + (r.counter ? quote(*r.counter) : std::string("null"));
    j += ", \"menu\": ";
    if (r.menu) {
        j += "{\"items\": [";
        for (size_t i = 0; i < r.menu->size(); i++) {
            const MenuItemState &m = (*r.menu)[i];
            if (i) j += ", ";
            j += "{\"text\": " + quote(m.text) + ", \"id\": " + menuId(m.id) + ", \"enabled\": " + boolean(m.enabled) +
                 ", \"checked\": " + boolean(m.checked) + "}";
        }
        j += "]}";
    } else {
        j += "null";
    }
    j += ", \"message\": ";
    if (r.message) {
        j += "{\"caption\": " + quote(r.message->caption) + ", \"text\": " + quote(r.message->text) + ", \"buttons\": [";
        for (size_t i = 0; i < r.message->buttons.size(); i++) j += (i ? ", " : "") + quote(r.message->buttons[i]);
        j += "]}";
    } else {
        j += "null";
    }
    j += ", \"dialog\": " + (r.dialogFolder ? "{\"folder\": " + quote(*r.dialogFolder) + "}" : std::string("null"));
    j += ", \"editor\": " + (r.editor ? quote(*r.editor) : std::string("null"));
    j += std::string(", \"keyboard_shown\": ") + boolean(r.keyboardShown);
    j += std::string(", \"wait_cursor_shown\": ") + boolean(r.waitCursorShown);
    j += ", \"wait_cursors\": " + std::to_string(r.waitCursors);
    j += ", \"beeps\": " + std::to_string(r.beeps);
    j += ", \"scale\": " + std::to_string(r.scale) + "}\n";
    return j;
}

}  // namespace vp
