// Points, rectangles and colours of the screen, in logical pixels (the
// 240 x 320 screen); the canvas multiplies by its scale when it draws.
#pragma once
#include <algorithm>
#include <cstdint>

namespace vp {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point &) const = default;
};

// Right and bottom are exclusive: a 20 x 20 rectangle at 0,0 is {0, 0, 20, 20}.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    Rect offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect inset(int d) const { return {left + d, top + d, right - d, bottom - d}; }
    Rect intersect(const Rect &o) const {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
        if (r.empty()) return {r.left, r.top, r.left, r.top};
        return r;
    }
    bool operator==(const Rect &) const = default;
};

inline Rect rectXYWH(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }

// 0xAARRGGBB; opaque unless built otherwise.
using Color = uint32_t;
constexpr Color rgb(int r, int g, int b) {
    return 0xFF000000u | (uint32_t(r & 255) << 16) | (uint32_t(g & 255) << 8) | uint32_t(b & 255);
}
constexpr int red(Color c) { return (c >> 16) & 255; }
constexpr int green(Color c) { return (c >> 8) & 255; }
constexpr int blue(Color c) { return c & 255; }
constexpr int alpha(Color c) { return (c >> 24) & 255; }

// Text alignment inside a box: the cell styles' 0, 1 and 2.
enum class Align { Left = 0, Center = 1, Right = 2 };

// The screen: a title bar, the page area and the command bar.
constexpr int kScreenWidth = 240;
constexpr int kScreenHeight = 320;
constexpr int kTitleBarHeight = 26;
constexpr int kPageHeight = 268;
constexpr int kCommandBarTop = kTitleBarHeight + kPageHeight;  // 294

}  // namespace vp
