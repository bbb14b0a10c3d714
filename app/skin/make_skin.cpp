// Draws the skin: the ten GIF pictures the app reads from its own folder
// (our own artwork, made here from code so it can be changed and remade).
//   background.gif   240 x 268  the page background
//   topbar.gif       232 x 18   the grid page's title strip
//   topinfobar.gif   232 x 18   the other pages' title strip
//   btncmds.gif      270 x 30   nine 30 x 30 button glyphs: new, copy,
//                               delete, filter, sort, up, down, save, close
//   btncmdsd.gif     270 x 30   the same, pressed
//   countbg.gif      416 x 22   the bottom strip (x 0-231), four small
//                               buttons at x 232, 252, 272, 292 (20 x 21 from
//                               y 1): form view, delete, filter, sort, and
//                               a 50 x 22 button face at x 315 (366 pressed)
//   calculator.gif   40 x 21    a calculator key (x 0-19) and backspace (x 20-39)
//   calculatord.gif  40 x 21    the same, pressed
//   droparrow.gif    32 x 16    the date picker's arrows: previous, next
//   unknown.gif      16 x 16    a question mark
// Usage: make_skin FOLDER
#include <gif_lib.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

struct Raster {
    int w, h;
    std::vector<Rgb> px;
    Raster(int w_, int h_, Rgb fill) : w(w_), h(h_), px(size_t(w_) * h_, fill) {}
    void set(int x, int y, Rgb c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[size_t(y) * w + x] = c;
    }
    void fill(int x, int y, int fw, int fh, Rgb c) {
        for (int j = y; j < y + fh; j++)
            for (int i = x; i < x + fw; i++) set(i, j, c);
    }
    void frame(int x, int y, int fw, int fh, Rgb c) {
        for (int i = x; i < x + fw; i++) set(i, y, c), set(i, y + fh - 1, c);
        for (int j = y; j < y + fh; j++) set(x, j, c), set(x + fw - 1, j, c);
    }
    // A vertical gradient in steps, so the palette stays small.
    void gradient(int x, int y, int fw, int fh, Rgb top, Rgb bottom) {
        for (int j = 0; j < fh; j++) {
            auto m = [&](int a, int b) { return a + (b - a) * j / (fh > 1 ? fh - 1 : 1); };
            fill(x, y + j, fw, 1, {m(top.r, bottom.r), m(top.g, bottom.g), m(top.b, bottom.b)});
        }
    }
    // A mask of '#' (ink) and '+' (second ink), each cell drawn size x size.
    void mask(int x, int y, const std::vector<const char *> &rows, int size, Rgb ink, Rgb ink2) {
        for (size_t j = 0; j < rows.size(); j++)
            for (int i = 0; rows[j][i]; i++) {
                char c = rows[j][i];
                if (c == '#' || c == '+') fill(x + i * size, y + int(j) * size, size, size, c == '#' ? ink : ink2);
            }
    }
};

bool writeGif(const std::string &path, const Raster &r) {
    std::map<int, int> index;
    std::vector<GifColorType> colors;
    std::vector<GifPixelType> pixels(r.px.size());
    for (size_t i = 0; i < r.px.size(); i++) {
        int key = (r.px[i].r << 16) | (r.px[i].g << 8) | r.px[i].b;
        auto it = index.find(key);
        if (it == index.end()) {
            if (colors.size() == 256) {
                std::fprintf(stderr, "make_skin: %s has more than 256 colours\n", path.c_str());
                return false;
            }
            it = index.emplace(key, int(colors.size())).first;
            colors.push_back({GifByteType(r.px[i].r), GifByteType(r.px[i].g), GifByteType(r.px[i].b)});
        }
        pixels[i] = GifPixelType(it->second);
    }
    int bits = 1;
    while ((1 << bits) < int(colors.size())) bits++;
    colors.resize(size_t(1) << bits, GifColorType{0, 0, 0});
    ColorMapObject *map = GifMakeMapObject(1 << bits, colors.data());
    int error = 0;
    GifFileType *gif = EGifOpenFileName(path.c_str(), false, &error);
    bool ok = gif && map;
    if (ok) {
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, r.w, r.h, bits, 0, map) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, r.w, r.h, false, nullptr) == GIF_OK;
        for (int y = 0; ok && y < r.h; y++) ok = EGifPutLine(gif, pixels.data() + size_t(y) * r.w, r.w) == GIF_OK;
    }
    if (gif && EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    GifFreeMapObject(map);
    if (!ok) std::fprintf(stderr, "make_skin: cannot write %s\n", path.c_str());
    return ok;
}

