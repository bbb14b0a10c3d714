// Pane 0, the record grid page, as far as the shell needs it so far: the
// title strip (the table's title and the "Actions" button), the grid area
// and the command strip with the counter. Until the record grid lands, the
// grid area shows the table's title and its record count instead of rows,
// and the "Actions" menu is shown with its items enabled as they will be,
// but choosing one does nothing yet.
#pragma once
#include <string>

#include "cell_panel.h"
#include "shell/globals.h"
#include "shell/pane.h"

namespace vpages {

class GridPage : public vshell::Pane {
public:
    explicit GridPage(vshell::Globals &g);
    void activate(bool shown, int reason) override;
    std::u16string title() const override;
    std::optional<std::u16string> counter() const override;
    void clearSelectedRecord() { selectedRecord_ = -1; }

    // Page layout (page coordinates).
    static constexpr vp::Rect kTitleStrip{4, 4, 236, 22};
    static constexpr vp::Rect kGridArea{4, 22, 236, 243};
    static constexpr vp::Rect kCommandStrip{4, 245, 236, 267};

private:
    void makeStyles();
    void refresh();
    void showActions();
    vshell::Globals &g_;
    CellPanel titleStrip_{"title"};
    CellPanel grid_{"grid"};
    CellPanel commandStrip_{"commands"};
    CellStyle titleStyle_, actionsStyle_, emptyTitleStyle_, emptyTextStyle_, counterStyle_;
    long total_ = 0;
    int selectedRecord_ = -1;
};

}  // namespace vpages
