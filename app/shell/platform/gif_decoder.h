// GIF pictures to images, decoded by giflib reading through a callback from
// a pointer and a limit (never past it). The first frame is composed onto
// the logical screen the file declares; its transparent colour, if any,
// becomes alpha 0, and so does the screen outside the frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "image.h"

namespace vp {

// Refuses screens of more than this many pixels.
constexpr long kMaxGifPixels = 4096L * 4096L;

std::optional<Image> decodeGif(const uint8_t *data, size_t size);
std::optional<Image> loadGif(const std::string &path);

}  // namespace vp