const Rgb kWhite{255, 255, 255}, kNavy{0, 0, 128}, kRed{176, 32, 32}, kGreen{24, 128, 48};
const Rgb kGray{128, 128, 128}, kFace{212, 208, 200}, kBlue{0, 64, 160};

// The nine 12 x 12 button glyphs of btncmds.gif.
const std::vector<std::vector<const char *>> kButtonGlyphs = {
    {"######      ", "#    ##     ", "#    # #    ", "#    ####   ", "#       #   ", "#   ++  #   ",
     "#   ++  #   ", "# ++++++#   ", "# ++++++#   ", "#   ++  #   ", "#   ++  #   ", "#########   "},  // new
    {"#######     ", "#     #     ", "#  #######  ", "#  #     #  ", "#  #     #  ", "#  #  #  #  ",
     "#  #     #  ", "####  #  #  ", "   #     #  ", "   #  #  #  ", "   #     #  ", "   #######  "},  // copy
    {"            ", " ++      ++ ", " +++    +++ ", "  +++  +++  ", "   ++++++   ", "    ++++    ",
     "    ++++    ", "   ++++++   ", "  +++  +++  ", " +++    +++ ", " ++      ++ ", "            "},  // delete
    {"############", " #        # ", "  #      #  ", "   #    #   ", "    #  #    ", "     ##     ",
     "     ##     ", "     ##     ", "     ##     ", "     ##     ", "     ###    ", "     ####   "},  // filter
    {"  #      +  ", " ###     +  ", "#####    +  ", "  #      +  ", "  #      +  ", "  #      +  ",
     "  #      +  ", "  #      +  ", "  #    +++++", "  #     +++ ", "  #      +  ", "            "},  // sort
    {"            ", "     ##     ", "    ####    ", "   ######   ", "  ########  ", " ########## ",
     "    ####    ", "    ####    ", "    ####    ", "    ####    ", "    ####    ", "            "},  // up
    {"            ", "    ####    ", "    ####    ", "    ####    ", "    ####    ", "    ####    ",
     " ########## ", "  ########  ", "   ######   ", "    ####    ", "     ##     ", "            "},  // down
    {"############", "#+ ++++++ +#", "#+ ++++++ +#", "#+ ++++++ +#", "#+        +#", "#++++++++++#",
     "#+########+#", "#+#      #+#", "#+#  ##  #+#", "#+#  ##  #+#", "#+#      #+#", "############"},  // save
    {"            ", " ##      ## ", " ###    ### ", "  ###  ###  ", "   ######   ", "    ####    ",
     "    ####    ", "   ######   ", "  ###  ###  ", " ###    ### ", " ##      ## ", "            "},  // close
};

// The four small glyphs of countbg.gif: form view, delete, filter, sort.
const std::vector<std::vector<const char *>> kSmallGlyphs = {
    {"##########  ", "#        #  ", "# ++ ### #  ", "#        #  ", "# ++ ### #  ", "#        #  ",
     "# ++ ### #  ", "#        #  ", "# ++ ### #  ", "#        #  ", "##########  ", "            "},
    kButtonGlyphs[2], kButtonGlyphs[3], kButtonGlyphs[4]};

Raster buttons(bool pressed) {
    Raster r(30 * int(kButtonGlyphs.size()), 30, kFace);
    for (size_t i = 0; i < kButtonGlyphs.size(); i++) {
        int x = 30 * int(i);
        r.gradient(x + 1, 1, 28, 28, pressed ? Rgb{160, 176, 208} : Rgb{248, 248, 248},
                   pressed ? Rgb{112, 128, 176} : Rgb{200, 200, 208});
        r.frame(x, 0, 30, 30, pressed ? kNavy : kGray);
        int shift = pressed ? 1 : 0;
        Rgb ink = i == 2 || i == 8 ? kRed : kNavy;
        r.mask(x + 3 + shift, 3 + shift, kButtonGlyphs[i], 2, ink, i == 2 || i == 8 ? kRed : kGreen);
    }
    return r;
}

