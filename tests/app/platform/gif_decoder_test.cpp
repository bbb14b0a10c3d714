// GIF decoding through the read callback: pictures written by giflib come
// back pixel for pixel (transparency, frames placed on the screen,
// interlacing); cut or damaged files give nothing or a picture, never a
// crash; and the skin drawn by make_skin has the sizes the pages slice.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <random>

#include "shell/platform/gif_decoder.h"
#include "test_support.h"

namespace vt {
namespace {

using vp::rgb;

struct GifSpec {
    int screenW = 4, screenH = 3;
    int left = 0, top = 0, w = 4, h = 3;
    bool interlace = false;
    int transparent = -1;
};

// Writes a GIF whose pixel at (x, y) of the frame has index (x + 2y) % 4.
std::vector<unsigned char> makeGif(const TempDir &dir, const GifSpec &s) {
    std::string path = dir.file("t.gif");
    GifColorType colors[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    ColorMapObject *map = GifMakeMapObject(4, colors);
    int err = 0;
    GifFileType *g = EGifOpenFileName(path.c_str(), false, &err);
    EGifSetGifVersion(g, true);
    EGifPutScreenDesc(g, s.screenW, s.screenH, 2, 0, map);
    if (s.transparent >= 0) {
        GraphicsControlBlock gcb{0, false, 0, s.transparent};
        GifByteType ext[4];
        EGifGCBToExtension(&gcb, ext);
        EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext);
    }
    EGifPutImageDesc(g, s.left, s.top, s.w, s.h, s.interlace, nullptr);
    std::vector<int> rows;
    if (s.interlace) {
        static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; pass++)
            for (int y = start[pass]; y < s.h; y += step[pass]) rows.push_back(y);
    } else {
        for (int y = 0; y < s.h; y++) rows.push_back(y);
    }
    for (int y : rows) {
        std::vector<GifPixelType> line(size_t(s.w));
        for (int x = 0; x < s.w; x++) line[size_t(x)] = GifPixelType((x + 2 * y) % 4);
        EGifPutLine(g, line.data(), s.w);
    }
    EGifCloseFile(g, &err);
    GifFreeMapObject(map);
    return readFile(path);
}

vp::Color expected(int x, int y) {
    static const vp::Color c[4] = {rgb(255, 0, 0), rgb(0, 255, 0), rgb(0, 0, 255), rgb(255, 255, 255)};
    return c[(x + 2 * y) % 4];
}

TEST(GifDecoder, PixelsComeBackAsWritten) {
    TempDir dir;
    for (bool interlace : {false, true}) {
        GifSpec s{.screenW = 7, .screenH = 11, .w = 7, .h = 11, .interlace = interlace};
        auto bytes = makeGif(dir, s);
        auto img = vp::decodeGif(bytes.data(), bytes.size());
        ASSERT_TRUE(img);
        ASSERT_EQ(img->width, 7);
        ASSERT_EQ(img->height, 11);
        for (int y = 0; y < 11; y++)
            for (int x = 0; x < 7; x++) ASSERT_EQ(img->at(x, y), expected(x, y)) << x << "," << y << " " << interlace;
    }
}

TEST(GifDecoder, TransparencyAndTheScreenOutsideTheFrameAreClear) {
    TempDir dir;
    GifSpec s{.screenW = 6, .screenH = 5, .left = 2, .top = 1, .w = 3, .h = 3, .transparent = 1};
    auto bytes = makeGif(dir, s);
    auto img = vp::decodeGif(bytes.data(), bytes.size());
    ASSERT_TRUE(img);
    EXPECT_EQ(vp::alpha(img->at(0, 0)), 0);
    EXPECT_EQ(img->at(2, 1), expected(0, 0));
    EXPECT_EQ(vp::alpha(img->at(3, 1)), 0) << "index 1 is transparent";
    EXPECT_EQ(img->at(4, 2), expected(2, 1));
}

TEST(GifDecoder, AFrameReachingPastTheScreenIsCut) {
    TempDir dir;
    GifSpec s{.screenW = 3, .screenH = 3, .left = 2, .top = 2, .w = 4, .h = 4};
    auto bytes = makeGif(dir, s);
    auto img = vp::decodeGif(bytes.data(), bytes.size());
    ASSERT_TRUE(img);
    EXPECT_EQ(img->at(2, 2), expected(0, 0));
}

TEST(GifDecoder, CutAndDamagedFilesNeverCrash) {
    TempDir dir;
    auto bytes = makeGif(dir, GifSpec{.screenW = 9, .screenH = 9, .w = 9, .h = 9});
    EXPECT_FALSE(vp::decodeGif(nullptr, 10));
    for (size_t n = 0; n < bytes.size(); n++) {
        // Every prefix: decoded or refused; the reader never passes the limit (ASan watches).
        std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + long(n));
        auto img = vp::decodeGif(cut.data(), cut.size());
        if (n < 13) {
            EXPECT_FALSE(img) << n;
        }
    }
    std::mt19937 rng(7);
    for (int i = 0; i < 500; i++) {
        auto damaged = bytes;
        for (int k = 0; k < 3; k++) damaged[rng() % damaged.size()] ^= uint8_t(1 + rng() % 255);
        auto img = vp::decodeGif(damaged.data(), damaged.size());
        if (img) {
            EXPECT_GT(img->width, 0);
            EXPECT_EQ(img->pixels.size(), size_t(img->width) * img->height);
        }
    }
}

TEST(GifDecoder, HugeScreensAreRefused) {
    TempDir dir;
    auto bytes = makeGif(dir, GifSpec{});
    bytes[6] = bytes[7] = bytes[8] = bytes[9] = 0xFF;  // 65535 x 65535
    EXPECT_FALSE(vp::decodeGif(bytes.data(), bytes.size()));
}

TEST(Skin, EveryPictureIsThereWithTheSizeItsSlicesNeed) {
    struct {
        const char *name;
        int minWidth, minHeight;
    } files[] = {{"background.gif", 240, 268}, {"topbar.gif", 232, 18},     {"topinfobar.gif", 232, 18},
                 {"btncmds.gif", 270, 30},     {"btncmdsd.gif", 270, 30},   {"countbg.gif", 312, 22},
                 {"calculator.gif", 40, 20},   {"calculatord.gif", 40, 20}, {"droparrow.gif", 32, 16},
                 {"unknown.gif", 1, 1}};
    for (const auto &f : files) {
        auto img = vp::loadGif(std::string(VANDREL_BINARY_DIR) + "/app/" + f.name);
        ASSERT_TRUE(img) << f.name;
        EXPECT_GE(img->width, f.minWidth) << f.name;
        EXPECT_GE(img->height, f.minHeight) << f.name;
    }
    auto normal = vp::loadGif(std::string(VANDREL_BINARY_DIR) + "/app/btncmds.gif");
    auto pressed = vp::loadGif(std::string(VANDREL_BINARY_DIR) + "/app/btncmdsd.gif");
    EXPECT_NE(normal->pixels, pressed->pixels) << "the pressed look differs";
}

}  // namespace
}  // namespace vt
