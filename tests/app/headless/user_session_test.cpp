// A whole user session run headless from the script file
// tests/app/scripts/user_session.txt: open the people sample from the open
// dialog, sort by two keys, filter, edit a record in the form view, add one,
// delete one, arrange the columns and exit. The table it leaves is compared
// byte for byte with a copy of the sample changed the same way with brindle,
// its memos through brindle's dump, and its records as python3-dbfread reads
// them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>

#include "grid_test_util.h"
#include "peer_rows.h"

using ::testing::ElementsAre;

namespace vt {
namespace {

// people.dbf: the header's last-update date (YY MM DD), the header's and a
// record's length.
constexpr size_t kUpdateDate = 1, kUpdateDateLength = 3, kPeopleHeader = 258, kPeopleRecord = 72;

// What the script does, as brindle commands on the expected copy.
constexpr long kEdited = 194, kDeleted = 31, kAppended = 301;
const std::vector<std::string> kEdit = {"FIRST=Katrin", "AMOUNT=1234.5",
                                        "NOTES=Moved to the second district; new address on file."};
const std::vector<std::string> kAppend = {"FIRST=Mira",  "LAST=Novak", "CITY=Vienna", "AMOUNT=250.75",
                                          "ACTIVE=T", "NOTES=Added during the session."};

void brindleOk(std::vector<std::string> args) {
    RunResult r = runBrindle(args);
    ASSERT_EQ(r.status, 0) << args[0] << ": " << r.err;
}

// The header's last-update bytes for a day.
std::vector<unsigned char> updateDateOf(std::time_t when) {
    std::tm day{};
    localtime_r(&when, &day);
    return {(unsigned char)(day.tm_year % 100), (unsigned char)(day.tm_mon + 1), (unsigned char)day.tm_mday};
}

// Checks that a table's last-update date is one of the days the run spanned
// and blanks it, so that the rest of the file can be compared exactly.
void checkAndClearUpdateDate(std::vector<unsigned char> &bytes, std::time_t start, std::time_t end,
                             const std::string &what) {
    ASSERT_GT(bytes.size(), kPeopleHeader) << what;
    std::vector<unsigned char> stored(bytes.begin() + kUpdateDate, bytes.begin() + kUpdateDate + kUpdateDateLength);
    EXPECT_TRUE(stored == updateDateOf(start) || stored == updateDateOf(end))
        << what << " was stamped " << int(stored[0]) << "-" << int(stored[1]) << "-" << int(stored[2]);
    std::fill(bytes.begin() + kUpdateDate, bytes.begin() + kUpdateDate + kUpdateDateLength, 0);
}

std::string peerLine(const PeerRow &row) {
    std::string out = std::to_string(row.recno) + " " + row.flag;
    for (const PeerValue &v : row.values) out += " " + v.name + "=" + (v.text ? *v.text : "~");
    return out;
}

// A dumped record as one text: its number, mark and every value.
std::string recordText(const Json &record) {
    std::string out = std::to_string(record["recno"].integer()) + (record["deleted"].boolean ? " *" : "  ");
    for (const auto &[name, v] : record["values"].fields)
        out += " " + name + "=" + std::to_string(int(v.kind)) + ":" + v.text + ":" + std::to_string(v.number) +
               (v.boolean ? ":T" : ":F");
    return out;
}

std::string peerText(const PeerRow &row, const std::string &field) {
    const std::optional<std::string> *v = row.value(field);
    return v && *v ? **v : "<none>";
}

TEST(UserSession, TheScriptedSessionLeavesTheTableBrindleMakesWithTheSameChanges) {
    TempDir dir;
    std::string docs = dir.file("Documents");
    mkdir(docs.c_str(), 0777);
    std::string table = docs + "/people.dbf";
    writeFile(table, readFile(samplePath("people.dbf")));
    writeFile(docs + "/people.fpt", readFile(samplePath("people.fpt")));
    std::string expected = sampleCopy(dir, "people.dbf");

    std::string script = slurpText(std::string(VANDREL_SOURCE_DIR) + "/tests/app/scripts/user_session.txt");
    ASSERT_FALSE(script.empty());
    ScopedEnv documents("XDG_DOCUMENTS_DIR", docs);
    std::time_t start = std::time(nullptr);
    AppRun r = runVandrel(dir, script);
    ASSERT_EQ(r.result.status, 0) << r.result.err;

    // Where the session went, step by step.
    EXPECT_EQ(stateOf(r, "opened")["title"].text, "people.dbf");
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "sorted"), "grid"), 2)[0], "Clara");
    EXPECT_EQ(stateOf(r, "filtered")["counter"].text, "1 of 35") << "the live people of Vienna";
    EXPECT_EQ(stateOf(r, "form")["title"].text, "Form View [Record Number = 194]");
    Json edited = panelOf(stateOf(r, "edited"), "form");
    EXPECT_THAT(rowTexts(edited, 1), ElementsAre("FIRST", "Katrin"));
    EXPECT_THAT(rowTexts(edited, 4), ElementsAre("AMOUNT", "1234.50"));
    EXPECT_EQ(stateOf(r, "saved")["pane"].integer(), 0);
    EXPECT_EQ(stateOf(r, "added")["title"].text, "Form View [New Record]");
    EXPECT_EQ(stateOf(r, "appended")["counter"].text, "1 of 36");
    EXPECT_EQ(rowRecords(panelOf(stateOf(r, "chosen"), "grid"))[2], kDeleted);
    EXPECT_EQ(stateOf(r, "deleted")["counter"].text, "Total: 35");
    EXPECT_THAT(rowTexts(panelOf(stateOf(r, "arrangedGrid"), "grid"), 0),
                ElementsAre("CITY", "FIRST", "LAST", "AMOUNT", "BORN", "ACTIVE"));
    EXPECT_EQ(r.state("afterExit"), "");

    // The same changes made with brindle on the expected copy.
    std::vector<std::string> set{"set", expected, std::to_string(kEdited)};
    set.insert(set.end(), kEdit.begin(), kEdit.end());
    brindleOk(set);
    std::vector<std::string> append{"append", expected};
    append.insert(append.end(), kAppend.begin(), kAppend.end());
    brindleOk(append);
    brindleOk({"delete", expected, std::to_string(kDeleted)});
    if (HasFatalFailure()) return;
    std::time_t end = std::time(nullptr);

    // The .dbf byte for byte, but for the day each writer stamped.
    std::vector<unsigned char> got = readFile(table), want = readFile(expected);
    checkAndClearUpdateDate(got, start, end, "the app's table");
    checkAndClearUpdateDate(want, start, end, "brindle's table");
    ASSERT_EQ(got.size(), want.size());
    size_t first = 0;
    while (first < got.size() && got[first] == want[first]) first++;
    EXPECT_EQ(first, got.size()) << "first differing byte at " << first << " (record "
                                 << (first < kPeopleHeader ? 0 : (first - kPeopleHeader) / kPeopleRecord + 1) << ")";

    // Both writers go through the same memo allocation in the same order
    // (the edited note first, then the new record's), so the memo file
    // matches too, block for block.
    EXPECT_TRUE(readFile(docs + "/people.fpt") == readFile(dir.file("people.fpt"))) << "the memo files differ";

    // Memo texts (and every other value) as brindle reads them.
    RunResult gotDump = runBrindle({"dump", table, "--format", "json", "--deleted"});
    RunResult wantDump = runBrindle({"dump", expected, "--format", "json", "--deleted"});
    ASSERT_EQ(gotDump.status, 0) << gotDump.err;
    ASSERT_EQ(wantDump.status, 0) << wantDump.err;
    Json dump = Json::parse(gotDump.out), wantRecords = Json::parse(wantDump.out);
    ASSERT_EQ(dump["records"].size(), size_t(kAppended));
    ASSERT_EQ(wantRecords["records"].size(), dump["records"].size());
    for (size_t i = 0; i < dump["records"].size(); i++)
        EXPECT_EQ(recordText(dump["records"][i]), recordText(wantRecords["records"][i])) << "record " << i + 1;
    EXPECT_EQ(dump["records"][size_t(kEdited - 1)]["values"]["NOTES"].text, kEdit[2].substr(6));
    EXPECT_EQ(dump["records"][size_t(kAppended - 1)]["values"]["NOTES"].text, kAppend[5].substr(6));

    // And as python3-dbfread reads them.
    std::vector<PeerRow> peerGot = peerRows("dbfread", table), peerWant = peerRows("dbfread", expected);
    ASSERT_EQ(peerGot.size(), size_t(kAppended));
    ASSERT_EQ(peerWant.size(), peerGot.size());
    for (size_t i = 0; i < peerGot.size(); i++) EXPECT_EQ(peerLine(peerGot[i]), peerLine(peerWant[i]));
    EXPECT_EQ(peerText(peerGot[kEdited - 1], "FIRST"), "Katrin");
    EXPECT_EQ(peerText(peerGot[kAppended - 1], "LAST"), "Novak");
    EXPECT_EQ(peerText(peerGot[kAppended - 1], "NOTES"), "Added during the session.");
    EXPECT_EQ(peerGot[kDeleted - 1].flag, "*");
}

}  // namespace
}  // namespace vt
