// Pane 0, the record grid page: the title strip (the table's title and the
// "Actions" button with its menu), the record grid with its header menu
// (sort orders, "Auto Size", "Hide Column") and cell menu (filter
// operators), and the command strip with the counter and four buttons
// (form view, delete, filter page, sort page).
//
// Showing the page acts on the reason of the switch: 0 or 1 re-queries the
// view (filter, sort, count), 2 re-sorts, any other re-queries nothing;
// then the columns are rebuilt from the current field order and visibility,
// the rows fetched from the first record and the sizing mode re-applied.
#pragma once
#include <functional>
#include <string>

#include "cell_panel.h"
#include "record_grid.h"
#include "shell/globals.h"
#include "shell/pane.h"

namespace vpages {

class GridPage : public vshell::Pane {
public:
    explicit GridPage(vshell::Globals &g);
    void activate(bool shown, int reason) override;
    std::u16string title() const override;
    std::optional<std::u16string> counter() const override;
    bool key(const vp::Event &e) override;
    bool wheel(int amount) override;
    void clearSelectedRecord() { grid_.selectedRecord = -1; }

    RecordGrid &grid() { return grid_; }
    // The header menu's sort orders: a key for the column (the same column
    // and order as last time does nothing), then the first rows of the new
    // order, under the wait cursor.
    void sortFromHeader(int column, int order);
    // Loads a record into the form view before the page switches to it
    // (set by the shell once the form view exists).
    std::function<void(long record)> loadFormRecord;

    // Page layout (page coordinates).
    static constexpr vp::Rect kTitleStrip{4, 4, 236, 22};
    static constexpr vp::Rect kGridArea{4, 22, 236, 243};
    static constexpr vp::Rect kCommandStrip{4, 245, 236, 267};
    // Command-strip cells.
    enum StripCell { kCounterCell = 0, kFormButton = 1, kDeleteButton = 2, kFilterButton = 3, kSortButton = 4 };

private:
    void makeStyles();
    // Fetches the rows, sets the bars, the counter, the buttons and the
    // empty state: the grid drawn again after an action.
    void redraw();
    // The empty state, the counter and the buttons.
    void showState();
    void updateCounter();
    void updateButtons();
    void commandTapped(int cell);
    void deleteSelected();

    // The three menus (grid_menus.cpp).
    void showActions();
    void showHeaderMenu(int column, vp::Point pen);
    void showCellMenu(int row, int column, vp::Point pen);
    void resetAll();
    void filterFromCell(int row, int column, int op);

    vshell::Globals &g_;
    GridStyles styles_;
    CellPanel titleStrip_{"title"};
    RecordGrid grid_;
    CellPanel commandStrip_{"commands"};
    CellStyle titleStyle_, actionsStyle_, emptyStyle_, counterStyle_;
};

}  // namespace vpages
