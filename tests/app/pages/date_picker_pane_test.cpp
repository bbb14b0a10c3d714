// The month calendar over a date cell, driven by scripts through the owner
// page as the form view drives it: the month layout, the arrows and the
// quick menu (quarters across years, years, today), a chosen day beyond the
// new month's end, tapping the chosen day to confirm, blank dates opening
// on today and cancelling, keys, the limits of the years, the placement
// rules, the calendar arithmetic against the engine's dates, and a golden
// picture.
#include <gmock/gmock.h>

#include <cstdio>
#include <cstring>

#include "classes/date4class.h"
#include "helper_fixture.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace vt {
namespace {

using vpages::CivilDate;
using vpages::DatePickerPane;

// A date cell as the form view shows it ("mm/dd/ccyy").
Value dateValue(int row, CivilDate d) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", d.month, d.day, d.year);
    return {.kind = Value::kDate, .row = row, .text = std::u16string(text, text + std::strlen(text)),
            .number = double(vpages::dayNumberOf(d))};
}

// How the calendar's state begins when it shows a date chosen.
std::string shownAs(const CivilDate &d) {
    std::u16string month = vpages::monthName(d.month);
    return "\"selected\": " + std::to_string(d.day) + ", \"rows\": [[\"" + std::string(month.begin(), month.end()) +
           " " + std::to_string(d.year) + "\"]";
}

class Picker : public HelperTest {
protected:
    // The pop-up's top-left on the screen when opened over a row.
    static vp::Point origin(int row = 2) {
        vp::Point p = DatePickerPane::placement(valueRect(row));
        return {p.x, p.y + vp::kTitleBarHeight};
    }
    static std::string previous(int row = 2) { return at("tap", {origin(row).x + 9, origin(row).y + 8}); }
    static std::string next(int row = 2) { return at("tap", {origin(row).x + 121, origin(row).y + 8}); }
    static std::string title(int row = 2) { return at("tap", {origin(row).x + 65, origin(row).y + 8}); }
    // A tap on a day of its month as the calendar lays it out (from Sunday).
    static std::string day(CivilDate d, int row = 2) {
        int k = vpages::weekday({d.year, d.month, 1}) + d.day - 1;
        return at("tap", {origin(row).x + 1 + 18 * (k % 7) + 9, origin(row).y + 32 + 14 * (k / 7) + 7});
    }
    // Rows of the calendar's state: the title, the headings, six weeks.
    static std::string rows(const std::string &json) {
        size_t at = json.find("{\"name\": \"datepicker\"");
        if (at == std::string::npos) return "";
        return json.substr(at, json.find("]]}", at) + 3 - at);
    }
};

TEST_F(Picker, OpensOnTheCellsDateWithTheMonthLaidOutFromSunday) {
    start(openRow(2) + "state open\n", {dateValue(2, {2003, 11, 15})});
    run();
    EXPECT_EQ(rows(state("open")),
              "{\"name\": \"datepicker\", \"top\": 0, \"selected\": 15, \"rows\": [[\"November 2003\"], "
              "[\"Su\", \"Mo\", \"Tu\", \"We\", \"Th\", \"Fr\", \"Sa\"], "
              "[\"\", \"\", \"\", \"\", \"\", \"\", \"1\"], [\"2\", \"3\", \"4\", \"5\", \"6\", \"7\", \"8\"], "
              "[\"9\", \"10\", \"11\", \"12\", \"13\", \"14\", \"15\"], "
              "[\"16\", \"17\", \"18\", \"19\", \"20\", \"21\", \"22\"], "
              "[\"23\", \"24\", \"25\", \"26\", \"27\", \"28\", \"29\"], [\"30\", \"\", \"\", \"\", \"\", \"\", \"\"]]}");
    EXPECT_EQ(owner->results, std::vector<int>{-1}) << "the script's end closes it";
}

