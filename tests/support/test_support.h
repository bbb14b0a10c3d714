// Helpers shared by the tests: a fresh temporary folder per test, a context
// fixture that keeps error boxes quiet, and small file utilities.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "brindle.h"
#include "foundation/file4platform.h"

namespace vt {

// A fresh folder under the system's temporary folder, removed at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::vector<unsigned char> readFile(const std::string &path);
void writeFile(const std::string &path, const std::vector<unsigned char> &bytes);
void writeFile(const std::string &path, const std::string &text);
// Copy a file of tests/fixtures into dir and return the copy's path.
std::string copyFixture(const std::string &relative, const TempDir &dir);
std::string fixturePath(const std::string &relative);
// The 64-bit FNV-1a hash of bytes as 16 lower-case hex digits: the pinned
// tests keep outputs and files by it.
std::string fnv1a64(const std::string &bytes);

// Captures what the error routine shows while alive.
class ShownErrors {
public:
    ShownErrors();
    ~ShownErrors();
    const std::vector<std::string> &messages() const;
    void clear();
};

// Restores the file layer's platform table when it goes out of scope, so a
// test may replace members of it.
class PlatformOverride {
public:
    PlatformOverride() : saved_(file4platform) {}
    ~PlatformOverride() { file4platform = saved_; }
    PlatformOverride(const PlatformOverride &) = delete;
    PlatformOverride &operator=(const PlatformOverride &) = delete;

private:
    FILE4PLATFORM saved_;
};

// A test with an initialised context (errors shown are captured) and a
// temporary folder.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    CODE4 cb{};
    TempDir dir;
    ShownErrors shown;
};

}  // namespace vt
