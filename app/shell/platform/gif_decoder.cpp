#include "gif_decoder.h"

#include <gif_lib.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace vp {

namespace {
struct Source {
    const uint8_t *pos;
    const uint8_t *limit;
};

int readFromSource(GifFileType *gif, GifByteType *out, int wanted) {
    auto *src = static_cast<Source *>(gif->UserData);
    size_t left = size_t(src->limit - src->pos);
    size_t n = wanted < 0 ? 0 : std::min(left, size_t(wanted));
    std::memcpy(out, src->pos, n);
    src->pos += n;
    return int(n);
}

// Moves to the first image, noting the transparent index of its graphics
// control block; false at the end of the file or on an error.
bool seekFirstImage(GifFileType *gif, int &transparent) {
    transparent = -1;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type == TERMINATE_RECORD_TYPE) return false;
        if (type != EXTENSION_RECORD_TYPE) return false;
        int code;
        GifByteType *ext;
        if (DGifGetExtension(gif, &code, &ext) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && ext && ext[0] >= 4) {
            GraphicsControlBlock gcb;
            if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK) transparent = gcb.TransparentColor;
        }
        while (ext) {
            if (DGifGetExtensionNext(gif, &ext) == GIF_ERROR) return false;
        }
    }
}
}  // namespace

std::optional<Image> decodeGif(const uint8_t *data, size_t size) {
    if (!data) return std::nullopt;
    Source src{data, data + size};
    int error = 0;
    GifFileType *gif = DGifOpen(&src, readFromSource, &error);
    if (!gif) return std::nullopt;
    std::optional<Image> result;
    int transparent = -1;
    long screen = long(gif->SWidth) * gif->SHeight;
    if (screen > 0 && screen <= kMaxGifPixels && seekFirstImage(gif, transparent)) {
        const GifImageDesc &d = gif->Image;
        const ColorMapObject *map = d.ColorMap ? d.ColorMap : gif->SColorMap;
        long frame = long(d.Width) * d.Height;
        if (map && frame > 0 && frame <= kMaxGifPixels) {
            Image img;
            img.width = gif->SWidth;
            img.height = gif->SHeight;
            img.pixels.assign(size_t(screen), 0);
            std::vector<GifPixelType> line(size_t(d.Width));
            // Rows in file order; interlaced files store them in four passes.
            std::vector<int> rows;
            if (d.Interlace) {
                static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
                for (int pass = 0; pass < 4; pass++)
                    for (int y = start[pass]; y < d.Height; y += step[pass]) rows.push_back(y);
            } else {
                for (int y = 0; y < d.Height; y++) rows.push_back(y);
            }
            bool ok = true;
            for (int y : rows) {
                if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) {
                    ok = false;
                    break;
                }
                int sy = d.Top + y;
                if (sy < 0 || sy >= img.height) continue;
                for (int x = 0; x < d.Width; x++) {
                    int sx = d.Left + x;
                    int index = line[size_t(x)];
                    if (sx < 0 || sx >= img.width || index == transparent || index >= map->ColorCount) continue;
                    const GifColorType &c = map->Colors[index];
                    img.pixels[size_t(sy) * img.width + sx] = rgb(c.Red, c.Green, c.Blue);
                }
            }
            if (ok) result = std::move(img);
        }
    }
    DGifCloseFile(gif, &error);
    return result;
}

std::optional<Image> loadGif(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return decodeGif(bytes.data(), bytes.size());
}

}  // namespace vp
