// Fonts: Tahoma from fonts-wine, metrics that fit the 13-pixel rows, layout
// that does not change with the scale, bold that is visibly bold, and text
// that stays inside its box.
#include <gtest/gtest.h>

#include "shell/platform/canvas.h"
#include "shell/platform/font.h"

namespace vt {
namespace {

using vp::rgb;

class Fonts : public ::testing::Test {
protected:
    vp::FontLibrary lib;
};

// Device columns that hold ink (any non-white pixel), as [first, last].
std::pair<int, int> inkColumns(const vp::Canvas &c) {
    int first = -1, last = -1;
    for (int x = 0; x < c.deviceWidth(); x++)
        for (int y = 0; y < c.deviceHeight(); y++)
            if (c.pixels()[size_t(y) * c.deviceWidth() + x] != rgb(255, 255, 255)) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

long ink(const vp::Canvas &c) {
    long sum = 0;
    for (int i = 0; i < c.deviceWidth() * c.deviceHeight(); i++) sum += 255 - vp::red(c.pixels()[i]);
    return sum;
}

TEST_F(Fonts, TahomaComesFromWineAndFitsTheRows) {
    auto f = lib.open("Tahoma", 8.5, 400);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->file(), "/usr/share/wine/fonts/tahoma.ttf") << "fonts-wine is installed by scripts/setup.sh";
    EXPECT_LE(f->height(), 13);
    EXPECT_GT(f->measure(u"Total: 288"), 30);
    auto big = lib.open("Tahoma", 20, 400);
    EXPECT_GT(big->height(), 2 * f->height());
}

TEST_F(Fonts, LayoutIsTheSameAtEveryScale) {
    auto f = lib.open("Tahoma", 8.5, 400);
    std::u16string s = u"Descending (NC) 12345";
    int width = f->measure(s);
    for (int scale = 1; scale <= 4; scale++) {
        vp::Canvas c(200, 20, scale);
        c.fill({0, 0, 200, 20}, rgb(255, 255, 255));
        c.textAt(10, 14, s, *f, rgb(0, 0, 0));
        auto [first, last] = inkColumns(c);
        EXPECT_GE(first, 10 * scale - scale) << scale;
        EXPECT_LE(last, (10 + width + 1) * scale) << scale;
        EXPECT_GE(last, (10 + width - 3) * scale) << scale;
    }
}

TEST_F(Fonts, BoldIsDarkerThanRegular) {
    auto regular = lib.open("Tahoma", 8.5, 400), bold = lib.open("Tahoma", 8.5, 700);
    vp::Canvas a(120, 20, 1), b(120, 20, 1);
    a.fill({0, 0, 120, 20}, rgb(255, 255, 255));
    b.fill({0, 0, 120, 20}, rgb(255, 255, 255));
    a.textAt(2, 14, u"Illumination", *regular, rgb(0, 0, 0));
    b.textAt(2, 14, u"Illumination", *bold, rgb(0, 0, 0));
    EXPECT_GT(ink(b) * 100, ink(a) * 125);
}

TEST_F(Fonts, TextStaysInItsBoxAndAlignsInIt) {
    auto f = lib.open("Tahoma", 10, 400);
    for (vp::Align align : {vp::Align::Left, vp::Align::Center, vp::Align::Right}) {
        vp::Canvas c(100, 30, 2);
        c.fill({0, 0, 100, 30}, rgb(255, 255, 255));
        c.text({20, 10, 60, 22}, u"A text far too long for this box", *f, rgb(0, 0, 0), align);
        for (int y = 0; y < 60; y++)
            for (int x = 0; x < 200; x++)
                if (c.pixels()[size_t(y) * 200 + x] != rgb(255, 255, 255)) {
                    ASSERT_TRUE(x >= 40 && x < 120 && y >= 20 && y < 44) << x << "," << y;
                }
    }
    vp::Canvas c(100, 20, 1);
    c.fill({0, 0, 100, 20}, rgb(255, 255, 255));
    c.text({0, 0, 100, 20}, u"OK", *f, rgb(0, 0, 0), vp::Align::Center);
    auto [first, last] = inkColumns(c);
    EXPECT_NEAR((first + last) / 2.0, 50, 2);
}

TEST_F(Fonts, CharactersTheFontLacksStillAdvance) {
    auto f = lib.open("Tahoma", 8.5, 400);
    EXPECT_GT(f->measure(u"\u4e00\U0001F600"), 0);
    vp::Canvas c(40, 20, 3);
    c.textAt(0, 12, u"\u4e00\U0001F600\xD800", *f, rgb(0, 0, 0));  // no crash on a lone surrogate either
}

TEST_F(Fonts, AnUnknownFamilyFallsBackToWhatFontconfigGives) {
    auto f = lib.open("No Such Family Anywhere", 8.5, 400);
    ASSERT_TRUE(f);
    EXPECT_GT(f->measure(u"abc"), 0);
    EXPECT_FALSE(lib.open("Tahoma", 0, 400));
}

}  // namespace
}  // namespace vt
