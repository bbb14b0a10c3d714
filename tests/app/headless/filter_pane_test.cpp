// The filter page driven headless: the condition list, the operator pop-up
// and its replace question, value editing through the input helpers by
// type, deleting conditions, OK and back with the question; the grid's view
// afterwards against brindle's view of the composed query.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../grid_tables.h"
#include "grid_test_util.h"
#include "pages/calendar.h"
#include "shell/platform/utf.h"

using ::testing::ElementsAre;

namespace vt {
namespace {

// The filter page's OP and Value cells of a row.
std::string tapOperator(int row) { return "tap " + at(88, kGridTop + kRowHeight * row + 6); }
std::string tapValue(int row) { return "tap " + at(160, kGridTop + kRowHeight * row + 6); }
const char *kFilterButton = "tap 180 281\n";

// Record numbers of the view brindle gives for a query ("" none), record order.
std::vector<long> brindleView(const std::string &table, const std::string &query) {
    std::vector<std::string> args{"dump", table, "--format", "json"};
    if (!query.empty()) args.insert(args.end(), {"--query", query});
    RunResult r = runBrindle(args);
    EXPECT_EQ(r.status, 0) << query << ": " << r.err;
    std::vector<long> out;
    Json dump = Json::parse(r.out);
    for (const Json &rec : dump["records"].items) out.push_back(rec["recno"].integer());
    return out;
}

// The view's size in the grid's counter ("Total: %d" or "%d of %d").
long countIn(const Json &state) {
    const std::string &c = state["counter"].text;
    return std::stol(c.substr(c.rfind(' ') + 1));
}

class FilterPage : public ::testing::Test {
protected:
    TempDir dir;
    std::string t = makeGridTable(dir, "grid.dbf", generatedRows(40, true));
    long total = liveCount(generatedRows(40, true));
    // AMOUNT N(8,2): ">=" on row 4 (1.00), then "<=" on row 1 of that view
    // (12.25): a range of two conditions on one field.
    std::string range = doubleTapCell(4, 2) + "menu >=\n" + doubleTapCell(1, 2) + "menu <=\n";
    const std::string rangeQuery = "AMOUNT>=1.00     .AND. AMOUNT<=12.25   ";
    // Every page of the grid's view, in shown order.
    std::vector<long> view(const AppRun &r, const std::string &name, long n) { return shownOrder(r, name, n); }
};

TEST_F(FilterPage, TwoConditionsOnOneFieldFormARangeListedOnThePage) {
    std::vector<long> expected = brindleView(t, rangeQuery);
    ASSERT_FALSE(expected.empty());
    ASSERT_LT(long(expected.size()), total);
    AppRun r = runVandrel(dir, range + pageThrough("grid", long(expected.size())) + kFilterButton + "state page\n" +
                                   tapButton(6) + "state back\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_EQ(view(r, "grid", long(expected.size())), expected);
    Json page = stateOf(r, "page");
    EXPECT_EQ(page["pane"].integer(), 3);
    EXPECT_EQ(page["title"].text, "Filter View/Edit");
    Json list = panelOf(page, "conditions");
    EXPECT_THAT(rowTexts(list, 0), ElementsAre("Field", "OP", "Value"));
    EXPECT_THAT(rowTexts(list, 1), ElementsAre("AMOUNT", ">=", "1.00"));
    EXPECT_THAT(rowTexts(list, 2), ElementsAre("AMOUNT", "<=", "12.25"));
    EXPECT_THAT(rowTexts(list, 3), ElementsAre("", "", ""));
    Json back = stateOf(r, "back");
    EXPECT_TRUE(back["message"].isNull()) << "nothing was modified, so back asks nothing";
    EXPECT_EQ(back["pane"].integer(), 0);
}

TEST_F(FilterPage, AnOperatorTakenByAnotherConditionAsksAndYesReplacesIt) {
    std::vector<long> expected = brindleView(t, "AMOUNT>=12.25   ");
    AppRun r = runVandrel(dir, range + kFilterButton + tapOperator(2) + "state menu\nmenu >=\nstate asked\n" +
                                   "answer Yes\nstate replaced\n" + tapButton(5) + "state grid\n" +
                                   pageThrough("after", long(expected.size())), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(menuItems(stateOf(r, "menu")), ElementsAre("<:1:0", "<=:1:1", "=:1:0", ">=:1:0", ">:1:0",
                                                           "Contains:1:0"))
        << "every operator is offered on this page, the condition's own checked";
    EXPECT_EQ(stateOf(r, "asked")["message"]["text"].text,
              "Another filter setting with same operator on the same field exists. Do you want to replace?");
    Json replaced = panelOf(stateOf(r, "replaced"), "conditions");
    EXPECT_THAT(rowTexts(replaced, 1), ElementsAre("AMOUNT", ">=", "12.25"));
    EXPECT_THAT(rowTexts(replaced, 2), ElementsAre("", "", ""));
    EXPECT_EQ(replaced["selected"].integer(), -1);
    EXPECT_EQ(countIn(stateOf(r, "grid")), long(expected.size()));
    EXPECT_EQ(view(r, "after", long(expected.size())), expected);
}

TEST_F(FilterPage, AnsweringNoToTheReplaceQuestionChangesNothing) {
    std::vector<long> expected = brindleView(t, rangeQuery);
    AppRun r = runVandrel(dir, range + kFilterButton + tapOperator(1) + "menu <=\nanswer No\nstate kept\n" +
                                   tapButton(6) + "state back\n" + pageThrough("after", long(expected.size())), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json kept = panelOf(stateOf(r, "kept"), "conditions");
    EXPECT_THAT(rowTexts(kept, 1), ElementsAre("AMOUNT", ">=", "1.00"));
    EXPECT_THAT(rowTexts(kept, 2), ElementsAre("AMOUNT", "<=", "12.25"));
    EXPECT_TRUE(stateOf(r, "back")["message"].isNull()) << "No modified nothing";
    EXPECT_EQ(view(r, "after", long(expected.size())), expected);
}

TEST_F(FilterPage, ContainsOnANumberContributesNothingSoTheQueryInForceStays) {
    // The only condition becomes "$" on a numeric field: nothing to set, so
    // the query of ">= 1.00" stays in force, though the page lists "{ }".
    std::vector<long> expected = brindleView(t, "AMOUNT>=1.00    ");
    AppRun r = runVandrel(dir, doubleTapCell(4, 2) + "menu >=\n" + kFilterButton + tapOperator(1) +
                                   "menu Contains\nstate contains\n" + tapButton(5) +
                                   pageThrough("after", long(expected.size())) + kFilterButton + "state again\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "contains"), "conditions"), 1), ElementsAre("AMOUNT", "{ }", "1.00"));
    EXPECT_EQ(view(r, "after", long(expected.size())), expected);
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "again"), "conditions"), 1), ElementsAre("AMOUNT", "{ }", "1.00"));
}

TEST_F(FilterPage, DeletingEveryConditionAndOkShowsEveryLiveRecord) {
    AppRun r = runVandrel(dir, range + kFilterButton + tapField(1) + tapButton(0) + "state one\n" + tapField(1) +
                                   tapButton(0) + tapButton(0) + "state none\n" + tapButton(5) + "state grid\n" +
                                   pageThrough("after", total) + kFilterButton + "state stays\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "one"), "conditions"), 1), ElementsAre("AMOUNT", "<=", "12.25"));
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "none"), "conditions"), 1), ElementsAre("", "", ""));
    Json grid = stateOf(r, "grid");
    EXPECT_EQ(countIn(grid), total);
    EXPECT_EQ(view(r, "after", total), brindleView(t, ""));
    EXPECT_EQ(stateOf(r, "stays")["pane"].integer(), 0) << "no conditions: the filter button is hidden";
}

