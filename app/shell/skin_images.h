// The skin: the program folder (where the GIF files lie beside the
// executable), the image name table, the nine "Tahoma" fonts, the page
// background and the cache of decoded images, plus the three registered
// windows (0 the main frame, 1 the page view, 2 the in-place cell editor)
// and the counter that hands out child-window identifiers.
#pragma once
#include <array>
#include <memory>
#include <string>

#include "platform/font.h"
#include "platform/image_cache.h"
#include "platform/window.h"

namespace vshell {

constexpr int kImageCount = 9;
constexpr int kFontCount = 9;

// The image name table: 0 topbar.gif ... 8 unknown.gif; null outside 0 ... 8.
const char *imageName(int index);
// The folder of a program path, cut after its last "/" (which it keeps).
std::string programFolderOf(const std::string &programPath);
// The running program's own path.
std::string programPath();

class SkinImages {
public:
    void setBackgroundName(std::string name) { backgroundName_ = std::move(name); }
    const std::string &backgroundName() const { return backgroundName_; }
    vp::Color backgroundColor() const { return vp::rgb(224, 224, 224); }

    void registerWindow(int slot, vp::Window *w);
    vp::Window *window(int slot) const;

    // Sets the program folder and opens the nine fonts; false when a font
    // cannot be had at all.
    bool finish(vp::FontLibrary &fonts, const std::string &programFolder);
    const std::string &programFolder() const { return cache_.folder(); }

    // Fonts 0-3: 7.5, 8.5, 10, 12 pt; 4-7 the same bold; 8: 20 pt. Null outside 0 ... 8.
    const vp::Font *font(int index) const;
    // An image by file name (decoded once, then cached), or null.
    const vp::Image *image(const std::string &name);
    // An image by its index in the name table, or null.
    const vp::Image *image(int index);
    const vp::Image *background() { return image(backgroundName_); }
    size_t cachedImages() const { return cache_.size(); }

    int nextChildId() { return nextChildId_++; }

private:
    std::string backgroundName_;
    std::array<vp::Window *, 3> windows_{};
    std::array<std::unique_ptr<vp::Font>, kFontCount> fonts_;
    vp::ImageCache cache_;
    int nextChildId_ = 1000;
};

}  // namespace vshell
