// Pane 4, the sorting setup page: the session's sort keys in priority
// order, each with its order ("Ascending", "Ascending (NC)", "Descending",
// "Descending (NC)"). The page works on a copy of the keys taken each time
// it is shown; the order pop-up changes a key's order, the buttons move
// the selected key up or down or delete it, OK hands the copy to the
// session and re-sorts, back asks before dropping changes.
#pragma once
#include "button_bar.h"
#include "list_grid.h"
#include "shell/globals.h"
#include "shell/pane.h"

namespace vpages {

class SortPane : public vshell::Pane {
public:
    explicit SortPane(vshell::Globals &g);
    void activate(bool shown, int reason) override;
    std::u16string title() const override { return titleStrip_.cells[0].text; }
    bool wheel(int amount) override;

    static constexpr vp::Rect kTitleStrip{4, 4, 236, 22};
    static constexpr vp::Rect kKeyList{4, 22, 236, 232};
    static constexpr vp::Rect kButtonStrip{4, 234, 236, 264};
    enum Place { kUp = 0, kDown = 1, kDelete = 2, kOk = 5, kBack = 6 };

    const vandrel::FieldList &keys() const { return keys_; }
    bool modified() const { return modified_; }

private:
    void showRows();
    void styleRows();
    void selectRow(int row);
    void chooseOrder(int row);
    void move(int by);
    void deleteSelected();
    void apply();
    void buttonTapped(int place);

    vshell::Globals &g_;
    GridStyles styles_;
    CellStyle titleStyle_;
    CellPanel titleStrip_{"title"};
    ListGrid list_{"keys"};
    ButtonBar buttons_;
    vandrel::FieldList keys_;  // the working copy
    bool modified_ = false;
};

// The menu text of a sort order code.
const char16_t *sortOrderText(int order);

}  // namespace vpages
