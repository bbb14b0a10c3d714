// TableSession: opening and closing, columns, the field menu, navigation
// over the view, counting, and the sort and filter hooks, on copies of the
// bundled samples; orders and counts checked against python3-dbfread.
#include <unistd.h>

#include <algorithm>

#include "session_test_util.h"

namespace {

using namespace st;

class FakeMenu : public vandrel::FieldMenu {
public:
    struct Item {
        int id;
        std::u16string text;
    };
    std::vector<Item> items;
    int itemCount() const override { return (int)items.size(); }
    void setItem(int index, int id, const std::u16string &text) override { items[(size_t)index] = {id, text}; }
    void appendItem(int id, const std::u16string &text) override { items.push_back({id, text}); }
    void removeItem(int index) override { items.erase(items.begin() + index); }
};

class CountingBusy : public vandrel::BusyIndicator {
public:
    int waits = 0, normals = 0, depth = 0, deepest = 0;
    void showWait() override { waits++, depth++, deepest = std::max(deepest, depth); }
    void showNormal() override { normals++, depth--; }
};

enum People { kFirst, kLast, kCity, kAmount, kBorn, kActive, kNotes };

class SessionOnPeople : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        table = copySample("people", dir);
        peer = peerDisplay(table, "cp1252", 0);
        for (const PeerRecord &r : peer)
            if (!r.deleted) live.push_back(r);
        ASSERT_EQ(live.size(), 288u);
        ASSERT_TRUE(open(table));
    }
    // The record numbers of the view, from the top.
    std::vector<long> walk() {
        std::vector<long> recnos;
        DisplayCell cell;
        for (bool on = session->goTop(); on; on = session->skipNext()) {
            EXPECT_TRUE(session->readRow(&cell, 1));
            recnos.push_back(cell.recordNumber);
        }
        return recnos;
    }
    template <typename Pred>
    std::vector<long> liveWhere(Pred pred) const {
        std::vector<long> out;
        for (const PeerRecord &r : live)
            if (pred(r)) out.push_back(r.recno);
        return out;
    }
    DisplayCell cell(const std::string &text, double number = 0) const {
        DisplayCell c;
        c.text = w(text);
        c.number = number;
        return c;
    }

    std::string table;
    std::vector<PeerRecord> peer, live;
};

