#include "setup_list.h"

#include <algorithm>

namespace vpages {

SetupList::SetupList(std::string name, const GridStyles &styles) : ListGrid(std::move(name)), styles_(styles) {
    verticalBar().onScroll = [this](ScrollAction a, long thumb) {
        long to = verticalBar().target(a, thumb);
        if (to == top) return;
        top = to;
        verticalBar().setPosition(to);
        if (onScrolled) onScrolled();
    };
}

void SetupList::setColumns(std::initializer_list<std::pair<const char16_t *, int>> columns) {
    setLayout(kRows + 1, int(columns.size()));
    int col = 0;
    for (const auto &[caption, width] : columns) setColumnWidth(col++, width);
    layout();
    col = 0;
    for (const auto &[caption, width] : columns) {
        setText(0, col, caption);
        setStyle(0, col++, &styles_.header);
    }
}

void SetupList::styleRows() {
    for (int row = 1; row <= kRows; row++) {
        long place = top + row - 1;
        for (int col = 0; col < columnCount(); col++) setStyle(row, col, styles_.row(place, place == selected, false));
    }
}

long SetupList::placeOf(int row) const {
    long place = top + row - 1;
    return row >= 1 && row <= kRows && place < total ? place : -1;
}

bool SetupList::selectRow(int row) {
    long place = placeOf(row);
    if (place < 0) return false;
    selected = place;
    styleRows();
    return true;
}

void SetupList::bringIntoView(long place) {
    if (place < top) top = place;
    if (place > top + kRows - 1) top = place - kRows + 1;
}

bool SetupList::wheel(int amount) {
    if (!verticalBar().visible) return false;
    verticalBar().onScroll(ScrollAction::Thumb, top - amount);
    return true;
}

}  // namespace vpages
