#include "arrangement_pane.h"

#include "field_types.h"
#include "shell/platform/message_box.h"

namespace vpages {

namespace {
// The three columns share 218 pixels (the list less its bar). "Field Type"
// is as wide as "Numerical Text" needs in the grid's font, which an
// 80 / 78 / 60 split would clip; "Visibility" keeps its caption's width.
constexpr int kNameWidth = 74, kTypeWidth = 88, kVisibilityWidth = 56;
constexpr int kRows = SetupList::kRows;
const char16_t *visibilityText(bool visible) { return visible ? u"Show" : u"Hide"; }
}  // namespace

ArrangementPane::ArrangementPane(vshell::Globals &g) : g_(g), buttons_(g.skin) {
    styles_.make(g_.skin.font(1));
    titleStyle_ = {.text = rgb(255, 255, 255), .font = g_.skin.font(5), .transparent = true};
    makeInfoTitleStrip(titleStrip_, g_.skin, &titleStyle_, u"Field Arrangements");
    list_.setColumns({{u"Field Name", kNameWidth}, {u"Field Type", kTypeWidth}, {u"Visibility", kVisibilityWidth}});
    list_.onPenDown = [this](int row, int, vp::Point) { list_.selectRow(row); };
    list_.onDoubleTap = [this](int row, int column, vp::Point) {
        if (row > 0) chooseVisibility(row, column);
    };
    list_.onScrolled = [this] { showRows(); };
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

void ArrangementPane::showRows() {
    list_.fitBar(fields_.count());
    for (int row = 1; row <= kRows; row++) {
        const vandrel::FieldEntry *f = fields_.get(int(list_.top) + row - 1);
        list_.setText(row, kNameColumn, f ? std::u16string_view(f->wideName) : std::u16string_view());
        list_.setText(row, kTypeColumn, f ? vandrel::fieldTypeName(f->type) : u"");
        list_.setText(row, kVisibilityColumn, f ? visibilityText(f->visible) : u"");
    }
    list_.styleRows();
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
    list_.bringIntoView(to);
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

}  // namespace vpages
