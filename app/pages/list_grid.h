// ListGrid: the program's own cell grid, shared by the record grid and the
// setup pages. A table of rows x columns of cells (row 0 the header), every
// row the same height, each column its own width, laid out from the first
// shown column (horizontal scrolling by whole columns), with a vertical and
// a horizontal scroll bar 12 pixels thick.
//
// The model (cell texts, numbers, record numbers, styles, column widths) is
// kept apart from painting: every change goes through setText / setStyle /
// edit / layout, which mark the cells they touch as changed and ask the
// platform to repaint just those cells. A paint draws only the cells inside
// the area being repainted; paintedCells() tells how many that was.
//
// The grid knows nothing of where its rows come from. Its owner fills them
// and keeps the positions below (the record grid's names):
//   top             place in the list of the entry shown in row 1
//   selected        place of the selected entry, -1 for none
//   selectedRecord  its record number, -1 for none
//   cursorPosition  place where the data source stands, -1 when unknown
//   total           number of entries in the list
//   sizingMode      0 none, 1 by caption, 2 by content
//   sortColumn, sortMark  the column last sorted from the header menu and its order
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cell.h"
#include "scroll_bar.h"

namespace vpages {

// The styles the grids share: the header, the rows of even and odd place
// and the selected row, each also right-aligned (numbers).
struct GridStyles {
    CellStyle header, even, odd, selected;
    CellStyle evenRight, oddRight, selectedRight;
    void make(const vp::Font *font);
    // The style of a data row by its place's parity, selection and alignment.
    const CellStyle *row(long place, bool isSelected, bool right) const;
};

class ListGrid : public vp::Window {
public:
    static constexpr int kRowHeight = 13;
    static constexpr int kColumnWidth = 72;
    static constexpr int kPageRows = 15;  // data rows under the header

    explicit ListGrid(std::string name) : name_(std::move(name)) {}
    const std::string &name() const { return name_; }

    // --- model ---------------------------------------------------------
    // rows x columns empty cells without style, every column columnWidth
    // wide; the first shown column becomes 0.
    void setLayout(int rows, int columns, int rowHeight = kRowHeight, int columnWidth = kColumnWidth);
    int rowCount() const { return rows_; }
    int columnCount() const { return columns_; }
    int rowHeight() const { return rowHeight_; }
    const Cell &cell(int row, int column) const { return cells_[index(row, column)]; }
    // Sets a cell's text; the cell is repainted when it differs.
    void setText(int row, int column, std::u16string_view text);
    void setStyle(int row, int column, const CellStyle *style);
    // Sets what a cell carries besides its text (not drawn: no repaint).
    void setData(int row, int column, double number, int recordNumber, bool valid);
    // A cell to change freely; it is repainted.
    Cell &edit(int row, int column);
    void setColumnWidth(int column, int width);
    int columnWidth(int column) const { return widths_[size_t(column)]; }
    int firstColumn() const { return firstColumn_; }
    void setFirstColumn(int column);
    // Places every cell from the first shown column on; all are repainted.
    void layout();
    // The width of the cells' area: the grid less the vertical bar when shown.
    int cellAreaWidth() const;

    // --- sizing -------------------------------------------------------------
    // A cell's text width in its font + 6, at least 4.
    int measuredWidth(int row, int column) const;
    // Mode 1 by caption, 2 by content (the header and the data rows), 0 the
    // grid's sizingMode; columns first ... last (clamped); then a relayout.
    // Each width is capped at the grid's width - 16; a column whose texts
    // are all empty gets 4. Modes 1 and 2 become the sizingMode.
    void sizeColumns(int mode, int first = 0, int last = -1);

    // --- scroll bars and the empty state ------------------------------------
    ScrollBar &verticalBar() { return vertical_; }
    ScrollBar &horizontalBar() { return horizontal_; }
    const ScrollBar &verticalBar() const { return vertical_; }
    const ScrollBar &horizontalBar() const { return horizontal_; }
    // Shows or hides the bars, placing them at the right and the bottom.
    // Sets total to count and the vertical bar for a list of count entries.
    void fitBar(long count);
    void showBars(bool verticalShown, bool horizontalShown);
    // The background behind the cells and, when text is not empty, a text
    // shown centred below the header (the empty state: no data rows drawn).
    void setBackground(vp::Color color, std::u16string text = {}, const CellStyle *style = nullptr);
    const std::u16string &emptyText() const { return emptyText_; }
    vp::Color background() const { return background_; }
    // Horizontal scrolling: the bar's upper end for the current widths, or
    // -1 when every column fits (k counts the columns up to and including
    // the first whose right edge passes the grid's width less 12).
    int horizontalRange() const;

    // --- the owner's positions ------------------------------------------------
    long top = 0;
    long selected = -1;
    long selectedRecord = -1;
    long cursorPosition = -1;
    long total = 0;
    int sizingMode = 0;
    int sortColumn = -1;
    int sortMark = 'A';

    // --- the pen (row 0 is the header; only shown, enabled cells answer) ---
    std::function<void(int row, int column, vp::Point)> onPenDown;
    // Pen-up over the cell that had the pen-down.
    std::function<void(int row, int column, vp::Point)> onTap;
    std::function<void(int row, int column, vp::Point)> onDoubleTap;
    // Pen-down and pen-up both on the header row: the column under the pen-up.
    std::function<void(int column, vp::Point)> onHeaderTap;
    // The cell under a point (local), or false.
    bool cellAt(vp::Point p, int &row, int &column) const;
    // The cell's rectangle in screen coordinates.
    vp::Rect screenRectOf(int row, int column) const;

    // --- painting and `state` ------------------------------------------------
    void paint(vp::Canvas &c) override;
    void penDown(vp::Point p) override;
    void penUp(vp::Point p) override;
    void doubleTap(vp::Point p) override;
    bool paintsOwnChanges() const override { return true; }
    void report(vp::StateReport &r) const override;
    // Cells drawn by the last paint.
    int paintedCells() const { return painted_; }
    // Repaints a row (all its cells).
    void repaintRow(int row);

private:
    size_t index(int row, int column) const { return size_t(row) * size_t(columns_) + size_t(column); }
    void repaintCell(const Cell &c) const;
    void repaintAll() const { invalidateArea({0, 0, rect.width(), rect.height()}); }

    std::string name_;
    int rows_ = 0, columns_ = 0, rowHeight_ = kRowHeight, firstColumn_ = 0;
    std::vector<Cell> cells_;
    std::vector<int> widths_;
    vp::Color background_ = vp::rgb(255, 255, 255);
    std::u16string emptyText_;
    const CellStyle *emptyStyle_ = nullptr;
    ScrollBar vertical_{true}, horizontal_{false};
    int pressedRow_ = -1, pressedColumn_ = -1;
    int painted_ = 0;
};

}  // namespace vpages
