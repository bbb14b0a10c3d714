#include "value_editor.h"

#include "calculator_pane.h"
#include "calendar.h"
#include "classes/date4class.h"
#include "date_picker_pane.h"
#include "field_editor_pane.h"
#include "shell/platform/message_box.h"
#include "shell/platform/platform.h"

namespace vpages {

namespace {

ValueEdit editNumber(vshell::Globals &g, Cell &cell, const vp::Rect &onPage, int decimals) {
    auto *calculator = dynamic_cast<CalculatorPane *>(g.panes.pane(vshell::kCalculatorPane));
    if (!calculator) return ValueEdit::kNone;
    calculator->open(cell, decimals);
    return calculator->run(CalculatorPane::placement(onPage)) == 1 ? ValueEdit::kConfirmed : ValueEdit::kCancelled;
}

// Starts on the cell's date, or today for a blank one.
ValueEdit editDate(vshell::Globals &g, Cell &cell, const vp::Rect &onPage) {
    auto *picker = dynamic_cast<DatePickerPane *>(g.panes.pane(vshell::kDatePickerPane));
    if (!picker) return ValueEdit::kNone;
    picker->setDate(hoursOf(isDayNumber(cell.number) ? dateOfDayNumber(long(cell.number)) : today()));
    if (picker->run(DatePickerPane::placement(onPage)) != 1) return ValueEdit::kCancelled;
    long day = dayNumberOf(dateOfHours(picker->date()));
    cell.number = double(day);
    cell.text = g.session.formatDate(Date4(day));
    return ValueEdit::kConfirmed;
}

// The Yes/No menu when the text begins with Y or N (either case), else
// True/False; below the cell, right edges lined up.
ValueEdit editLogical(vshell::Globals &g, Cell &cell, const vp::Rect &onPage) {
    char16_t first = cell.text.empty() ? 0 : cell.text[0];
    bool yesNo = first == u'Y' || first == u'y' || first == u'N' || first == u'n';
    vp::PopupMenu &menu = g.panes.menu(yesNo ? vshell::kYesNoMenu : vshell::kTrueFalseMenu);
    menu.enableAll(true);
    menu.uncheckAll();
    vp::Rect screen = onPage.offset(0, vp::kTitleBarHeight);
    int id = menu.track({screen.right, screen.bottom}, vp::PopupMenu::kTopRight);
    switch (id) {
    case 'Y': cell.text = u"Yes"; cell.number = 1; break;
    case 'N': cell.text = u"No"; cell.number = -1; break;
    case 'T': cell.text = u"True"; cell.number = 1; break;
    case 'F': cell.text = u"False"; cell.number = -1; break;
    default: return ValueEdit::kCancelled;
    }
    return ValueEdit::kConfirmed;
}

}  // namespace

ValueEdit editValueByType(vshell::Globals &g, Cell &cell, const vp::Rect &cellOnPage, vandrel::FieldEntry &entry) {
    switch (entry.type) {
    case 'B': case 'F': case 'I': case 'N': return editNumber(g, cell, cellOnPage, entry.decimals);
    case 'D': return editDate(g, cell, cellOnPage);
    case 'L': return editLogical(g, cell, cellOnPage);
    case 'C': case 'M': case 'W': {
        auto *editor = dynamic_cast<FieldEditorPane *>(g.panes.pane(vshell::kTextEditorPane));
        if (!editor) return ValueEdit::kNone;
        editor->edit(cell, entry);
        return ValueEdit::kTextEditorOpened;
    }
    case 'G': case 'X': case 'Z':
        vp::Platform::get().beep();
        vp::messageBox(kBinaryRefusal, g.appTitle, vp::Buttons::Ok);
        return ValueEdit::kRefused;
    default: return ValueEdit::kNone;
    }
}

}  // namespace vpages
