#include "arrangement_pane.h"

#include <algorithm>

#include "field_types.h"
#include "shell/platform/message_box.h"

namespace vpages {

namespace {
// The three columns share 218 pixels (the list less its bar).
constexpr int kNameWidth = 80, kTypeWidth = 78, kVisibilityWidth = 60;
constexpr int kRows = ListGrid::kPageRows;
constexpr int kColumns = 3;
const char16_t *visibilityText(bool visible) { return visible ? u"Show" : u"Hide"; }
}  // namespace

ArrangementPane::ArrangementPane(vshell::Globals &g) : g_(g), buttons_(g.skin) {
    styles_.make(g_.skin.font(1));
    titleStyle_ = {.text = rgb(255, 255, 255), .font = g_.skin.font(5), .transparent = true};
    makeInfoTitleStrip(titleStrip_, g_.skin, &titleStyle_, u"Field Arrangements");
    list_.setLayout(kRows + 1, kColumns);
    list_.setColumnWidth(kNameColumn, kNameWidth);
    list_.setColumnWidth(kTypeColumn, kTypeWidth);
    list_.setColumnWidth(kVisibilityColumn, kVisibilityWidth);
    list_.layout();
    const char16_t *captions[kColumns] = {u"Field Name", u"Field Type", u"Visibility"};
    for (int col = 0; col < kColumns; col++) {
        list_.setText(0, col, captions[col]);
        list_.setStyle(0, col, &styles_.header);
    }
    list_.onPenDown = [this](int row, int, vp::Point) { selectRow(row); };
    list_.onDoubleTap = [this](int row, int column, vp::Point) {
        if (row > 0) chooseVisibility(row, column);
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
    buttons_.setButton(kSave, kGlyphSave);
    buttons_.setButton(kClose, kGlyphClose);
    buttons_.onButton = [this](int place) { buttonTapped(place); };
}

void ArrangementPane::activate(bool shown, int reason) {
    vshell::PaneManager &panes = g_.panes;
    if (!shown) {
        for (int h = 0; h < 3; h++) panes.host(h).clear();
        return;
    }
    panes.host(0).place(&titleStrip_, kTitleStrip);
    panes.host(1).place(&list_, kFieldList);
    panes.host(2).place(&buttons_, kButtonStrip);
    refresh(reason);
}

void ArrangementPane::refresh(int reason) {
    if (reason == vshell::kReasonRequery) {
        fields_.copyFrom(g_.session.fields);
        changed_ = false;
        list_.top = 0;
        list_.selected = -1;
    }
    showRows();
}

// Rows 1 ... 15 show fields top ... top + 14; the bar's upper end is
// (fields - 15 + 1), shown when above 0, with a page of one.
void ArrangementPane::showRows() {
    long n = fields_.count();
    long upper = n - kRows + 1;
    if (upper > 0) {
        list_.verticalBar().setRange(0, upper, 1);
        list_.top = std::clamp(list_.top, 0L, list_.verticalBar().highest());
        list_.verticalBar().setPosition(list_.top);
    } else {
        list_.top = 0;
    }
    list_.showBars(upper > 0, false);
    list_.total = n;
    for (int row = 1; row <= kRows; row++) {
        const vandrel::FieldEntry *f = fields_.get(int(list_.top) + row - 1);
        list_.setText(row, kNameColumn, f ? std::u16string_view(f->wideName) : std::u16string_view());
        list_.setText(row, kTypeColumn, f ? vandrel::fieldTypeName(f->type) : u"");
        list_.setText(row, kVisibilityColumn, f ? visibilityText(f->visible) : u"");
    }
    styleRows();
}

void ArrangementPane::styleRows() {
    for (int row = 1; row <= kRows; row++) {
        long place = list_.top + row - 1;
        for (int col = 0; col < kColumns; col++)
            list_.setStyle(row, col, styles_.row(place, place == list_.selected, false));
    }
}

void ArrangementPane::selectRow(int row) {
    long place = list_.top + row - 1;
    if (row < 1 || place >= fields_.count()) return;
    list_.selected = place;
    styleRows();
}

// The Show/Hide pop-up below the tapped cell, right edges lined up, for the
// selected field; choosing the other item switches the field.
void ArrangementPane::chooseVisibility(int row, int column) {
    vandrel::FieldEntry *f = list_.selected >= 0 ? fields_.get(int(list_.selected)) : nullptr;
    if (!f) return;
    vp::PopupMenu &menu = g_.panes.menu(vshell::kShowMenu);
    menu.enableAll(true);
    menu.uncheckAll();
    menu.check(f->visible ? 'S' : 'H', true);
    vp::Rect cell = list_.screenRectOf(row, column);
    int id = menu.track({cell.right, cell.bottom}, vp::PopupMenu::kTopRight);
    if (id != 'S' && id != 'H') return;
    unsigned char visible = id == 'S' ? 1 : 0;
    if (visible == f->visible) return;
    f->visible = visible;
    changed_ = true;
    showRows();
}

void ArrangementPane::move(int by) {
    long from = list_.selected, to = from + by;
    if (from < 0 || to < 0 || to >= fields_.count()) return;
    fields_.swap(int(from), int(to));
    list_.selected = to;
    changed_ = true;
    if (to < list_.top) list_.top = to;
    if (to > list_.top + kRows - 1) list_.top = to - kRows + 1;
    showRows();
}

void ArrangementPane::apply() {
    vandrel::TableSession &s = g_.session;
    s.fields.copyFrom(fields_);
    s.applyFilter();
}

void ArrangementPane::buttonTapped(int place) {
    switch (place) {
    case kUp: move(-1); break;
    case kDown: move(1); break;
    case kSave:
        if (changed_) apply();
        g_.panes.switchTo(-1, 3, vshell::kReasonReturn);
        break;
    case kClose:
        if (changed_ && vp::messageBox(u"Field arrangements have been changed. Save changes?", g_.appTitle,
                                       vp::Buttons::YesNo) == vp::kAnswerYes)
            apply();
        g_.panes.switchTo(-1, 3, vshell::kReasonReturn);
        break;
    }
}

bool ArrangementPane::wheel(int amount) {
    if (!list_.verticalBar().visible) return false;
    list_.verticalBar().onScroll(ScrollAction::Thumb, list_.top - amount);
    return true;
}

}  // namespace vpages
