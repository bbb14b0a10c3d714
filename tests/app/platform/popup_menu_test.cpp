// Pop-up menus tracked at a point: chosen by pen-down and pen-up on an
// enabled item, closed by a pen-down outside, driven by keys and by the
// script's `menu TEXT`; placed on the screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../app_test_util.h"
#include "platform_fixture.h"
#include "shell/platform/popup_menu.h"

using ::testing::HasSubstr;

namespace vt {
namespace {

class Menus : public PlatformTest {
protected:
    vp::PopupMenu sortMenu() {
        vp::PopupMenu m;
        m.append(u"Reset Sort", 'R');
        m.appendSeparator();
        m.append(u"Ascending", 'A');
        m.append(u"Descending", 'D');
        m.append(u"Ascending (NC)", 'B');
        return m;
    }
    // The screen y of item row i (separators count 7, items 18) of a menu at y 100.
    static int rowY(int items, int separators) { return 100 + 1 + 18 * items + 7 * separators + 9; }
};

TEST_F(Menus, APenDownAndUpOnAnItemChoosesIt) {
    start("tap 30 " + std::to_string(rowY(1, 1)) + "\n");
    vp::PopupMenu m = sortMenu();
    EXPECT_EQ(m.track({20, 100}), 'A');
}

TEST_F(Menus, DisabledItemsAndSeparatorsDoNothingAndOutsideCloses) {
    start("tap 30 " + std::to_string(rowY(0, 0)) + "\ntap 30 " + std::to_string(rowY(1, 0) - 4) +
          "\ndown 30 " + std::to_string(rowY(1, 1)) + "\nup 30 " + std::to_string(rowY(2, 1)) +
          "\ntap 5 5\nshot after\n");
    vp::PopupMenu m = sortMenu();
    m.enable('R', false);
    EXPECT_EQ(m.track({20, 100}), 0);
    EXPECT_FALSE(platform->quitting()) << "closed by the tap outside, not by the script's end";
}

TEST_F(Menus, KeysSkipDisabledItemsAndSeparators) {
    start("press Down\npress Down\npress Enter\npress Escape\n");
    vp::PopupMenu m = sortMenu();
    m.enable('R', false);
    m.enable('A', false);
    EXPECT_EQ(m.track({20, 100}), 'B') << "Down: D, Down: B";
}

TEST_F(Menus, TheScriptChoosesByTextAndStateShowsTheFlags) {
    start("state open\nmenu Reset Sort\nmenu Descending\n");
    vp::PopupMenu m = sortMenu();
    m.check('D', true);
    m.enable('R', false);
    EXPECT_EQ(m.track({20, 100}), 'D') << "the disabled item was taken and did nothing";
    std::string s = slurpText(file("open.json"));
    EXPECT_THAT(s, HasSubstr("\"menu\": {\"items\": [{\"text\": \"Reset Sort\", \"id\": \"R\", \"enabled\": false, "
                             "\"checked\": false}, {\"text\": \"Ascending\""));
    EXPECT_THAT(s, HasSubstr("{\"text\": \"Descending\", \"id\": \"D\", \"enabled\": true, \"checked\": true}"));
}

TEST_F(Menus, PlacementAnchorsAndStaysOnTheScreen) {
    start("");
    vp::PopupMenu m = sortMenu();
    vp::Rect r = m.placement({200, 50}, vp::PopupMenu::kTopRight);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.top, 50);
    EXPECT_EQ(r.height(), 2 + 4 * 18 + 7);
    r = m.placement({230, 310}, vp::PopupMenu::kTopLeft);
    EXPECT_LE(r.right, vp::kScreenWidth);
    EXPECT_LE(r.bottom, vp::kScreenHeight);
    r = m.placement({0, 294}, vp::PopupMenu::kBottomLeft);
    EXPECT_EQ(r.bottom, 294);
    EXPECT_EQ(r.left, 0);
    vp::PopupMenu empty;
    EXPECT_EQ(empty.track({0, 0}), 0);
}

}  // namespace
}  // namespace vt
