// Fonts by family, point size and weight: the file is found by fontconfig
// (Debian's fonts-wine folder is added first, as it holds a Tahoma that is
// metric-compatible with the handheld's) and drawn by FreeType.
//
// Layout is in logical pixels: the advances and line metrics are those of
// the font at scale 1 (96 dpi), whatever the scale it is drawn at, so a page
// lays out the same at every scale; glyphs are rendered at 96 dpi times the
// scale so text stays crisp. A bold request that fontconfig can only answer
// with a lighter face is emboldened by FreeType.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vp {

constexpr int kMaxScale = 4;

struct Glyph {
    int left = 0, top = 0;        // bitmap offset from the pen, device pixels (top: up from the baseline)
    int width = 0, rows = 0;      // bitmap size, device pixels
    int advance = 0;              // logical pixels
    std::vector<unsigned char> coverage;  // rows * width, 0..255
};

struct FontFace;  // one FreeType face at one scale

class Font {
public:
    ~Font();
    double points() const { return points_; }
    int weight() const { return weight_; }
    const std::string &file() const { return file_; }
    bool synthesizedBold() const { return synthesizeBold_; }
    // Logical line metrics: ascent above the baseline, descent below it.
    int ascent() const { return ascent_; }
    int descent() const { return descent_; }
    int height() const { return ascent_ + descent_; }
    // Logical width of a line of text.
    int measure(std::u16string_view text) const;
    int advance(char32_t c) const;
    // The glyph of a code point rendered at a scale (1 ... kMaxScale).
    const Glyph &glyph(char32_t c, int scale) const;

private:
    friend class FontLibrary;
    Font() = default;
    FontFace *face(int scale) const;
    std::shared_ptr<void> library_;  // FT_Library, kept while a font lives
    std::string file_;
    int index_ = 0;
    double points_ = 0;
    int weight_ = 400;
    bool synthesizeBold_ = false;
    int ascent_ = 0, descent_ = 0;
    mutable std::unique_ptr<FontFace> faces_[kMaxScale + 1];
    mutable std::unordered_map<uint64_t, Glyph> glyphs_;
};

class FontLibrary {
public:
    FontLibrary();
    ~FontLibrary();
    FontLibrary(const FontLibrary &) = delete;
    FontLibrary &operator=(const FontLibrary &) = delete;
    // The font of a family at a point size and weight (400 normal, 700
    // bold); null when neither the family nor any fallback can be loaded.
    std::unique_ptr<Font> open(const std::string &family, double points, int weight);

private:
    std::shared_ptr<void> library_;  // FT_Library
};

}  // namespace vp
