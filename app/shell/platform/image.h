// A decoded picture: 32-bit pixels, row by row, at its own size in logical
// pixels. Pixels with alpha 0 are transparent and are not drawn.
#pragma once
#include <vector>

#include "geometry.h"

namespace vp {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<Color> pixels;  // width * height
    Color at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

}  // namespace vp
