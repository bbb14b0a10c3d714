#include "png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace vp {

bool writePng(const std::string &path, const Color *pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0) return false;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    std::vector<png_byte> row(size_t(width) * 3);
    if (png && info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, f);
        png_set_compression_level(png, 6);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; y++) {
            const Color *src = pixels + size_t(y) * width;
            for (int x = 0; x < width; x++) {
                row[size_t(x) * 3] = png_byte(red(src[x]));
                row[size_t(x) * 3 + 1] = png_byte(green(src[x]));
                row[size_t(x) * 3 + 2] = png_byte(blue(src[x]));
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) ok = false;
    if (!ok) std::remove(path.c_str());
    return ok;
}

}  // namespace vp
