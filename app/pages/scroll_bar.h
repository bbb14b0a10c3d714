// A scroll bar drawn by the program, vertical or horizontal, 12 pixels
// thick: an arrow button at each end, the track and a thumb sized by the
// page. The bar holds a range min ... max, a page and a position; like the
// handheld's bars its highest position is max - page + 1. The pen asks for
// moves (the owner decides and calls setPosition): an arrow is a line, the
// track beside the thumb a page, dragging the thumb a position.
#pragma once
#include <functional>

#include "shell/platform/window.h"

namespace vpages {

enum class ScrollAction { LineUp, LineDown, PageUp, PageDown, Thumb, Top, Bottom };

class ScrollBar : public vp::Window {
public:
    static constexpr int kThickness = 12;

    explicit ScrollBar(bool vertical) : vertical_(vertical) {}
    bool vertical() const { return vertical_; }
    void setRange(long min, long max, long page);
    long min() const { return min_; }
    long max() const { return max_; }
    long page() const { return page_; }
    // The highest position the range allows (never below min).
    long highest() const;
    // Clamped to min ... highest().
    void setPosition(long position);
    long position() const { return position_; }
    // The position an action leads to from the current one, clamped
    // (thumb: the position given).
    long target(ScrollAction action, long thumb = 0) const;

    // Called with each move the pen asks for.
    std::function<void(ScrollAction, long thumb)> onScroll;

    void paint(vp::Canvas &c) override;
    void penDown(vp::Point p) override;
    void penMove(vp::Point p) override;
    void penUp(vp::Point p) override;
    void doubleTap(vp::Point p) override { penDown(p); }
    bool paintsOwnChanges() const override { return true; }

private:
    // Along the bar: its length, the track (between the arrows) and the thumb.
    int length() const { return vertical_ ? rect.height() : rect.width(); }
    int along(vp::Point p) const { return vertical_ ? p.y : p.x; }
    void thumbSpan(int &start, int &size) const;
    long positionAt(int offset) const;
    void repaint() const { invalidateArea({0, 0, rect.width(), rect.height()}); }

    bool vertical_;
    long min_ = 0, max_ = 0, page_ = 1, position_ = 0;
    int pressed_ = 0;       // 0 none, 1 first arrow, 2 second arrow, 3 thumb, 4 track
    int grab_ = 0;          // pen offset inside the thumb while dragging
};

}  // namespace vpages
