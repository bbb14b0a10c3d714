#include "cell.h"

namespace vpages {

namespace {
Color mix(Color a, Color b, int num, int den) {
    auto m = [&](int x, int y) { return x + (y - x) * num / den; };
    return rgb(m(vp::red(a), vp::red(b)), m(vp::green(a), vp::green(b)), m(vp::blue(a), vp::blue(b)));
}
}  // namespace

void paintCell(vp::Canvas &c, const Cell &cell) {
    if (!cell.shown) return;
    const vp::Rect &r = cell.rect;
    if (cell.image) {
        c.image(*cell.image, cell.source, {r.left, r.top});
        if (!cell.style || cell.text.empty()) return;
    } else if (cell.style && !cell.style->transparent) {
        const CellStyle &s = *cell.style;
        if (s.background == s.background2 || r.height() < 2) {
            c.fill(r, s.background);
        } else {
            for (int y = r.top; y < r.bottom; y++)
                c.fill({r.left, y, r.right, y + 1}, mix(s.background, s.background2, y - r.top, r.height() - 1));
        }
    }
    if (!cell.style) return;
    const CellStyle &s = *cell.style;
    if (s.borders & kBorderRight) c.line({r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, s.line);
    if (s.borders & kBorderBottom) c.line({r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, s.line);
    if (s.borders & kBorderLeft) c.line({r.left, r.top}, {r.left, r.bottom - 1}, s.line);
    if (s.borders & kBorderTop) c.line({r.left, r.top}, {r.right - 1, r.top}, s.line);
    if (s.font && !cell.text.empty())
        c.text({r.left + kCellPadding, r.top, r.right - kCellPadding, r.bottom}, cell.text, *s.font, s.text, s.align);
}

}  // namespace vpages
