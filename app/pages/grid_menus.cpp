// The record grid page's three menus: "Actions" in the title strip, the
// header menu of a column (sorting, sizing, hiding) and the cell menu of a
// value (filtering).
#include "grid_page.h"
#include "shell/platform/message_box.h"
#include "shell/platform/platform.h"
#include "shell/platform/popup_menu.h"

namespace vpages {

namespace {
// Types whose header and cell menus are disabled altogether.
bool binaryType(int type) { return type == 'B' || type == 'G' || type == 'X'; }
// Types that take the not-case-sensitive orders and "Contains".
bool textType(int type) { return type == 'C' || type == 'M' || type == 'W'; }
}  // namespace

void GridPage::showActions() {
    vp::PopupMenu menu;
    menu.append(u"Reset All", 'R');
    menu.append(u"Reset Sort", 'S');
    menu.append(u"Reset Filter", 'F');
    menu.appendSeparator();
    menu.append(u"Size by Caption", 'C');
    menu.append(u"Size by Content", 'M');
    menu.appendSeparator();
    menu.append(u"Arrange Fields", 'A');
    vandrel::TableSession &s = g_.session;
    bool sorted = s.sortKeys.count() > 0, filtered = s.filterConditions.count() > 0;
    bool hidden = s.columnCount(false) < s.columnCount(true);
    if (!s.isOpen()) {
        menu.enableAll(false);
    } else {
        menu.enable('S', sorted);
        menu.enable('F', filtered);
        menu.enable('R', sorted || filtered || hidden);
    }
    vp::Rect button = titleStrip_.cells[1].rect.offset(titleStrip_.screenRect().left, titleStrip_.screenRect().top);
    int id = menu.track({button.right, button.bottom}, vp::PopupMenu::kTopRight);
    switch (id) {
    case 'R': resetAll(); break;
    case 'S':
        s.resetSort();
        grid_.rebuildColumns(false);
        redraw();
        break;
    case 'F':
        s.resetFilter();
        grid_.rebuildColumns(false);
        redraw();
        break;
    case 'C':
    case 'M':
        grid_.sizeColumns(id == 'C' ? 1 : 2);
        redraw();
        break;
    case 'A': g_.panes.switchTo(vshell::kArrangePane, 2, vshell::kReasonRequery); break;
    }
}

void GridPage::resetAll() {
    vandrel::TableSession &s = g_.session;
    bool hidden = s.columnCount(false) < s.columnCount(true);
    if (hidden) {
        s.setVisible(-1, true);
        grid_.rebuildColumns(true);
    }
    if (s.sortKeys.count() > 0) {
        s.resetSort();
        grid_.rebuildColumns(false);
    }
    if (s.filterConditions.count() > 0) {
        s.resetFilter();
        grid_.total = s.count(false);
        grid_.rebuildColumns(false);
    }
    if (hidden) {
        grid_.fetchRows();
        grid_.sizeColumns(0);
    }
    redraw();
}

void GridPage::showHeaderMenu(int column, vp::Point pen) {
    vandrel::TableSession &s = g_.session;
    if (!s.isOpen()) return;
    vp::PopupMenu menu;
    menu.append(u"Reset Sort", 'R');
    menu.appendSeparator();
    menu.append(u"Ascending", 'A');
    menu.append(u"Descending", 'D');
    menu.append(u"Ascending (NC)", 'B');
    menu.append(u"Descending (NC)", 'E');
    menu.appendSeparator();
    menu.append(u"Auto Size", 'S');
    menu.append(u"Hide Column", 'H');
    int type = grid_.columnType(column);
    if (column == grid_.sortColumn) menu.check(grid_.sortMark, true);
    menu.enable('R', s.sortKeys.count() > 0);
    menu.enable('B', textType(type));
    menu.enable('E', textType(type));
    if (binaryType(type)) menu.enableAll(false);
    vp::Rect cell = grid_.screenRectOf(0, column);
    int id = menu.track({pen.x + grid_.screenRect().left, cell.bottom});
    switch (id) {
    case 'R':
        s.resetSort();
        grid_.rebuildColumns(false);
        break;
    case 'A':
    case 'D':
    case 'B':
    case 'E': sortFromHeader(column, id); break;
    case 'S':
        grid_.sizeColumns(2, column, column);
        break;
    case 'H':
        s.setVisible(column, false);
        grid_.rebuildColumns(true);
        grid_.fetchRows();
        grid_.sizeColumns(0);
        break;
    default: return;
    }
    redraw();
}

void GridPage::sortFromHeader(int column, int order) {
    if (column == grid_.sortColumn && order == grid_.sortMark) return;
    // The sort itself runs on the relation's next move, inside addSortKey;
    // the first fetch of the new order is long work too.
    vp::WaitCursor wait;
    if (g_.session.addSortKey(column, order) == 0) {
        grid_.sortColumn = column;
        grid_.sortMark = order;
    }
    grid_.selected = -1;
    grid_.cursorPosition = -1;
    redraw();
}

void GridPage::showCellMenu(int row, int column, vp::Point pen) {
    vandrel::TableSession &s = g_.session;
    if (!s.isOpen()) return;
    vp::PopupMenu menu;
    menu.append(u"Reset Filter", 'F');
    menu.appendSeparator();
    menu.append(u"<", '<');
    menu.append(u"<=", 'L');
    menu.append(u"=", '=');
    menu.append(u">=", 'G');
    menu.append(u">", '>');
    menu.append(u"Contains", '$');
    int type = grid_.columnType(column);
    menu.enable('F', s.filterConditions.count() > 0);
    menu.enable('$', textType(type));
    if (binaryType(type)) menu.enableAll(false);
    vp::Rect cell = grid_.screenRectOf(row, column);
    int id = menu.track({pen.x + grid_.screenRect().left, cell.bottom});
    if (id == 0) return;
    if (id == 'F') {
        s.resetFilter();
        grid_.total = s.count(false);
        grid_.rebuildColumns(false);
        redraw();
        return;
    }
    filterFromCell(row, column, id);
}

void GridPage::filterFromCell(int row, int column, int op) {
    const Cell &c = grid_.cell(row, column);
    vandrel::DisplayCell value;
    value.text = c.text;
    value.number = c.number;
    value.recordNumber = c.recordNumber;
    value.valid = c.valid;
    if (g_.session.addFilterCondition(column, op, value) != 0) {
        vp::Platform::get().beep();
        vp::messageBox(u"Could not set filter", g_.appTitle, vp::Buttons::Ok);
        return;
    }
    grid_.rebuildColumns(false);
    grid_.total = g_.session.count(false);
    redraw();
}

}  // namespace vpages
