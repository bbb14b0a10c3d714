// The field text editor opened from the owner page as the form view opens
// it: the title and counter, the text all selected and replaced by typing,
// "Save" and "Cancel" going back with reason -1 (the entry stays marked: the
// edit counts as a change), the limit of character, wide and memo fields
// (a memo longer than 32767 is saved whole), the soft keyboard raised and
// lowered with the page fitted above it, and a golden picture.
#include <gmock/gmock.h>

#include "helper_fixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace vt {
namespace {

using vpages::FieldEditorPane;

Value textValue(int row, std::u16string text, int type, int length, const char16_t *name) {
    Value v{.kind = Value::kText, .row = row, .text = text};
    v.entry.type = type;
    v.entry.length = length;
    v.entry.wideName = name;
    v.entry.valueText = text;
    return v;
}

std::vector<Value> texts(std::u16string memo = u"Pays on time.\r\nLong-standing customer.") {
    return {textValue(3, u"Anderson", 'C', 20, u"LAST"), textValue(4, std::move(memo), 'M', 32767, u"NOTES"),
            textValue(5, u"Zo\u00eb", 'W', 20, u"WIDE"), textValue(6, u"abc", 'C', 5, u"CODE")};
}

class Editor : public HelperTest {
protected:
    // "Cancel" and "Save" on the screen with the bottom strip at y 154 of the page.
    static std::string cancel(int stripTop = 154) { return at("tap", {4 + 150, vp::kTitleBarHeight + stripTop + 11}); }
    static std::string save(int stripTop = 154) { return at("tap", {4 + 205, vp::kTitleBarHeight + stripTop + 11}); }
};

TEST_F(Editor, ShowsTheFieldSelectsItsTextAndSaveReplacesIt) {
    start(openRow(3) + "state open\nkey Smith\nstate typed\n" + save() + "state back\n", texts());
    run();
    std::string open = state("open");
    EXPECT_THAT(open, HasSubstr("\"pane\": 7, \"title\": \"LAST\""));
    EXPECT_THAT(open, HasSubstr("\"counter\": \"Max Length = 20\""));
    EXPECT_THAT(open, HasSubstr("{\"name\": \"textbox\", \"top\": 0, \"selected\": 0, \"rows\": [[\"Anderson\"]]}"));
    EXPECT_THAT(open, HasSubstr("[[\"Max Length = 20\", \"Cancel\", \"Save\"]]"));
    EXPECT_THAT(open, HasSubstr("\"keyboard_shown\": true"));
    EXPECT_EQ(editor->stripTop(), 154);
    EXPECT_THAT(state("typed"), HasSubstr("\"rows\": [[\"Smith\"]]")) << "the selected text was replaced";
    std::string back = state("back");
    EXPECT_THAT(back, HasSubstr("\"pane\": 1"));
    EXPECT_THAT(back, HasSubstr("\"keyboard_shown\": false"));
    EXPECT_EQ(owner->cell(0).text, u"Smith");
    EXPECT_EQ(owner->value(0).entry.valueText, u"Smith");
    EXPECT_EQ(owner->reasons, (std::vector<int>{0, -1}));
    EXPECT_TRUE(editor->saved());
    EXPECT_TRUE(g.panes.backStack().empty());
}

TEST_F(Editor, CancelKeepsTheOldTextButTheEntryStaysMarked) {
    start(openRow(3) + "key Smith\n" + cancel() + "state back\n" + openRow(4) + "press End\nkey !\npress Escape\n",
          texts());
    run();
    EXPECT_THAT(state("back"), HasSubstr("\"pane\": 1"));
    EXPECT_EQ(owner->cell(0).text, u"Anderson");
    EXPECT_EQ(owner->value(0).entry.valueText, u"Anderson");
    EXPECT_EQ(owner->value(0).entry.modified, 1) << "opening the editor counts as a change";
    EXPECT_EQ(owner->cell(1).text, u"Pays on time.\r\nLong-standing customer.") << "Escape is Cancel";
    EXPECT_EQ(owner->value(1).entry.modified, 1);
    EXPECT_EQ(owner->reasons, (std::vector<int>{0, -1, -1}));
    EXPECT_FALSE(editor->saved());
}

TEST_F(Editor, ThePenMustComeUpOnTheButtonItWentDownOn) {
    vp::Point onSave{4 + 205, vp::kTitleBarHeight + 154 + 11}, onCancel{4 + 150, vp::kTitleBarHeight + 154 + 11};
    start(openRow(3) + "key X\n" + at("down", onSave) + "shot pressed\n" + at("up", onCancel) + "state still\n",
          texts());
    run();
    EXPECT_THAT(state("still"), HasSubstr("\"pane\": 7"));
    EXPECT_EQ(owner->cell(0).text, u"Anderson");
    Png png;
    ASSERT_TRUE(readPng(shot("pressed"), png));
    EXPECT_NE(png.at(onSave.x + 15, onSave.y), png.at(onCancel.x + 15, onCancel.y)) << "Save drawn pressed";
}

TEST_F(Editor, TypingStopsAtTheFieldsLengthAndWideTextCountsCharacters) {
    start(openRow(6) + "state code\npress End\nkey defgh\nstate full\n" + save() + openRow(5) + "state wide\n" +
              "press End\nkey 1234567890\n" + save(),
          texts());
    run();
    EXPECT_THAT(state("code"), HasSubstr("\"counter\": \"Max Length = 5\""));
    EXPECT_THAT(state("full"), HasSubstr("[[\"abcde\"]]"));
    EXPECT_THAT(state("full"), HasSubstr("\"beeps\": 1"));
    EXPECT_EQ(owner->cell(3).text, u"abcde");
    EXPECT_THAT(state("wide"), HasSubstr("\"counter\": \"Max Length = 10\""));
    EXPECT_EQ(owner->cell(2).text, u"Zo\u00eb1234567");
}

TEST_F(Editor, AMemoLongerThanTheUsualLimitIsSavedWhole) {
    std::u16string memo;
    for (int i = 0; memo.size() < 40000; i++) memo += u"Line " + std::u16string(1, char16_t(u'a' + i % 26)) + u"\r\n";
    start(openRow(4) + "state open\npress Ctrl+A\npress End\nkey +\n" + save(), texts(memo));
    run();
    EXPECT_THAT(state("open"), HasSubstr("\"counter\": \"Max Length = " + std::to_string(memo.size()) + "\""));
    EXPECT_EQ(owner->cell(1).text, memo) << "nothing cut, and no room to add";
    EXPECT_EQ(owner->value(1).entry.valueText, memo);
    EXPECT_EQ(FieldEditorPane::limitFor(owner->value(1).entry, u"short"), 32767u);
}

TEST_F(Editor, TheSoftKeyboardLoweredAndRaisedMovesTheStripAndTheBox) {
    std::string script = openRow(4) + "tap 224 307\nstate lowered\n" + save(234) + openRow(4) + "state again\n" +
                         "tap 224 307\ntap 224 307\nstate raised\n" + cancel();
    start(script, texts());
    run();
    EXPECT_THAT(state("lowered"), HasSubstr("\"keyboard_shown\": false"));
    EXPECT_THAT(state("lowered"), HasSubstr("\"pane\": 7"));
    EXPECT_THAT(state("again"), HasSubstr("\"keyboard_shown\": true")) << "raised every time the page shows";
    EXPECT_THAT(state("raised"), HasSubstr("\"keyboard_shown\": true"));
    EXPECT_EQ(owner->reasons, (std::vector<int>{0, -1, -1})) << "Save found at y 234 of the page, Cancel at 154";
    EXPECT_TRUE(g.panes.backStack().empty());
}

TEST_F(Editor, GoldenTextEditorWithTheSoftKeyboard) {
    start(openRow(4) + "press Ctrl+A\npress End\nkey  Prefers e-mail.\nshot editor\n", texts());
    run();
    expectGolden(shot("editor"), "text_editor");
}

}  // namespace
}  // namespace vt
