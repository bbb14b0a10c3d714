#include "font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>

#include "utf.h"

namespace vp {

namespace {
// Debian's fonts-wine keeps its fonts outside fontconfig's search path.
constexpr const char *kWineFonts = "/usr/share/wine/fonts";
constexpr double kDpi = 96.0;

// The ink of a few stems at scale 1, to compare the weight of two faces.
long inkOf(const Font &f) {
    long sum = 0;
    for (char16_t c : std::u16string(u"HIlmn"))
        for (unsigned char v : f.glyph(c, 1).coverage) sum += v;
    return sum;
}

FT_Library lib(const std::shared_ptr<void> &p) { return static_cast<FT_Library>(p.get()); }

// Locates the file of a family and weight; the weight fontconfig found is
// returned in foundWeight (fontconfig's scale).
bool locate(const std::string &family, int weight, std::string &file, int &index, int &foundWeight) {
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcChar8 *path = nullptr;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
    if (ok) {
        file = reinterpret_cast<const char *>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        if (FcPatternGetInteger(match, FC_WEIGHT, 0, &foundWeight) != FcResultMatch) foundWeight = FC_WEIGHT_REGULAR;
    }
    FcPatternDestroy(match);
    return ok;
}
}  // namespace

struct FontFace {
    FT_Face face = nullptr;
    ~FontFace() {
        if (face) FT_Done_Face(face);
    }
};

// fontconfig is set up while any library lives, and released with the last.
static int g_libraries = 0;

FontLibrary::FontLibrary() {
    if (g_libraries++ == 0) {
        FcInit();
        FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8 *>(kWineFonts));
    }
    FT_Library l = nullptr;
    if (FT_Init_FreeType(&l) == 0) library_ = std::shared_ptr<void>(l, [](void *p) { FT_Done_FreeType(static_cast<FT_Library>(p)); });
}

FontLibrary::~FontLibrary() {
    if (--g_libraries == 0) FcFini();
}

std::unique_ptr<Font> FontLibrary::open(const std::string &family, double points, int weight) {
    if (!library_ || points <= 0) return nullptr;
    std::unique_ptr<Font> font(new Font());
    int foundWeight = 0;
    if (!locate(family, weight, font->file_, font->index_, foundWeight)) return nullptr;
    font->library_ = library_;
    font->points_ = points;
    font->weight_ = weight;
    FontFace *f = font->face(1);
    if (!f) return nullptr;
    if (weight >= 600) {
        // Some bold faces (Wine's Tahoma among them) carry the regular
        // outlines: embolden when the face is no darker than the regular one.
        std::unique_ptr<Font> regular = foundWeight >= FC_WEIGHT_DEMIBOLD ? open(family, points, 400) : nullptr;
        font->synthesizeBold_ = !regular || inkOf(*font) * 100 < inkOf(*regular) * 125;
        font->glyphs_.clear();
    }
    const FT_Size_Metrics &m = f->face->size->metrics;
    font->ascent_ = int((m.ascender + 63) >> 6);
    font->descent_ = int((-m.descender + 63) >> 6);
    return font;
}

Font::~Font() = default;

FontFace *Font::face(int scale) const {
    if (scale < 1 || scale > kMaxScale) return nullptr;
    if (!faces_[scale]) {
        auto f = std::make_unique<FontFace>();
        if (FT_New_Face(lib(library_), file_.c_str(), index_, &f->face) != 0) return nullptr;
        FT_Set_Char_Size(f->face, 0, FT_F26Dot6(std::lround(points_ * 64)), FT_UInt(kDpi * scale),
                         FT_UInt(kDpi * scale));
        faces_[scale] = std::move(f);
    }
    return faces_[scale].get();
}

const Glyph &Font::glyph(char32_t c, int scale) const {
    uint64_t key = (uint64_t(scale) << 32) | c;
    auto it = glyphs_.find(key);
    if (it != glyphs_.end()) return it->second;
    Glyph g;
    if (scale != 1) g.advance = glyph(c, 1).advance;
    FontFace *f = face(scale);
    if (f && FT_Load_Char(f->face, c, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) == 0) {
        FT_GlyphSlot slot = f->face->glyph;
        if (synthesizeBold_ && slot->format == FT_GLYPH_FORMAT_OUTLINE)
            FT_Outline_EmboldenXY(&slot->outline, 64 * scale, 0);
        if (scale == 1) g.advance = int((slot->advance.x + 32) >> 6) + (synthesizeBold_ ? 1 : 0);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0 && slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            const FT_Bitmap &b = slot->bitmap;
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            g.width = int(b.width);
            g.rows = int(b.rows);
            g.coverage.resize(size_t(g.width) * g.rows);
            for (int y = 0; y < g.rows; y++)
                for (int x = 0; x < g.width; x++) g.coverage[size_t(y) * g.width + x] = b.buffer[y * b.pitch + x];
        }
    }
    return glyphs_.emplace(key, std::move(g)).first->second;
}

int Font::advance(char32_t c) const { return glyph(c, 1).advance; }

int Font::measure(std::u16string_view text) const {
    int w = 0;
    for (size_t i = 0; i < text.size();) w += advance(nextCodePoint(text, i));
    return w;
}

}  // namespace vp