TEST_F(FilterPage, AnEmptyDateConditionSelectsTheBlankDates) {
    // BORN is the second column shown after two steps right; row 5 (record
    // 5) has a blank date. The picker opens on today for it; tapping outside
    // cancels and leaves the condition unmodified.
    std::vector<long> expected = brindleView(t, "DTOS(BORN)='        '");
    ASSERT_FALSE(expected.empty());
    AppRun r = runVandrel(dir, std::string(kScrollRight) + kScrollRight + doubleTapCell(5, 1) + "menu =\n" +
                                   pageThrough("grid", long(expected.size())) + kFilterButton + tapValue(1) +
                                   "state picker\ntap 5 300\n" + tapButton(6) + "state back\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_EQ(view(r, "grid", long(expected.size())), expected);
    Json picker = stateOf(r, "picker");
    vpages::CivilDate now = vpages::today();
    std::string title = std::string(vp::toUtf8(vpages::monthName(now.month))) + " " + std::to_string(now.year);
    bool found = false;
    for (const Json &p : picker["panels"].items)
        for (const Json &row : p["rows"].items)
            for (const Json &cell : row.items) found = found || cell.text == title;
    EXPECT_TRUE(found) << "the picker shows today's month for a blank date: " << title;
    EXPECT_TRUE(stateOf(r, "back")["message"].isNull()) << "a cancelled picker modifies nothing";
}

TEST_F(FilterPage, ANumberEditedOnTheKeypadFiltersByTheNewValue) {
    std::vector<long> expected = brindleView(t, "AMOUNT>=5.00    ");
    AppRun r = runVandrel(dir, doubleTapCell(4, 2) + "menu >=\n" + kFilterButton + tapValue(1) + "key 5=\n" +
                                   "state edited\n" + tapButton(5) + pageThrough("after", long(expected.size())), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "edited"), "conditions"), 1), ElementsAre("AMOUNT", ">=", "5.00"));
    EXPECT_EQ(view(r, "after", long(expected.size())), expected);
}

