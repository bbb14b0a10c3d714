// Pane 2, the field arrangement page ("Field Arrangements"): every field of
// the open table in display order with its type and whether the grid shows
// it. A double tap opens the Show/Hide pop-up for the selected field; the
// buttons move the selected field up or down; save hands the copy to the
// session (the grid then rebuilds its columns in the new order), close asks
// before dropping changes. The page works on a copy of the session's fields
// taken each time it is opened from the grid.
#pragma once
#include "button_bar.h"
#include "setup_list.h"
#include "shell/globals.h"
#include "shell/pane.h"

namespace vpages {

class ArrangementPane : public vshell::Pane {
public:
    explicit ArrangementPane(vshell::Globals &g);
    void activate(bool shown, int reason) override;
    std::u16string title() const override { return titleStrip_.cells[0].text; }
    bool wheel(int amount) override { return list_.wheel(amount); }
    // Reason 0 reloads the copy from the session's fields; any other redraws.
    void refresh(int reason);

    static constexpr vp::Rect kTitleStrip{4, 4, 236, 22};
    static constexpr vp::Rect kFieldList{4, 22, 236, 232};
    static constexpr vp::Rect kButtonStrip{4, 234, 236, 264};
    enum Place { kUp = 0, kDown = 1, kSave = 5, kClose = 6 };
    enum Column { kNameColumn = 0, kTypeColumn = 1, kVisibilityColumn = 2 };

    const vandrel::FieldList &fields() const { return fields_; }
    bool changed() const { return changed_; }

private:
    void showRows();
    void chooseVisibility(int row, int column);
    void move(int by);
    void apply();
    void buttonTapped(int place);

    vshell::Globals &g_;
    GridStyles styles_;
    CellStyle titleStyle_;
    CellPanel titleStrip_{"title"};
    SetupList list_{"fields", styles_};
    ButtonBar buttons_;
    vandrel::FieldList fields_;  // the working copy
    bool changed_ = false;
};

}  // namespace vpages
