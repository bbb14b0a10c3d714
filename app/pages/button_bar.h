// The button bar of the full pages below the record grid (sort, filter,
// arrangement, form view): seven places of 30 x 30 at x 0, 34, 68, 102, 138,
// 170 and 202, each showing a glyph of the command-button image
// (btncmds.gif, glyphs side by side 30 pixels apart) and, while the pen is
// down on it, the same glyph from the pressed image (btncmdsd.gif). A
// button acts on pen-up over the button that had the pen-down.
#pragma once
#include <functional>

#include "cell_panel.h"
#include "shell/skin_images.h"

namespace vpages {

// The glyphs of our button image, by meaning.
enum ButtonGlyph : int {
    kGlyphNew = 0,
    kGlyphCopy = 1,
    kGlyphDelete = 2,
    kGlyphFilter = 3,
    kGlyphSort = 4,
    kGlyphUp = 5,
    kGlyphDown = 6,
    kGlyphSave = 7,
    kGlyphClose = 8,
};

class ButtonBar : public CellPanel {
public:
    static constexpr int kPlaces = 7;
    static constexpr int kSize = 30;
    static constexpr int kPlaceX[kPlaces] = {0, 34, 68, 102, 138, 170, 202};

    explicit ButtonBar(vshell::SkinImages &skin);
    // Shows a glyph at a place (0 ... 6).
    void setButton(int place, int glyph);
    // Called with the place of a button tapped.
    std::function<void(int place)> onButton;

    void paint(vp::Canvas &c) override;

private:
    const vp::Image *pressedImage_;
};

// A title strip of the setup pages: topinfobar.gif with one text cell (x 0-168).
void makeInfoTitleStrip(CellPanel &strip, vshell::SkinImages &skin, const CellStyle *style, std::u16string title);

}  // namespace vpages