TEST_F(Picker, QuarterForwardFromNovemberIsFebruaryOfTheNextYearAndBack) {
    start(openRow(2) + title() + "state menu\nmenu + Quater\nstate february\n" + title() + "menu - Quater\n" +
              "state november\n",
          {dateValue(2, {2003, 11, 15})});
    run();
    EXPECT_THAT(state("menu"), HasSubstr("\"items\": [{\"text\": \"- Year\", \"id\": 1, \"enabled\": true, "
                                         "\"checked\": false}, {\"text\": \"- Quater\", \"id\": 2"));
    EXPECT_THAT(state("menu"), HasSubstr("{\"text\": \"Today\", \"id\": 3"));
    EXPECT_THAT(state("menu"), HasSubstr("{\"text\": \"+ Quater\", \"id\": 4"));
    EXPECT_THAT(state("menu"), HasSubstr("{\"text\": \"+ Year\", \"id\": 5"));
    std::string feb = rows(state("february"));
    EXPECT_THAT(feb, HasSubstr("[[\"February 2004\"]"));
    EXPECT_THAT(feb, HasSubstr("[\"1\", \"2\", \"3\", \"4\", \"5\", \"6\", \"7\"]")) << "1 February 2004 was a Sunday";
    EXPECT_THAT(feb, HasSubstr("[\"29\", \"\", \"\""));
    EXPECT_THAT(feb, HasSubstr("\"selected\": 15"));
    EXPECT_THAT(rows(state("november")), HasSubstr("[[\"November 2003\"]"));
    EXPECT_THAT(state("november"), HasSubstr("\"menu\": null"));
}

TEST_F(Picker, Day31MovedToFebruaryBecomesItsLastDay) {
    start(openRow(2) + next() + "state leap\n" + title() + "menu - Year\nstate common\n" + previous() +
              "state january\n",
          {dateValue(2, {2004, 1, 31})});
    run();
    EXPECT_THAT(rows(state("leap")), HasSubstr("\"selected\": 29, \"rows\": [[\"February 2004\"]"));
    EXPECT_THAT(rows(state("common")), HasSubstr("\"selected\": 28, \"rows\": [[\"February 2003\"]"));
    EXPECT_THAT(rows(state("january")), HasSubstr("\"selected\": 28, \"rows\": [[\"January 2003\"]"));
}

TEST_F(Picker, TappingAnotherDayMovesTheChoiceAndTappingTheChosenDayConfirms) {
    // The first day cell of November 2003 is blank (the 1st is a Saturday).
    std::string blank = at("tap", {origin().x + 10, origin().y + 39});
    start(openRow(2) + blank + "state blank\n" + day({2003, 11, 20}) + "state moved\n" + day({2003, 11, 20}) +
              "state done\n",
          {dateValue(2, {2003, 11, 15})});
    run();
    EXPECT_THAT(rows(state("blank")), HasSubstr("\"selected\": 15")) << "a blank day does nothing";
    EXPECT_THAT(rows(state("moved")), HasSubstr("\"selected\": 20"));
    EXPECT_THAT(state("done"), Not(HasSubstr("datepicker")));
    EXPECT_THAT(state("done"), HasSubstr("\"beeps\": 2"));
    EXPECT_EQ(owner->results, std::vector<int>{1});
    EXPECT_EQ(owner->cell(0).text, u"20031120");
    EXPECT_EQ(owner->cell(0).number, double(vpages::dayNumberOf({2003, 11, 20})));
    EXPECT_EQ(picker->date(), vpages::hoursOf({2003, 11, 20}));
    EXPECT_EQ(owner->value(0).entry.modified, 1);
}

