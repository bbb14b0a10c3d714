// The in-place cell editor and the soft keyboard: an edit begins with all
// the text selected and the keyboard up, typing replaces the selection, the
// keyboard types without ending the edit, and losing the focus ends it with
// the text trimmed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../app_test_util.h"
#include "platform_fixture.h"
#include "shell/platform/line_editor.h"
#include "shell/platform/soft_keyboard.h"

using ::testing::HasSubstr;

namespace vt {
namespace {

class Editing : public PlatformTest {
protected:
    void SetUp() override {}
    void begin(const std::string &script, const std::u16string &initial) {
        start(script);
        keyboard = std::make_unique<vp::SoftKeyboard>();
        platform->addOverlay(&editor);
        platform->addOverlay(keyboard.get());
        editor.begin({20, 60, 120, 73}, text.get(), initial, [this](const std::u16string &t) { ended.push_back(t); });
    }
    void TearDown() override {
        keyboard.reset();
        PlatformTest::TearDown();
    }
    vp::LineEditor editor;
    std::unique_ptr<vp::SoftKeyboard> keyboard;
    std::vector<std::u16string> ended;
};

TEST_F(Editing, TypingReplacesTheSelectionAndAPenDownElsewhereEndsTheEdit) {
    begin("state editing\nkey  Oslo \npress Left\nkey x\ntap 200 200\nstate after\n", u"Amsterdam");
    EXPECT_TRUE(editor.editing());
    EXPECT_TRUE(keyboard->visible) << "the keyboard is raised";
    EXPECT_EQ(editor.state().selectionStart(), 0u);
    EXPECT_EQ(editor.state().selectionEnd(), 9u);
    platform->run();
    EXPECT_EQ(ended, (std::vector<std::u16string>{u"Oslox"}));
    EXPECT_FALSE(editor.editing());
    EXPECT_THAT(slurpText(file("editing.json")), HasSubstr("\"editor\": \"Amsterdam\", \"keyboard_shown\": true"));
    EXPECT_THAT(slurpText(file("after.json")), HasSubstr("\"editor\": null"));
}

TEST_F(Editing, AnEmptyCellStartsAsOneBlankAndEndsEmpty) {
    begin("tap 200 100\n", u"");
    EXPECT_EQ(editor.state().text, u" ");
    platform->run();
    EXPECT_EQ(ended, (std::vector<std::u16string>{u""}));
}

TEST_F(Editing, TheSoftKeyboardTypesWithoutEndingTheEdit) {
    // Keyboard rows are 16 high from y 214: "q" is the second key of row 1
    // (after Tab, 20 wide), Shift starts row 3, Backspace ends row 0.
    begin("tap 28 238\ntap 10 270\ntap 28 238\ntap 230 220\ntap 37 238\npress Enter\n", u"x");
    platform->run();
    EXPECT_EQ(ended, (std::vector<std::u16string>{u"qw"}));
}

TEST_F(Editing, EscapeCancelsWithoutTellingTheOwner) {
    begin("key new\npress Escape\n", u"old");
    platform->run();
    EXPECT_TRUE(ended.empty());
    EXPECT_FALSE(editor.editing());
}

TEST_F(Editing, KeyboardReportsItsPanelAndTellsOfChanges) {
    start("");
    vp::SoftKeyboard k;
    int changes = 0;
    k.onChange = [&] { changes++; };
    EXPECT_TRUE(k.panelRect().empty());
    k.show(true);
    EXPECT_EQ(k.panelRect(), (vp::Rect{0, 214, 240, 294}));
    k.show(true);
    k.show(false);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(vp::SoftKeyboard::current(), &k);
}

TEST(TrimBlanks, LeadingAndTrailingOnly) {
    EXPECT_EQ(vp::trimBlanks(u"  a b  "), u"a b");
    EXPECT_EQ(vp::trimBlanks(u"   "), u"");
    EXPECT_EQ(vp::trimBlanks(u"\tx"), u"\tx");
}

}  // namespace
}  // namespace vt
