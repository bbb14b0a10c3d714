// The multi-line text box: wrapping at blanks, "\r\n" as one caret step,
// Enter inserting "\r\n", vertical moves and the caret kept in view, the
// limit on typing.
#include <gtest/gtest.h>

#include "platform_fixture.h"
#include "shell/platform/text_box.h"

namespace vt {
namespace {

class TextBoxes : public PlatformTest {
protected:
    void make(const std::string &script, std::u16string initial) {
        start(script);
        box.rect = {10, 40, 230, 120};
        box.setFont(text.get());
        box.setText(std::move(initial));
        platform->root().addChild(&box);
        platform->setFocus(&box);
    }
    std::vector<std::u16string> lines() const {
        std::vector<std::u16string> out;
        vp::StateReport r;
        box.report(r);
        for (auto &row : r.panels.at(0).rows) out.push_back(row.at(0));
        return out;
    }
    vp::TextBox box;
};

TEST_F(TextBoxes, WrapsAtBlanksAndBreaksAtLineEnds) {
    make("", u"Long-standing customer.\r\nPays on time, every time, without any reminder at all.\nEnd");
    auto l = lines();
    ASSERT_GE(l.size(), 4u);
    EXPECT_EQ(l[0], u"Long-standing customer.");
    EXPECT_EQ(l.back(), u"End");
    for (auto &line : l) EXPECT_LE(text->measure(line), 220 - 6 - 12 + text->advance(u' ')) << std::string(line.begin(), line.end());
    std::u16string joined;
    for (size_t i = 1; i + 1 < l.size(); i++) joined += l[i];
    EXPECT_EQ(joined, u"Pays on time, every time, without any reminder at all.");
}

TEST_F(TextBoxes, AWordLongerThanTheLineIsBrokenBetweenCharacters) {
    make("", std::u16string(200, u'W'));
    auto l = lines();
    ASSERT_GT(l.size(), 1u);
    size_t total = 0;
    for (auto &line : l) total += line.size();
    EXPECT_EQ(total, 200u);
}

TEST_F(TextBoxes, EnterBackspaceAndTheCaretOverLineEnds) {
    make("key ab\npress Enter\nkey c\nstate two\npress Left\npress Backspace\npress End\nkey !\n", u"");
    platform->run();
    EXPECT_EQ(box.text(), u"abc!") << "one Backspace took the whole line end";
    EXPECT_TRUE(box.modified());
    vp::TextEdit e;
    e.set(u"x\r\ny");
    EXPECT_EQ(e.previous(3), 1u) << "\\r\\n is one step";
    EXPECT_EQ(e.next(1), 3u);
}

TEST_F(TextBoxes, MovingDownKeepsTheCaretInView) {
    std::u16string many;
    for (int i = 0; i < 40; i++) many += u"line " + std::u16string(1, char16_t(u'A' + i % 26)) + u"\r\n";
    make("press PageDown\npress PageDown\npress Down\n", many);
    platform->run();
    int caretLine = box.lineOf(box.state().caret);
    EXPECT_EQ(caretLine, 2 * box.visibleLines() + 1);
    EXPECT_GE(caretLine, box.topLine());
    EXPECT_LT(caretLine, box.topLine() + box.visibleLines());
    EXPECT_FALSE(box.modified());
}

TEST_F(TextBoxes, ShiftSelectsAndTypingReplaces) {
    make("press Home\npress Shift+Right\npress Shift+Right\nkey Z\n", u"abcd");
    platform->run();
    EXPECT_EQ(box.text(), u"Zcd");
}

TEST_F(TextBoxes, TypingStopsAtTheLimitWithABeepNeverSplittingALineEnd) {
    make("press End\nkey ab\npress Enter\nkey XY\npress Home\npress Shift+Right\nkey YZ\n", u"12345");
    box.setLimit(8);
    platform->run();
    // "ab" fits; one unit of room is no room for a line end; "X" of "XY";
    // then the selected "1" makes room for "Y" of "YZ".
    EXPECT_EQ(box.text(), u"Y2345abX");
    EXPECT_EQ(platform->beeps(), 3);
    box.setLimit(3);
    box.setText(u"longer than three");
    EXPECT_EQ(box.text(), u"longer than three") << "text set by the program is kept whole";
}

TEST_F(TextBoxes, WhenNothingFitsTheSelectionStays) {
    make("press Home\npress Right\npress Shift+Right\nkey !\n", u"abc");
    box.setLimit(2);
    platform->run();
    EXPECT_EQ(box.text(), u"abc");
    EXPECT_EQ(box.state().selectionStart(), 1u);
    EXPECT_EQ(box.state().selectionEnd(), 2u);
    EXPECT_EQ(platform->beeps(), 1);
}

}  // namespace
}  // namespace vt
