#include "form_view_pane.h"

#include <algorithm>
#include <cstdio>

#include "calculator_pane.h"
#include "calendar.h"
#include "date_picker_pane.h"
#include "field_editor_pane.h"
#include "popup_panel.h"
#include "shell/platform/message_box.h"
#include "shell/platform/platform.h"

namespace vpages {

namespace {
constexpr int kRows = ListGrid::kPageRows;
const Color kNameFill = rgb(176, 192, 255), kNameLine = rgb(176, 168, 144);

std::u16string ascii(const std::string &s) { return std::u16string(s.begin(), s.end()); }

template <class T>
T *paneAt(vshell::Globals &g, int slot) {
    return dynamic_cast<T *>(g.panes.pane(slot));
}
}  // namespace

FormViewPane::FormViewPane(vshell::Globals &g) : g_(g), buttons_(g.skin) {
    styles_.make(g_.skin.font(1));
    nameStyle_ = {.background = kNameFill, .background2 = kNameFill, .text = rgb(0, 0, 0), .line = kNameLine,
                  .align = vp::Align::Right, .font = g_.skin.font(1), .borders = kBorderRight | kBorderBottom};
    titleStyle_ = {.text = rgb(255, 255, 255), .font = g_.skin.font(5), .transparent = true};
    narrowTitleStyle_ = titleStyle_;
    narrowTitleStyle_.font = g_.skin.font(1);
    makeInfoTitleStrip(titleStrip_, g_.skin, &titleStyle_, u"Form View");

    list_.setLayout(kRows + 1, 2);
    list_.setColumnWidth(kNameColumn, kNameWidth);
    list_.setColumnWidth(kValueColumn, kValueWidth);
    list_.layout();
    list_.setText(0, kNameColumn, u"Field");
    list_.setText(0, kValueColumn, u"Value");
    list_.setStyle(0, kNameColumn, &styles_.header);
    list_.setStyle(0, kValueColumn, &styles_.header);
    list_.onPenDown = [this](int row, int, vp::Point) { selectRow(row); };
    list_.onDoubleTap = [this](int row, int column, vp::Point) {
        if (row > 0 && column == kValueColumn && list_.top + row - 1 == list_.selected) editValue(row);
    };
    list_.verticalBar().onScroll = [this](ScrollAction a, long thumb) {
        scrollTo(list_.verticalBar().target(a, thumb));
    };

    buttons_.setButton(kNewBlank, kGlyphNew);
    buttons_.setButton(kNewCopy, kGlyphCopy);
    buttons_.setButton(kSave, kGlyphSave);
    buttons_.setButton(kClose, kGlyphClose);
    buttons_.onButton = [this](int place) { buttonTapped(place); };
}

void FormViewPane::activate(bool shown, int reason) {
    vshell::PaneManager &panes = g_.panes;
    if (!shown) {
        for (int h = 0; h < 3; h++) panes.host(h).clear();
        return;
    }
    panes.host(0).place(&titleStrip_, kTitleStrip);
    panes.host(1).place(&list_, kFormList);
    panes.host(2).place(&buttons_, kButtonStrip);
    showRecord(recordNumber_, true);
    refresh(reason);
}

void FormViewPane::showRecord(long recordNumber, bool updateTitle) {
    recordNumber_ = recordNumber;
    changed_ = true;
    if (recordNumber <= 0) entries_.setModified(true);
    if (!updateTitle) return;
    char text[64];
    if (recordNumber <= 0)
        std::snprintf(text, sizeof text, "Form View [New Record]");
    else
        std::snprintf(text, sizeof text, "Form View [Record Number = %ld]", recordNumber);
    Cell &title = titleStrip_.cells[0];
    title.text = ascii(text);
    // "Form View [Record Number = 12345]" is wider than the 168-pixel cell
    // in the bold title font: such a title is set in the regular one.
    const vp::Font *bold = g_.skin.font(5);
    bool fits = !bold || bold->measure(title.text) + 2 * kCellPadding <= title.rect.width();
    title.style = fits ? &titleStyle_ : &narrowTitleStyle_;
    titleStrip_.invalidateArea(title.rect);
}

void FormViewPane::refresh(int reason) {
    if (reason == 0) {
        entries_.copyFrom(g_.session.fields);
        list_.top = 0;
        list_.selected = -1;
        changed_ = false;
        g_.session.readRecord(entries_, recordNumber_);
    }
    // The rows are filled again in every case: an edit made by the text
    // editor while this page was hidden shows on return.
    showRows();
}

// Rows 1 ... 15 show entries top ... top + 14; the bar appears once the
// entries outnumber the rows, with a page of one entry.
void FormViewPane::showRows() {
    list_.fitBar(entries_.count());
    for (int row = 1; row <= kRows; row++) {
        const vandrel::FieldEntry *e = entries_.get(int(list_.top) + row - 1);
        list_.setText(row, kNameColumn, e ? std::u16string_view(e->wideName) : std::u16string_view());
        list_.setText(row, kValueColumn, e ? std::u16string_view(e->valueText) : std::u16string_view());
        list_.setData(row, kValueColumn, e ? e->valueNumber : 0, int(recordNumber_), e != nullptr);
    }
    styleRows();
}

void FormViewPane::styleRows() {
    for (int row = 1; row <= kRows; row++) {
        long place = list_.top + row - 1;
        list_.setStyle(row, kNameColumn, &nameStyle_);
        list_.setStyle(row, kValueColumn, styles_.row(place, place == list_.selected, false));
    }
}

void FormViewPane::selectRow(int row) {
    long place = list_.top + row - 1;
    if (row < 1 || place >= entries_.count() || place == list_.selected) return;
    list_.selected = place;
    styleRows();
}

void FormViewPane::scrollTo(long top) {
    if (!list_.verticalBar().visible) return;
    top = std::clamp(top, 0L, list_.verticalBar().highest());
    if (top == list_.top) return;
    list_.top = top;
    list_.verticalBar().setPosition(top);
    showRows();
}

void FormViewPane::editValue(int row) {
    vandrel::FieldEntry *e = entries_.get(int(list_.top) + row - 1);
    if (!e) return;
    switch (e->type) {
    case 'B': case 'F': case 'I': case 'N': editNumber(row, *e); break;
    case 'C': case 'M': case 'W': editText(row, *e); break;
    case 'D': editDate(row, *e); break;
    case 'L': editLogical(row, *e); break;
    case 'G': case 'X': case 'Z':
        vp::Platform::get().beep();
        vp::messageBox(u"Could not edit binary memo or OLE field on Pocket PC", g_.appTitle, vp::Buttons::Ok);
        break;
    default: break;
    }
}

void FormViewPane::editNumber(int row, vandrel::FieldEntry &e) {
    CalculatorPane *keypad = paneAt<CalculatorPane>(g_, vshell::kCalculatorPane);
    if (!keypad) return;
    Cell &cell = list_.edit(row, kValueColumn);
    cell.number = e.valueNumber;
    keypad->open(cell, e.decimals);
    int result = keypad->run(CalculatorPane::placement(cellOnPage(list_, cell.rect)));
    if (result == 1) {
        e.valueNumber = cell.number;
        e.valueText = cell.text;
        e.modified = 1;
        changed_ = true;
    }
    list_.repaintRow(row);
}

void FormViewPane::editDate(int row, vandrel::FieldEntry &e) {
    DatePickerPane *picker = paneAt<DatePickerPane>(g_, vshell::kDatePickerPane);
    if (!picker) return;
    const Cell &cell = list_.cell(row, kValueColumn);
    if (isDayNumber(e.valueNumber)) {
        e.modified = 1;
        picker->setDate(hoursOf(dateOfDayNumber(long(e.valueNumber))));
    } else {
        picker->setDate(hoursOf(today()));
    }
    if (picker->run(DatePickerPane::placement(cellOnPage(list_, cell.rect))) != 1) return;
    CivilDate picked = dateOfHours(picker->date());
    Date4 date(ccyymmdd(picked).c_str());
    e.valueNumber = double(date.julian());
    e.valueText = g_.session.formatDate(date);
    // A date picked on a blank field is an edit like any other: it is written.
    e.modified = 1;
    changed_ = true;
    list_.setText(row, kValueColumn, e.valueText);
    list_.setData(row, kValueColumn, e.valueNumber, int(recordNumber_), true);
}

void FormViewPane::editLogical(int row, vandrel::FieldEntry &e) {
    char16_t first = e.valueText.empty() ? 0 : e.valueText[0];
    bool yesNo = first == u'Y' || first == u'y' || first == u'N' || first == u'n';
    vp::PopupMenu &menu = g_.panes.menu(yesNo ? vshell::kYesNoMenu : vshell::kTrueFalseMenu);
    menu.enableAll(true);
    menu.uncheckAll();
    vp::Rect cell = list_.screenRectOf(row, kValueColumn);
    int choice = menu.track({cell.right, cell.bottom}, vp::PopupMenu::kTopRight);
    const char16_t *text = nullptr;
    switch (choice) {
    case 'Y': text = u"Yes"; break;
    case 'N': text = u"No"; break;
    case 'T': text = u"True"; break;
    case 'F': text = u"False"; break;
    default: return;
    }
    e.valueText = text;
    e.valueNumber = choice == 'Y' || choice == 'T' ? 1.0 : -1.0;
    e.modified = 1;
    changed_ = true;
    list_.setText(row, kValueColumn, e.valueText);
    list_.setData(row, kValueColumn, e.valueNumber, int(recordNumber_), true);
}

void FormViewPane::editText(int row, vandrel::FieldEntry &e) {
    FieldEditorPane *editor = paneAt<FieldEditorPane>(g_, vshell::kTextEditorPane);
    if (!editor) return;
    e.modified = 1;
    changed_ = true;
    Cell &cell = list_.edit(row, kValueColumn);
    cell.text = e.valueText;
    editor->edit(cell, e);
}

void FormViewPane::newBlankRecord() {
    showRecord(0, true);
    for (int i = 0; i < entries_.count(); i++) {
        entries_[i].valueText.clear();
        entries_[i].valueNumber = 0;
    }
    showRows();
}

void FormViewPane::newCopiedRecord() { showRecord(0, true); }

bool FormViewPane::save() {
    vandrel::TableSession &s = g_.session;
    if (s.writeRecord(entries_, recordNumber_)) return true;
    std::u16string text = u"Could not save the record";
    if (!s.refusedField().empty())
        text += u": the value of " + s.refusedField() + u" cannot be stored in this table.";
    else
        text += u": the table refused the change.";
    vp::messageBox(text, g_.appTitle, vp::Buttons::Ok);
    return false;
}

void FormViewPane::close() {
    if (changed_) {
        if (vp::messageBox(u"Record has been modified. Save changes?", g_.appTitle, vp::Buttons::YesNo) ==
            vp::kAnswerYes) {
            if (save()) g_.panes.switchTo(-1, 3, vshell::kReasonRequery);
            return;
        }
    }
    g_.panes.switchTo(-1, 3, vshell::kReasonReturn);
}

void FormViewPane::buttonTapped(int place) {
    switch (place) {
    case kNewBlank: newBlankRecord(); break;
    case kNewCopy: newCopiedRecord(); break;
    case kSave:
        if (!changed_)
            g_.panes.switchTo(-1, 3, vshell::kReasonReturn);
        else if (save())
            g_.panes.switchTo(-1, 3, vshell::kReasonRequery);
        break;
    case kClose: close(); break;
    }
}

// Desktop habits: the arrows move the selection, the page keys and the
// wheel scroll, Enter edits the selected value, Escape closes.
bool FormViewPane::key(const vp::Event &e) {
    if (e.type != vp::Event::Type::KeyPress || e.mods != 0) return false;
    long n = entries_.count();
    switch (e.key) {
    case vp::Key::Up:
    case vp::Key::Down: {
        if (n == 0) return true;
        long to = std::clamp(list_.selected + (e.key == vp::Key::Up ? -1 : 1), 0L, n - 1);
        if (to < list_.top) scrollTo(to);
        if (to > list_.top + kRows - 1) scrollTo(to - kRows + 1);
        list_.selected = to;
        styleRows();
        return true;
    }
    case vp::Key::PageUp: scrollTo(list_.top - kRows); return true;
    case vp::Key::PageDown: scrollTo(list_.top + kRows); return true;
    case vp::Key::Enter:
        if (list_.selected >= list_.top && list_.selected < list_.top + kRows) editValue(int(list_.selected - list_.top) + 1);
        return true;
    case vp::Key::Escape: close(); return true;
    default: return false;
    }
}

bool FormViewPane::wheel(int amount) {
    if (!list_.verticalBar().visible) return false;
    scrollTo(list_.top - amount);
    return true;
}

}  // namespace vpages
