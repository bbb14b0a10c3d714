// Screenshots as PNG files through libpng: 8-bit RGB, fixed compression and
// filter settings and no time chunk, so the same pixels always give the
// same bytes.
#pragma once
#include <string>

#include "geometry.h"

namespace vp {

// Writes width x height pixels (row by row); false when the file cannot be written.
bool writePng(const std::string &path, const Color *pixels, int width, int height);

}  // namespace vp
