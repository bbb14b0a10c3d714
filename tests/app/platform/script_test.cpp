// The headless runner's script: every kind of line, and the mistakes that
// stop a run with their line number.
#include <gtest/gtest.h>

#include "shell/platform/script.h"

namespace vt {
namespace {

using T = vp::Event::Type;

std::vector<vp::ScriptStep> parse(const std::string &text) {
    std::vector<vp::ScriptStep> steps;
    std::string error;
    EXPECT_TRUE(vp::parseScript(text, steps, error)) << error;
    return steps;
}

std::string mistake(const std::string &text) {
    std::vector<vp::ScriptStep> steps;
    std::string error;
    EXPECT_FALSE(vp::parseScript(text, steps, error)) << text;
    return error;
}

TEST(Script, PenLinesBecomePenEvents) {
    auto s = parse("tap 10 20\ndtap 5 6\ndown 1 2\nmove 3 4\nup 239 319\n");
    ASSERT_EQ(s.size(), 5u);
    ASSERT_EQ(s[0].events.size(), 2u);
    EXPECT_EQ(s[0].events[0].type, T::PenDown);
    EXPECT_EQ(s[0].events[1].type, T::PenUp);
    EXPECT_EQ(s[0].events[1].pt, (vp::Point{10, 20}));
    ASSERT_EQ(s[1].events.size(), 4u);
    EXPECT_EQ(s[1].events[2].type, T::DoubleTap);
    EXPECT_EQ(s[1].events[3].type, T::PenUp);
    EXPECT_EQ(s[3].events[0].type, T::PenMove);
    EXPECT_EQ(s[4].events[0].pt, (vp::Point{239, 319}));
    EXPECT_EQ(s[4].line, 5);
}

TEST(Script, KeysCommandsAnswersAndOutputs) {
    auto s = parse("key héllo wörld\npress Ctrl+O\npress shift+Tab\npress PageDown\ncommand about\n"
                   "choose /tmp/a b.dbf\nmenu Ascending (NC)\nanswer No\nwait 1000\nshot one\nstate two\n"
                   "wheel -2 10 100\n");
    ASSERT_EQ(s.size(), 12u);
    EXPECT_EQ(s[0].events[0].type, T::Text);
    EXPECT_EQ(s[0].events[0].text, u"héllo wörld");
    EXPECT_EQ(s[1].events[0].key, vp::Key::Char);
    EXPECT_EQ(s[1].events[0].ch, U'o');
    EXPECT_EQ(s[1].events[0].mods, vp::kCtrl);
    EXPECT_EQ(s[2].events[0].key, vp::Key::Tab);
    EXPECT_EQ(s[2].events[0].mods, vp::kShift);
    EXPECT_EQ(s[3].events[0].key, vp::Key::PageDown);
    EXPECT_EQ(s[4].events[0].command, vp::kCmdAbout);
    EXPECT_EQ(s[5].events[0].arg, "/tmp/a b.dbf");
    EXPECT_EQ(s[6].events[0].text, u"Ascending (NC)");
    EXPECT_EQ(s[7].events[0].text, u"No");
    EXPECT_EQ(s[8].waitMs, 1000);
    EXPECT_TRUE(s[8].events.empty());
    EXPECT_EQ(s[9].events[0].type, T::Shot);
    EXPECT_EQ(s[10].events[0].arg, "two");
    EXPECT_EQ(s[11].events[0].amount, -2);
}

TEST(Script, CommentsAndBlankLinesCountButDoNothing) {
    auto s = parse("# start\n\n   \nshot a\r\n");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].line, 4);
    EXPECT_EQ(s[0].events[0].arg, "a");
}

TEST(Script, MistakesNameTheirLine) {
    EXPECT_NE(mistake("shot a\nfly 1 2\n").find("line 2"), std::string::npos);
    EXPECT_NE(mistake("tap 240 0").find("line 1"), std::string::npos);
    mistake("tap 1");
    mistake("tap 1 2 3");
    mistake("tap x 2");
    mistake("command quit");
    mistake("answer yes");
    mistake("press Hyper+X");
    mistake("press NoSuchKey");
    mistake("shot ../escape");
    mistake("shot .hidden");
    mistake("state a b");
    mistake("wait -5");
    mistake("key");
    mistake("menu");
    mistake("choose");
}

}  // namespace
}  // namespace vt
