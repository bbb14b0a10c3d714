// Pane 3, the filter page ("Filter View/Edit"): the session's filter
// conditions, each a field, an operator ("<", "<=", "=", ">=", ">", "{ }"
// for contains) and a value. The page works on a copy of the conditions
// taken each time it is opened from the grid; the operator pop-up changes a
// condition's operator (asking before it replaces another condition on the
// same field with that operator), the value cell opens the input helper of
// the field's type, delete removes the selected condition, OK hands the copy
// to the session and re-filters, back asks before dropping changes.
//
// The text editor is a page of its own: coming back from it (reason -1)
// keeps the copy and the edit in it; only a showing with reason 0 or 1
// takes a fresh copy.
#pragma once
#include "button_bar.h"
#include "setup_list.h"
#include "shell/globals.h"
#include "shell/pane.h"

namespace vpages {

class FilterPane : public vshell::Pane {
public:
    explicit FilterPane(vshell::Globals &g);
    void activate(bool shown, int reason) override;
    std::u16string title() const override { return titleStrip_.cells[0].text; }
    bool wheel(int amount) override { return list_.wheel(amount); }

    static constexpr vp::Rect kTitleStrip{4, 4, 236, 22};
    static constexpr vp::Rect kConditionList{4, 22, 236, 232};
    static constexpr vp::Rect kButtonStrip{4, 234, 236, 264};
    enum Place { kDelete = 0, kOk = 5, kBack = 6 };
    enum Column { kFieldColumn = 0, kOperatorColumn = 1, kValueColumn = 2 };

    const vandrel::FieldList &conditions() const { return conditions_; }
    bool modified() const { return modified_; }

private:
    void showRows();
    void chooseOperator(int row);
    void editValue(int row);
    void deleteSelected();
    void apply();
    void buttonTapped(int place);
    // Another condition (not index) on the same field with operator op, or -1.
    int findOther(int index, int op) const;

    vshell::Globals &g_;
    GridStyles styles_;
    CellStyle titleStyle_;
    CellPanel titleStrip_{"title"};
    SetupList list_{"conditions", styles_};
    ButtonBar buttons_;
    vandrel::FieldList conditions_;  // the working copy
    bool modified_ = false;
    // The condition whose value is in the text editor, -1 for none.
    int editing_ = -1;
};

// The list text of a filter operator ("<", "<=", "=", ">=", ">", "{ }").
const char16_t *operatorListText(int op);

}  // namespace vpages
