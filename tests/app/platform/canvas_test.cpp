// The canvas: device-scale fills, clipping and origins, lines, image slices
// with transparency, and text kept inside its box.
#include <gtest/gtest.h>

#include "shell/platform/canvas.h"

namespace vt {
namespace {

using vp::Canvas;
using vp::Color;
using vp::rgb;

int count(const Canvas &c, Color colour) {
    int n = 0;
    for (int i = 0; i < c.deviceWidth() * c.deviceHeight(); i++) n += c.pixels()[i] == colour;
    return n;
}
Color at(const Canvas &c, int x, int y) { return c.pixels()[size_t(y) * c.deviceWidth() + x]; }

TEST(Canvas, FillsCoverTheirRectangleTimesTheScaleAndNothingElse) {
    for (int scale = 1; scale <= 4; scale++) {
        Canvas c(20, 10, scale);
        c.fill({2, 3, 7, 5}, rgb(255, 0, 0));
        EXPECT_EQ(count(c, rgb(255, 0, 0)), 5 * 2 * scale * scale) << scale;
        EXPECT_EQ(at(c, 2 * scale, 3 * scale), rgb(255, 0, 0));
        EXPECT_NE(at(c, 7 * scale, 3 * scale), rgb(255, 0, 0));
        EXPECT_NE(at(c, 2 * scale - 1, 3 * scale), rgb(255, 0, 0));
    }
}

TEST(Canvas, ScopesMoveTheOriginAndClipAndComeBack) {
    Canvas c(20, 20, 2);
    {
        Canvas::Scope s(c, {5, 5, 10, 10});
        EXPECT_EQ(c.clip(), (vp::Rect{0, 0, 5, 5}));
        c.fill({-100, -100, 100, 100}, rgb(0, 255, 0));  // clipped to the scope
        {
            Canvas::Scope inner(c, {3, 3, 20, 20});
            c.fill({0, 0, 1, 1}, rgb(0, 0, 255));  // at 8,8
        }
    }
    EXPECT_EQ(count(c, rgb(0, 255, 0)) + count(c, rgb(0, 0, 255)), 25 * 4);
    EXPECT_EQ(at(c, 16, 16), rgb(0, 0, 255));
    EXPECT_EQ(c.origin(), (vp::Point{0, 0}));
    c.fill({0, 0, 1, 1}, rgb(1, 2, 3));
    EXPECT_EQ(at(c, 0, 0), rgb(1, 2, 3));
}

TEST(Canvas, LinesIncludeBothEndsAndFramesStayInside) {
    Canvas c(10, 10, 1);
    c.line({1, 1}, {8, 1}, rgb(9, 9, 9));
    c.line({4, 8}, {4, 3}, rgb(9, 9, 9));
    c.line({0, 9}, {3, 6}, rgb(9, 9, 9));
    EXPECT_EQ(count(c, rgb(9, 9, 9)), 8 + 6 + 4);
    EXPECT_EQ(at(c, 3, 6), rgb(9, 9, 9));
    Canvas f(10, 10, 1);
    f.frame({2, 2, 6, 5}, rgb(5, 5, 5));
    EXPECT_EQ(count(f, rgb(5, 5, 5)), 2 * 4 + 2 * 1);
    EXPECT_EQ(at(f, 5, 4), rgb(5, 5, 5));
    EXPECT_NE(at(f, 6, 5), rgb(5, 5, 5));
}

TEST(Canvas, ImageSlicesScaleAndSkipTransparentPixels) {
    vp::Image img;
    img.width = 4;
    img.height = 2;
    img.pixels = {rgb(1, 0, 0), rgb(2, 0, 0), 0, rgb(4, 0, 0), rgb(5, 0, 0), rgb(6, 0, 0), rgb(7, 0, 0), rgb(8, 0, 0)};
    Canvas c(10, 10, 2);
    c.fill({0, 0, 10, 10}, rgb(0, 0, 99));
    c.image(img, {1, 0, 3, 2}, {5, 5});  // the slice x 1-2: 2, transparent / 6, 7
    EXPECT_EQ(at(c, 10, 10), rgb(2, 0, 0));
    EXPECT_EQ(at(c, 11, 11), rgb(2, 0, 0));
    EXPECT_EQ(at(c, 12, 10), rgb(0, 0, 99)) << "transparent pixel drawn";
    EXPECT_EQ(at(c, 13, 13), rgb(7, 0, 0));
    EXPECT_EQ(count(c, rgb(6, 0, 0)), 4);
    EXPECT_EQ(count(c, rgb(1, 0, 0)) + count(c, rgb(4, 0, 0)), 0) << "outside the slice";
    c.image(img, {2, -5, 40, 40}, {-1, 0});  // a slice past the image is cut to it: image row 0 lands at y 5
    EXPECT_EQ(at(c, 0, 10), rgb(4, 0, 0));
    EXPECT_EQ(at(c, 0, 0), rgb(0, 0, 99));
}

TEST(Canvas, InvertTwiceGivesBackThePixels) {
    Canvas c(8, 8, 3);
    c.fill({0, 0, 4, 8}, rgb(10, 200, 30));
    std::vector<Color> before(c.pixels(), c.pixels() + 24 * 24);
    c.invert({1, 1, 7, 7});
    EXPECT_EQ(at(c, 3, 3), rgb(245, 55, 225));
    c.invert({1, 1, 7, 7});
    EXPECT_EQ(std::vector<Color>(c.pixels(), c.pixels() + 24 * 24), before);
}

}  // namespace
}  // namespace vt