TEST_F(FilterPage, ALogicalValueComesFromTheTrueFalseMenu) {
    // FLAG is the third column shown after two steps right; record 1 is True.
    std::vector<long> expected = brindleView(t, "FLAG=.F.");
    AppRun r = runVandrel(dir, std::string(kScrollRight) + kScrollRight + doubleTapCell(1, 2) + "menu =\n" +
                                   kFilterButton + tapValue(1) + "state menu\nmenu False\n" + tapButton(5) +
                                   pageThrough("after", long(expected.size())), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(menuItems(stateOf(r, "menu")), ElementsAre("True:1:0", "False:1:0"));
    EXPECT_EQ(view(r, "after", long(expected.size())), expected);
}

TEST_F(FilterPage, TextGoesThroughTheEditorAndCancelStillCountsAsAChange) {
    // NAME = "anna" (record 1); the editor replaces it by "Clara". Then a
    // second visit only opens and cancels the editor: back still asks, and No
    // keeps the "Clara" filter.
    std::vector<long> expected = brindleView(t, "NAME='Clara     '");
    ASSERT_FALSE(expected.empty());
    AppRun r = runVandrel(dir, doubleTapCell(1, 0) + "menu =\n" + kFilterButton + tapValue(1) + "state editor\n" +
                                   "key Clara\ntap 204 191\nstate saved\n" + tapButton(5) + kFilterButton +
                                   tapValue(1) + "tap 152 191\n" + tapButton(6) + "state asked\nanswer No\n" +
                                   pageThrough("after", long(expected.size())), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json editor = stateOf(r, "editor");
    EXPECT_EQ(editor["pane"].integer(), 7);
    EXPECT_EQ(editor["counter"].text, "Max Length = 10");
    Json saved = stateOf(r, "saved");
    EXPECT_EQ(saved["pane"].integer(), 3) << "the editor returns to the filter page";
    EXPECT_THAT(rowTexts(panelOf(saved, "conditions"), 1), ElementsAre("NAME", "=", "Clara"));
    EXPECT_EQ(stateOf(r, "asked")["message"]["text"].text, "Filters have been modified. Save changes?");
    EXPECT_EQ(view(r, "after", long(expected.size())), expected);
}

TEST_F(FilterPage, BackWithYesAppliesTheChanges) {
    std::vector<long> expected = brindleView(t, "AMOUNT<=12.25   ");
    AppRun r = runVandrel(dir, range + kFilterButton + tapField(1) + tapButton(0) + tapButton(6) + "answer Yes\n" +
                                   pageThrough("after", long(expected.size())), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_EQ(view(r, "after", long(expected.size())), expected);
}

TEST_F(FilterPage, GoldenFilterPage) {
    AppRun r = runVandrel(dir, range + doubleTapCell(1, 0) + "menu Contains\n" + kFilterButton + tapField(2) +
                                   "shot filter\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("filter"), "filter_page");
}

}  // namespace
}  // namespace vt
