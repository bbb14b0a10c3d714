// Message boxes: Yes/No and OK answered by the script, keys and the pen; the
// engine's errors shown in a box captioned "BRINDLE ERROR".
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../app_test_util.h"
#include "brindle.h"
#include "platform_fixture.h"
#include "shell/platform/message_box.h"

using ::testing::HasSubstr;

namespace vt {
namespace {

using Boxes = PlatformTest;

TEST_F(Boxes, YesAndNoAnsweredByTheScript) {
    start("state box\nanswer Yes\nanswer No\n");
    EXPECT_EQ(vp::messageBox(u"Delete current selected record?", u"Vandrel", vp::Buttons::YesNo), vp::kAnswerYes);
    EXPECT_EQ(vp::messageBox(u"Delete current selected record?", u"Vandrel", vp::Buttons::YesNo), vp::kAnswerNo);
    EXPECT_THAT(slurpText(file("box.json")),
                HasSubstr("\"message\": {\"caption\": \"Vandrel\", \"text\": \"Delete current selected record?\", "
                          "\"buttons\": [\"Yes\", \"No\"]}"));
}

TEST_F(Boxes, KeysAndThePen) {
    // The Yes/No box of one line: 224 wide at x 8, buttons 56 wide 10 apart, 8 above the bottom.
    start("press Enter\npress Escape\ntap 5 5\ndown 87 174\nup 150 174\ntap 150 174\nanswer OK\n");
    EXPECT_EQ(vp::messageBox(u"Q?", u"Vandrel", vp::Buttons::YesNo), vp::kAnswerYes);
    EXPECT_EQ(vp::messageBox(u"Q?", u"Vandrel", vp::Buttons::YesNo), vp::kAnswerNo);
    EXPECT_EQ(vp::messageBox(u"Q?", u"Vandrel", vp::Buttons::YesNo), vp::kAnswerNo)
        << "a tap outside and a press moved off Yes answer nothing; the tap on No does";
    EXPECT_EQ(vp::messageBox(u"Could not set filter", u"Vandrel", vp::Buttons::Ok), vp::kAnswerOk);
    EXPECT_FALSE(headless->failed());
}

TEST_F(Boxes, AnAnswerTheBoxHasNotStopsTheRun) {
    start("answer Yes\n");
    vp::messageBox(u"Done.", u"Vandrel", vp::Buttons::Ok);
    EXPECT_TRUE(headless->failed());
}

TEST_F(Boxes, EngineErrorsShowInTheirOwnBox) {
    start("state error\nanswer OK\n");
    vp::installEngineErrorBox();
    CODE4 cb{};
    ASSERT_EQ(code4init(&cb), 0);
    EXPECT_EQ(d4open(&cb, file("missing.dbf").c_str()), nullptr);
    code4initUndo(&cb);
    error4setDisplay(nullptr);
    std::string s = slurpText(file("error.json"));
    EXPECT_THAT(s, HasSubstr("\"caption\": \"BRINDLE ERROR\""));
    EXPECT_THAT(s, HasSubstr("missing.dbf"));
    EXPECT_FALSE(headless->failed());
}

}  // namespace
}  // namespace vt
