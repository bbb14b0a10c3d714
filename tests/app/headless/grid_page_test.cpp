// The record grid page driven headless on generated tables and the samples:
// scrolling and its ranges, selection, the counter, hiding columns, the
// three menus and their enabling rules, deleting, and the order shown after
// each sort action against brindle's dump of the same sort.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "../grid_tables.h"
#include "grid_test_util.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace vt {
namespace {

class GridPage : public ::testing::Test {
protected:
    TempDir dir;
    std::string table(int n, bool withDeleted = false, const std::string &name = "grid.dbf") {
        return makeGridTable(dir, name, generatedRows(n, withDeleted));
    }
};

TEST_F(GridPage, FifteenRecordsNeedNoBarSixteenGiveTheRangeToSixteenAndTopTwo) {
    AppRun fifteen = runVandrel(dir, "state s\n", {table(15, false, "fifteen.dbf")});
    ASSERT_EQ(fifteen.result.status, 0) << fifteen.result.err;
    Json g15 = panelOf(stateOf(fifteen, "s"), "grid");
    EXPECT_TRUE(g15["vscroll"].isNull());
    EXPECT_EQ(rowRecords(g15).back(), 15);

    // Two line-downs on the bar's arrow, a third that goes nowhere, then End.
    std::string down = "tap " + at(230, kGridTop + 209 - 6);
    AppRun sixteen = runVandrel(dir, "state s\n" + down + "state one\n" + down + down + "state two\n" +
                                         "press Home\npress End\nstate end\n", {table(16, false, "sixteen.dbf")});
    ASSERT_EQ(sixteen.result.status, 0) << sixteen.result.err;
    Json g = panelOf(stateOf(sixteen, "s"), "grid");
    EXPECT_EQ(g["vscroll"]["min"].integer(), 0);
    EXPECT_EQ(g["vscroll"]["max"].integer(), 16);
    EXPECT_EQ(g["vscroll"]["page"].integer(), 15);
    EXPECT_EQ(panelOf(stateOf(sixteen, "one"), "grid")["top"].integer(), 1);
    for (const char *name : {"two", "end"}) {
        Json at2 = panelOf(stateOf(sixteen, name), "grid");
        EXPECT_EQ(at2["top"].integer(), 2) << name;
        EXPECT_EQ(at2["vscroll"]["position"].integer(), 2);
        std::vector<long> recs = rowRecords(at2);
        EXPECT_EQ(recs.front(), 3);
        EXPECT_EQ(recs[13], 16);
        EXPECT_EQ(recs[14], -1) << "the bottom row stays empty at the highest top";
        EXPECT_THAT(rowTexts(at2, 15), ElementsAre("", "", "", "", ""));
    }
}

TEST_F(GridPage, APageDownAndBackKeepsTheSelectionAndTheCounter) {
    AppRun r = runVandrel(dir, tapCell(3, 0) + "state picked\npress PageDown\nstate down\nshot down\npress PageUp\n"
                                   "state back\nshot back\n", {table(40)});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json picked = stateOf(r, "picked");
    EXPECT_EQ(picked["counter"].text, "3 of 40");
    EXPECT_EQ(panelOf(picked, "grid")["selected"].integer(), 2);
    Json down = stateOf(r, "down");
    EXPECT_EQ(panelOf(down, "grid")["top"].integer(), 15);
    EXPECT_EQ(rowRecords(panelOf(down, "grid")).front(), 16);
    EXPECT_EQ(down["counter"].text, "3 of 40");
    Json back = stateOf(r, "back");
    EXPECT_EQ(panelOf(back, "grid")["selected"].integer(), 2);
    EXPECT_EQ(rowRecords(panelOf(back, "grid")).front(), 1);
    // The third row is drawn selected again, and only there.
    Png d, b;
    ASSERT_TRUE(readPng(r.shot("down"), d));
    ASSERT_TRUE(readPng(r.shot("back"), b));
    auto rowFill = [](const Png &p, int row) { return p.at(5, kGridTop + kRowHeight * row + 1); };
    EXPECT_EQ(rowFill(b, 3), 0x4080FFu);
    EXPECT_EQ(rowFill(b, 2), 0xFFFFFFu);
    EXPECT_EQ(rowFill(b, 1), 0xC0FFC0u);
    for (int row = 1; row <= 15; row++) EXPECT_NE(rowFill(d, row), 0x4080FFu) << row;
}

TEST_F(GridPage, HidingEveryColumnLeavesAnEmptyGridAndResetAllShowsThemAgain) {
    std::string hideFirst = tapCell(0, 0) + "menu Hide Column\n";
    std::string script;
    for (int i = 0; i < 7; i++) script += hideFirst;
    script += "state hidden\n" + std::string(kActions) + "state actions\nmenu Reset All\nstate reset\n";
    AppRun r = runVandrel(dir, script, {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json hidden = panelOf(stateOf(r, "hidden"), "grid");
    EXPECT_TRUE(rowTexts(hidden, 0).empty());
    EXPECT_THAT(menuItems(stateOf(r, "actions")),
                ElementsAre("Reset All:1:0", "Reset Sort:0:0", "Reset Filter:0:0", "Size by Caption:1:0",
                            "Size by Content:1:0", "Arrange Fields:1:0"));
    Json reset = panelOf(stateOf(r, "reset"), "grid");
    EXPECT_THAT(rowTexts(reset, 0), ElementsAre("FIRST", "LAST", "CITY", "AMOUNT", "BORN", "ACTIVE", "NOTES"));
    EXPECT_EQ(rowRecords(reset).front(), 1);
}

TEST_F(GridPage, MenusDisableWhatATypeCannotTake) {
    // Columns: NAME (C), RATIO (B), AMOUNT (N), BORN (D), FLAG (L).
    AppRun r = runVandrel(dir, tapCell(0, 0) + "state text\npress Escape\n" + tapCell(0, 1) + "state double\npress Escape\n" +
                                   tapCell(0, 2) + "state number\npress Escape\n" + doubleTapCell(2, 2) +
                                   "state cellNumber\npress Escape\n" + doubleTapCell(2, 1) + "state cellDouble\n" +
                                   "press Escape\n" + doubleTapCell(2, 0) + "state cellText\npress Escape\n",
                          {table(20)});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(menuItems(stateOf(r, "text")),
                ElementsAre("Reset Sort:0:0", "Ascending:1:0", "Descending:1:0", "Ascending (NC):1:0",
                            "Descending (NC):1:0", "Auto Size:1:0", "Hide Column:1:0"));
    EXPECT_THAT(menuItems(stateOf(r, "number")),
                ElementsAre("Reset Sort:0:0", "Ascending:1:0", "Descending:1:0", "Ascending (NC):0:0",
                            "Descending (NC):0:0", "Auto Size:1:0", "Hide Column:1:0"));
    for (const std::string &item : menuItems(stateOf(r, "double")))
        EXPECT_EQ(item.substr(item.size() - 4), ":0:0") << item;
    EXPECT_THAT(menuItems(stateOf(r, "cellNumber")),
                ElementsAre("Reset Filter:0:0", "<:1:0", "<=:1:0", "=:1:0", ">=:1:0", ">:1:0", "Contains:0:0"));
    for (const std::string &item : menuItems(stateOf(r, "cellDouble")))
        EXPECT_EQ(item.substr(item.size() - 4), ":0:0") << item;
    EXPECT_THAT(menuItems(stateOf(r, "cellText")).back(), "Contains:1:0");
}

TEST_F(GridPage, AscendingTwiceOnTheSameColumnChangesNothingTheSecondTime) {
    std::string t = table(30, true);
    AppRun r = runVandrel(dir, tapCell(5, 0) + tapCell(0, 0) + "menu Ascending\nstate first\n" + tapCell(2, 0) +
                                   tapCell(0, 0) + "state menu\nmenu Ascending\nstate second\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json first = stateOf(r, "first"), second = stateOf(r, "second");
    EXPECT_TRUE(first["wait_cursor_shown"].boolean) << "sorting shows the wait cursor";
    EXPECT_EQ(panelOf(first, "grid")["selected"].integer(), -1);
    EXPECT_EQ(first["counter"].text, "Total: 26");
    EXPECT_THAT(menuItems(stateOf(r, "menu"))[1], "Ascending:1:1");
    // The second choice neither re-sorts nor moves: the row picked in between stays selected.
    EXPECT_FALSE(second["wait_cursor_shown"].boolean);
    EXPECT_EQ(second["wait_cursors"].integer(), first["wait_cursors"].integer());
    EXPECT_EQ(panelOf(second, "grid")["selected"].integer(), 1);
    EXPECT_EQ(rowRecords(panelOf(second, "grid")), rowRecords(panelOf(first, "grid")));
}

TEST_F(GridPage, DeletingTheSelectedRecordCountsOneFewerWithoutARecount) {
    std::string t = table(40);
    AppRun r = runVandrel(dir, tapCell(2, 0) + "state picked\n" + tapCommand(1) + "state asked\nanswer No\n" +
                                   "state kept\n" + tapCommand(1) + "answer Yes\nstate deleted\n" + tapCommand(1) +
                                   "state again\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json asked = stateOf(r, "asked");
    EXPECT_EQ(asked["message"]["text"].text, "Delete current selected record?");
    EXPECT_EQ(asked["message"]["caption"].text, "Vandrel");
    EXPECT_EQ(stateOf(r, "kept")["counter"].text, "2 of 40");
    Json deleted = stateOf(r, "deleted");
    EXPECT_EQ(deleted["counter"].text, "Total: 39");
    EXPECT_EQ(deleted["wait_cursors"].integer(), stateOf(r, "picked")["wait_cursors"].integer())
        << "no recount (a recount walks the view under the wait cursor)";
    std::vector<long> recs = rowRecords(panelOf(deleted, "grid"));
    EXPECT_EQ(recs[0], 1);
    EXPECT_EQ(recs[1], 3) << "record 2 is gone from the view";
    EXPECT_EQ(runBrindle({"count", t}).out, "39\n");
    // Nothing stays selected: the delete button is gone, a tap there does nothing.
    Json again = stateOf(r, "again");
    EXPECT_TRUE(again["message"].isNull());
    EXPECT_EQ(again["counter"].text, "Total: 39");
}

TEST_F(GridPage, ACellFilterNarrowsTheViewAndResetFilterWidensIt) {
    std::string t = table(40);
    // Row 1 is record 1: NAME "anna" (case kept), AMOUNT blank.
    AppRun r = runVandrel(dir, doubleTapCell(1, 0) + "menu =\nstate equal\n" + doubleTapCell(1, 0) +
                                   "state menu\nmenu Reset Filter\nstate reset\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json equal = stateOf(r, "equal");
    EXPECT_TRUE(equal["wait_cursor_shown"].boolean) << "the recount of the filtered view shows the wait cursor";
    std::string n = runBrindle({"count", t, "--query", "NAME='anna      '"}).out;
    // The double tap selected record 1, which the filtered view still holds.
    EXPECT_EQ(equal["counter"].text, "1 of " + n.substr(0, n.find('\n')));
    for (long rec : rowRecords(panelOf(equal, "grid")))
        if (rec > 0) {
            EXPECT_EQ((rec - 1) * 7 % 10, 0) << rec;
        }
    EXPECT_EQ(menuItems(stateOf(r, "menu")).front(), "Reset Filter:1:0");
    EXPECT_EQ(stateOf(r, "reset")["counter"].text, "1 of 40");
}

TEST_F(GridPage, AFilterThatCannotBeSetSaysSoAndLeavesTheRows) {
    // A text holding both quotes ends its string early: the condition does not parse.
    std::vector<GridRow> rows = generatedRows(20, false);
    rows[0].name = "O'Neil \"x\"";
    AppRun r = runVandrel(dir, "state before\n" + doubleTapCell(1, 0) + "menu =\nstate engine\nanswer OK\nstate failed\nanswer OK\n"
                                   "state after\n",
                          {makeGridTable(dir, "quotes.dbf", rows)});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    // The engine's parser reports first, in its own box.
    EXPECT_EQ(stateOf(r, "engine")["message"]["caption"].text, "BRINDLE ERROR");
    Json failed = stateOf(r, "failed");
    EXPECT_EQ(failed["message"]["text"].text, "Could not set filter");
    EXPECT_EQ(failed["beeps"].integer(), 1);
    Json after = stateOf(r, "after");
    EXPECT_EQ(after["counter"].text, "1 of 20");
    EXPECT_EQ(rowRecords(panelOf(after, "grid")), rowRecords(panelOf(stateOf(r, "before"), "grid")));
}

TEST_F(GridPage, SizingByCaptionContentAndAutoSizeChangeTheHorizontalRange) {
    AppRun r = runVandrel(dir, "state wide\n" + std::string(kActions) + "menu Size by Caption\nstate caption\n" +
                                   kActions + "menu Size by Content\nstate content\n",
                          {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    // Seven 72-pixel columns: the fourth passes 220, so k = 4 and the range is 0 ... 7 + 2 - 4.
    EXPECT_EQ(panelOf(stateOf(r, "wide"), "grid")["hscroll"]["max"].integer(), 5);
    Json caption = panelOf(stateOf(r, "caption"), "grid");
    Json content = panelOf(stateOf(r, "content"), "grid");
    EXPECT_LT(caption["hscroll"]["max"].integer(), 5) << "narrower columns: more fit before 220";
    EXPECT_FALSE(caption["hscroll"].isNull());
    EXPECT_EQ(rowTexts(content, 0).front(), "FIRST");
}

// The order the grid shows after each sort action is brindle's order for
// the composed expression, record for record.
TEST_F(GridPage, SortedOrderEqualsBrindlesDumpOfTheSameExpression) {
    std::string t = table(47, true);
    long total = liveCount(generatedRows(47, true));
    std::string script = tapCell(0, 0) + "menu Ascending\n" + pageThrough("a", total) + tapCell(0, 0) +
                         "menu Descending (NC)\n" + pageThrough("b", total) + tapCell(0, 2) + "menu Ascending\n" +
                         pageThrough("c", total) + kScrollRight + tapCell(0, 2) + "menu Descending\n" + pageThrough("d", total) +
                         kScrollLeft + tapCell(0, 0) + "menu Reset Sort\n" + pageThrough("e", total);
    AppRun r = runVandrel(dir, script, {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_EQ(shownOrder(r, "a", total), brindleOrder(t, "ASCEND(NAME)"));
    EXPECT_EQ(shownOrder(r, "b", total), brindleOrder(t, "DESCEND(UPPER(NAME))"));
    EXPECT_EQ(shownOrder(r, "c", total), brindleOrder(t, "DESCEND(UPPER(NAME))+ASCEND(AMOUNT)"));
    EXPECT_EQ(shownOrder(r, "d", total), brindleOrder(t, "DESCEND(UPPER(NAME))+ASCEND(AMOUNT)+DESCEND(BORN)"));
    EXPECT_EQ(shownOrder(r, "e", total), brindleOrder(t, ""));
    EXPECT_EQ(shownOrder(r, "a", total).size(), size_t(total));
}

// Paging back from the last page, where the fetch ran into the view's end,
// shows the same order, in a sorted view with deleted records and without.
TEST_F(GridPage, PagingBackFromTheEndShowsTheSameOrder) {
    std::string t = table(52, true);
    long total = liveCount(generatedRows(52, true));
    AppRun r = runVandrel(dir, pageBackThrough("u", total) + tapCell(0, 0) + "menu Descending (NC)\n" +
                                   pageBackThrough("s", total) + "press End\npress Up\npress Up\nstate up\n",
                          {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_EQ(shownOrder(r, "u", total, pagesBack(total)), brindleOrder(t, ""));
    std::vector<long> sorted = brindleOrder(t, "DESCEND(UPPER(NAME))");
    EXPECT_EQ(shownOrder(r, "s", total, pagesBack(total)), sorted);
    // Two lines up from the last page.
    Json up = panelOf(stateOf(r, "up"), "grid");
    ASSERT_EQ(up["top"].integer(), total - 16);
    EXPECT_EQ(rowRecords(up), std::vector<long>(sorted.end() - 16, sorted.end() - 1));
}

TEST_F(GridPage, BlankNumbersSortWithTheZeros) {
    std::string t = table(33);
    AppRun r = runVandrel(dir, tapCell(0, 2) + "menu Ascending\n" + pageThrough("a", 33), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    std::vector<long> order = shownOrder(r, "a", 33);
    EXPECT_EQ(order, brindleOrder(t, "ASCEND(AMOUNT)"));
    // Every blank comes before every 0.99 and after every negative amount.
    std::vector<GridRow> rows = generatedRows(33, false);
    size_t lastBlank = 0, firstSmall = order.size(), lastNegative = 0;
    for (size_t i = 0; i < order.size(); i++) {
        const std::string &a = rows[size_t(order[i] - 1)].amount;
        if (a.empty()) lastBlank = i;
        if (a == "0.99" && firstSmall == order.size()) firstSmall = i;
        if (!a.empty() && a[0] == '-') lastNegative = i;
    }
    EXPECT_LT(lastBlank, firstSmall);
    EXPECT_GT(lastBlank, lastNegative);
}

TEST_F(GridPage, SortingLeavesTheProductionIndexAloneAndValid) {
    // Written by another program with eleven tags; 2300 records, 149 deleted.
    for (const char *ext : {".dbf", ".cdx", ".fpt"}) copyFixture(std::string("harbour/people") + ext, dir);
    std::string t = dir.file("people.dbf"), cdx = dir.file("people.cdx");
    std::vector<unsigned char> before = readFile(cdx);
    long n = 2300 - 149;
    AppRun r = runVandrel(dir, kScrollRight + tapCell(0, 2) + "menu Descending\n" + pageThrough("a", n) + kScrollLeft +
                                   tapCell(0, 0) + "menu Ascending (NC)\n" + pageThrough("b", n), {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_EQ(shownOrder(r, "a", n), brindleOrder(t, "DESCEND(AMOUNT)"));
    EXPECT_EQ(shownOrder(r, "b", n), brindleOrder(t, "DESCEND(AMOUNT)+ASCEND(UPPER(FIRST))"));
    EXPECT_EQ(readFile(cdx), before);
    EXPECT_EQ(runBrindle({"check", t}).status, 0);
}

TEST_F(GridPage, EmptyStateWithATableWithoutRecords) {
    std::string t = makeGridTable(dir, "none.dbf", {});
    AppRun r = runVandrel(dir, "state s\n" + tapCell(0, 0) + "state menu\n", {t});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    Json s = stateOf(r, "s");
    EXPECT_EQ(rowTexts(panelOf(s, "grid"), 0).front(), "NAME");
    EXPECT_EQ(panelOf(s, "grid empty")["rows"][0][0].text, "none.dbf");
    EXPECT_EQ(s["counter"].text, "Total: 0");
    EXPECT_FALSE(stateOf(r, "menu")["menu"].isNull());
}

}  // namespace
}  // namespace vt
