#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vt {

namespace {
std::vector<std::string> g_shown;
void captureDisplay(const char *, const char *message) { g_shown.emplace_back(message); }
}  // namespace

TempDir::TempDir() {
    const char *base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vandrel-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) std::abort();
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<unsigned char> readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const std::vector<unsigned char> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), (std::streamsize)bytes.size());
}

void writeFile(const std::string &path, const std::string &text) {
    writeFile(path, std::vector<unsigned char>(text.begin(), text.end()));
}

std::string fnv1a64(const std::string &bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char b : bytes) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", (unsigned long long)h);
    return out;
}

std::string fixturePath(const std::string &relative) { return std::string(VANDREL_FIXTURES) + "/" + relative; }

std::string copyFixture(const std::string &relative, const TempDir &dir) {
    std::filesystem::path from = fixturePath(relative);
    std::string to = dir.file(from.filename().string());
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(to, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return to;
}

ShownErrors::ShownErrors() {
    g_shown.clear();
    error4setDisplay(captureDisplay);
}
ShownErrors::~ShownErrors() { error4setDisplay(nullptr); }
const std::vector<std::string> &ShownErrors::messages() const { return g_shown; }
void ShownErrors::clear() { g_shown.clear(); }

void EngineTest::SetUp() { ASSERT_EQ(code4init(&cb), 0); }
void EngineTest::TearDown() { code4initUndo(&cb); }

}  // namespace vt
