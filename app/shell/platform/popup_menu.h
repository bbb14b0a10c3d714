// Pop-up menus: items with a one-character identifier (or a small number),
// check marks, disabled items and separators, tracked at a point. The pen
// chooses an item by going down and up on it; a pen-down outside the menu,
// or Escape, closes it with nothing chosen. Up, Down and Enter work too.
#pragma once
#include <string>
#include <vector>

#include "geometry.h"

namespace vp {

struct MenuItem {
    std::u16string text;
    int id = 0;  // 0: a separator
    bool enabled = true;
    bool checked = false;
    bool separator() const { return id == 0; }
};

class PopupMenu {
public:
    // Where the point given to track is on the menu.
    enum Anchor { kTopLeft = 0, kTopRight = 1, kBottomLeft = 2, kBottomRight = 3 };

    void append(std::u16string text, int id) { items_.push_back({std::move(text), id}); }
    void appendSeparator() { items_.push_back({u"", 0}); }
    void clear() { items_.clear(); }
    std::vector<MenuItem> &items() { return items_; }
    const std::vector<MenuItem> &items() const { return items_; }
    MenuItem *find(int id);
    void enable(int id, bool on);
    void check(int id, bool on);
    void enableAll(bool on);
    void uncheckAll();

    // Shows the menu with its anchor corner at a screen point, kept on the
    // screen, until an item is chosen (its id) or the menu is closed (0).
    int track(Point screen, Anchor anchor = kTopLeft);
    // The rectangle track would use.
    Rect placement(Point screen, Anchor anchor) const;

private:
    std::vector<MenuItem> items_;
};

}  // namespace vp
