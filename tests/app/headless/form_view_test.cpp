// The form view driven headless: opening a record from the grid, the titles,
// editing every kind of value through its helper and saving, the two
// new-record buttons, the save question, refused writes, and what lands in
// the file as brindle and python3-dbfread read it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "../grid_tables.h"
#include "grid_test_util.h"
#include "pages/calendar.h"
#include "pages/date_picker_pane.h"
#include "peer_rows.h"

using ::testing::ElementsAre;

namespace vt {
namespace {

// people.dbf: FIRST C12, LAST C15, CITY C15, AMOUNT N10.2, BORN D, ACTIVE L, NOTES M.
enum PeopleRow { kFirst = 1, kLast, kCity, kAmount, kBorn, kActive, kNotes };
constexpr int kPeopleHeader = 258, kPeopleRecord = 72, kActiveOffset = 61;

// The form list's value cell of a row (row 0 the header), on the screen.
std::string valueCell(int row) { return at(150, kGridTop + kRowHeight * row + 6); }
std::string editRow(int row) { return "dtap " + valueCell(row); }
// Selects a row of the unsorted grid and opens the form view on its record.
std::string openRecord(int row) { return tapCell(row, 0) + tapCommand(0); }
// The field text editor's buttons (bottom strip at page y 154 with the keyboard up).
const char *kEditorCancel = "tap 156 191\n";
const char *kEditorSave = "tap 209 191\n";
const char *kTapOutside = "tap 20 300\n";

enum FormPlace { kNewBlank = 0, kNewCopy = 1, kSave = 5, kClose = 6 };

// Every record, deleted ones too (valuesOf finds them by number).
Json dump(const std::string &table) {
    RunResult r = runBrindle({"dump", table, "--format", "json", "--deleted"});
    EXPECT_EQ(r.status, 0) << r.err;
    return Json::parse(r.out);
}
const Json &valuesOf(const Json &d, long recno) {
    static const Json none;
    for (const Json &rec : d["records"].items)
        if (rec["recno"].integer() == recno) return rec["values"];
    return none;
}
// A record's values as one text, for comparing records.
std::string flat(const Json &values) {
    std::string out;
    for (const auto &[name, v] : values.fields)
        out += name + "=" + std::to_string(int(v.kind)) + ":" + v.text + ":" + std::to_string(v.number) + ":" +
               (v.boolean ? "T" : "F") + ";";
    return out;
}
std::string peerText(const std::vector<PeerRow> &rows, long recno, const std::string &field) {
    for (const PeerRow &r : rows)
        if (r.recno == recno) {
            const std::optional<std::string> *v = r.value(field);
            return v && *v ? **v : "<none>";
        }
    return "<no record>";
}
// The value texts of the form list's rows 1 ... n.
std::vector<std::string> formValues(const Json &state, size_t n) {
    std::vector<std::string> out;
    Json form = panelOf(state, "form");
    for (size_t i = 1; i <= n; i++) out.push_back(form["rows"][i][1].text);
    return out;
}

class FormView : public ::testing::Test {
protected:
    TempDir dir;
    std::string people = sampleCopy(dir, "people.dbf");
    AppRun run(const std::string &script, const std::string &table) {
        AppRun r = runVandrel(dir, script, {table});
        EXPECT_EQ(r.result.status, 0) << r.result.err;
        return r;
    }
    // The grid row (in record order, deleted records left out) of a record.
    int rowOf(long recno, const std::string &table = "") {
        std::vector<long> live = brindleOrder(table.empty() ? people : table, "");
        auto it = std::find(live.begin(), live.end(), recno);
        EXPECT_NE(it, live.end()) << recno << " is deleted";
        return int(it - live.begin()) + 1;
    }
    void patchActive(long recno, char c) {
        std::vector<unsigned char> bytes = readFile(people);
        bytes[size_t(kPeopleHeader + (recno - 1) * kPeopleRecord + kActiveOffset)] = (unsigned char)c;
        writeFile(people, bytes);
    }
};

TEST_F(FormView, ShowsTheRecordWithItsNumberAndTheNewRecordTitles) {
    AppRun r = run(openRecord(rowOf(12)) + "state form\n" + tapButton(kNewCopy) + "state copy\n" + tapButton(kNewBlank) +
                       "state blank\n", people);
    Json form = stateOf(r, "form");
    EXPECT_EQ(form["pane"].integer(), 1);
    EXPECT_EQ(form["title"].text, "Form View [Record Number = 12]");
    Json list = panelOf(form, "form");
    EXPECT_THAT(rowTexts(list, 0), ElementsAre("Field", "Value"));
    EXPECT_THAT(rowTexts(list, kFirst)[0], "FIRST");
    EXPECT_THAT(rowTexts(list, kNotes)[0], "NOTES");
    EXPECT_THAT(rowTexts(list, kNotes + 1), ElementsAre("", ""));
    EXPECT_TRUE(list["vscroll"].isNull()) << "seven fields need no scroll bar";
    Json table = dump(people);
    const Json &rec = valuesOf(table, 12);
    EXPECT_EQ(rowTexts(list, kFirst)[1], rec["FIRST"].text);
    EXPECT_EQ(rowTexts(list, kCity)[1], rec["CITY"].text);
    EXPECT_EQ(rowTexts(list, kNotes)[1], rec["NOTES"].text);

    Json copy = stateOf(r, "copy");
    EXPECT_EQ(copy["title"].text, "Form View [New Record]");
    EXPECT_EQ(formValues(copy, 7), formValues(form, 7)) << "the copy keeps the values";
    Json blank = stateOf(r, "blank");
    EXPECT_EQ(blank["title"].text, "Form View [New Record]");
    EXPECT_THAT(formValues(blank, 7), ElementsAre("", "", "", "", "", "", ""));
}

TEST_F(FormView, EveryKindOfEditIsWrittenExactlyAsEntered) {
    Json before = dump(people);
    const Json &old = valuesOf(before, 12);
    bool wasActive = old["ACTIVE"].boolean;
    // BORN: the calendar opens on the stored date; pick another day of that month.
    int y = 0, m = 0, d = 0;
    ASSERT_EQ(std::sscanf(old["BORN"].text.c_str(), "%d-%d-%d", &y, &m, &d), 3);
    vpages::CivilDate picked{y, m, d == 1 ? 2 : 1};
    vp::Point origin = vpages::DatePickerPane::placement({84, 22 + 13 * kBorn, 222, 35 + 13 * kBorn});
    int k = vpages::weekday({y, m, 1}) + picked.day - 1;
    std::string day = "tap " + at(origin.x + 1 + 18 * (k % 7) + 9, origin.y + 26 + 32 + 14 * (k / 7) + 7);

    std::string script = openRecord(rowOf(12)) +
                         editRow(kFirst) + "key Zoë\n" + kEditorSave +            // text: the field text editor
                         editRow(kAmount) + "key 42.5-\npress Enter\n" +         // number: the keypad
                         editRow(kBorn) + day + day +                            // date: choose, then confirm
                         editRow(kActive) + (wasActive ? "menu False\n" : "menu True\n") +
                         editRow(kNotes) + "key A memo typed in the form view, longer than its field.\n" + kEditorSave +
                         "state edited\n" + tapButton(kSave) + "state saved\n";
    AppRun r = run(script, people);
    Json edited = stateOf(r, "edited");
    EXPECT_EQ(edited["pane"].integer(), 1);
    std::vector<std::string> shown = formValues(edited, 7);
    EXPECT_EQ(shown[kFirst - 1], "Zoë");
    EXPECT_EQ(shown[kAmount - 1], "-42.50");
    EXPECT_EQ(shown[kActive - 1], wasActive ? "False" : "True");
    Json saved = stateOf(r, "saved");
    EXPECT_EQ(saved["pane"].integer(), 0) << "saving goes back to the grid";

    char born[16];
    std::snprintf(born, sizeof born, "%04d-%02d-%02d", picked.year, picked.month, picked.day);
    Json after = dump(people);
    const Json &now = valuesOf(after, 12);
    EXPECT_EQ(now["FIRST"].text, "Zoë");
    EXPECT_EQ(now["LAST"].text, old["LAST"].text);
    EXPECT_EQ(now["CITY"].text, old["CITY"].text);
    EXPECT_DOUBLE_EQ(now["AMOUNT"].number, -42.5);
    EXPECT_EQ(now["BORN"].text, born);
    EXPECT_EQ(now["ACTIVE"].boolean, !wasActive);
    EXPECT_EQ(now["NOTES"].text, "A memo typed in the form view, longer than its field.");
    ASSERT_EQ(after["records"].size(), before["records"].size());
    for (long recno = 1; recno <= long(before["records"].size()); recno++)
        if (recno != 12) {
            EXPECT_EQ(flat(valuesOf(after, recno)), flat(valuesOf(before, recno))) << recno;
        }

    std::vector<PeerRow> peer = peerRows("dbfread", people);
    ASSERT_EQ(peer.size(), before["records"].size());
    EXPECT_EQ(peerText(peer, 12, "FIRST"), "Zo\xEB");
    EXPECT_DOUBLE_EQ(std::stod(peerText(peer, 12, "AMOUNT")), -42.5);
    EXPECT_EQ(peerText(peer, 12, "BORN"), std::string(born).erase(7, 1).erase(4, 1));
    EXPECT_EQ(peerText(peer, 12, "ACTIVE"), wasActive ? "F" : "T");
    EXPECT_EQ(peerText(peer, 12, "NOTES"), "A memo typed in the form view, longer than its field.");
}

TEST_F(FormView, CancelInTheTextEditorStillAsksAndNoLeavesTheFileAlone) {
    std::vector<unsigned char> bytes = readFile(people);
    AppRun r = run(openRecord(rowOf(3)) + editRow(kCity) + "key Nowhere\n" + kEditorCancel + "state back\n" +
                       tapButton(kClose) + "state asked\nanswer No\nstate grid\n", people);
    Json back = stateOf(r, "back");
    EXPECT_EQ(back["pane"].integer(), 1) << "the editor returns to the form view";
    EXPECT_EQ(formValues(back, 7)[kCity - 1], valuesOf(dump(people), 3)["CITY"].text) << "Cancel keeps the old text";
    Json asked = stateOf(r, "asked");
    EXPECT_EQ(asked["message"]["text"].text, "Record has been modified. Save changes?");
    EXPECT_THAT(asked["message"]["buttons"].items.size(), 2u);
    EXPECT_EQ(stateOf(r, "grid")["pane"].integer(), 0);
    EXPECT_EQ(readFile(people), bytes);
}

TEST_F(FormView, CloseWithYesSavesAndUneditedCloseAsksNothing) {
    AppRun r = run(openRecord(rowOf(4)) + tapButton(kClose) + "state plain\n" + openRecord(rowOf(4)) +
                       editRow(kCity) + "key Utrecht\n" + kEditorSave + tapButton(kClose) + "answer Yes\nstate grid\n",
                   people);
    Json plain = stateOf(r, "plain");
    EXPECT_TRUE(plain["message"].isNull());
    EXPECT_EQ(plain["pane"].integer(), 0);
    EXPECT_EQ(stateOf(r, "grid")["pane"].integer(), 0);
    EXPECT_EQ(valuesOf(dump(people), 4)["CITY"].text, "Utrecht");
}

TEST_F(FormView, ANewBlankRecordSavedWithoutEditsAppendsABlankRecord) {
    AppRun r = run(openRecord(rowOf(2)) + tapButton(kNewBlank) + tapButton(kSave) + "state grid\n", people);
    EXPECT_EQ(stateOf(r, "grid")["pane"].integer(), 0);
    Json after = dump(people);
    ASSERT_EQ(after["records"].size(), 301u);
    const Json &added = valuesOf(after, 301);
    EXPECT_EQ(added["FIRST"].text, "");
    EXPECT_EQ(added["CITY"].text, "");
    EXPECT_EQ(added["AMOUNT"].kind, Json::Kind::Number);
    EXPECT_EQ(added["AMOUNT"].number, 0.0);
    EXPECT_TRUE(added["BORN"].isNull()) << "a blank date";
    EXPECT_TRUE(added["ACTIVE"].isNull()) << "an empty assignment stores a blank";
    EXPECT_EQ(added["NOTES"].text, "");
    std::vector<PeerRow> peer = peerRows("dbfread", people);
    ASSERT_EQ(peer.size(), 301u);
    EXPECT_EQ(peerText(peer, 301, "FIRST"), "");
    EXPECT_EQ(std::stod(peerText(peer, 301, "AMOUNT")), 0.0);
    EXPECT_EQ(peerText(peer, 301, "BORN"), "<none>");
}

TEST_F(FormView, ANewRecordFromTheCurrentValuesAppendsADuplicate) {
    AppRun r = run(openRecord(rowOf(7)) + tapButton(kNewCopy) + tapButton(kSave) + "state grid\n", people);
    EXPECT_EQ(stateOf(r, "grid")["pane"].integer(), 0);
    Json after = dump(people);
    ASSERT_EQ(after["records"].size(), 301u);
    EXPECT_EQ(flat(valuesOf(after, 301)), flat(valuesOf(after, 7)));
    std::vector<PeerRow> peer = peerRows("dbfread", people);
    ASSERT_EQ(peer.size(), 301u);
    for (const char *f : {"FIRST", "LAST", "CITY", "AMOUNT", "BORN", "ACTIVE", "NOTES"})
        EXPECT_EQ(peerText(peer, 301, f), peerText(peer, 7, f)) << f;
}

TEST_F(FormView, TheCalendarOpensOnTodayForABlankDateAndCancelLeavesItUnmarked) {
    // The grid table's record 5 has a blank date (BORN, form row 4).
    std::string grid = makeGridTable(dir, "grid.dbf", generatedRows(6, false));
    vpages::CivilDate today = vpages::today();
    std::u16string month = vpages::monthName(today.month);
    std::string title = std::string(month.begin(), month.end()) + " " + std::to_string(today.year);
    AppRun r = run(openRecord(5) + editRow(4) + "state picker\n" + kTapOutside + "state after\n" + tapButton(kClose) +
                       "state closed\n", grid);
    Json picker = panelOf(stateOf(r, "picker"), "datepicker");
    EXPECT_EQ(picker["rows"][0][0].text, title);
    EXPECT_EQ(picker["selected"].integer(), today.day);
    EXPECT_EQ(stateOf(r, "after")["pane"].integer(), 1);
    Json closed = stateOf(r, "closed");
    EXPECT_TRUE(closed["message"].isNull()) << "a cancelled calendar is no change";
    EXPECT_EQ(closed["pane"].integer(), 0);
}

TEST_F(FormView, NullFieldsTakeTheValuesEnteredForThem) {
    // orders.dbf record 1: SHIPPED (nullable D, form row 8) and REMARK
    // (nullable C, row 9) are null. A day picked on the null date is written.
    std::string orders = sampleCopy(dir, "orders.dbf");
    vpages::CivilDate today = vpages::today();
    vp::Point origin = vpages::DatePickerPane::placement({84, 22 + 13 * 8, 222, 35 + 13 * 8});
    int k = vpages::weekday({today.year, today.month, 1}) + today.day - 1;
    std::string chosenDay = "tap " + at(origin.x + 1 + 18 * (k % 7) + 9, origin.y + 26 + 32 + 14 * (k / 7) + 7);
    run(openRecord(rowOf(1, orders)) + editRow(8) + chosenDay + editRow(9) + "key Fragile\n" + kEditorSave +
            tapButton(kSave),
        orders);
    char shipped[16];
    std::snprintf(shipped, sizeof shipped, "%04d%02d%02d", today.year, today.month, today.day);
    Json table = dump(orders);
    const Json &rec = valuesOf(table, 1);
    EXPECT_EQ(rec["REMARK"].text, "Fragile");
    EXPECT_EQ(rec["SHIPPED"].text, std::string(shipped).insert(6, "-").insert(4, "-"));
    EXPECT_EQ(rec["CUSTOMER"].text, "Uwe Jackson");
    std::vector<PeerRow> peer = peerRows("dbfread", orders);
    EXPECT_EQ(peerText(peer, 1, "REMARK"), "Fragile");
    EXPECT_EQ(peerText(peer, 1, "SHIPPED"), shipped);
}

TEST_F(FormView, AQuestionMarkOpensTrueFalseAndYesOpensYesNo) {
    patchActive(1, '?');
    patchActive(2, 'y');
    AppRun r = run(openRecord(rowOf(1)) + "state q\n" + editRow(kActive) + "state menu1\nmenu True\n" + tapButton(kSave) +
                       openRecord(rowOf(2)) + editRow(kActive) + "state menu2\nmenu No\n" + tapButton(kSave), people);
    EXPECT_EQ(formValues(stateOf(r, "q"), 7)[kActive - 1], "?");
    EXPECT_THAT(menuItems(stateOf(r, "menu1")), ElementsAre("True:1:0", "False:1:0"));
    EXPECT_THAT(menuItems(stateOf(r, "menu2")), ElementsAre("Yes:1:0", "No:1:0"));
    Json after = dump(people);
    EXPECT_TRUE(valuesOf(after, 1)["ACTIVE"].boolean);
    EXPECT_EQ(valuesOf(after, 2)["ACTIVE"].kind, Json::Kind::Bool);
    EXPECT_FALSE(valuesOf(after, 2)["ACTIVE"].boolean);
    std::vector<unsigned char> bytes = readFile(people);
    EXPECT_EQ(bytes[size_t(kPeopleHeader + kActiveOffset)], 'T');
    EXPECT_EQ(bytes[size_t(kPeopleHeader + kPeopleRecord + kActiveOffset)], 'N') << "the engine keeps the first letter";
}

TEST_F(FormView, ARefusedWriteIsToldAndTheFormStaysOpenWithTheValues) {
    std::vector<unsigned char> bytes = readFile(people);
    // 100 billion does not fit N(10,2); an omega is not in code page 1252.
    AppRun r = run(openRecord(rowOf(5)) + editRow(kAmount) + "key 100000000000\npress Enter\n" + tapButton(kSave) +
                       "state refused\nanswer OK\nstate open\n" + tapButton(kNewCopy) + editRow(kAmount) +
                       "key 5\npress Enter\n" + editRow(kCity) + "key Ωmega\n" + kEditorSave + tapButton(kSave) +
                       "state refusedNew\nanswer OK\nstate openNew\n",
                   people);
    Json refused = stateOf(r, "refused");
    EXPECT_EQ(refused["message"]["text"].text,
              "Could not save the record: the value of AMOUNT cannot be stored in this table.");
    Json open = stateOf(r, "open");
    EXPECT_EQ(open["pane"].integer(), 1);
    EXPECT_EQ(open["title"].text, "Form View [Record Number = 5]") << "the form keeps its record";
    EXPECT_EQ(formValues(open, 7)[kAmount - 1], "100000000000.00");
    Json refusedNew = stateOf(r, "refusedNew");
    EXPECT_EQ(refusedNew["message"]["text"].text,
              "Could not save the record: the value of CITY cannot be stored in this table.");
    Json openNew = stateOf(r, "openNew");
    EXPECT_EQ(openNew["pane"].integer(), 1);
    EXPECT_EQ(formValues(openNew, 7)[kCity - 1], "Ωmega");
    EXPECT_EQ(readFile(people), bytes) << "nothing written, no record appended";
}

TEST_F(FormView, BinaryFieldsRefuseEditingAndManyFieldsScroll) {
    std::string wide = dir.file("wide.dbf");
    RunResult made = runBrindle({"create", wide, "--level", "30", "A1:C:5", "A2:C:5", "A3:C:5", "A4:C:5", "A5:C:5",
                                 "A6:C:5", "A7:C:5", "A8:C:5", "A9:C:5", "A10:C:5", "A11:C:5", "A12:C:5", "A13:C:5",
                                 "A14:C:5", "A15:C:5", "A16:C:5", "A17:C:5", "PIC:G"});
    ASSERT_EQ(made.status, 0) << made.err;
    ASSERT_EQ(runBrindle({"append", wide, "A1=one", "A17=last"}).status, 0);
    AppRun r = run(openRecord(1) + "state top\nwheel -5 150 100\nstate bottom\n" + editRow(14) + "state binary\n" +
                       "answer OK\n" + tapButton(kClose) + "state closed\n",
                   wide);
    Json top = panelOf(stateOf(r, "top"), "form");
    EXPECT_EQ(top["vscroll"]["max"].integer(), 18 - 15 + 1);
    EXPECT_EQ(top["top"].integer(), 0);
    Json bottom = panelOf(stateOf(r, "bottom"), "form");
    EXPECT_EQ(bottom["top"].integer(), 4) << "the bar's range ends one entry past a full page";
    EXPECT_THAT(rowTexts(bottom, 13), ElementsAre("A17", "last"));
    EXPECT_THAT(rowTexts(bottom, 14), ElementsAre("PIC", "[Binary OLE]"));
    EXPECT_THAT(rowTexts(bottom, 15), ElementsAre("", ""));
    Json binary = stateOf(r, "binary");
    EXPECT_EQ(binary["message"]["text"].text, "Could not edit binary memo or OLE field on Pocket PC");
    EXPECT_TRUE(stateOf(r, "closed")["message"].isNull()) << "nothing changed";
}

TEST_F(FormView, LooksAsDrawn) {
    AppRun r = run(openRecord(rowOf(2)) + "tap " + valueCell(kCity) + "shot form\n", people);
    expectGolden(r.shot("form"), "form_view");
}

}  // namespace
}  // namespace vt
