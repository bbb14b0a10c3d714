// Decoded images kept by file name: each is read and decoded once, the
// first time it is asked for, and kept until the cache goes. A file that
// cannot be read or decoded yields nothing (and is tried again next time).
#pragma once
#include <map>
#include <memory>
#include <string>

#include "image.h"

namespace vp {

class ImageCache {
public:
    explicit ImageCache(std::string folder = {}) : folder_(std::move(folder)) {}
    void setFolder(const std::string &folder) { folder_ = folder; }
    const std::string &folder() const { return folder_; }
    // The image of a file name in the folder, or null.
    const Image *get(const std::string &name);
    size_t size() const { return images_.size(); }

private:
    std::string folder_;
    std::map<std::string, std::unique_ptr<Image>> images_;
};

}  // namespace vp
