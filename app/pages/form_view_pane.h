// Pane 1, the form view: one record as a two-column list (field name,
// value), one field per row, edited value by value through the input
// helper of the field's type, then saved, copied into a new record or left.
//
// Layout (page coordinates, x 4, 232 wide): the title strip at y 4 (18 high,
// topinfobar.gif) with "Form View", "Form View [New Record]" or
// "Form View [Record Number = 12]"; the form list at y 22 (232 x 210): a
// header row ("Field", "Value") and 15 rows of 13 pixels, the name column
// 80 wide (right-aligned, black on light blue), the value column 138 wide
// (rows by parity as in the record grid, the selected row white on blue),
// a 12-pixel scroll bar moving one entry per step while there are more than
// 15 fields; the button bar at y 234: new blank record (place 0), new
// record from the current values (1), save (5), close (6).
//
// Editing: a double tap on the selected row's value opens the helper:
//   B F I N   the keypad (decimals of the field); "=" marks the entry
//   C M W     the field text editor (pane 7); marks the entry and the form at once
//   D         the month calendar, on the cell's date or today; a picked day marks it
//   L         Yes/No menu when the text starts with Y/y/N/n, else True/False
//   G X Z     a beep and "Could not edit binary memo or OLE field on Pocket PC"
//
// States: recordNumber > 0 shows that record; <= 0 a new record whose every
// entry is marked, so that saving appends it. `changed` is set by every
// confirmed edit and by opening the text editor, cleared by a reload.
// Save writes through the session (one record write, all or nothing): on
// success the form goes back with reason 0 (the grid re-queries); a refused
// write is told in a message box and the form stays open with the values
// as the user left them.
#pragma once
#include <string>

#include "button_bar.h"
#include "list_grid.h"
#include "shell/globals.h"
#include "shell/pane.h"

namespace vpages {

class FormViewPane : public vshell::Pane {
public:
    static constexpr vp::Rect kTitleStrip{4, 4, 236, 22};
    static constexpr vp::Rect kFormList{4, 22, 236, 232};
    static constexpr vp::Rect kButtonStrip{4, 234, 236, 264};
    static constexpr int kNameWidth = 80, kValueWidth = 138;
    enum Place { kNewBlank = 0, kNewCopy = 1, kSave = 5, kClose = 6 };
    enum Column { kNameColumn = 0, kValueColumn = 1 };

    explicit FormViewPane(vshell::Globals &g);
    void activate(bool shown, int reason) override;
    std::u16string title() const override { return titleStrip_.cells[0].text; }
    bool key(const vp::Event &e) override;
    bool wheel(int amount) override;

    // Sets the record to show (<= 0: a new record, every entry marked) and
    // marks the form changed; with updateTitle the title follows.
    void showRecord(long recordNumber, bool updateTitle);
    // 0 reloads the record from the table; 1 redraws; any other lays out.
    void refresh(int reason);

    long recordNumber() const { return recordNumber_; }
    bool changed() const { return changed_; }
    const vandrel::FieldList &entries() const { return entries_; }

private:
    void showRows();
    void styleRows();
    void selectRow(int row);
    void scrollTo(long top);
    void editValue(int row);
    void editNumber(int row, vandrel::FieldEntry &e);
    void editDate(int row, vandrel::FieldEntry &e);
    void editLogical(int row, vandrel::FieldEntry &e);
    void editText(int row, vandrel::FieldEntry &e);
    void newBlankRecord();
    void newCopiedRecord();
    // Writes the record; false (told in a message box) when it was refused.
    bool save();
    void close();
    void buttonTapped(int place);

    vshell::Globals &g_;
    GridStyles styles_;
    CellStyle titleStyle_, narrowTitleStyle_, nameStyle_;
    CellPanel titleStrip_{"title"};
    ListGrid list_{"form"};
    ButtonBar buttons_;
    vandrel::FieldList entries_;
    long recordNumber_ = 0;
    bool changed_ = false;
};

}  // namespace vpages
