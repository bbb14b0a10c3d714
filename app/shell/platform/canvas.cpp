#include "canvas.h"

#include <algorithm>
#include <cstdlib>

#include "utf.h"

namespace vp {

Canvas::Canvas(int width, int height, int scale)
    : width_(width), height_(height), scale_(scale < 1 ? 1 : scale > kMaxScale ? kMaxScale : scale),
      pixels_(size_t(width_) * scale_ * height_ * scale_, rgb(0, 0, 0)), clip_{0, 0, width, height} {}

void Canvas::setScale(int scale) {
    scale_ = scale < 1 ? 1 : scale > kMaxScale ? kMaxScale : scale;
    pixels_.assign(size_t(deviceWidth()) * deviceHeight(), rgb(0, 0, 0));
}

Canvas::Scope::Scope(Canvas &c, const Rect &area) : canvas_(c), origin_(c.origin_), clip_(c.clip_) {
    Rect abs = area.offset(c.origin_.x, c.origin_.y);
    c.clip_ = c.clip_.intersect(abs);
    c.origin_ = {abs.left, abs.top};
}

Canvas::Scope::~Scope() {
    canvas_.origin_ = origin_;
    canvas_.clip_ = clip_;
}

Canvas::Clip::Clip(Canvas &c, const Rect &area) : canvas_(c), clip_(c.clip_) {
    c.clip_ = c.clip_.intersect(area.offset(c.origin_.x, c.origin_.y));
}

Rect Canvas::device(const Rect &r) const {
    Rect a = r.offset(origin_.x, origin_.y).intersect(clip_);
    return {a.left * scale_, a.top * scale_, a.right * scale_, a.bottom * scale_};
}

void Canvas::fillDevice(const Rect &d, Color c) {
    int w = deviceWidth();
    for (int y = d.top; y < d.bottom; y++) {
        Color *row = &pixels_[size_t(y) * w];
        for (int x = d.left; x < d.right; x++) row[x] = c;
    }
}

void Canvas::fill(const Rect &r, Color c) { fillDevice(device(r), c); }

void Canvas::line(Point a, Point b, Color c) {
    int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
    int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
    if (dy == 0) {  // horizontal: one fill
        fill({std::min(a.x, b.x), a.y, std::max(a.x, b.x) + 1, a.y + 1}, c);
        return;
    }
    if (dx == 0) {
        fill({a.x, std::min(a.y, b.y), a.x + 1, std::max(a.y, b.y) + 1}, c);
        return;
    }
    int err = dx + dy;
    for (Point p = a;;) {
        fill({p.x, p.y, p.x + 1, p.y + 1}, c);
        if (p == b) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            p.x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            p.y += sy;
        }
    }
}

void Canvas::frame(const Rect &r, Color c) {
    if (r.empty()) return;
    fill({r.left, r.top, r.right, r.top + 1}, c);
    fill({r.left, r.bottom - 1, r.right, r.bottom}, c);
    fill({r.left, r.top, r.left + 1, r.bottom}, c);
    fill({r.right - 1, r.top, r.right, r.bottom}, c);
}

void Canvas::invert(const Rect &r) {
    Rect d = device(r);
    int w = deviceWidth();
    for (int y = d.top; y < d.bottom; y++)
        for (int x = d.left; x < d.right; x++) {
            Color &p = pixels_[size_t(y) * w + x];
            p = (p & 0xFF000000u) | (~p & 0x00FFFFFFu);
        }
}

void Canvas::text(const Rect &box, std::u16string_view s, const Font &font, Color c, Align align) {
    Scope scope(*this, box);
    int w = font.measure(s);
    int x = align == Align::Left ? 0 : align == Align::Center ? (box.width() - w) / 2 : box.width() - w;
    int baseline = (box.height() - font.height()) / 2 + font.ascent();
    textAt(x, baseline, s, font, c);
}

void Canvas::textAt(int x, int baseline, std::u16string_view s, const Font &font, Color c) {
    Rect clipDev = {clip_.left * scale_, clip_.top * scale_, clip_.right * scale_, clip_.bottom * scale_};
    int penX = (origin_.x + x) * scale_;
    int baseY = (origin_.y + baseline) * scale_;
    int w = deviceWidth();
    int cr = red(c), cg = green(c), cb = blue(c);
    for (size_t i = 0; i < s.size();) {
        char32_t code = nextCodePoint(s, i);
        const Glyph &g = font.glyph(code, scale_);
        int gx = penX + g.left, gy = baseY - g.top;
        for (int row = 0; row < g.rows; row++) {
            int y = gy + row;
            if (y < clipDev.top || y >= clipDev.bottom) continue;
            for (int col = 0; col < g.width; col++) {
                int px = gx + col;
                if (px < clipDev.left || px >= clipDev.right) continue;
                int a = g.coverage[size_t(row) * g.width + col];
                if (a == 0) continue;
                Color &p = pixels_[size_t(y) * w + px];
                if (a == 255) {
                    p = c;
                } else {
                    int r = (cr * a + red(p) * (255 - a) + 127) / 255;
                    int gg = (cg * a + green(p) * (255 - a) + 127) / 255;
                    int b = (cb * a + blue(p) * (255 - a) + 127) / 255;
                    p = rgb(r, gg, b);
                }
            }
        }
        penX += g.advance * scale_;
    }
}

void Canvas::image(const Image &img, const Rect &src, Point dst) {
    Rect s = src.intersect({0, 0, img.width, img.height});
    if (s.empty()) return;
    dst.x += s.left - src.left;
    dst.y += s.top - src.top;
    Rect d = device(rectXYWH(dst.x, dst.y, s.width(), s.height()));
    if (d.empty()) return;
    int w = deviceWidth();
    int ox = (origin_.x + dst.x) * scale_, oy = (origin_.y + dst.y) * scale_;
    // The source columns that reach the clipped device columns.
    int firstCol = (d.left - ox) / scale_, lastCol = (d.right - 1 - ox) / scale_;
    for (int y = d.top; y < d.bottom; y++) {
        const Color *row = &img.pixels[size_t(s.top + (y - oy) / scale_) * img.width + s.left];
        Color *out = &pixels_[size_t(y) * w];
        for (int col = firstCol; col <= lastCol; col++) {
            Color p = row[col];
            if (alpha(p) == 0) continue;
            int x0 = std::max(d.left, ox + col * scale_), x1 = std::min(d.right, ox + (col + 1) * scale_);
            for (int x = x0; x < x1; x++) out[x] = p;
        }
    }
}

}  // namespace vp
