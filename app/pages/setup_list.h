// The list of a setup page (filter, field arrangement): a ListGrid of a
// header and 15 entry rows of 13 pixels, entries top ... top + 14 of the
// page's own list, rows past the end blank. The vertical bar is shown when
// (entries - 15 + 1) is above 0, with that as its upper end and a page of
// one entry. Rows alternate the grid's even and odd styles by the entry's
// place; the selected entry is drawn in the selected style.
#pragma once
#include <functional>
#include <initializer_list>
#include <utility>

#include "list_grid.h"

namespace vpages {

class SetupList : public ListGrid {
public:
    static constexpr int kRows = kPageRows;

    SetupList(std::string name, const GridStyles &styles);
    // One column per caption, with its width, in the header style.
    void setColumns(std::initializer_list<std::pair<const char16_t *, int>> columns);
    void styleRows();
    // The place of the entry a row (1 ... 15) shows, or -1.
    long placeOf(int row) const;
    // Selects the entry a row shows; false when it shows none.
    bool selectRow(int row);
    // Keeps an entry (after a move) on the page.
    void bringIntoView(long place);
    // The wheel moves the bar; false when the bar is hidden.
    bool wheel(int amount);
    // Called after top changed by the bar: the owner fills the rows again.
    std::function<void()> onScrolled;

private:
    const GridStyles &styles_;
};

}  // namespace vpages
