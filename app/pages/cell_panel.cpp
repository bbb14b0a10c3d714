#include "cell_panel.h"

namespace vpages {

int CellPanel::cellAt(vp::Point p) const {
    for (size_t i = cells.size(); i-- > 0;) {
        const Cell &c = cells[i];
        if (c.shown && c.enabled && c.rect.contains(p)) return int(i);
    }
    return -1;
}

void CellPanel::paint(vp::Canvas &c) {
    vp::Rect r{0, 0, rect.width(), rect.height()};
    if (filled) c.fill(r, fillColor);
    if (background) c.image(*background, backgroundSource, {0, 0});
    for (const Cell &cell : cells) paintCell(c, cell);
}

void CellPanel::penDown(vp::Point p) {
    pressed_ = cellAt(p);
    if (pressed_ >= 0 && onPenDown) onPenDown(pressed_, p);
    invalidate();
}

void CellPanel::penMove(vp::Point) {}

void CellPanel::penUp(vp::Point p) {
    int cell = cellAt(p);
    int was = pressed_;
    pressed_ = -1;
    invalidate();
    if (cell >= 0 && cell == was && onTap) onTap(cell, p);
}

void CellPanel::doubleTap(vp::Point p) {
    pressed_ = cellAt(p);
    if (pressed_ >= 0 && onDoubleTap) {
        int cell = pressed_;
        pressed_ = -1;  // the pen-up that follows is not a tap
        onDoubleTap(cell, p);
    }
    invalidate();
}

void CellPanel::report(vp::StateReport &r) const {
    vp::PanelState s;
    s.name = name_;
    s.top = reportTop;
    s.selected = reportSelected;
    std::vector<std::u16string> row;
    int inRow = 0;
    for (const Cell &cell : cells) {
        if (columns > 0 && inRow == columns) {
            s.rows.push_back(std::move(row));
            row.clear();
            inRow = 0;
        }
        inRow++;
        if (cell.shown) row.push_back(cell.text);
    }
    if (!row.empty() || s.rows.empty()) s.rows.push_back(std::move(row));
    r.panels.push_back(std::move(s));
}

}  // namespace vpages
