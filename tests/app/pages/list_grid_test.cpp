// ListGrid: a change repaints only the cells it touches; column sizing by
// caption and by content with its cap and its 4-pixel empty columns; the
// horizontal range; the scroll bar's clamping.
#include <gtest/gtest.h>

#include "../platform/platform_fixture.h"
#include "pages/list_grid.h"

namespace vt {
namespace {

class Grid : public PlatformTest {
protected:
    void make(int columns) {
        start("");
        styles.make(text.get());
        grid.rect = {4, 48, 236, 269};
        grid.setLayout(16, columns);
        for (int row = 0; row < 16; row++)
            for (int col = 0; col < columns; col++)
                grid.setStyle(row, col, row == 0 ? &styles.header : styles.row(row - 1, false, false));
        platform->root().addChild(&grid);
        platform->paintNow();
    }
    int paintAndCount() {
        platform->paintNow();
        return grid.paintedCells();
    }
    void TearDown() override {
        platform->root().removeChild(&grid);
        PlatformTest::TearDown();
    }
    vpages::GridStyles styles;
    vpages::ListGrid grid{"grid"};
};

TEST_F(Grid, AChangeRepaintsOnlyTheCellsItTouches) {
    make(3);
    EXPECT_EQ(grid.paintedCells(), 48) << "the first paint draws every shown cell";
    grid.setText(5, 1, u"Anna");
    EXPECT_EQ(paintAndCount(), 1);
    grid.setText(5, 1, u"Anna");
    EXPECT_EQ(paintAndCount(), 0) << "the same text again is no change";
    // A row restyled (as when it is selected) repaints that row.
    for (int col = 0; col < 3; col++) grid.setStyle(7, col, styles.row(6, true, false));
    EXPECT_EQ(paintAndCount(), 3);
    // Scrolling by a column lays every cell out anew.
    grid.setFirstColumn(1);
    EXPECT_EQ(paintAndCount(), 32);
}

TEST_F(Grid, SizingByCaptionAndByContent) {
    make(4);
    grid.setText(0, 0, u"ID");
    grid.setText(0, 1, u"NAME");
    grid.setText(1, 1, u"A much longer text than its caption");
    grid.setText(0, 2, u"");
    grid.setText(0, 3, std::u16string(80, u'W'));
    int id = text->measure(u"ID") + 6, name = text->measure(u"NAME") + 6;
    int longText = text->measure(u"A much longer text than its caption") + 6;
    int cap = grid.rect.width() - 16;

    grid.sizeColumns(1);
    EXPECT_EQ(grid.sizingMode, 1);
    EXPECT_EQ(grid.columnWidth(0), id);
    EXPECT_EQ(grid.columnWidth(1), name) << "by caption the data rows do not count";
    EXPECT_EQ(grid.columnWidth(2), 4) << "nothing to show: 4 pixels";
    EXPECT_EQ(grid.columnWidth(3), cap);

    grid.sizeColumns(2, 1, 1);
    EXPECT_EQ(grid.sizingMode, 2);
    EXPECT_EQ(grid.columnWidth(1), std::min(longText, cap));
    EXPECT_EQ(grid.columnWidth(0), id) << "only the columns asked for";
    // Mode 0 re-applies the grid's mode to every column.
    grid.setText(2, 0, u"12345678901234567890");
    grid.sizeColumns(0);
    EXPECT_EQ(grid.columnWidth(0), text->measure(u"12345678901234567890") + 6);
    // Cells are laid out side by side from the first shown column.
    EXPECT_EQ(grid.cell(3, 1).rect.left, grid.columnWidth(0));
}

TEST_F(Grid, TheHorizontalRangeCountsTheColumnsUpToTheOneThatPassesTheEdge) {
    make(7);
    // 72-pixel columns in 232: the fourth ends at 288 > 220, so k = 4.
    EXPECT_EQ(grid.horizontalRange(), 7 + 2 - 4);
    for (int col = 0; col < 7; col++) grid.setColumnWidth(col, 30);
    grid.layout();
    EXPECT_EQ(grid.horizontalRange(), -1) << "210 pixels fit";
    grid.setColumnWidth(6, 41);
    EXPECT_EQ(grid.horizontalRange(), 7 + 2 - 7) << "the last column ends at 221";
}

TEST(ScrollBarRange, PositionsAreClampedToTheRangeLessThePage) {
    vpages::ScrollBar bar(true);
    bar.setRange(0, 16, 15);
    EXPECT_EQ(bar.highest(), 2);
    bar.setPosition(9);
    EXPECT_EQ(bar.position(), 2);
    EXPECT_EQ(bar.target(vpages::ScrollAction::PageUp), 0);
    bar.setPosition(0);
    EXPECT_EQ(bar.target(vpages::ScrollAction::LineDown), 1);
    EXPECT_EQ(bar.target(vpages::ScrollAction::PageDown), 2);
    EXPECT_EQ(bar.target(vpages::ScrollAction::Thumb, -5), 0);
    EXPECT_EQ(bar.target(vpages::ScrollAction::Bottom), 2);
    bar.setRange(0, 5, 15);
    EXPECT_EQ(bar.highest(), 0) << "never below the minimum";
}

}  // namespace
}  // namespace vt
