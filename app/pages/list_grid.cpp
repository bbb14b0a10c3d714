#include "list_grid.h"

#include <algorithm>

namespace vpages {

namespace {
const Color kHeaderFill = rgb(192, 192, 192), kHeaderLine = rgb(176, 168, 144);
const Color kEvenFill = rgb(192, 255, 192), kRowLine = rgb(208, 200, 176);
const Color kOddFill = rgb(255, 255, 255);
const Color kSelectedFill = rgb(64, 128, 255), kSelectedText = rgb(255, 255, 255);
constexpr int kEmptyColumn = 4;  // the width of a column with nothing to show
}  // namespace

void GridStyles::make(const vp::Font *font) {
    auto style = [&](Color fill, Color line, Color text, vp::Align align) {
        return CellStyle{.background = fill, .background2 = fill, .text = text, .line = line, .align = align,
                         .font = font, .borders = kBorderRight | kBorderBottom};
    };
    header = style(kHeaderFill, kHeaderLine, rgb(0, 0, 0), vp::Align::Center);
    even = style(kEvenFill, kRowLine, rgb(0, 0, 0), vp::Align::Left);
    odd = style(kOddFill, kRowLine, rgb(0, 0, 0), vp::Align::Left);
    selected = style(kSelectedFill, kRowLine, kSelectedText, vp::Align::Left);
    evenRight = even, oddRight = odd, selectedRight = selected;
    evenRight.align = oddRight.align = selectedRight.align = vp::Align::Right;
}

const CellStyle *GridStyles::row(long place, bool isSelected, bool right) const {
    if (isSelected) return right ? &selectedRight : &selected;
    if (place % 2 == 0) return right ? &evenRight : &even;
    return right ? &oddRight : &odd;
}

void ListGrid::setLayout(int rows, int columns, int rowHeight, int columnWidth) {
    if (!vertical_.parent()) {
        vertical_.visible = horizontal_.visible = false;
        addChild(&vertical_);
        addChild(&horizontal_);
    }
    rows_ = std::max(0, rows);
    columns_ = std::max(0, columns);
    rowHeight_ = rowHeight;
    firstColumn_ = 0;
    cells_.assign(size_t(rows_) * size_t(columns_), Cell{});
    widths_.assign(size_t(columns_), columnWidth);
    layout();
}

void ListGrid::setText(int row, int column, std::u16string_view text) {
    Cell &c = cells_[index(row, column)];
    if (c.text == text) return;
    c.text.assign(text);
    repaintCell(c);
}

void ListGrid::setStyle(int row, int column, const CellStyle *style) {
    Cell &c = cells_[index(row, column)];
    if (c.style == style) return;
    c.style = style;
    repaintCell(c);
}

void ListGrid::setData(int row, int column, double number, int recordNumber, bool valid) {
    Cell &c = cells_[index(row, column)];
    c.number = number;
    c.recordNumber = recordNumber;
    c.valid = valid;
}

Cell &ListGrid::edit(int row, int column) {
    Cell &c = cells_[index(row, column)];
    repaintCell(c);
    return c;
}

void ListGrid::setColumnWidth(int column, int width) {
    if (column >= 0 && column < columns_) widths_[size_t(column)] = width;
}

void ListGrid::setFirstColumn(int column) {
    column = std::clamp(column, 0, std::max(0, columns_ - 1));
    if (column == firstColumn_) return;
    firstColumn_ = column;
    layout();
}

void ListGrid::layout() {
    for (int col = 0; col < columns_; col++) {
        int x = 0;
        for (int k = firstColumn_; k < col; k++) x += widths_[size_t(k)];
        for (int row = 0; row < rows_; row++) {
            Cell &c = cells_[index(row, col)];
            c.shown = col >= firstColumn_;
            c.rect = {x, row * rowHeight_, x + widths_[size_t(col)], (row + 1) * rowHeight_};
        }
    }
    repaintAll();
}

int ListGrid::cellAreaWidth() const { return rect.width() - (vertical_.visible ? ScrollBar::kThickness : 0); }

int ListGrid::measuredWidth(int row, int column) const {
    const Cell &c = cell(row, column);
    int w = c.style && c.style->font ? c.style->font->measure(c.text) : 0;
    return std::max(kEmptyColumn, w + 6);
}

void ListGrid::sizeColumns(int mode, int first, int last) {
    if (mode == 0) mode = sizingMode;
    if (mode != 1 && mode != 2) return;
    sizingMode = mode;
    if (last < 0 || last >= columns_) last = columns_ - 1;
    int cap = rect.width() - 16;
    int lastRow = mode == 1 ? std::min(rows_ - 1, 0) : rows_ - 1;
    for (int col = std::max(0, first); col <= last; col++) {
        int width = 0;
        bool anyText = false;
        for (int row = 0; row <= lastRow; row++) {
            if (cell(row, col).text.empty()) continue;
            anyText = true;
            width = std::max(width, measuredWidth(row, col));
        }
        widths_[size_t(col)] = anyText ? std::min(width, cap) : kEmptyColumn;
    }
    layout();
}

// A list of count entries shown 15 at a time: the vertical bar appears once
// (count - 15 + 1) is above 0, with that as its upper end and a page of one
// entry; top is kept in range.
void ListGrid::fitBar(long count) {
    long upper = count - kPageRows + 1;
    if (upper > 0) {
        verticalBar().setRange(0, upper, 1);
        top = std::clamp(top, 0L, verticalBar().highest());
        verticalBar().setPosition(top);
    } else {
        top = 0;
    }
    showBars(upper > 0, false);
    total = count;
}

void ListGrid::showBars(bool verticalShown, bool horizontalShown) {
    int w = rect.width(), h = rect.height(), t = ScrollBar::kThickness;
    vertical_.rect = {w - t, 0, w, h - (horizontalShown ? t : 0)};
    horizontal_.rect = {0, h - t, w - (verticalShown ? t : 0), h};
    if (vertical_.visible != verticalShown || horizontal_.visible != horizontalShown) repaintAll();
    vertical_.visible = verticalShown;
    horizontal_.visible = horizontalShown;
}

void ListGrid::setBackground(vp::Color color, std::u16string text, const CellStyle *style) {
    if (color != background_ || text != emptyText_) repaintAll();
    background_ = color;
    emptyText_ = std::move(text);
    emptyStyle_ = style;
}

int ListGrid::horizontalRange() const {
    int right = 0;
    for (int col = 0; col < columns_; col++) {
        right += widths_[size_t(col)];
        if (right > rect.width() - 12) return columns_ + 2 - (col + 1);
    }
    return -1;
}

bool ListGrid::cellAt(vp::Point p, int &row, int &column) const {
    if (vertical_.visible && vertical_.rect.contains(p)) return false;
    if (horizontal_.visible && horizontal_.rect.contains(p)) return false;
    for (int r = 0; r < rows_; r++)
        for (int col = firstColumn_; col < columns_; col++) {
            const Cell &c = cell(r, col);
            if (c.shown && c.enabled && c.rect.contains(p)) {
                row = r;
                column = col;
                return true;
            }
        }
    return false;
}

vp::Rect ListGrid::screenRectOf(int row, int column) const {
    vp::Rect s = screenRect();
    return cell(row, column).rect.offset(s.left, s.top);
}

void ListGrid::repaintCell(const Cell &c) const {
    if (c.shown) invalidateArea(c.rect);
}

void ListGrid::repaintRow(int row) {
    for (int col = firstColumn_; col < columns_; col++) repaintCell(cell(row, col));
}

void ListGrid::paint(vp::Canvas &c) {
    vp::Rect area = c.clip();
    painted_ = 0;
    c.fill({0, 0, rect.width(), rect.height()}, background_);
    // In the empty state only the header row is drawn over the background.
    size_t drawn = emptyText_.empty() ? cells_.size() : std::min(cells_.size(), size_t(columns_));
    for (size_t i = 0; i < drawn; i++) {
        const Cell &cell = cells_[i];
        if (!cell.shown || cell.rect.intersect(area).empty()) continue;
        paintCell(c, cell);
        painted_++;
    }
    if (!emptyText_.empty() && emptyStyle_ && emptyStyle_->font) {
        int below = rows_ > 0 ? rowHeight_ : 0;
        c.text({0, below, cellAreaWidth(), rect.height() - (horizontal_.visible ? ScrollBar::kThickness : 0)},
               emptyText_, *emptyStyle_->font, emptyStyle_->text, vp::Align::Center);
    }
}

void ListGrid::penDown(vp::Point p) {
    pressedRow_ = pressedColumn_ = -1;
    int row, col;
    if (!cellAt(p, row, col)) return;
    pressedRow_ = row;
    pressedColumn_ = col;
    if (onPenDown) onPenDown(row, col, p);
}

void ListGrid::penUp(vp::Point p) {
    int row, col;
    bool hit = cellAt(p, row, col);
    bool same = hit && row == pressedRow_ && col == pressedColumn_;
    bool header = hit && row == 0 && pressedRow_ == 0;
    pressedRow_ = pressedColumn_ = -1;
    if (header && onHeaderTap) onHeaderTap(col, p);
    if (same && onTap) onTap(row, col, p);
}

void ListGrid::doubleTap(vp::Point p) {
    pressedRow_ = pressedColumn_ = -1;  // the pen-up that follows is not a tap
    int row, col;
    if (cellAt(p, row, col) && onDoubleTap) onDoubleTap(row, col, p);
}

void ListGrid::report(vp::StateReport &r) const {
    vp::PanelState s;
    s.name = name_;
    s.top = int(top);
    s.selected = int(selected);
    for (int row = 0; row < rows_; row++) {
        std::vector<std::u16string> texts;
        for (int col = firstColumn_; col < columns_; col++)
            if (cell(row, col).shown) texts.push_back(cell(row, col).text);
        s.rows.push_back(std::move(texts));
        s.records.push_back(columns_ > 0 ? cell(row, 0).recordNumber : -1);
    }
    auto bar = [](const ScrollBar &b) {
        return vp::ScrollState{.min = b.min(), .max = b.max(), .page = b.page(), .position = b.position()};
    };
    if (vertical_.visible) s.vscroll = bar(vertical_);
    if (horizontal_.visible) s.hscroll = bar(horizontal_);
    r.panels.push_back(std::move(s));
    if (!emptyText_.empty()) {
        vp::PanelState empty;
        empty.name = name_ + " empty";
        empty.rows = {{emptyText_}};
        r.panels.push_back(std::move(empty));
    }
}

}  // namespace vpages
