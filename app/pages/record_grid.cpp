#include "record_grid.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace vpages {

namespace {
bool rightAligned(int type) { return type == 'B' || type == 'F' || type == 'N'; }
}  // namespace

RecordGrid::RecordGrid(vandrel::TableSession &session, const GridStyles &styles)
    : ListGrid("grid"), session_(session), styles_(styles) {
    setLayout(kPageRows + 1, 0);
    verticalBar().onScroll = [this](ScrollAction a, long thumb) { scrollTo(verticalBar().target(a, thumb)); };
    horizontalBar().onScroll = [this](ScrollAction a, long thumb) {
        scrollColumnsTo(int(horizontalBar().target(a, thumb)));
    };
    onPenDown = [this](int row, int, vp::Point) {
        if (row > 0) selectRow(row);
    };
}

void RecordGrid::rebuildColumns(bool full) {
    if (full) {
        int n = session_.isOpen() ? session_.columnCount(false) : 0;
        setLayout(kPageRows + 1, n);
        types_.assign(size_t(n), 0);
        rowCells_.assign(size_t(n), {});
        session_.columnCaptions(rowCells_.data(), n);
        for (int col = 0; col < n; col++) {
            int field = session_.fieldIndexOfColumn(col, true);
            types_[size_t(col)] = field >= 0 ? session_.fields[field].type : 0;
            setText(0, col, rowCells_[size_t(col)].text);
            setStyle(0, col, &styles_.header);
        }
    }
    total = session_.count(false);
    sortColumn = -1;
    sortMark = 'A';
    cursorPosition = -1;
    top = 0;
    selected = -1;
}

int RecordGrid::columnType(int column) const {
    return column >= 0 && column < int(types_.size()) ? types_[size_t(column)] : 0;
}

void RecordGrid::fillRow(int row, bool atRecord) {
    for (int col = 0; col < columnCount(); col++) {
        const vandrel::DisplayCell &d = rowCells_[size_t(col)];
        setText(row, col, atRecord ? std::u16string_view(d.text) : std::u16string_view());
        setData(row, col, d.number, atRecord ? int(d.recordNumber) : -1, atRecord && d.valid);
    }
}

void RecordGrid::fetchRows() {
    int n = columnCount();
    if (n == 0) return;
    bool open = session_.isOpen();
    if (open) moveTo(top);
    for (int row = 1; row <= kPageRows; row++) {
        bool atRecord = open && session_.readRow(rowCells_.data(), n);
        fillRow(row, atRecord);
        if (atRecord && selectedRecord != -1 && rowCells_[0].recordNumber == selectedRecord)
            selected = top + row - 1;
        if (open && session_.skipNext())
            cursorPosition++;
        else if (atRecord)
            cursorPosition++;  // past the last record: the relation stands at the view's end
        else if (!open)
            cursorPosition = -1;
    }
    for (int row = 1; row <= kPageRows; row++) styleRow(row);
}

// The fewest steps: from where the relation stands, from the first record
// (always when the position is unknown) or back from the last one.
void RecordGrid::moveTo(long place) {
    long fromCursor = cursorPosition == -1 ? LONG_MAX : std::labs(place - cursorPosition);
    long fromLast = total - 1 - place;
    if (fromLast >= 0 && fromLast < fromCursor && fromLast < place && session_.goBottom())
        session_.move(-fromLast, false);
    else if (place <= fromCursor)
        session_.move(place, true);
    else
        session_.move(place - cursorPosition, false);
    cursorPosition = place;
}

void RecordGrid::styleRow(int row) {
    long place = top + row - 1;
    for (int col = 0; col < columnCount(); col++)
        setStyle(row, col, styles_.row(place, place == selected, rightAligned(types_[size_t(col)])));
}

int RecordGrid::rowOfPlace(long place) const {
    long row = place - top + 1;
    return row >= 1 && row <= kPageRows ? int(row) : -1;
}

bool RecordGrid::selectRow(int row) {
    if (row < 1 || row > kPageRows || columnCount() == 0 || !cell(row, 0).valid) return false;
    int before = rowOfPlace(selected);
    selected = top + row - 1;
    selectedRecord = cell(row, 0).recordNumber;
    if (before > 0) styleRow(before);
    styleRow(row);
    if (onSelectionChanged) onSelectionChanged();
    return true;
}

void RecordGrid::updateScrollBars() {
    bool vertical = total > kPageRows;
    if (vertical) {
        verticalBar().setRange(0, total, kPageRows);
        top = std::clamp(top, 0L, verticalBar().highest());
        verticalBar().setPosition(top);
    } else {
        top = 0;
    }
    int range = horizontalRange();
    if (range < 0) {
        setFirstColumn(0);
    } else {
        horizontalBar().setRange(0, range, 1);
        setFirstColumn(std::clamp(firstColumn(), 0, range));
        horizontalBar().setPosition(firstColumn());
    }
    showBars(vertical, range >= 0);
}

void RecordGrid::scrollTo(long newTop) {
    if (!verticalBar().visible) return;
    newTop = std::clamp(newTop, 0L, verticalBar().highest());
    if (newTop == top) return;
    top = newTop;
    verticalBar().setPosition(top);
    fetchRows();
}

void RecordGrid::scrollColumnsTo(int column) {
    if (!horizontalBar().visible) return;
    column = int(std::clamp<long>(column, 0, horizontalBar().highest()));
    horizontalBar().setPosition(column);
    setFirstColumn(column);
}

}  // namespace vpages
