// The sorting setup page driven headless: the key list, the order pop-up
// and its enabling, moving and deleting keys, OK and back with the
// question, and the grid's order afterwards against brindle's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../grid_tables.h"
#include "grid_test_util.h"

using ::testing::ElementsAre;

namespace vt {
namespace {

class SortPage : public ::testing::Test {
protected:
    TempDir dir;
    std::string t = makeGridTable(dir, "grid.dbf", generatedRows(40, true));
    long total = liveCount(generatedRows(40, true));
    // Keys NAME ascending, then AMOUNT descending, from the header menu; then the sort page.
    std::string twoKeys = tapCell(0, 0) + "menu Ascending\n" + tapCell(0, 2) + "menu Descending\n" + tapCommand(3);
};

TEST_F(SortPage, ShowsTheKeysInOrderAndTheFirstMovedUpChangesNothing) {
    AppRun r = runVandrel(dir, twoKeys + "state page\n" + tapField(1) + tapButton(0) + "state up\n" + tapButton(6) +
                                   "state back\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json page = stateOf(r, "page");
    EXPECT_EQ(page["pane"].integer(), 4);
    EXPECT_EQ(page["title"].text, "Sorting Setup");
    Json keys = panelOf(page, "keys");
    EXPECT_THAT(rowTexts(keys, 0), ElementsAre("Field", "Order"));
    EXPECT_THAT(rowTexts(keys, 1), ElementsAre("NAME", "Ascending"));
    EXPECT_THAT(rowTexts(keys, 2), ElementsAre("AMOUNT", "Descending"));
    EXPECT_THAT(rowTexts(keys, 3), ElementsAre("", ""));
    Json up = panelOf(stateOf(r, "up"), "keys");
    EXPECT_EQ(up["selected"].integer(), 0);
    EXPECT_THAT(rowTexts(up, 1), ElementsAre("NAME", "Ascending"));
    Json back = stateOf(r, "back");
    EXPECT_TRUE(back["message"].isNull()) << "nothing was modified, so back asks nothing";
    EXPECT_EQ(back["pane"].integer(), 0);
}

TEST_F(SortPage, MovingAKeyDownAndOkResortsByTheNewPriority) {
    AppRun r = runVandrel(dir, twoKeys + tapField(1) + tapButton(1) + "state moved\n" + tapButton(1) + "state last\n" +
                                   tapButton(5) + pageThrough("after", total), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json moved = panelOf(stateOf(r, "moved"), "keys");
    EXPECT_THAT(rowTexts(moved, 1), ElementsAre("AMOUNT", "Descending"));
    EXPECT_THAT(rowTexts(moved, 2), ElementsAre("NAME", "Ascending"));
    EXPECT_EQ(moved["selected"].integer(), 1);
    EXPECT_EQ(panelOf(stateOf(r, "last"), "keys")["selected"].integer(), 1) << "the last key moved down stays";
    EXPECT_EQ(shownOrder(r, "after", total), brindleOrder(t, "DESCEND(AMOUNT)+ASCEND(NAME)"));
}

TEST_F(SortPage, DeletingEveryKeyAndOkReturnsToRecordOrder) {
    AppRun r = runVandrel(dir, twoKeys + tapField(1) + tapButton(2) + tapField(1) + tapButton(2) + "state empty\n" +
                                   tapButton(5) + "state grid\n" + pageThrough("after", total), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "empty"), "keys"), 1), ElementsAre("", ""));
    Json grid = stateOf(r, "grid");
    EXPECT_EQ(grid["pane"].integer(), 0);
    EXPECT_EQ(shownOrder(r, "after", total), brindleOrder(t, ""));
}

TEST_F(SortPage, AKeyListOfOnlyALogicalFieldLeavesTheSortAsItWas) {
    // Keys NAME and FLAG (the logical one is left out of the expression);
    // deleting NAME leaves only FLAG: no expression, so the sort stays.
    AppRun r = runVandrel(dir, tapCell(0, 0) + "menu Descending\n" + kScrollRight + kScrollRight + tapCell(0, 2) +
                                   "menu Ascending\n" + tapCommand(3) +
                                   tapField(1) + tapButton(2) + "state onlyFlag\n" + tapButton(5) +
                                   pageThrough("after", total), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json keys = panelOf(stateOf(r, "onlyFlag"), "keys");
    EXPECT_THAT(rowTexts(keys, 1), ElementsAre("FLAG", "Ascending"));
    EXPECT_EQ(shownOrder(r, "after", total), brindleOrder(t, "DESCEND(NAME)"));
}

TEST_F(SortPage, AnOrderChangedAndRestoredStillAsksAndNoKeepsTheSort) {
    AppRun r = runVandrel(dir, twoKeys + tapOrder(2) + "state numberMenu\nmenu Ascending\nstate changed\n" + tapOrder(2) +
                                   "menu Descending\n" + tapOrder(1) + "state textMenu\npress Escape\n" + tapButton(6) +
                                   "state asked\nanswer No\n" + pageThrough("after", total), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(menuItems(stateOf(r, "numberMenu")),
                ElementsAre("Ascending:1:0", "Descending:1:1", "Ascending (NC):0:0", "Descending (NC):0:0"));
    EXPECT_THAT(menuItems(stateOf(r, "textMenu")),
                ElementsAre("Ascending:1:1", "Descending:1:0", "Ascending (NC):1:0", "Descending (NC):1:0"));
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "changed"), "keys"), 2), ElementsAre("AMOUNT", "Ascending"));
    Json asked = stateOf(r, "asked");
    EXPECT_EQ(asked["message"]["text"].text, "Sort order has been modified, save changes?");
    EXPECT_THAT(asked["message"]["buttons"].items.size(), 2u);
    EXPECT_EQ(shownOrder(r, "after", total), brindleOrder(t, "ASCEND(NAME)+DESCEND(AMOUNT)"));
}

TEST_F(SortPage, BackWithYesAppliesTheChanges) {
    AppRun r = runVandrel(dir, twoKeys + tapOrder(1) + "menu Descending (NC)\n" + tapButton(6) + "answer Yes\n" +
                                   "state grid\n" + pageThrough("after", total), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_TRUE(stateOf(r, "grid")["wait_cursor_shown"].boolean);
    EXPECT_EQ(shownOrder(r, "after", total), brindleOrder(t, "DESCEND(UPPER(NAME))+DESCEND(AMOUNT)"));
}

TEST_F(SortPage, WithoutKeysTheSortButtonIsHidden) {
    AppRun r = runVandrel(dir, tapCommand(3) + "state s\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_EQ(stateOf(r, "s")["pane"].integer(), 0);
}

}  // namespace
}  // namespace vt
