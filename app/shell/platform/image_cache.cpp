#include "image_cache.h"

#include "gif_decoder.h"

namespace vp {

const Image *ImageCache::get(const std::string &name) {
    auto it = images_.find(name);
    if (it != images_.end()) return it->second.get();
    std::optional<Image> img = loadGif(folder_ + name);
    if (!img) return nullptr;
    return images_.emplace(name, std::make_unique<Image>(std::move(*img))).first->second.get();
}

}  // namespace vp
