// The software canvas every page draws on: 32-bit pixels at device scale
// (the logical 240 x 320 screen times an integer scale). Coordinates given
// to it are logical; each drawing call is translated by the current origin
// and clipped to the current clip rectangle, both set through Scope.
#pragma once
#include <string_view>
#include <vector>

#include "font.h"
#include "geometry.h"
#include "image.h"

namespace vp {

class Canvas {
public:
    Canvas(int width, int height, int scale);
    int width() const { return width_; }  // logical
    int height() const { return height_; }
    int scale() const { return scale_; }
    int deviceWidth() const { return width_ * scale_; }
    int deviceHeight() const { return height_ * scale_; }
    const Color *pixels() const { return pixels_.data(); }
    Color *pixels() { return pixels_.data(); }
    // Changes the scale; the pixels are cleared.
    void setScale(int scale);

    // Moves the origin to area's top-left (in current coordinates) and
    // narrows the clip to area until destroyed.
    class Scope {
    public:
        Scope(Canvas &c, const Rect &area);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        Canvas &canvas_;
        Point origin_;
        Rect clip_;
    };
    // Narrows the clip to area (in current coordinates) until destroyed; the
    // origin stays.
    class Clip {
    public:
        Clip(Canvas &c, const Rect &area);
        ~Clip() { canvas_.clip_ = clip_; }
        Clip(const Clip &) = delete;
        Clip &operator=(const Clip &) = delete;

    private:
        Canvas &canvas_;
        Rect clip_;
    };
    Point origin() const { return origin_; }
    // The clip in current coordinates.
    Rect clip() const { return clip_.offset(-origin_.x, -origin_.y); }

    void fill(const Rect &r, Color c);
    // A one-pixel line from a to b, both ends included.
    void line(Point a, Point b, Color c);
    // A one-pixel frame just inside r.
    void frame(const Rect &r, Color c);
    // Inverts the colours of r (the caret, the selection, the beep's flash).
    void invert(const Rect &r);
    // One line of text in a box, vertically centred, aligned, clipped to the box.
    void text(const Rect &box, std::u16string_view s, const Font &font, Color c, Align align);
    // One line of text with its pen starting at x and its baseline at y.
    void textAt(int x, int baseline, std::u16string_view s, const Font &font, Color c);
    // Copies the part src of an image to dst (its top-left corner), each
    // logical pixel as a scale x scale block; transparent pixels are skipped.
    void image(const Image &img, const Rect &src, Point dst);

private:
    // Device rectangle of a logical rectangle in current coordinates, clipped.
    Rect device(const Rect &r) const;
    void fillDevice(const Rect &d, Color c);
    int width_, height_, scale_;
    std::vector<Color> pixels_;
    Point origin_;
    Rect clip_;  // logical, absolute
};

}  // namespace vp