Raster countStrip() {
    Raster r(416, 22, kFace);
    r.gradient(0, 0, 232, 22, {236, 236, 240}, {196, 200, 212});
    r.fill(0, 0, 232, 1, {150, 150, 160});
    for (int i = 0; i < 4; i++) {
        int x = 232 + 20 * i;
        r.gradient(x, 1, 20, 21, {250, 250, 250}, {204, 208, 220});
        r.frame(x, 1, 18, 21, kGray);
        r.mask(x + 3, 5, kSmallGlyphs[size_t(i)], 1, i == 1 ? kRed : kNavy, i == 1 ? kRed : kGreen);
    }
    // The text editor's "Cancel" and "Save" buttons are drawn on these faces.
    r.gradient(316, 2, 48, 19, {252, 252, 252}, {206, 210, 222});
    r.frame(315, 1, 50, 21, kGray);
    r.gradient(367, 2, 48, 19, {160, 176, 208}, {128, 144, 184});
    r.frame(366, 1, 50, 21, kNavy);
    return r;
}

Raster calculatorKeys(bool pressed) {
    Raster r(40, 21, kFace);
    for (int k = 0; k < 2; k++) {
        int x = 20 * k;
        r.gradient(x + 1, 1, 18, 18, pressed ? Rgb{176, 144, 112} : Rgb{255, 248, 240},
                   pressed ? Rgb{144, 112, 80} : Rgb{224, 208, 192});
        r.frame(x, 0, 20, 20, pressed ? Rgb{96, 64, 32} : Rgb{160, 128, 96});
    }
    // Backspace: an arrow pointing left.
    r.mask(23 + (pressed ? 1 : 0), 5 + (pressed ? 1 : 0),
           {"   #        ", "  ##        ", " ###########", "############", " ###########", "  ##        ",
            "   #        "},
           1, {128, 0, 0}, {128, 0, 0});
    return r;
}

Raster dropArrows() {
    Raster r(32, 16, {0, 0, 192});
    r.mask(4, 3, {"    #", "   ##", "  ###", " ####", "#####", " ####", "  ###", "   ##", "    #"}, 1, kWhite, kWhite);
    r.mask(22, 3, {"#    ", "##   ", "###  ", "#### ", "#####", "#### ", "###  ", "##   ", "#    "}, 1, kWhite, kWhite);
    r.frame(0, 0, 16, 16, {64, 64, 224});
    r.frame(16, 0, 16, 16, {64, 64, 224});
    return r;
}

Raster unknownGlyph() {
    Raster r(16, 16, kWhite);
    r.frame(0, 0, 16, 16, kGray);
    r.mask(4, 2, {" #### ", "##  ##", "    ##", "   ## ", "  ##  ", "  ##  ", "      ", "  ##  ", "  ##  "}, 1, kBlue,
           kBlue);
    return r;
}

Raster background() {
    Raster r(240, 268, {224, 224, 224});
    r.gradient(0, 0, 240, 268, {234, 234, 238}, {214, 214, 222});
    return r;
}

Raster titleStrip(Rgb top, Rgb bottom, Rgb accent) {
    Raster r(232, 18, top);
    r.gradient(0, 0, 232, 18, top, bottom);
    r.fill(0, 0, 232, 1, accent);
    r.fill(0, 17, 232, 1, {0, 0, 48});
    return r;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_skin FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    bool ok = writeGif(dir + "/background.gif", background()) &&
              writeGif(dir + "/topbar.gif", titleStrip({16, 72, 168}, {0, 24, 104}, {96, 144, 224})) &&
              writeGif(dir + "/topinfobar.gif", titleStrip({0, 112, 112}, {0, 56, 72}, {96, 192, 192})) &&
              writeGif(dir + "/btncmds.gif", buttons(false)) && writeGif(dir + "/btncmdsd.gif", buttons(true)) &&
              writeGif(dir + "/countbg.gif", countStrip()) &&
              writeGif(dir + "/calculator.gif", calculatorKeys(false)) &&
              writeGif(dir + "/calculatord.gif", calculatorKeys(true)) &&
              writeGif(dir + "/droparrow.gif", dropArrows()) && writeGif(dir + "/unknown.gif", unknownGlyph());
    return ok ? 0 : 1;
}
