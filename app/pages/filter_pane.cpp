#include "filter_pane.h"

#include "field_editor_pane.h"
#include "popup_panel.h"
#include "shell/platform/message_box.h"
#include "value_editor.h"

namespace vpages {

namespace {
// The three columns share 218 pixels (the list less its bar).
constexpr int kFieldWidth = 72, kOperatorWidth = 24, kValueWidth = 122;
constexpr int kRows = SetupList::kRows;
}  // namespace

const char16_t *operatorListText(int op) {
    switch (op) {
    case vandrel::kLess: return u"<";
    case vandrel::kLessOrEqual: return u"<=";
    case vandrel::kEqual: return u"=";
    case vandrel::kGreaterOrEqual: return u">=";
    case vandrel::kGreater: return u">";
    case vandrel::kContains: return u"{ }";
    default: return u"";
    }
}

FilterPane::FilterPane(vshell::Globals &g) : g_(g), buttons_(g.skin) {
    styles_.make(g_.skin.font(1));
    titleStyle_ = {.text = rgb(255, 255, 255), .font = g_.skin.font(5), .transparent = true};
    makeInfoTitleStrip(titleStrip_, g_.skin, &titleStyle_, u"Filter View/Edit");
    list_.setColumns({{u"Field", kFieldWidth}, {u"OP", kOperatorWidth}, {u"Value", kValueWidth}});
    list_.onPenDown = [this](int row, int, vp::Point) { list_.selectRow(row); };
    list_.onTap = [this](int row, int column, vp::Point) {
        if (row < 1) return;
        if (column == kOperatorColumn) chooseOperator(row);
        if (column == kValueColumn) editValue(row);
    };
    list_.onScrolled = [this] { showRows(); };
    buttons_.setButton(kDelete, kGlyphDelete);
    buttons_.setButton(kOk, kGlyphSave);
    buttons_.setButton(kBack, kGlyphClose);
    buttons_.onButton = [this](int place) { buttonTapped(place); };
}

void FilterPane::activate(bool shown, int reason) {
    vshell::PaneManager &panes = g_.panes;
    if (!shown) {
        for (int h = 0; h < 3; h++) panes.host(h).clear();
        return;
    }
    panes.host(0).place(&titleStrip_, kTitleStrip);
    panes.host(1).place(&list_, kConditionList);
    panes.host(2).place(&buttons_, kButtonStrip);
    if (reason == vshell::kReasonRequery || reason == 1) {
        conditions_.copyFrom(g_.session.filterConditions);
        modified_ = false;
        editing_ = -1;
        list_.top = 0;
        list_.selected = -1;
    } else if (editing_ >= 0) {
        // Back from the text editor: the entry holds what was saved. A text
        // field counted as changed when the editor opened.
        auto *editor = dynamic_cast<FieldEditorPane *>(panes.pane(vshell::kTextEditorPane));
        if (editor && editor->saved()) modified_ = true;
        editing_ = -1;
    }
    showRows();
}

void FilterPane::showRows() {
    list_.fitBar(conditions_.count());
    for (int row = 1; row <= kRows; row++) {
        const vandrel::FieldEntry *c = conditions_.get(int(list_.top) + row - 1);
        list_.setText(row, kFieldColumn, c ? std::u16string_view(c->wideName) : std::u16string_view());
        list_.setText(row, kOperatorColumn, c ? operatorListText(c->filterOperator) : u"");
        list_.setText(row, kValueColumn, c ? std::u16string_view(c->valueText) : std::u16string_view());
    }
    list_.styleRows();
}

int FilterPane::findOther(int index, int op) const {
    const vandrel::FieldEntry &c = conditions_[index];
    for (int i = 0; i < conditions_.count(); i++)
        if (i != index && conditions_[i].number == c.number && conditions_[i].filterOperator == op) return i;
    return -1;
}

void FilterPane::chooseOperator(int row) {
    int index = int(list_.top) + row - 1;
    vandrel::FieldEntry *c = conditions_.get(index);
    if (!c) return;
    vp::PopupMenu &menu = g_.panes.menu(vshell::kOperatorMenu);
    menu.enableAll(true);
    menu.uncheckAll();
    menu.check(c->filterOperator, true);
    vp::Rect cell = list_.screenRectOf(row, kOperatorColumn);
    int op = menu.track({cell.left, cell.bottom});
    // Choosing the operator in force changes nothing (it is no other
    // condition's operator to replace).
    if (op == 0 || op == c->filterOperator) return;
    int other = findOther(index, op);
    if (other >= 0) {
        if (vp::messageBox(u"Another filter setting with same operator on the same field exists. "
                           u"Do you want to replace?",
                           g_.appTitle, vp::Buttons::YesNo) != vp::kAnswerYes)
            return;
        conditions_.remove(other);
        if (other < index) index--;
        list_.selected = -1;
    }
    conditions_[index].filterOperator = op;
    modified_ = true;
    showRows();
}

// The cell carries the condition's value into the helper; a confirmed edit
// brings its text and number back into the condition.
void FilterPane::editValue(int row) {
    int index = int(list_.top) + row - 1;
    vandrel::FieldEntry *c = conditions_.get(index);
    if (!c) return;
    Cell &cell = list_.edit(row, kValueColumn);
    cell.number = c->valueNumber;
    if (c->type == 'C') modified_ = true;
    editing_ = index;
    ValueEdit outcome = editValueByType(g_, cell, cellOnPage(list_, cell.rect), *c);
    if (outcome == ValueEdit::kTextEditorOpened) return;
    editing_ = -1;
    if (outcome == ValueEdit::kConfirmed) {
        c->valueNumber = cell.number;
        c->valueText = cell.text;
        modified_ = true;
    }
    showRows();
}

void FilterPane::deleteSelected() {
    modified_ = true;
    if (list_.selected < 0) return;
    conditions_.remove(int(list_.selected));
    list_.selected = -1;
    showRows();
}

void FilterPane::apply() {
    vandrel::TableSession &s = g_.session;
    s.filterConditions.copyFrom(conditions_);
    s.applyFilter();
}

void FilterPane::buttonTapped(int place) {
    switch (place) {
    case kDelete: deleteSelected(); break;
    case kOk:
        if (modified_) apply();
        g_.panes.switchTo(-1, 3, vshell::kReasonReturn);
        break;
    case kBack:
        if (modified_ && vp::messageBox(u"Filters have been modified. Save changes?", g_.appTitle,
                                        vp::Buttons::YesNo) == vp::kAnswerYes)
            apply();
        g_.panes.switchTo(-1, 3, vshell::kReasonReturn);
        break;
    }
}

}  // namespace vpages
