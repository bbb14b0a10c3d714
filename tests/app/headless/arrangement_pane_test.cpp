// The field arrangement page driven headless: the field list, Show/Hide by
// double tap, moving fields, save and close with the question; the grid's
// columns afterwards, and a table opened again in its own order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../grid_tables.h"
#include "grid_test_util.h"

using ::testing::ElementsAre;

namespace vt {
namespace {

const std::string kArrange = std::string(kActions) + "menu Arrange Fields\n";
std::string rowY(int row) { return std::to_string(kGridTop + kRowHeight * row + 6) + "\n"; }
std::string selectField(int row) { return "tap 40 " + rowY(row); }
std::string toggleField(int row) { return "dtap 40 " + rowY(row); }

class ArrangementPage : public ::testing::Test {
protected:
    TempDir dir;
    std::string t = makeGridTable(dir, "grid.dbf", generatedRows(20, false));
};

TEST_F(ArrangementPage, ListsEveryFieldWithItsTypeAndVisibility) {
    AppRun r = runVandrel(dir, kArrange + "state page\n" + selectField(1) + tapButton(0) + tapButton(6) +
                                   "state closed\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json page = stateOf(r, "page");
    EXPECT_EQ(page["pane"].integer(), 2);
    EXPECT_EQ(page["title"].text, "Field Arrangements");
    Json list = panelOf(page, "fields");
    EXPECT_THAT(rowTexts(list, 0), ElementsAre("Field Name", "Field Type", "Visibility"));
    EXPECT_THAT(rowTexts(list, 1), ElementsAre("NAME", "Text", "Show"));
    EXPECT_THAT(rowTexts(list, 2), ElementsAre("RATIO", "Double", "Show"));
    EXPECT_THAT(rowTexts(list, 3), ElementsAre("AMOUNT", "Numerical Text", "Show"));
    EXPECT_THAT(rowTexts(list, 4), ElementsAre("BORN", "Date", "Show"));
    EXPECT_THAT(rowTexts(list, 5), ElementsAre("FLAG", "Logical", "Show"));
    EXPECT_THAT(rowTexts(list, 6), ElementsAre("", "", ""));
    Json closed = stateOf(r, "closed");
    EXPECT_TRUE(closed["message"].isNull()) << "moving the first field up changes nothing";
    EXPECT_EQ(closed["pane"].integer(), 0);
}

TEST_F(ArrangementPage, MovingAFieldToTheTopShowsTheNewOrderInTheGridAndHere) {
    std::string up4 = tapButton(0) + tapButton(0) + tapButton(0) + tapButton(0);
    AppRun r = runVandrel(dir, kArrange + selectField(5) + up4 + "state moved\n" + tapButton(5) + "state grid\n" +
                                   kArrange + "state again\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json moved = panelOf(stateOf(r, "moved"), "fields");
    EXPECT_EQ(moved["selected"].integer(), 0) << "the selection follows the field";
    EXPECT_THAT(rowTexts(moved, 1), ElementsAre("FLAG", "Logical", "Show"));
    EXPECT_THAT(rowTexts(moved, 2), ElementsAre("NAME", "Text", "Show"));
    Json grid = panelOf(stateOf(r, "grid"), "grid");
    EXPECT_THAT(rowTexts(grid, 0), ElementsAre("FLAG", "NAME", "RATIO", "AMOUNT", "BORN"));
    EXPECT_THAT(rowTexts(grid, 1)[0], "True") << "record 1's flag in the first column";
    EXPECT_THAT(rowTexts(grid, 1)[1], "anna");
    Json again = panelOf(stateOf(r, "again"), "fields");
    EXPECT_THAT(rowTexts(again, 1), ElementsAre("FLAG", "Logical", "Show"));
    EXPECT_EQ(again["selected"].integer(), -1);
}

TEST_F(ArrangementPage, HidingEveryFieldLeavesTheGridWithoutColumnsUntilResetAll) {
    std::string hideAll;
    for (int row = 1; row <= 5; row++) hideAll += toggleField(row) + "menu Hide\n";
    AppRun r = runVandrel(dir, kArrange + toggleField(2) + "state menu\npress Escape\n" + hideAll + "state hidden\n" +
                                   tapButton(5) + "state grid\n" + kActions + "menu Reset All\nstate reset\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(menuItems(stateOf(r, "menu")), ElementsAre("Show:1:1", "Hide:1:0"));
    Json hidden = panelOf(stateOf(r, "hidden"), "fields");
    for (int row = 1; row <= 5; row++) EXPECT_EQ(rowTexts(hidden, size_t(row))[2], "Hide") << row;
    Json grid = stateOf(r, "grid");
    EXPECT_EQ(grid["pane"].integer(), 0);
    const Json &cells = panelOf(grid, "grid");
    ASSERT_EQ(cells["rows"].size(), 16u);
    for (const Json &row : cells["rows"].items) EXPECT_TRUE(row.items.empty()) << "no columns";
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "reset"), "grid"), 0),
                ElementsAre("NAME", "RATIO", "AMOUNT", "BORN", "FLAG"));
}

TEST_F(ArrangementPage, ClosingAfterChangesAsksAndNoLeavesTheGridAsItWas) {
    AppRun r = runVandrel(dir, "state before\n" + kArrange + selectField(3) + tapButton(1) + toggleField(1) +
                                   "menu Hide\n" + tapButton(6) + "state asked\nanswer No\nstate after\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_EQ(stateOf(r, "asked")["message"]["text"].text, "Field arrangements have been changed. Save changes?");
    Json before = stateOf(r, "before"), after = stateOf(r, "after");
    EXPECT_EQ(after["pane"].integer(), 0);
    EXPECT_EQ(panelOf(after, "grid")["rows"].size(), panelOf(before, "grid")["rows"].size());
    for (size_t row = 0; row < panelOf(before, "grid")["rows"].size(); row++)
        EXPECT_EQ(rowTexts(panelOf(after, "grid"), row), rowTexts(panelOf(before, "grid"), row)) << row;
    EXPECT_EQ(after["counter"].text, before["counter"].text);
}

TEST_F(ArrangementPage, ClosingWithYesAppliesAndChoosingTheStateInForceChangesNothing) {
    AppRun r = runVandrel(dir, kArrange + toggleField(1) + "menu Show\n" + tapButton(6) + "state unchanged\n" +
                                   kArrange + toggleField(1) + "menu Hide\n" + tapButton(6) + "answer Yes\n" +
                                   "state grid\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_TRUE(stateOf(r, "unchanged")["message"].isNull());
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "grid"), "grid"), 0), ElementsAre("RATIO", "AMOUNT", "BORN", "FLAG"));
}

TEST_F(ArrangementPage, OpeningTheTableAgainRestoresItsOwnOrder) {
    AppRun r = runVandrel(dir, kArrange + selectField(4) + tapButton(0) + toggleField(1) + "menu Hide\n" +
                                   tapButton(5) + "state arranged\ncommand open\nchoose " + t + "\nstate reopened\n" +
                                   kArrange + "state page\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "arranged"), "grid"), 0), ElementsAre("RATIO", "BORN", "AMOUNT", "FLAG"));
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "reopened"), "grid"), 0),
                ElementsAre("NAME", "RATIO", "AMOUNT", "BORN", "FLAG"));
    Json list = panelOf(stateOf(r, "page"), "fields");
    EXPECT_THAT(rowTexts(list, 1), ElementsAre("NAME", "Text", "Show"));
    EXPECT_THAT(rowTexts(list, 4), ElementsAre("BORN", "Date", "Show"));
}

TEST_F(ArrangementPage, GoldenArrangementPage) {
    AppRun r = runVandrel(dir, kArrange + toggleField(2) + "menu Hide\n" + selectField(4) + "shot arrange\n",
                          {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("arrange"), "arrangement_page");
}

}  // namespace
}  // namespace vt
