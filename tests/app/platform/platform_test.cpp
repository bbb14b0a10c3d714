// The platform's routing: modal runs and the pen outside them, focus and
// its loss, keys up the window tree, timers on the runner's clock, the wait
// cursor and the beep, and commands refused while a modal window runs.
#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../app_test_util.h"
#include "platform_fixture.h"

using ::testing::HasSubstr;

namespace vt {
namespace {

// A window that records what reaches it.
struct Probe : vp::Window {
    std::vector<std::string> log;
    bool focusable = false, keeps = false, takeKeys = false;
    void penDown(vp::Point p) override { log.push_back("down " + std::to_string(p.x) + "," + std::to_string(p.y)); }
    void penUp(vp::Point p) override { log.push_back("up " + std::to_string(p.x) + "," + std::to_string(p.y)); }
    void doubleTap(vp::Point) override { log.push_back("dtap"); }
    bool key(const vp::Event &e) override {
        if (!takeKeys) return false;
        log.push_back(e.type == vp::Event::Type::Text ? "text" : "key");
        return true;
    }
    bool acceptsFocus() const override { return focusable; }
    bool keepsFocus() const override { return keeps; }
    void focusLost() override { log.push_back("lost"); }
};

using Routing = PlatformTest;

TEST_F(Routing, ThePenGoesToTheDeepestWindowInItsOwnCoordinates) {
    start("tap 15 45\ndtap 15 45\n");
    Probe outer, inner;
    outer.rect = {10, 40, 100, 100};
    inner.rect = {2, 3, 20, 20};
    platform->root().addChild(&outer);
    outer.addChild(&inner);
    platform->run();
    EXPECT_EQ(inner.log, (std::vector<std::string>{"down 3,2", "up 3,2", "down 3,2", "up 3,2", "dtap", "up 3,2"}));
    EXPECT_TRUE(outer.log.empty());
}

TEST_F(Routing, AModalRunTakesEveryEventAndHearsOfThePenOutside) {
    start("tap 50 50\ntap 150 150\nkey x\n");
    Probe below, modal;
    below.rect = {0, 0, 240, 320};
    below.takeKeys = true;
    modal.rect = {100, 100, 200, 200};
    modal.takeKeys = true;
    platform->root().addChild(&below);
    platform->addOverlay(&modal);
    std::vector<vp::Point> outside;
    platform->runModal(modal, [&] { return modal.log.size() >= 3; }, [&](vp::Point p) { outside.push_back(p); });
    EXPECT_EQ(outside, (std::vector<vp::Point>{{50, 50}}));
    EXPECT_EQ(modal.log, (std::vector<std::string>{"down 50,50", "up 50,50", "text"}));
    EXPECT_TRUE(below.log.empty());
}

TEST_F(Routing, FocusMovesOnPenDownUnlessTheTargetKeepsIt) {
    start("tap 5 5\ntap 5 105\ntap 5 205\ntap 5 5\nkey a\n");
    Probe editor, keyboard, other;
    editor.rect = {0, 0, 50, 50};
    editor.focusable = editor.takeKeys = true;
    keyboard.rect = {0, 100, 50, 150};
    keyboard.keeps = true;
    other.rect = {0, 200, 50, 250};
    for (Probe *p : {&editor, &keyboard, &other}) platform->root().addChild(p);
    platform->run();
    EXPECT_EQ(editor.log, (std::vector<std::string>{"down 5,5", "up 5,5", "lost", "down 5,5", "up 5,5", "text"}));
    EXPECT_EQ(platform->focus(), &editor);
}

TEST_F(Routing, KeysNoWindowTakesGoToTheShell) {
    start("press Ctrl+O\nkey z\n");
    std::vector<vp::Event> seen;
    platform->onKey = [&](const vp::Event &e) {
        seen.push_back(e);
        return true;
    };
    platform->run();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].ch, U'o');
    EXPECT_EQ(seen[1].text, u"z");
}

TEST_F(Routing, TimersFireOnTheRunnersClockUntilKilled) {
    start("wait 1000\nwait 1000\n");
    int ticks = 0, id = 0;
    id = platform->setTimer(333, [&] {
        if (++ticks == 5) platform->killTimer(id);
    });
    platform->run();
    EXPECT_EQ(SDL_WasInit(0), 0u) << "the headless runner never starts SDL";
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(headless->now(), 2000u);
}

TEST_F(Routing, WaitCursorNestsAndBeepsAreCounted) {
    start("state busy\n");
    {
        vp::WaitCursor a;
        {
            vp::WaitCursor b;
        }
        EXPECT_TRUE(platform->waitCursorShown());
        platform->beep();
        platform->beep();
        platform->run();
    }
    EXPECT_FALSE(platform->waitCursorShown());
    std::string s = slurpText(file("busy.json"));
    // The nested request is one showing of the cursor.
    EXPECT_THAT(s, HasSubstr("\"wait_cursor_shown\": true, \"wait_cursors\": 1, \"beeps\": 2"));
}

// Long work ends before the script's next line: the next dump still says
// the cursor was shown, the one after it no longer does.
TEST_F(Routing, AWaitCursorShownBetweenTwoDumpsIsReportedOnce) {
    start("state after\nstate later\n");
    { vp::WaitCursor w; }
    { vp::WaitCursor w; }
    platform->run();
    EXPECT_THAT(slurpText(file("after.json")), HasSubstr("\"wait_cursor_shown\": true, \"wait_cursors\": 2"));
    EXPECT_THAT(slurpText(file("later.json")), HasSubstr("\"wait_cursor_shown\": false, \"wait_cursors\": 2"));
}

TEST_F(Routing, ACommandWhileAModalWindowRunsStopsTheRun) {
    start("command about\nshot never\n");
    Probe modal;
    modal.rect = {0, 0, 10, 10};
    platform->addOverlay(&modal);
    platform->runModal(modal, [] { return false; });
    EXPECT_TRUE(headless->failed());
    EXPECT_EQ(slurpText(file("never.png")), "");
}

}  // namespace
}  // namespace vt