TEST_F(Picker, BlankDatesOpenOnTodayAndCancellingLeavesThemUnmarked) {
    // A blank date read from the table (1e100), a new record's 0 and a
    // record that could not be read (-1).
    std::vector<Value> blanks = {{.kind = Value::kDate, .row = 2, .text = u"  /  /    ", .number = 1e100},
                                 {.kind = Value::kDate, .row = 3, .text = u"", .number = 0},
                                 {.kind = Value::kDate, .row = 4, .text = u"", .number = -1}};
    CivilDate before = vpages::today();
    start(openRow(2) + "state blank\ntap 5 10\n" + openRow(3) + "state zero\npress Escape\n" + openRow(4) +
              "state unread\n" + at("tap", cellPoint(14)),
          blanks);
    run();
    CivilDate after = vpages::today();
    for (const char *name : {"blank", "zero", "unread"}) {
        std::string r = rows(state(name));
        EXPECT_TRUE(r.find(shownAs(before)) != std::string::npos || r.find(shownAs(after)) != std::string::npos)
            << name << ": " << r;
    }
    EXPECT_EQ(owner->results, (std::vector<int>{-1, -1, -1}));
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(owner->value(i).entry.modified, 0) << i;
        EXPECT_EQ(owner->cell(i).text, blanks[size_t(i)].text) << i;
        EXPECT_EQ(owner->cell(i).number, blanks[size_t(i)].number) << i;
    }
}

TEST_F(Picker, TheQuickMenuTappedKeepsThePickerOpenAndTodayAndYearsMove) {
    // The menu's items: 18 high from one pixel below the title's bottom, its
    // right edge on the title's right edge.
    vp::Point o = origin();
    auto item = [&](int i) { return at("tap", {o.x + 113 - 12, o.y + 16 + 1 + 18 * i + 9}); };
    start(openRow(2) + title() + item(4) + "state on\n" + title() + item(0) + title() + item(0) + "state back\n" +
              title() + "press Escape\nstate closed\n" + title() + item(2) + "state today\n",
          {dateValue(2, {2003, 11, 15})});
    run();
    EXPECT_THAT(rows(state("on")), HasSubstr("[[\"November 2004\"]"));
    EXPECT_THAT(rows(state("back")), HasSubstr("[[\"November 2002\"]"));
    EXPECT_THAT(state("closed"), HasSubstr("\"menu\": null"));
    EXPECT_THAT(rows(state("closed")), HasSubstr("[[\"November 2002\"]")) << "Escape closed only the menu";
    EXPECT_THAT(rows(state("today")), HasSubstr(shownAs(vpages::today())));
}

TEST_F(Picker, KeysMoveTheChoiceAndEnterConfirms) {
    start(openRow(2) + "press Right\npress Down\npress PageDown\nstate moved\npress Enter\n",
          {dateValue(2, {2003, 11, 15})});
    run();
    EXPECT_THAT(rows(state("moved")), HasSubstr("\"selected\": 23, \"rows\": [[\"December 2003\"]"));
    EXPECT_EQ(owner->results, std::vector<int>{1});
    EXPECT_EQ(owner->cell(0).text, u"20031223");
}

TEST_F(Picker, YearsStayWithinWhatADateFieldHolds) {
    start(openRow(2) + next(2) + title(2) + "menu + Year\n" + title(2) + "menu + Quater\npress Right\n" +
              "state last\npress Enter\n" + openRow(3) + previous(3) + title(3) + "menu - Quater\npress Left\n" +
              "state first\npress Escape\n",
          {dateValue(2, {9999, 12, 31}), dateValue(3, {1, 1, 1})});
    run();
    EXPECT_THAT(rows(state("last")), HasSubstr("\"selected\": 31, \"rows\": [[\"December 9999\"]"));
    EXPECT_THAT(rows(state("first")), HasSubstr("\"selected\": 1, \"rows\": [[\"January 1\"]"));
    EXPECT_EQ(owner->cell(0).text, u"99991231") << "never a ninth character";
}

