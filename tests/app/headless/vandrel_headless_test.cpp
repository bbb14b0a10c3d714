// The real vandrel program driven headless by scripts: what it shows at
// start, opening tables, the open dialog, About, Exit, the engine's error
// box, the keyboard habits, golden screenshots and repeatable PNGs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "../app_test_util.h"
#include "../grid_tables.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace vt {
namespace {

// A documents folder with a sub-folder, tables in both cases and other files.
std::string makeDocuments(const TempDir &dir) {
    std::string docs = dir.file("Documents");
    mkdir(docs.c_str(), 0777);
    mkdir((docs + "/Archive").c_str(), 0777);
    mkdir((docs + "/archive2").c_str(), 0777);
    mkdir((docs + "/.hidden").c_str(), 0777);
    writeFile(docs + "/people.dbf", readFile(samplePath("people.dbf")));
    writeFile(docs + "/people.fpt", readFile(samplePath("people.fpt")));
    writeFile(docs + "/ORDERS.DBF", readFile(samplePath("orders.dbf")));
    writeFile(docs + "/notes.txt", std::string("not a table"));
    writeFile(docs + "/Archive/old.Dbf", readFile(samplePath("orders.dbf")));
    return docs;
}

class Headless : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(Headless, StartShowsNoDatabaseOpenWithEveryActionDisabled) {
    AppRun r = runVandrel(dir, "state start\ntap 200 38\nstate actions\n");
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    std::string s = r.state("start");
    EXPECT_THAT(s, HasSubstr("\"pane\": 0, \"title\": \"No Database Open\""));
    EXPECT_THAT(s, HasSubstr("{\"name\": \"grid empty\", \"top\": 0, \"selected\": -1, \"rows\": [[\"No Database Open\"]]}"));
    EXPECT_THAT(s, HasSubstr("\"counter\": \"Total: 0\""));
    EXPECT_THAT(s, HasSubstr("\"menu\": null, \"message\": null"));
    std::string a = r.state("actions");
    EXPECT_THAT(a, HasSubstr("{\"text\": \"Reset All\", \"id\": \"R\", \"enabled\": false"));
    EXPECT_THAT(a, HasSubstr("{\"text\": \"Arrange Fields\", \"id\": \"A\", \"enabled\": false"));
    EXPECT_THAT(a, Not(HasSubstr("\"enabled\": true")));
}

TEST_F(Headless, TableOnTheCommandLineOpensWithItsTitleAndTheCountBrindleGives) {
    RunResult count = runBrindle({"count", sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(count.status, 0);
    std::string n = count.out.substr(0, count.out.find('\n'));
    AppRun r = runVandrel(dir, "state opened\n", {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    std::string s = r.state("opened");
    EXPECT_THAT(s, HasSubstr("\"title\": \"people.dbf\""));
    EXPECT_THAT(s, HasSubstr("\"counter\": \"Total: " + n + "\""));
    EXPECT_THAT(s, HasSubstr("[\"FIRST\", \"LAST\", \"CITY\", \"AMOUNT\", \"BORN\", \"ACTIVE\", \"NOTES\"]"));
}

TEST_F(Headless, PathsOutsideLatinOneOpen) {
    // The path goes to the file system as UTF-8, not cut to the low byte of each character.
    std::string folder = dir.file("\xD0\x9A\xD0\xBD\xD0\xB8\xD0\xB3\xD0\xB8");  // Книги
    mkdir(folder.c_str(), 0777);
    std::string table = folder + "/\xC3\x98rsted \xE2\x82\xAC.dbf";  // Ørsted €.dbf
    writeFile(table, readFile(samplePath("orders.dbf")));
    AppRun r = runVandrel(dir, "state opened\ncommand open\nchoose " + table + "\nstate chosen\n", {table});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(r.state("opened"), HasSubstr("\"title\": \"\xC3\x98rsted \xE2\x82\xAC.dbf\""));
    EXPECT_THAT(r.state("chosen"), HasSubstr("\"title\": \"\xC3\x98rsted \xE2\x82\xAC.dbf\""));
    EXPECT_THAT(r.state("chosen"), Not(HasSubstr("\"counter\": \"Total: 0\"")));
}

TEST_F(Headless, OpenDatabaseChoosesATableAndASecondReplacesTheFirst) {
    AppRun r = runVandrel(dir, "command open\nchoose " + sampleCopy(dir, "people.dbf") + "\nstate first\n" +
                                   "command open\nchoose " + sampleCopy(dir, "orders.dbf") + "\nstate second\n");
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(r.state("first"), HasSubstr("\"title\": \"people.dbf\""));
    std::string count = runBrindle({"count", sampleCopy(dir, "orders.dbf")}).out;
    EXPECT_THAT(r.state("second"), HasSubstr("\"title\": \"orders.dbf\""));
    EXPECT_THAT(r.state("second"), HasSubstr("\"counter\": \"Total: " + count.substr(0, count.find('\n')) + "\""));
}

TEST_F(Headless, OpenDialogListsFoldersThenTablesDescendsAndCancels) {
    ScopedEnv docs("XDG_DOCUMENTS_DIR", makeDocuments(dir));
    // Rows start at y 26 + 64; each is 16 high: "..", Archive, archive2, ORDERS.DBF, people.dbf.
    AppRun r = runVandrel(dir, "command open\nstate listing\ntap 60 114\nstate archive\ntap 60 98\nstate up\n"
                               "tap 200 38\nstate cancelled\n");
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    std::string listing = r.state("listing");
    EXPECT_THAT(listing, HasSubstr("\"dialog\": {\"folder\": \"" + dir.file("Documents") + "\"}"));
    EXPECT_THAT(listing, HasSubstr("\"rows\": [[\"..\", \"Up\"], [\"Archive\", \"Folder\"], [\"archive2\", \"Folder\"], "
                                   "[\"ORDERS.DBF\", \"File\"], [\"people.dbf\", \"File\"]]"));
    EXPECT_THAT(r.state("archive"), HasSubstr("\"rows\": [[\"..\", \"Up\"], [\"old.Dbf\", \"File\"]]"));
    EXPECT_THAT(r.state("up"), HasSubstr("\"folder\": \"" + dir.file("Documents") + "\""));
    std::string cancelled = r.state("cancelled");
    EXPECT_THAT(cancelled, HasSubstr("\"dialog\": null"));
    EXPECT_THAT(cancelled, HasSubstr("\"title\": \"No Database Open\""));
}

TEST_F(Headless, TappingATableInTheDialogOpensIt) {
    ScopedEnv docs("XDG_DOCUMENTS_DIR", makeDocuments(dir));
    AppRun r = runVandrel(dir, "command open\ntap 60 162\nstate opened\n");
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(r.state("opened"), HasSubstr("\"title\": \"people.dbf\""));
}

TEST_F(Headless, CancellingTheDialogKeepsTheOpenTable) {
    ScopedEnv docs("XDG_DOCUMENTS_DIR", makeDocuments(dir));
    AppRun r = runVandrel(dir, "command open\npress Escape\nstate after\n", {sampleCopy(dir, "orders.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(r.state("after"), HasSubstr("\"title\": \"orders.dbf\""));
}

TEST_F(Headless, AboutShowsTheVersionAndClosesWithOk) {
    AppRun r = runVandrel(dir, "tap 80 307\nstate about\nanswer OK\nstate closed\ncommand about\npress Enter\nstate again\n");
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(r.state("about"), HasSubstr("\"message\": {\"caption\": \"About Vandrel\", \"text\": \"Vandrel Version "
                                            "1.0\", \"buttons\": [\"OK\"]}"));
    EXPECT_THAT(r.state("closed"), HasSubstr("\"message\": null"));
    EXPECT_THAT(r.state("again"), HasSubstr("\"message\": null"));
}

TEST_F(Headless, ExitFromTheMenuQuitsAtOnce) {
    AppRun r = runVandrel(dir, "tap 20 307\nstate menu\nmenu Exit\nshot after\n", {sampleCopy(dir, "people.dbf")});
    EXPECT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(r.state("menu"), HasSubstr("\"items\": [{\"text\": \"Exit\""));
    EXPECT_THAT(r.state("menu"), HasSubstr("{\"text\": \"Open Database\""));
    struct stat st;
    EXPECT_NE(stat(r.shot("after").c_str(), &st), 0) << "the script went on after Exit";
}

TEST_F(Headless, KeyboardHabits) {
    ScopedEnv docs("XDG_DOCUMENTS_DIR", makeDocuments(dir));
    AppRun r = runVandrel(dir, "press Ctrl+O\nstate dialog\npress Down\npress Down\npress Enter\nstate archive\n"
                               "press Escape\nstate closed\npress Ctrl+Q\nstate after\n");
    EXPECT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(r.state("dialog"), HasSubstr("\"dialog\": {\"folder\""));
    EXPECT_THAT(r.state("archive"), HasSubstr("/Documents/Archive\"}"));
    EXPECT_THAT(r.state("closed"), HasSubstr("\"dialog\": null"));
    EXPECT_EQ(r.state("after"), "") << "Ctrl+Q did not quit";
}

TEST_F(Headless, ATableTheEngineRefusesShowsItsErrorBoxAndLeavesNothingOpen) {
    std::string bad = dir.file("broken.dbf");
    writeFile(bad, std::string(40, '\x55'));
    AppRun r = runVandrel(dir, "command open\nchoose " + bad + "\nstate error\nanswer OK\nstate after\n",
                          {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    EXPECT_THAT(r.state("error"), HasSubstr("\"message\": {\"caption\": \"BRINDLE ERROR\""));
    EXPECT_THAT(r.state("after"), HasSubstr("\"title\": \"No Database Open\""));
    EXPECT_THAT(r.state("after"), HasSubstr("\"message\": null"));
}

TEST_F(Headless, ScriptMistakesStopTheRunWithTheLineNumber) {
    AppRun r = runVandrel(dir, "state a\n\n# a comment\nfly 10 10\nstate b\n");
    EXPECT_NE(r.result.status, 0);
    EXPECT_THAT(r.result.err, HasSubstr("line 4"));
    EXPECT_EQ(r.state("a"), "") << "nothing runs when the script has a mistake";
    AppRun off = runVandrel(dir, "tap 240 10\n");
    EXPECT_NE(off.result.status, 0);
    AppRun answer = runVandrel(dir, "state a\nanswer Yes\nstate b\n");
    EXPECT_NE(answer.result.status, 0);
    EXPECT_THAT(answer.result.err, HasSubstr("line 2"));
    EXPECT_NE(answer.state("a"), "");
    EXPECT_EQ(answer.state("b"), "") << "the run stops at the event that cannot be carried out";
}

TEST_F(Headless, ScreenshotsAreTheScreenAtTheScaleAndTheSameBytesEveryRun) {
    std::string script = "shot start\ncommand about\nshot about\n";
    AppRun a = runVandrel(dir, script, {"--scale", "3", sampleCopy(dir, "people.dbf")});
    AppRun b = runVandrel(dir, script, {"--scale", "3", sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(a.result.status, 0) << a.result.err;
    for (const char *name : {"start", "about"}) {
        std::vector<unsigned char> x = readFile(a.shot(name)), y = readFile(b.shot(name));
        ASSERT_FALSE(x.empty());
        EXPECT_EQ(x, y) << name;
    }
    Png png;
    ASSERT_TRUE(readPng(a.shot("start"), png));
    EXPECT_EQ(png.width, 720);
    EXPECT_EQ(png.height, 960);
    // Each logical pixel is a 3 x 3 block: the page background at page pixel (1, 100).
    for (int dy = 0; dy < 3; dy++)
        for (int dx = 0; dx < 3; dx++) EXPECT_EQ(png.at(3 + dx, 3 * 126 + dy), png.at(3, 3 * 126));
}

TEST_F(Headless, WithoutTheSkinThePageIsThePlainBackgroundColour) {
    // A copy of the program in a folder holding no GIF files.
    std::string lonely = dir.file("vandrel");
    writeFile(lonely, readFile(vandrelPath()));
    chmod(lonely.c_str(), 0755);
    AppRun bare = runVandrel(dir, "shot bare\n", {}, lonely);
    AppRun skinned = runVandrel(dir, "shot skinned\n");
    ASSERT_EQ(bare.result.status, 0) << bare.result.err;
    Png p, q;
    ASSERT_TRUE(readPng(bare.shot("bare"), p));
    ASSERT_TRUE(readPng(skinned.shot("skinned"), q));
    EXPECT_EQ(p.at(1, 30), 0xE0E0E0u) << "page background colour RGB(224,224,224)";
    EXPECT_NE(q.at(1, 30), p.at(1, 30)) << "the skin's background image is drawn when it is there";
}

TEST_F(Headless, GoldenStartPage) {
    AppRun r = runVandrel(dir, "shot start\n");
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("start"), "start");
}

TEST_F(Headless, GoldenOpenDialog) {
    ScopedEnv docs("XDG_DOCUMENTS_DIR", makeDocuments(dir));
    AppRun r = runVandrel(dir, "command open\npress Down\nshot dialog\n");
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("dialog"), "open_dialog");
}

TEST_F(Headless, GoldenAboutBox) {
    AppRun r = runVandrel(dir, "command about\nshot about\n");
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("about"), "about");
}

TEST_F(Headless, GoldenGridWithThePeopleSample) {
    AppRun r = runVandrel(dir, "tap 100 100\nshot grid\n", {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("grid"), "grid_people");
}

TEST_F(Headless, GoldenGridEmptyState) {
    AppRun r = runVandrel(dir, "shot empty\n", {makeGridTable(dir, "empty.dbf", {})});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("empty"), "grid_empty");
}

TEST_F(Headless, GoldenGridHeaderMenu) {
    AppRun r = runVandrel(dir, "tap 110 54\nshot menu\n", {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("menu"), "grid_header_menu");
}

TEST_F(Headless, GoldenGridCellMenu) {
    AppRun r = runVandrel(dir, "dtap 40 100\nshot menu\n", {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("menu"), "grid_cell_menu");
}

TEST_F(Headless, GoldenSortPage) {
    AppRun r = runVandrel(dir, "tap 110 54\nmenu Ascending\ntap 40 54\nmenu Descending (NC)\n"
                               "tap 200 281\ntap 60 67\nshot sort\n", {sampleCopy(dir, "people.dbf")});
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    expectGolden(r.shot("sort"), "sort_page");
}

}  // namespace
}  // namespace vt
