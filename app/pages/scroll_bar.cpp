#include "scroll_bar.h"

#include <algorithm>

namespace vpages {

namespace {
const vp::Color kTrack = vp::rgb(232, 232, 232);
const vp::Color kFace = vp::rgb(212, 208, 200);
const vp::Color kPressedFace = vp::rgb(160, 160, 160);
const vp::Color kEdge = vp::rgb(128, 128, 128);
const vp::Color kInk = vp::rgb(0, 0, 0);
constexpr int kMinThumb = 6;

// A small filled triangle pointing up, down, left or right, centred in r.
void arrow(vp::Canvas &c, const vp::Rect &r, bool vertical, bool forward) {
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    for (int i = 0; i < 3; i++) {
        int d = forward ? 1 - i : i - 1;  // the tip row first
        if (vertical)
            c.fill({cx - i, cy + d, cx + i + 1, cy + d + 1}, kInk);
        else
            c.fill({cx + d, cy - i, cx + d + 1, cy + i + 1}, kInk);
    }
}
}  // namespace

void ScrollBar::setRange(long min, long max, long page) {
    min_ = min;
    max_ = std::max(min, max);
    page_ = std::max(1L, page);
    setPosition(position_);
    repaint();
}

long ScrollBar::highest() const { return std::max(min_, max_ - page_ + 1); }

void ScrollBar::setPosition(long position) {
    long p = std::clamp(position, min_, highest());
    if (p != position_) repaint();
    position_ = p;
}

long ScrollBar::target(ScrollAction action, long thumb) const {
    long p = position_;
    switch (action) {
    case ScrollAction::LineUp: p -= 1; break;
    case ScrollAction::LineDown: p += 1; break;
    case ScrollAction::PageUp: p -= page_; break;
    case ScrollAction::PageDown: p += page_; break;
    case ScrollAction::Thumb: p = thumb; break;
    case ScrollAction::Top: p = min_; break;
    case ScrollAction::Bottom: p = highest(); break;
    }
    return std::clamp(p, min_, highest());
}

void ScrollBar::thumbSpan(int &start, int &size) const {
    int track = std::max(0, length() - 2 * kThickness);
    long span = max_ - min_ + 1;
    size = int(std::clamp<long>(track * page_ / std::max(1L, span), std::min(kMinThumb, track), track));
    long steps = highest() - min_;
    start = kThickness + (steps > 0 ? int((track - size) * (position_ - min_) / steps) : 0);
}

long ScrollBar::positionAt(int offset) const {
    int start, size;
    thumbSpan(start, size);
    int room = length() - 2 * kThickness - size;
    if (room <= 0) return min_;
    long steps = highest() - min_;
    return min_ + (long(offset - kThickness) * steps + room / 2) / room;
}

void ScrollBar::paint(vp::Canvas &c) {
    int w = rect.width(), h = rect.height();
    c.fill({0, 0, w, h}, kTrack);
    vp::Rect first = vertical_ ? vp::Rect{0, 0, w, kThickness} : vp::Rect{0, 0, kThickness, h};
    vp::Rect second = vertical_ ? vp::Rect{0, h - kThickness, w, h} : vp::Rect{w - kThickness, 0, w, h};
    int start, size;
    thumbSpan(start, size);
    vp::Rect thumb = vertical_ ? vp::Rect{0, start, w, start + size} : vp::Rect{start, 0, start + size, h};
    const vp::Rect *parts[] = {&first, &second, &thumb};
    for (int i = 0; i < 3; i++) {
        c.fill(*parts[i], pressed_ == i + 1 ? kPressedFace : kFace);
        c.frame(*parts[i], kEdge);
    }
    arrow(c, first, vertical_, false);
    arrow(c, second, vertical_, true);
}

void ScrollBar::penDown(vp::Point p) {
    int at = along(p), start, size;
    thumbSpan(start, size);
    ScrollAction action;
    if (at < kThickness) {
        pressed_ = 1;
        action = ScrollAction::LineUp;
    } else if (at >= length() - kThickness) {
        pressed_ = 2;
        action = ScrollAction::LineDown;
    } else if (at >= start && at < start + size) {
        pressed_ = 3;
        grab_ = at - start;
        repaint();
        return;
    } else {
        pressed_ = 4;
        action = at < start ? ScrollAction::PageUp : ScrollAction::PageDown;
    }
    repaint();
    if (onScroll) onScroll(action, 0);
}

void ScrollBar::penMove(vp::Point p) {
    if (pressed_ != 3) return;
    long to = positionAt(along(p) - grab_);
    if (to != position_ && onScroll) onScroll(ScrollAction::Thumb, std::clamp(to, min_, highest()));
}

void ScrollBar::penUp(vp::Point p) {
    penMove(p);
    pressed_ = 0;
    repaint();
}

}  // namespace vpages
