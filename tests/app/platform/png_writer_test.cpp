// Screenshots: the PNG holds exactly the pixels, and the same pixels give
// the same bytes.
#include <gtest/gtest.h>

#include "../app_test_util.h"
#include "shell/platform/png_writer.h"

namespace vt {
namespace {

TEST(PngWriter, PixelsRoundTripAndBytesRepeat) {
    TempDir dir;
    std::vector<vp::Color> px(37 * 21);
    for (size_t i = 0; i < px.size(); i++) px[i] = vp::rgb(int(i * 7), int(i * 13), int(i * 29));
    ASSERT_TRUE(vp::writePng(dir.file("a.png"), px.data(), 37, 21));
    ASSERT_TRUE(vp::writePng(dir.file("b.png"), px.data(), 37, 21));
    Png png;
    ASSERT_TRUE(readPng(dir.file("a.png"), png));
    ASSERT_EQ(png.width, 37);
    ASSERT_EQ(png.height, 21);
    for (size_t i = 0; i < px.size(); i++) ASSERT_EQ(png.pixels[i], px[i] & 0xFFFFFFu) << i;
    EXPECT_EQ(readFile(dir.file("a.png")), readFile(dir.file("b.png")));
}

TEST(PngWriter, FailuresAreReported) {
    vp::Color px = 0;
    EXPECT_FALSE(vp::writePng("/nonexistent-folder/x.png", &px, 1, 1));
    EXPECT_FALSE(vp::writePng("/tmp/x.png", nullptr, 1, 1));
    EXPECT_FALSE(vp::writePng("/tmp/x.png", &px, 0, 1));
}

}  // namespace
}  // namespace vt
