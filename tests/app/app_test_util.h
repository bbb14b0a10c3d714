// Helpers for the app's tests: running vandrel headless on a script, reading
// what it wrote (state dumps, PNG screenshots), and checking state texts.
#pragma once
#include <png.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "brindle_runner.h"
#include "test_support.h"

namespace vt {

inline std::string vandrelPath() { return std::string(VANDREL_BINARY_DIR) + "/app/vandrel"; }
inline std::string samplePath(const std::string &name) { return std::string(VANDREL_SOURCE_DIR) + "/samples/" + name; }
// A copy of a sample table (and its memo file) in dir: tables are opened
// without sharing, so tests running side by side each use their own.
inline std::string sampleCopy(const TempDir &dir, const std::string &name) {
    std::string base = name.substr(0, name.rfind('.'));
    writeFile(dir.file(name), readFile(samplePath(name)));
    std::vector<unsigned char> memo = readFile(samplePath(base + ".fpt"));
    if (!memo.empty()) writeFile(dir.file(base + ".fpt"), memo);
    return dir.file(name);
}

inline std::string slurpText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// vandrel [args] --headless --script DIR/script.txt --out DIR/out
struct AppRun {
    RunResult result;
    std::string out;
    std::string state(const std::string &name) const { return slurpText(out + "/" + name + ".json"); }
    std::string shot(const std::string &name) const { return out + "/" + name + ".png"; }
};

inline AppRun runVandrel(const TempDir &dir, const std::string &script, const std::vector<std::string> &args = {},
                         const std::string &program = vandrelPath()) {
    static int runs = 0;
    std::string tag = std::to_string(++runs);
    std::string scriptPath = dir.file("script" + tag + ".txt");
    writeFile(scriptPath, script);
    AppRun r;
    r.out = dir.file("out" + tag);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"--headless", "--script", scriptPath, "--out", r.out});
    r.result = runCommand(argv);
    return r;
}

struct Png {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;  // 0xRRGGBB
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// Reads an 8-bit RGB PNG; false when it cannot.
inline bool readPng(const std::string &path, Png &png) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp p = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(p);
    bool ok = false;
    if (setjmp(png_jmpbuf(p)) == 0) {
        png_init_io(p, f);
        png_read_info(p, info);
        png.width = int(png_get_image_width(p, info));
        png.height = int(png_get_image_height(p, info));
        if (png_get_color_type(p, info) == PNG_COLOR_TYPE_RGB && png_get_bit_depth(p, info) == 8) {
            std::vector<png_byte> row(size_t(png.width) * 3);
            png.pixels.resize(size_t(png.width) * png.height);
            for (int y = 0; y < png.height; y++) {
                png_read_row(p, row.data(), nullptr);
                for (int x = 0; x < png.width; x++)
                    png.pixels[size_t(y) * png.width + x] =
                        (uint32_t(row[size_t(x) * 3]) << 16) | (uint32_t(row[size_t(x) * 3 + 1]) << 8) | row[size_t(x) * 3 + 2];
            }
            ok = true;
        }
    }
    png_destroy_read_struct(&p, &info, nullptr);
    std::fclose(f);
    return ok;
}

inline std::string goldenPath(const std::string &name) {
    return std::string(VANDREL_SOURCE_DIR) + "/tests/app/golden/" + name + ".png";
}

// Compares a screenshot with its golden picture pixel for pixel; with
// VANDREL_UPDATE_GOLDENS=1 in the environment it replaces the golden instead.
inline void expectGolden(const std::string &shot, const std::string &name) {
    Png actual, golden;
    ASSERT_TRUE(readPng(shot, actual)) << shot;
    if (const char *u = std::getenv("VANDREL_UPDATE_GOLDENS"); u && std::string(u) == "1") {
        writeFile(goldenPath(name), readFile(shot));
        return;
    }
    ASSERT_TRUE(readPng(goldenPath(name), golden)) << "no golden " << goldenPath(name);
    ASSERT_EQ(actual.width, golden.width);
    ASSERT_EQ(actual.height, golden.height);
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < golden.height; y++)
        for (int x = 0; x < golden.width; x++)
            if (actual.at(x, y) != golden.at(x, y) && differing++ == 0) firstX = x, firstY = y;
    EXPECT_EQ(differing, 0) << name << ": first difference at " << firstX << "," << firstY
                            << " (regenerate with scripts/update-goldens.sh when the artwork changed)";
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const std::string &value) : name_(name) {
        if (const char *old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char *name_;
    bool had_ = false;
    std::string old_;
};

}  // namespace vt
