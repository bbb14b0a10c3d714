// The keypad over a number cell, driven by scripts through the owner page as
// the form view drives it: the fresh display, backspace and "+/-" on the
// shown value, reading the display on "=", cancelling by a tap outside or by
// dragging the pen off and holding it, the beeps, the placement rules and a
// golden picture.
#include <gmock/gmock.h>

#include "helper_fixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace vt {
namespace {

using vpages::CalculatorPane;

// Twelve and a half with two decimals in row 1, a whole number in row 12.
std::vector<Value> numbers() {
    return {{.kind = Value::kNumber, .row = 1, .text = u"12.50", .number = 12.5, .decimals = 2},
            {.kind = Value::kNumber, .row = 12, .text = u"7", .number = 7, .decimals = 0}};
}

class Keypad : public HelperTest {
protected:
    // A script line tapping key i (0 ... 15) of the keypad opened over a row.
    static std::string key(int i, int row = 1) {
        vp::Point tl = CalculatorPane::placement(valueRect(row));
        return at("tap", {tl.x + 2 + 21 * (i % 4) + 10, vp::kTitleBarHeight + tl.y + 2 + 21 * (i / 4) + 10});
    }
    static std::string keys(std::initializer_list<int> ks, int row = 1) {
        std::string s;
        for (int k : ks) s += key(k, row);
        return s;
    }
    enum { k7 = 0, k8, k9, kBack, k4, k5, k6, kC, k1, k2, k3, kCE, k0, kDot, kSign, kEquals };
};

TEST_F(Keypad, TheFirstKeyReplacesTheShownValue) {
    start(openRow(1) + "state open\n" + key(k7) + "state seven\n" + keys({k5, kDot, k2, kEquals}) + "state done\n",
          numbers());
    run();
    EXPECT_THAT(state("open"), HasSubstr("\"rows\": [[\"12.50\"], [\"7\"]]"));
    EXPECT_THAT(state("open"), HasSubstr("{\"name\": \"calculator\""));
    EXPECT_THAT(state("seven"), HasSubstr("\"rows\": [[\"7\"], [\"7\"]]"));
    EXPECT_EQ(owner->results, std::vector<int>{1});
    EXPECT_EQ(owner->cell(0).number, 75.2);
    EXPECT_EQ(owner->cell(0).text, u"75.20") << "written back in the display format";
    EXPECT_THAT(state("done"), Not(HasSubstr("calculator"))) << "the pop-up is gone";
    EXPECT_THAT(state("done"), HasSubstr("\"beeps\": 2")) << "one beep as it opens, one as it confirms";
}

TEST_F(Keypad, BackspaceAndEqualsFirstWorkOnTheShownValue) {
    // Emptying the display before "=" would turn an unchanged value into 0.
    start(openRow(1) + key(kBack) + "state back\n" + key(k7) + "state seven\n" + key(kEquals) + openRow(12) +
              key(kEquals, 12),
          numbers());
    run();
    EXPECT_THAT(state("back"), HasSubstr("[[\"12.5\"]"));
    EXPECT_THAT(state("seven"), HasSubstr("[[\"12.57\"]"));
    EXPECT_EQ(owner->cell(0).number, 12.57);
    EXPECT_EQ(owner->results, (std::vector<int>{1, 1}));
    EXPECT_EQ(owner->cell(1).number, 7);
    EXPECT_EQ(owner->cell(1).text, u"7");
}

TEST_F(Keypad, SignTwiceGivesBackTheTextAndSignFirstKeepsTheValue) {
    start(openRow(1) + key(kSign) + "state once\n" + key(kSign) + "state twice\n" + key(kSign) + key(kEquals) +
              openRow(1) + keys({kC, k3, kSign, kSign}) + "state typed\n" + key(kEquals),
          numbers());
    run();
    EXPECT_THAT(state("once"), HasSubstr("[[\"-12.50\"]"));
    EXPECT_THAT(state("twice"), HasSubstr("[[\"12.50\"]"));
    EXPECT_THAT(state("typed"), HasSubstr("[[\"3\"]"));
    EXPECT_EQ(owner->results, (std::vector<int>{1, 1}));
    EXPECT_EQ(owner->cell(0).number, 3);
}

TEST_F(Keypad, ClearKeysBackspaceOnEmptyAndReadingStopsAtWhatDoesNotFit) {
    start(openRow(1) + "state before\n" + keys({k9, kCE}) + "state cleared\n" + key(kBack) + "state beeped\n" +
              keys({kDot, k5, kDot, k2, kC, kDot, k2, kDot, k5}) + "state dots\n" + key(kEquals),
          numbers());
    run();
    EXPECT_THAT(state("cleared"), HasSubstr("[[\"\"]"));
    EXPECT_THAT(state("beeped"), HasSubstr("[[\"\"]"));
    EXPECT_THAT(state("beeped"), HasSubstr("\"beeps\": 2")) << "the opening beep and the empty backspace";
    EXPECT_THAT(state("dots"), HasSubstr("[[\".2.5\"]"));
    EXPECT_EQ(owner->cell(0).number, 0.2);
    EXPECT_EQ(owner->cell(0).text, u"0.20");
}

TEST_F(Keypad, ATapOutsideCancelsAndTheCellShowsItsNumberAgain) {
    start(openRow(1) + keys({k9, k9}) + "state typed\n" + at("tap", cellPoint(12)) + "state after\n" + openRow(12) +
              "tap 5 10\n",
          numbers());
    run();
    EXPECT_THAT(state("typed"), HasSubstr("[[\"99\"]"));
    EXPECT_EQ(owner->results, (std::vector<int>{-1, -1}));
    EXPECT_EQ(owner->cell(0).number, 12.5);
    EXPECT_EQ(owner->cell(0).text, u"12.50");
    EXPECT_EQ(owner->value(0).entry.modified, 0);
    EXPECT_EQ(owner->cell(1).text, u"7");
    // The double taps that opened the keypad began with a tap each; the tap
    // that cancelled went to no page.
    EXPECT_EQ(owner->taps, (std::vector<int>{0, 1}));
    EXPECT_THAT(state("after"), HasSubstr("\"beeps\": 1"));
}

TEST_F(Keypad, APenDraggedOffTheKeypadAndHeldPassesToTheWindowUnderIt) {
    // Down on "7", dragged onto the other value cell and held there: the
    // timer finds it outside, the keypad closes and the cell gets the pen.
    vp::Point tl = CalculatorPane::placement(valueRect(1));
    vp::Point seven{tl.x + 12, vp::kTitleBarHeight + tl.y + 12};
    start(openRow(1) + at("down", seven) + at("move", cellPoint(12)) + "wait 100\nstate held\nwait 300\n" +
              "state passed\n" + at("up", cellPoint(12)),
          numbers());
    run();
    EXPECT_THAT(state("held"), HasSubstr("calculator")) << "still open before the timer's tick";
    EXPECT_THAT(state("passed"), Not(HasSubstr("calculator")));
    EXPECT_EQ(owner->results, std::vector<int>{-1});
    EXPECT_EQ(owner->cell(0).text, u"12.50") << "nothing typed: the key was left before the pen came up";
    // After the double tap that opened the keypad (a tap on cell 0 first):
    EXPECT_EQ(owner->penDowns, (std::vector<int>{0, 1}));
    EXPECT_EQ(owner->taps, (std::vector<int>{0, 1})) << "the pen-up that follows goes to the same cell";
}

TEST_F(Keypad, TypingOnAKeyboardAndOpeningLowersTheSoftKeyboard) {
    start("tap 224 307\nstate raised\n" + openRow(1) + "state open\nkey 3.5x-\npress Backspace\nstate typed\n"
          "press Enter\n" + openRow(12) + "key 12\npress Escape\n",
          numbers());
    run();
    EXPECT_THAT(state("raised"), HasSubstr("\"keyboard_shown\": true"));
    EXPECT_THAT(state("open"), HasSubstr("\"keyboard_shown\": false"));
    EXPECT_THAT(state("typed"), HasSubstr("[[\"-3.\"]"));
    EXPECT_EQ(owner->results, (std::vector<int>{1, -1}));
    EXPECT_EQ(owner->cell(0).number, -3);
    EXPECT_EQ(owner->cell(0).text, u"-3.00");
    EXPECT_EQ(owner->cell(1).text, u"7");
}

TEST(KeypadRules, PlacementReadingAndFormat) {
    struct {
        vp::Rect cell;
        vp::Point at;
    } places[] = {
        {{84, 35, 222, 48}, {135, 48}},    // under, right edges lined up
        {{4, 35, 80, 48}, {4, 48}},        // right edge left of 87: left edges lined up
        {{84, 190, 222, 203}, {135, 103}}, // 65 left below: above the cell
        {{84, 168, 222, 181}, {135, 181}}, // exactly 87 left below: under
        {{4, 230, 86, 243}, {4, 143}},
    };
    for (auto &p : places) EXPECT_EQ(CalculatorPane::placement(p.cell), p.at) << p.cell.left << "," << p.cell.top;
    struct {
        const char16_t *text;
        double value;
    } reads[] = {{u"  12.5abc", 12.5}, {u"-.5", -0.5}, {u"1e3", 1000}, {u"7.", 7}, {u"", 0},   {u"-", 0},
                 {u".", 0},            {u"abc", 0},     {u"+4", 4},     {u"1e999", 0}, {u"nan", 0}, {u"1-2", 1}};
    for (auto &r : reads) EXPECT_EQ(CalculatorPane::readNumber(r.text), r.value) << std::string(r.text, r.text + 3);
}

TEST_F(Keypad, GoldenKeypad) {
    start(openRow(1) + keys({k4, kDot}) + "down " + std::to_string(CalculatorPane::placement(valueRect(1)).x + 75) +
              " " + std::to_string(vp::kTitleBarHeight + CalculatorPane::placement(valueRect(1)).y + 75) +
              "\nshot keypad\n",
          numbers());
    run();
    expectGolden(shot("keypad"), "keypad");
}

}  // namespace
}  // namespace vt