TEST_F(SessionTest, ClosedSessionAnswersWithoutTheEngine) {
    EXPECT_FALSE(session->isOpen());
    EXPECT_EQ(session->tableTitle(), u"No Database Open");
    EXPECT_EQ(session->columnCount(true), 0);
    EXPECT_FALSE(session->goTop());
    EXPECT_FALSE(session->goBottom());
    EXPECT_FALSE(session->skipNext());
    EXPECT_FALSE(session->move(1, true));
    DisplayCell cells[2];
    cells[0].text = u"stale";
    EXPECT_FALSE(session->readRow(cells, 2));
    EXPECT_EQ(cells[0].text, u"");
    EXPECT_EQ(cells[0].recordNumber, -1);
    EXPECT_EQ(cells[0].valid, 0);
    FieldList list;
    EXPECT_FALSE(session->readRecord(list, 1));
    EXPECT_FALSE(session->writeRecord(list, 0));
    EXPECT_FALSE(session->deleteRecord(1));
    EXPECT_EQ(session->count(true), 0);
    EXPECT_EQ(session->addSortKey(0, 'A'), -1);
    EXPECT_EQ(session->addFilterCondition(0, '=', DisplayCell()), -1);
    EXPECT_FALSE(session->applySort());
    EXPECT_FALSE(session->applyFilter());
    FakeMenu menu;
    menu.appendItem(1, u"old");
    session->fillFieldMenu(menu);
    EXPECT_TRUE(menu.items.empty());
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(SessionOnPeople, OpensATableAndListsItsFields) {
    EXPECT_TRUE(session->isOpen());
    EXPECT_EQ(session->tableTitle(), u"people.dbf");
    EXPECT_EQ(session->path(), w(table));
    const char *names[] = {"FIRST", "LAST", "CITY", "AMOUNT", "BORN", "ACTIVE", "NOTES"};
    const char types[] = {'C', 'C', 'C', 'N', 'D', 'L', 'M'};
    const int lengths[] = {12, 15, 15, 10, 8, 1, 32767};
    ASSERT_EQ(session->fields.count(), 7);
    for (int i = 0; i < 7; i++) {
        const FieldEntry &f = session->fields[i];
        EXPECT_EQ(f.name, names[i]);
        EXPECT_EQ(f.wideName, w(names[i]));
        EXPECT_EQ(f.type, types[i]);
        EXPECT_EQ(f.length, lengths[i]);
        EXPECT_EQ(f.number, i + 1);
        EXPECT_EQ(f.visible, 1);
        EXPECT_EQ(f.sortOrder, 0);
        EXPECT_EQ(f.filterOperator, 0);
    }
    EXPECT_EQ(session->fields[kAmount].decimals, 2);
    EXPECT_EQ(session->count(true), 288);
    EXPECT_EQ(session->count(false), 288);
    EXPECT_EQ(vt::runBrindle({"count", table}).status, 1);  // the session holds the table
    session->closeTable();
    EXPECT_EQ(session->tableTitle(), u"No Database Open");
    EXPECT_EQ(session->fields.count(), 0);
    EXPECT_EQ(vt::runBrindle({"count", table}).out, "288\n");
}

TEST_F(SessionTest, FailedOpenLeavesTheSessionClosed) {
    EXPECT_FALSE(open(dir.file("missing.dbf")));
    EXPECT_FALSE(session->isOpen());
    EXPECT_EQ(session->tableTitle(), u"No Database Open");
    EXPECT_EQ(session->fields.count(), 0);
    EXPECT_FALSE(shown.messages().empty());  // the engine told the user
    // A table flagging a production index that is not there.
    std::string flagged = vt::copyFixture("harbour/empty.dbf", dir);
    EXPECT_FALSE(open(flagged));
    // The error was cleared: the next open works.
    EXPECT_TRUE(open(copySample("people", dir)));
    EXPECT_EQ(session->count(true), 288);
}

TEST_F(SessionTest, TitleIsTheFileNamePart) {
    copySample("people", dir);
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    bool opened = open("people.dbf");  // no separator: the whole path
    std::u16string title = session->tableTitle();
    session->closeTable();
    ASSERT_EQ(chdir(here), 0);
    EXPECT_TRUE(opened);
    EXPECT_EQ(title, u"people.dbf");

    // A folder with letters outside Latin-1 reaches the file system as UTF-8.
    std::string folder = dir.file("\xd0\x94\xd0\xb0\xd0\xbd\xd0\xbd\xd1\x8b\xd0\xb5");  // "Данные"
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(dir.file("people.dbf"), folder + "/Z\xc3\xb6" "e.dbf");
    std::filesystem::copy_file(dir.file("people.fpt"), folder + "/Z\xc3\xb6" "e.fpt");
    ASSERT_TRUE(open(folder + "/Z\xc3\xb6" "e.dbf"));
    EXPECT_EQ(session->tableTitle(), u"Z\u00f6e.dbf");
}

TEST_F(SessionOnPeople, OpeningAnotherTableClosesTheFirst) {
    ASSERT_EQ(session->addSortKey(kLast, 'A'), 0);
    ASSERT_TRUE(open(copySample("orders", dir)));
    EXPECT_EQ(session->tableTitle(), u"orders.dbf");
    EXPECT_EQ(session->sortKeys.count(), 0);
    EXPECT_EQ(session->fields.count(), 9);  // _NullFlags left out
    EXPECT_EQ(session->fields[0].name, "ID");
    EXPECT_EQ(vt::runBrindle({"count", table}).out, "288\n");  // released
}

TEST_F(SessionOnPeople, NavigationPassesOverDeletedRecords) {
    std::vector<long> expected = liveWhere([](const PeerRecord &) { return true; });
    ASSERT_LT(expected.size(), peer.size());  // the sample has deleted records
    EXPECT_EQ(walk(), expected);

    std::vector<long> backwards;
    DisplayCell c;
    for (bool on = session->goBottom(); on; on = session->skipPrevious()) {
        session->readRow(&c, 1);
        backwards.push_back(c.recordNumber);
    }
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(backwards, expected);

    ASSERT_TRUE(session->move(5, true));
    session->readRow(&c, 1);
    EXPECT_EQ(c.recordNumber, expected[5]);
    ASSERT_TRUE(session->move(-2, false));
    session->readRow(&c, 1);
    EXPECT_EQ(c.recordNumber, expected[3]);
    EXPECT_FALSE(session->move(300, true));
    EXPECT_FALSE(session->readRow(&c, 1));  // past the end
    EXPECT_EQ(c.recordNumber, -1);
    EXPECT_EQ(c.number, -1.0);
}

TEST_F(SessionTest, TableWithEveryRecordDeleted) {
    std::string t = dir.file("gone.dbf");
    ASSERT_EQ(vt::runBrindle({"create", t, "NAME:C:5"}).status, 0);
    for (int i = 0; i < 3; i++) ASSERT_EQ(vt::runBrindle({"append", t, "NAME=x"}).status, 0);
    ASSERT_EQ(vt::runBrindle({"delete", t, "1", "2", "3"}).status, 0);
    ASSERT_TRUE(open(t));
    EXPECT_FALSE(session->goTop());
    EXPECT_FALSE(session->goBottom());
    EXPECT_EQ(session->count(true), 0);
    DisplayCell cells[2];
    EXPECT_FALSE(session->readRow(cells, 2));
    for (const DisplayCell &c : cells) {
        EXPECT_EQ(c.recordNumber, -1);
        EXPECT_EQ(c.valid, 0);
        EXPECT_EQ(c.text, u"");
    }
}

TEST_F(SessionOnPeople, ColumnsFollowTheVisibleFlags) {
    EXPECT_TRUE(session->setVisible(kLast, false));
    EXPECT_EQ(session->columnCount(false), 6);
    EXPECT_EQ(session->columnCount(true), 7);
    EXPECT_EQ(session->fieldIndexOfColumn(1), kCity);
    EXPECT_EQ(session->fieldIndexOfColumn(0, false), kLast);
    EXPECT_EQ(session->fieldIndexOfColumn(1, false), -1);
    EXPECT_EQ(session->fieldIndexOfColumn(6), -1);
    EXPECT_FALSE(session->setVisible(6, false));

    DisplayCell captions[7];
    session->columnCaptions(captions, 7);
    EXPECT_EQ(captions[0].text, u"FIRST");
    EXPECT_EQ(captions[1].text, u"CITY");
    EXPECT_EQ(captions[5].text, u"NOTES");
    EXPECT_EQ(captions[6].text, u"");

    DisplayCell row[6];
    ASSERT_TRUE(session->goTop());
    ASSERT_TRUE(session->readRow(row, 6));
    EXPECT_EQ(u8(row[1].text), live[0].texts[kCity]);
    EXPECT_EQ(row[1].recordNumber, live[0].recno);
    EXPECT_EQ(row[1].valid, 1);

    EXPECT_TRUE(session->setVisible(-1, true));
    EXPECT_EQ(session->columnCount(false), 7);
}

TEST_F(SessionOnPeople, FieldMenuFollowsTheFieldsInDisplayOrder) {
    FakeMenu menu;
    for (int i = 0; i < 10; i++) menu.appendItem(100 + i, u"stale");
    session->fillFieldMenu(menu);
    ASSERT_EQ(menu.items.size(), 7u);
    for (int i = 0; i < 7; i++) {
        EXPECT_EQ(menu.items[(size_t)i].id, i + 1);
        EXPECT_EQ(menu.items[(size_t)i].text, session->fields[i].wideName);
    }
    session->fields.swap(0, 6);
    menu.items.resize(2);
    session->fillFieldMenu(menu);
    ASSERT_EQ(menu.items.size(), 7u);
    EXPECT_EQ(menu.items[0].text, u"NOTES");
    EXPECT_EQ(menu.items[6].text, u"FIRST");
    session->closeTable();
    session->fillFieldMenu(menu);
    EXPECT_TRUE(menu.items.empty());
}

TEST_F(SessionOnPeople, SortKeysOrderTheView) {
    auto upper = [](std::string s) {
        for (char &c : s) c = (char)std::toupper((unsigned char)c);
        return s;
    };
    std::vector<PeerRecord> byName = live;
    std::stable_sort(byName.begin(), byName.end(), [&](const PeerRecord &a, const PeerRecord &b) {
        return upper(a.texts[kLast]) < upper(b.texts[kLast]);
    });
    std::vector<long> expected;
    for (const PeerRecord &r : byName) expected.push_back(r.recno);
    ASSERT_EQ(session->addSortKey(kLast, 'B'), 0);
    EXPECT_EQ(walk(), expected);
    EXPECT_EQ(session->count(true), 288);

    // A second key breaks ties; the list order is the priority.
    std::stable_sort(byName.begin(), byName.end(), [&](const PeerRecord &a, const PeerRecord &b) {
        if (upper(a.texts[kLast]) != upper(b.texts[kLast])) return upper(a.texts[kLast]) < upper(b.texts[kLast]);
        return a.numbers[kAmount] > b.numbers[kAmount];
    });
    expected.clear();
    for (const PeerRecord &r : byName) expected.push_back(r.recno);
    ASSERT_EQ(session->addSortKey(kAmount, 'D'), 0);
    EXPECT_EQ(walk(), expected);

    // A key on the same field replaces the first one.
    ASSERT_EQ(session->addSortKey(kLast, 'A'), 0);
    ASSERT_EQ(session->sortKeys.count(), 2);
    EXPECT_EQ(session->sortKeys[0].sortOrder, 'A');
    EXPECT_EQ(session->sortKeys[0].name, "LAST");

    session->resetSort();
    EXPECT_EQ(session->sortKeys.count(), 0);
    EXPECT_EQ(walk(), liveWhere([](const PeerRecord &) { return true; }));
}

TEST_F(SessionOnPeople, SortThatGivesNoExpressionIsRefused) {
    EXPECT_EQ(session->addSortKey(kActive, 'A'), -1);  // logical fields are left out
    EXPECT_EQ(session->sortKeys.count(), 0);
    EXPECT_EQ(session->addSortKey(kLast, 'Q'), -1);
    EXPECT_EQ(session->addSortKey(9, 'A'), -1);
    EXPECT_EQ(walk(), liveWhere([](const PeerRecord &) { return true; }));

    // A sort the relation refuses (UPPER() of a number does not parse) is
    // reported, and the sort in force before it comes back.
    ASSERT_EQ(session->addSortKey(kCity, 'D'), 0);
    std::vector<long> byCity = walk();
    shown.clear();
    EXPECT_EQ(session->addSortKey(kAmount, 'B'), -1);
    EXPECT_FALSE(shown.messages().empty());
    ASSERT_EQ(session->sortKeys.count(), 1);
    EXPECT_EQ(session->sortKeys[0].name, "CITY");
    EXPECT_EQ(walk(), byCity);
}

TEST_F(SessionOnPeople, FilterConditionsNarrowTheView) {
    ASSERT_EQ(session->addFilterCondition(kCity, '=', cell("Berlin")), 0);
    std::vector<long> berlin = liveWhere([](const PeerRecord &r) { return r.texts[kCity] == "Berlin"; });
    ASSERT_FALSE(berlin.empty());
    EXPECT_EQ(session->count(false), (long)berlin.size());
    EXPECT_EQ(walk(), berlin);

    // A second condition on another field narrows further (.AND.).
    ASSERT_EQ(session->addFilterCondition(kAmount, 'G', cell("5000")), 0);
    EXPECT_EQ(walk(), liveWhere([](const PeerRecord &r) {
                  return r.texts[kCity] == "Berlin" && r.numbers[kAmount] >= 5000;
              }));
    EXPECT_EQ(session->filterConditions.count(), 2);

    session->resetFilter();
    EXPECT_EQ(session->count(false), 288);
    EXPECT_EQ(session->filterConditions.count(), 0);
}

TEST_F(SessionOnPeople, FilterOnEachKindOfField) {
    // A range on a number: two conditions on one field.
    ASSERT_EQ(session->addFilterCondition(kAmount, 'G', cell("2000")), 0);
    ASSERT_EQ(session->addFilterCondition(kAmount, 'L', cell("4000")), 0);
    EXPECT_EQ(walk(), liveWhere([](const PeerRecord &r) {
                  return r.numbers[kAmount] >= 2000 && r.numbers[kAmount] <= 4000;
              }));
    session->resetFilter();

    // Logical: the value text becomes .T. / .F.
    ASSERT_EQ(session->addFilterCondition(kActive, '=', cell("False", -1)), 0);
    std::vector<long> inactive = liveWhere([](const PeerRecord &r) { return r.texts[kActive] == "False"; });
    ASSERT_FALSE(inactive.empty());
    EXPECT_EQ(walk(), inactive);
    session->resetFilter();

    // Dates compare as CCYYMMDD.
    double from = 2440588;  // 1970-01-01
    ASSERT_EQ(session->addFilterCondition(kBorn, 'G', cell("01/01/1970", from)), 0);
    EXPECT_EQ(walk(), liveWhere([&](const PeerRecord &r) { return r.numbers[kBorn] >= from; }));
    session->resetFilter();

    // Memo "=" finds the memos that start with the value; "$" those holding it.
    ASSERT_EQ(session->addFilterCondition(kNotes, '=', cell("Long-standing customer.")), 0);
    std::vector<long> longStanding =
        liveWhere([](const PeerRecord &r) { return r.texts[kNotes].rfind("Long-standing customer.", 0) == 0; });
    ASSERT_FALSE(longStanding.empty());
    EXPECT_EQ(walk(), longStanding);
    session->resetFilter();
    ASSERT_EQ(session->addFilterCondition(kNotes, '$', cell("time")), 0);
    EXPECT_EQ(walk(), liveWhere([](const PeerRecord &r) { return r.texts[kNotes].find("time") != std::string::npos; }));
    EXPECT_TRUE(shown.messages().empty());
}

TEST_F(SessionOnPeople, FailedConditionLeavesTheFilterAsItWas) {
    ASSERT_EQ(session->addFilterCondition(kCity, '=', cell("Oslo")), 0);
    long oslo = session->count(false);
    // A logical value that is neither true nor false cannot be written.
    EXPECT_EQ(session->addFilterCondition(kActive, '=', cell("?", 0)), -1);
    // A value the code page cannot hold.
    EXPECT_EQ(session->addFilterCondition(kLast, '=', cell("\xd0\x96")), -1);
    EXPECT_TRUE(shown.messages().empty());
    // A text with both quotes that ends its string early does not parse.
    EXPECT_EQ(session->addFilterCondition(kLast, '$', cell("\"'")), -1);
    EXPECT_FALSE(shown.messages().empty());  // the engine's parse error
    EXPECT_EQ(session->filterConditions.count(), 1);
    EXPECT_EQ(session->count(false), oslo);
    EXPECT_EQ((long)walk().size(), oslo);
    // A "$" on a number writes nothing: an empty filter is not set.
    EXPECT_EQ(session->addFilterCondition(kAmount, '$', cell("5")), 0);
    EXPECT_EQ(session->filterConditions.count(), 2);
    session->filterConditions.remove(0);
    EXPECT_FALSE(session->applyFilter());
    EXPECT_EQ((long)walk().size(), oslo);  // the previous query stays in force
}

TEST_F(SessionOnPeople, FilterAndSortTogether) {
    ASSERT_EQ(session->addSortKey(kAmount, 'D'), 0);
    ASSERT_EQ(session->addFilterCondition(kCity, '=', cell("Vienna")), 0);
    std::vector<PeerRecord> vienna;
    for (const PeerRecord &r : live)
        if (r.texts[kCity] == "Vienna") vienna.push_back(r);
    std::stable_sort(vienna.begin(), vienna.end(),
                     [](const PeerRecord &a, const PeerRecord &b) { return a.numbers[kAmount] > b.numbers[kAmount]; });
    std::vector<long> expected;
    for (const PeerRecord &r : vienna) expected.push_back(r.recno);
    EXPECT_EQ(walk(), expected);
    EXPECT_EQ(session->count(false), (long)expected.size());
}

TEST_F(SessionOnPeople, WaitCursorAroundSortAndFilter) {
    CountingBusy busy;
    session->setBusyIndicator(&busy);
    session->applySort();
    EXPECT_EQ(busy.waits, 1);
    EXPECT_EQ(busy.normals, 1);
    session->applyFilter();
    EXPECT_EQ(busy.waits, busy.normals);
    EXPECT_EQ(busy.depth, 0);
    EXPECT_GE(busy.waits, 2);
    session->setBusyIndicator(nullptr);
}

}  // namespace
