// A platform over the headless runner, playing a script given as text, with
// the theme's fonts open: for tests of the platform's own windows.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "shell/platform/headless_backend.h"
#include "shell/platform/platform.h"
#include "shell/platform/ui_theme.h"
#include "test_support.h"

namespace vt {

class PlatformTest : public ::testing::Test {
protected:
    void start(const std::string &script, int scale = 1) {
        auto backend = vp::HeadlessBackend::fromText(script, dir.path());
        headless = backend.get();
        platform = std::make_unique<vp::Platform>(std::move(backend), scale);
        ASSERT_TRUE(platform->start());
        text = platform->fonts().open("Tahoma", 8.5, 400);
        bold = platform->fonts().open("Tahoma", 8.5, 700);
        small = platform->fonts().open("Tahoma", 7.5, 400);
        ASSERT_TRUE(text && bold && small);
        vp::uiTheme().text = text.get();
        vp::uiTheme().bold = bold.get();
        vp::uiTheme().small = small.get();
    }
    void TearDown() override {
        vp::uiTheme() = vp::UiTheme{};
        platform.reset();
    }
    std::string file(const std::string &name) const { return dir.file(name); }

    TempDir dir;
    std::unique_ptr<vp::Platform> platform;
    vp::HeadlessBackend *headless = nullptr;
    std::unique_ptr<vp::Font> text, bold, small;
};

}  // namespace vt
