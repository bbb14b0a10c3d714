// Cells: the rectangles with a style and a text (or a slice of a skin
// image) that every page is drawn from.
#pragma once
#include <string>

#include "shell/platform/canvas.h"

namespace vpages {

using vp::Color;
using vp::rgb;

enum CellBorder : unsigned { kBorderRight = 1, kBorderBottom = 2, kBorderLeft = 4, kBorderTop = 8 };

struct CellStyle {
    Color background = rgb(255, 255, 255);
    Color background2 = rgb(255, 255, 255);  // differs: a gradient from top to bottom
    Color text = rgb(0, 0, 0);
    Color line = rgb(128, 128, 128);
    vp::Align align = vp::Align::Left;
    const vp::Font *font = nullptr;
    unsigned borders = 0;
    bool transparent = false;  // no background fill: the panel's background shows
};

struct Cell {
    vp::Rect rect{};            // in the panel
    std::u16string text{};
    double number = 0;
    int recordNumber = -1;
    bool valid = false;
    const CellStyle *style = nullptr;
    bool enabled = true;
    bool shown = true;
    bool changed = false;       // edited in place
    const vp::Image *image = nullptr;  // an image cell: the part source of it
    vp::Rect source{};
};

// Text is kept this far from the cell's left and right edges.
constexpr int kCellPadding = 2;

// An image cell draws its slice; a text cell fills its background (or draws
// its image), draws its border lines and its text by its style.
void paintCell(vp::Canvas &c, const Cell &cell);

}  // namespace vpages
