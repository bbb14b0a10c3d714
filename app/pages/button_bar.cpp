#include "button_bar.h"

namespace vpages {

ButtonBar::ButtonBar(vshell::SkinImages &skin) : CellPanel("buttons"), pressedImage_(skin.image(3)) {
    filled = false;
    cells.resize(kPlaces);
    for (int i = 0; i < kPlaces; i++) {
        Cell &b = cells[size_t(i)];
        b.rect = {kPlaceX[i], 0, kPlaceX[i] + kSize, kSize};
        b.image = skin.image(2);
        b.shown = false;
    }
    onTap = [this](int cell, vp::Point) {
        if (onButton) onButton(cell);
    };
}

void ButtonBar::setButton(int place, int glyph) {
    Cell &b = cells[size_t(place)];
    b.source = {glyph * kSize, 0, (glyph + 1) * kSize, kSize};
    b.shown = true;
}

void ButtonBar::paint(vp::Canvas &c) {
    for (size_t i = 0; i < cells.size(); i++) {
        const Cell &b = cells[i];
        if (!b.shown) continue;
        const vp::Image *image = int(i) == pressed() && pressedImage_ ? pressedImage_ : b.image;
        if (image) c.image(*image, b.source, {b.rect.left, b.rect.top});
    }
}

void makeInfoTitleStrip(CellPanel &strip, vshell::SkinImages &skin, const CellStyle *style, std::u16string title) {
    strip.background = skin.image(1);
    strip.backgroundSource = {0, 0, 232, 18};
    strip.cells.resize(1);
    strip.cells[0] = {.rect = {0, 0, 168, 18}, .text = std::move(title), .style = style};
}

}  // namespace vpages
