#include "sort_pane.h"

#include <algorithm>

#include "shell/platform/message_box.h"

namespace vpages {

namespace {
// The two columns share 218 pixels (the list less its bar); "Order" is as
// wide as "Descending (NC)" needs in the grid's font (89 pixels and the
// padding), which a 130 / 88 split would clip.
constexpr int kFieldWidth = 118, kOrderWidth = 100;
constexpr int kRows = ListGrid::kPageRows;
bool takesNoCase(int type) { return type == 'C' || type == 'M' || type == 'W'; }
}  // namespace

const char16_t *sortOrderText(int order) {
    switch (order) {
    case 'A': return u"Ascending";
    case 'B': return u"Ascending (NC)";
    case 'D': return u"Descending";
    case 'E': return u"Descending (NC)";
    default: return u"";
    }
}

SortPane::SortPane(vshell::Globals &g) : g_(g), buttons_(g.skin) {
    styles_.make(g_.skin.font(1));
    titleStyle_ = {.text = rgb(255, 255, 255), .font = g_.skin.font(5), .transparent = true};
    makeInfoTitleStrip(titleStrip_, g_.skin, &titleStyle_, u"Sorting Setup");
    list_.setLayout(kRows + 1, 2);
    list_.setColumnWidth(0, kFieldWidth);
    list_.setColumnWidth(1, kOrderWidth);
    list_.layout();
    list_.setText(0, 0, u"Field");
    list_.setText(0, 1, u"Order");
    list_.setStyle(0, 0, &styles_.header);
    list_.setStyle(0, 1, &styles_.header);
    list_.onPenDown = [this](int row, int, vp::Point) { selectRow(row); };
    list_.onTap = [this](int row, int column, vp::Point) {
        if (row > 0 && column == 1) chooseOrder(row);
    };
    list_.verticalBar().onScroll = [this](ScrollAction a, long thumb) {
        long to = list_.verticalBar().target(a, thumb);
        if (to == list_.top) return;
        list_.top = to;
        list_.verticalBar().setPosition(to);
        showRows();
    };
    buttons_.setButton(kUp, kGlyphUp);
    buttons_.setButton(kDown, kGlyphDown);
    buttons_.setButton(kDelete, kGlyphDelete);
    buttons_.setButton(kOk, kGlyphSave);
    buttons_.setButton(kBack, kGlyphClose);
    buttons_.onButton = [this](int place) { buttonTapped(place); };
}

void SortPane::activate(bool shown, int) {
    vshell::PaneManager &panes = g_.panes;
    if (!shown) {
        for (int h = 0; h < 3; h++) panes.host(h).clear();
        return;
    }
    panes.host(0).place(&titleStrip_, kTitleStrip);
    panes.host(1).place(&list_, kKeyList);
    panes.host(2).place(&buttons_, kButtonStrip);
    keys_.copyFrom(g_.session.sortKeys);
    modified_ = false;
    list_.top = 0;
    list_.selected = -1;
    showRows();
}

// Rows 1 ... 15 show keys top ... top + 14; the bar appears once there are
// at least as many keys as rows, with a page of one key.
void SortPane::showRows() {
    list_.fitBar(keys_.count());
    for (int row = 1; row <= kRows; row++) {
        const vandrel::FieldEntry *key = keys_.get(int(list_.top) + row - 1);
        list_.setText(row, 0, key ? std::u16string_view(key->wideName) : std::u16string_view());
        list_.setText(row, 1, key ? sortOrderText(key->sortOrder) : u"");
    }
    styleRows();
}

void SortPane::styleRows() {
    for (int row = 1; row <= kRows; row++) {
        long place = list_.top + row - 1;
        for (int col = 0; col < 2; col++) list_.setStyle(row, col, styles_.row(place, place == list_.selected, false));
    }
}

void SortPane::selectRow(int row) {
    long place = list_.top + row - 1;
    if (row < 1 || place >= keys_.count()) return;
    list_.selected = place;
    styleRows();
}

void SortPane::chooseOrder(int row) {
    vandrel::FieldEntry *key = keys_.get(int(list_.top) + row - 1);
    if (!key) return;
    vp::PopupMenu &menu = g_.panes.menu(vshell::kSortMenu);
    menu.enableAll(true);
    menu.uncheckAll();
    menu.check(key->sortOrder, true);
    menu.enable('B', takesNoCase(key->type));
    menu.enable('E', takesNoCase(key->type));
    vp::Rect cell = list_.screenRectOf(row, 1);
    int order = menu.track({cell.left, cell.bottom});
    if (order == 0 || order == key->sortOrder) return;
    key->sortOrder = order;
    modified_ = true;
    menu.uncheckAll();
    menu.check(order, true);
    list_.setText(row, 1, sortOrderText(order));
}

void SortPane::move(int by) {
    long from = list_.selected, to = from + by;
    if (from < 0 || to < 0 || to >= keys_.count()) return;
    keys_.swap(int(from), int(to));
    list_.selected = to;
    modified_ = true;
    if (to < list_.top) list_.top = to;
    if (to > list_.top + kRows - 1) list_.top = to - kRows + 1;
    showRows();
}

void SortPane::deleteSelected() {
    modified_ = true;
    if (list_.selected < 0) return;
    keys_.remove(int(list_.selected));
    list_.selected = -1;
    showRows();
}

void SortPane::apply() {
    vandrel::TableSession &s = g_.session;
    s.sortKeys.copyFrom(keys_);
    s.applySort();
}

void SortPane::buttonTapped(int place) {
    switch (place) {
    case kUp: move(-1); break;
    case kDown: move(1); break;
    case kDelete: deleteSelected(); break;
    case kOk:
        if (modified_) apply();
        g_.panes.switchTo(-1, 3, vshell::kReasonReturn);
        break;
    case kBack:
        if (modified_ && vp::messageBox(u"Sort order has been modified, save changes?", g_.appTitle,
                                        vp::Buttons::YesNo) == vp::kAnswerYes)
            apply();
        g_.panes.switchTo(-1, 3, vshell::kReasonReturn);
        break;
    }
}

bool SortPane::wheel(int amount) {
    if (!list_.verticalBar().visible) return false;
    list_.verticalBar().onScroll(ScrollAction::Thumb, list_.top - amount);
    return true;
}

}  // namespace vpages
