// The window backend under SDL's dummy video driver: it starts, presents,
// and turns SDL's mouse, keyboard, text, wheel and timer events into the
// platform's, in logical pixels.
#include <SDL.h>
#include <gtest/gtest.h>

#include "../app_test_util.h"
#include "shell/platform/canvas.h"
#include "shell/platform/sdl_backend.h"

namespace vt {
namespace {

class SdlDummy : public ::testing::Test {
protected:
    void SetUp() override {
        env = std::make_unique<ScopedEnv>("SDL_VIDEODRIVER", "dummy");
        ASSERT_TRUE(backend.start(canvas));
        backend.present(canvas);
    }
    std::unique_ptr<ScopedEnv> env;
    vp::Canvas canvas{240, 320, 3};
    vp::SdlBackend backend;
};

TEST_F(SdlDummy, MouseBecomesThePenInLogicalPixels) {
    SDL_Event e{};
    vp::Event out;
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.x = 301;
    e.button.y = 95;
    e.button.clicks = 1;
    ASSERT_TRUE(backend.translate(&e, out));
    EXPECT_EQ(out.type, vp::Event::Type::PenDown);
    EXPECT_EQ(out.pt, (vp::Point{100, 31}));
    e.button.clicks = 2;
    ASSERT_TRUE(backend.translate(&e, out));
    EXPECT_EQ(out.type, vp::Event::Type::DoubleTap);
    e.button.button = SDL_BUTTON_RIGHT;
    EXPECT_FALSE(backend.translate(&e, out));
    e = SDL_Event{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = 30;
    e.motion.y = 30;
    EXPECT_FALSE(backend.translate(&e, out)) << "moving without the button is not the pen";
    e.motion.state = SDL_BUTTON_LMASK;
    ASSERT_TRUE(backend.translate(&e, out));
    EXPECT_EQ(out.type, vp::Event::Type::PenMove);
    EXPECT_EQ(out.pt, (vp::Point{10, 10}));
}

TEST_F(SdlDummy, KeysAndText) {
    SDL_Event e{};
    vp::Event out;
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = SDLK_o;
    e.key.keysym.mod = KMOD_LCTRL;
    ASSERT_TRUE(backend.translate(&e, out));
    EXPECT_EQ(out.key, vp::Key::Char);
    EXPECT_EQ(out.ch, U'o');
    EXPECT_EQ(out.mods, vp::kCtrl);
    e.key.keysym.mod = 0;
    EXPECT_FALSE(backend.translate(&e, out)) << "a plain letter comes as text";
    e.key.keysym.sym = SDLK_PAGEDOWN;
    ASSERT_TRUE(backend.translate(&e, out));
    EXPECT_EQ(out.key, vp::Key::PageDown);
    e = SDL_Event{};
    e.type = SDL_TEXTINPUT;
    std::snprintf(e.text.text, sizeof e.text.text, "%s", "\xC3\xA9t\xC3\xA9");
    ASSERT_TRUE(backend.translate(&e, out));
    EXPECT_EQ(out.text, u"été");
}

TEST_F(SdlDummy, TimersArriveAsEvents) {
    backend.startTimer(7, 5);
    vp::Event out = backend.next();
    EXPECT_EQ(out.type, vp::Event::Type::Timer);
    EXPECT_EQ(out.timer, 7);
    backend.stopTimer(7);
    SDL_Event e{};
    e.type = SDL_USEREVENT;
    e.user.code = 7;
    EXPECT_FALSE(backend.translate(&e, out)) << "a stopped timer's late event is dropped";
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    for (out = backend.next(); out.type == vp::Event::Type::Timer;) out = backend.next();
    EXPECT_EQ(out.type, vp::Event::Type::Quit);
}

TEST_F(SdlDummy, ScaleIsKeptWhenAskedForAndBoundedOtherwise) {
    EXPECT_EQ(backend.chooseScale(3), 3);
    int s = backend.chooseScale(0);
    EXPECT_GE(s, 1);
    EXPECT_LE(s, 4);
}

}  // namespace
}  // namespace vt
