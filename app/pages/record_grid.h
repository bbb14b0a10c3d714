// The record grid: a ListGrid showing the open table's view (filtered,
// sorted, deleted records left out) through the session, fifteen records
// at a time under a header of field names.
//
// Fetching keeps no copy of records beyond the rows on screen. The session's
// relation is moved from where the previous fetch left it (cursorPosition,
// just below the last row read) to the new top by relative steps; only
// when that position is unknown (-1) is it walked from the first record.
// Anything that moves the relation behind the grid's back (sorting,
// filtering, deleting, the form view) is followed by rebuildColumns, which
// makes the position unknown. A place nearer the first or the last record
// than the cached position is reached from that end instead. A fetch that
// reaches the view's end leaves the relation at the end, one place past the
// last record, and says so, so that the page before it is again a few
// relative steps back, not a walk from the first record.
//
// The selection is held by record number, so it survives scrolling and is
// found again when its row is fetched.
#pragma once
#include <functional>
#include <vector>

#include "list_grid.h"
#include "table_session.h"

namespace vpages {

class RecordGrid : public ListGrid {
public:
    RecordGrid(vandrel::TableSession &session, const GridStyles &styles);

    // full: 16 rows x the visible fields, 72 pixels wide, the header row
    // with the captions (an empty grid when no field is visible). Always:
    // total from the session's count, no sort column (mark 'A'), the
    // position unknown, top 0, nothing selected.
    void rebuildColumns(bool full);
    // Fills rows 1 ... 15 from the view at top.
    void fetchRows();
    // Shows, hides and sets both bars from total, top and the widths.
    void updateScrollBars();
    // Moves top (clamped as the vertical bar allows) and fetches again.
    void scrollTo(long newTop);
    // Moves the first shown column (clamped as the horizontal bar allows).
    void scrollColumnsTo(int column);
    // Selects a data row holding a record; false for a row without one.
    bool selectRow(int row);
    // The field type letter of a column (0 when there is none).
    int columnType(int column) const;
    // The data row showing place, or -1.
    int rowOfPlace(long place) const;

    // Told when the selection changes (the page updates its counter and buttons).
    std::function<void()> onSelectionChanged;

private:
    void moveTo(long place);
    void styleRow(int row);
    void fillRow(int row, bool atRecord);

    vandrel::TableSession &session_;
    const GridStyles &styles_;
    std::vector<vandrel::DisplayCell> rowCells_;
    std::vector<int> types_;  // field type of each column
};

}  // namespace vpages
