#include "skin_images.h"

#include <unistd.h>

#include <climits>

namespace vshell {

namespace {
const char *const kImageNames[kImageCount] = {"topbar.gif",     "topinfobar.gif", "btncmds.gif",
                                              "btncmdsd.gif",   "countbg.gif",    "calculator.gif",
                                              "calculatord.gif", "droparrow.gif", "unknown.gif"};
struct FontSpec {
    double points;
    int weight;
};
const FontSpec kFonts[kFontCount] = {{7.5, 400}, {8.5, 400}, {10, 400}, {12, 400}, {7.5, 700},
                                     {8.5, 700}, {10, 700},  {12, 700}, {20, 400}};
}  // namespace

const char *imageName(int index) { return index >= 0 && index < kImageCount ? kImageNames[index] : nullptr; }

std::string programFolderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string programPath() {
    char buf[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./vandrel";
    return std::string(buf, size_t(n));
}

void SkinImages::registerWindow(int slot, vp::Window *w) {
    if (slot >= 0 && slot < int(windows_.size())) windows_[size_t(slot)] = w;
}

vp::Window *SkinImages::window(int slot) const {
    return slot >= 0 && slot < int(windows_.size()) ? windows_[size_t(slot)] : nullptr;
}

bool SkinImages::finish(vp::FontLibrary &fonts, const std::string &programFolder) {
    cache_.setFolder(programFolder);
    bool ok = true;
    for (int i = 0; i < kFontCount; i++) {
        fonts_[size_t(i)] = fonts.open("Tahoma", kFonts[i].points, kFonts[i].weight);
        if (!fonts_[size_t(i)]) ok = false;
    }
    return ok;
}

const vp::Font *SkinImages::font(int index) const {
    return index >= 0 && index < kFontCount ? fonts_[size_t(index)].get() : nullptr;
}

const vp::Image *SkinImages::image(const std::string &name) { return name.empty() ? nullptr : cache_.get(name); }

const vp::Image *SkinImages::image(int index) {
    const char *name = imageName(index);
    return name ? cache_.get(name) : nullptr;
}

}  // namespace vshell