TEST(PickerRules, Placement) {
    struct {
        vp::Rect cell;
        vp::Point at;
    } places[] = {
        {{84, 48, 222, 61}, {84, 61}},     // under, left edges lined up
        {{84, 150, 222, 163}, {84, 32}},   // 163 + 118 passes 268: above
        {{84, 137, 222, 150}, {84, 150}},  // exactly 268: under
        {{150, 35, 230, 48}, {20, 48}},    // 150 + 130 passes 240: to the left
        {{110, 35, 230, 48}, {110, 48}},   // exactly 240: under
        {{120, 230, 230, 243}, {0, 112}},  // left of 0 is kept on the screen
    };
    for (auto &p : places) EXPECT_EQ(DatePickerPane::placement(p.cell), p.at) << p.cell.left << "," << p.cell.top;
}

TEST(Calendar, HoursFrom1900AndTheTextOfADate) {
    using vpages::hoursOf;
    EXPECT_EQ(hoursOf({1900, 1, 1}), 0);
    EXPECT_EQ(hoursOf({1900, 3, 1}), (31 + 28) * 24) << "1900 was no leap year";
    EXPECT_EQ(hoursOf({2000, 1, 1}), 36524L * 24);
    EXPECT_EQ(hoursOf({1899, 12, 31}), -24);
    EXPECT_EQ(vpages::dateOfHours(25), (CivilDate{1900, 1, 2}));
    EXPECT_EQ(vpages::dateOfHours(-1), (CivilDate{1899, 12, 31}));
    EXPECT_EQ(vpages::dateOfHours(-24), (CivilDate{1899, 12, 31}));
    EXPECT_EQ(vpages::dateOfHours(-25), (CivilDate{1899, 12, 30}));
    EXPECT_EQ(vpages::weekday({2004, 2, 1}), 0);
    EXPECT_EQ(vpages::weekday({1, 1, 1}), 1);
    EXPECT_EQ(vpages::monthLength(1900, 2), 28);
    EXPECT_EQ(vpages::ccyymmdd({2003, 11, 5}), "20031105");
    EXPECT_EQ(vpages::ccyymmdd({5, 3, 7}), "00050307");
    for (double n : {0.0, 1e100, -1.0, 2451545.5, std::nan(""), 1721425.0, 5373485.0})
        EXPECT_FALSE(vpages::isDayNumber(n)) << n;
    for (double n : {2451545.0, 1721426.0, 5373484.0}) EXPECT_TRUE(vpages::isDayNumber(n)) << n;
}

TEST(Calendar, EveryDayAgreesWithTheEnginesDates) {
    // Walking the days of four centuries and the edges of the years a date
    // field holds: day numbers climb by one, weekdays cycle, and the engine
    // reads the CCYYMMDD text as the same day.
    auto check = [](CivilDate d, long &expected, int &wd) {
        long n = vpages::dayNumberOf(d);
        ASSERT_EQ(n, expected) << d.year << "-" << d.month << "-" << d.day;
        ASSERT_EQ(vpages::dateOfDayNumber(n), d);
        ASSERT_EQ(vpages::weekday(d), wd);
        ASSERT_EQ(vpages::dateOfHours(vpages::hoursOf(d) + 23), d);
        ASSERT_EQ(Date4(vpages::ccyymmdd(d).c_str()).julian(), n);
        expected++;
        wd = (wd + 1) % 7;
    };
    for (CivilDate start : {CivilDate{1, 1, 1}, CivilDate{1800, 1, 1}, CivilDate{9990, 1, 1}}) {
        long expected = vpages::dayNumberOf(start);
        int wd = vpages::weekday(start);
        int lastYear = start.year == 1800 ? 2200 : start.year + 9;
        for (int y = start.year; y <= lastYear; y++)
            for (int m = 1; m <= 12; m++)
                for (int d = 1; d <= vpages::monthLength(y, m); d++) check({y, m, d}, expected, wd);
    }
}

TEST_F(Picker, GoldenDatePicker) {
    start(openRow(2) + "shot datepicker\n", {dateValue(2, {2003, 11, 15})});
    run();
    expectGolden(shot("datepicker"), "datepicker");
}

}  // namespace
}  // namespace vt
