// The brindle tool driven as a user would: real tables in a temporary folder.
#include <algorithm>

#include "brindle_runner.h"
#include "cdx_bulk.h"
#include "indexes/collate4.h"
#include "test_support.h"

namespace {

using vt::runBrindle;

class BrindleTool : public ::testing::Test {
protected:
    vt::TempDir dir;
    std::string table(const std::string &name) { return dir.file(name); }
};

TEST_F(BrindleTool, HelpAndUsageErrors) {
    auto r = runBrindle({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Commands:"), std::string::npos);
    r = runBrindle({"dump", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--format"), std::string::npos);
    EXPECT_EQ(runBrindle({}).status, 2);
    EXPECT_EQ(runBrindle({"frobnicate"}).status, 2);
    EXPECT_EQ(runBrindle({"dump", "x.dbf", "--bogus"}).status, 2);
    EXPECT_EQ(runBrindle({"dump", "x.dbf", "--limit"}).status, 2);
}

TEST_F(BrindleTool, MissingTableIsAnEngineError) {
    auto r = runBrindle({"info", table("none.dbf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("File Find Error Opening File"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("none.dbf"), std::string::npos);
}

TEST_F(BrindleTool, CreateAppendDumpAtLevel25) {
    std::string t = table("people.dbf");
    auto r = runBrindle({"create", t, "NAME:C:12", "AMOUNT:N:8:2", "BORN:D", "OK:L", "NOTES:M"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runBrindle({"append", t, "NAME=Zoë", "AMOUNT=12.345", "BORN=2003-05-13", "OK=y", "NOTES=line1\nline2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n");
    r = runBrindle({"append", t, "NAME=Bob", "AMOUNT=-.5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");

    r = runBrindle({"dump", t, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "{\"table\": \"" + t +
                  "\", \"fields\": [{\"name\": \"NAME\", \"type\": \"C\", \"length\": 12, \"decimals\": 0}, "
                  "{\"name\": \"AMOUNT\", \"type\": \"N\", \"length\": 8, \"decimals\": 2}, "
                  "{\"name\": \"BORN\", \"type\": \"D\", \"length\": 8, \"decimals\": 0}, "
                  "{\"name\": \"OK\", \"type\": \"L\", \"length\": 1, \"decimals\": 0}, "
                  "{\"name\": \"NOTES\", \"type\": \"M\", \"length\": 10, \"decimals\": 0}], \"records\": ["
                  "{\"recno\": 1, \"deleted\": false, \"values\": {\"NAME\": \"Zoë\", \"AMOUNT\": 12.35, "
                  "\"BORN\": \"2003-05-13\", \"OK\": true, \"NOTES\": \"line1\\nline2\"}}, "
                  "{\"recno\": 2, \"deleted\": false, \"values\": {\"NAME\": \"Bob\", \"AMOUNT\": -0.50, "
                  "\"BORN\": null, \"OK\": null, \"NOTES\": \"\"}}]}\n");

    r = runBrindle({"dump", t, "--format", "csv", "--fields", "NAME,BORN"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "NAME,BORN\r\nZoë,2003-05-13\r\nBob,\r\n");

    // The stored bytes are cp1252 (the default code page), not UTF-8.
    auto bytes = vt::readFile(t);
    ASSERT_GT(bytes.size(), 30u);
    EXPECT_EQ(bytes[29], 0x03);
    std::string all(bytes.begin(), bytes.end());
    EXPECT_NE(all.find("Zo\xEB"), std::string::npos);
}

TEST_F(BrindleTool, RefusedValuesWriteNothing) {
    std::string t = table("t.dbf");
    ASSERT_EQ(runBrindle({"create", t, "--codepage", "cp437", "NAME:C:5", "N:N:4:1", "D:D"}).status, 0);
    ASSERT_EQ(runBrindle({"append", t, "NAME=abc"}).status, 0);
    auto before = vt::readFile(t);
    for (std::vector<std::string> bad : {std::vector<std::string>{"NAME=€uro"},  // no euro sign in cp437
                                         {"NAME=toolong"},
                                         {"N=123.4"},  // needs 5 places
                                         {"N=12x"},
                                         {"D=2003-02-30"},
                                         {"NOPE=1"}}) {
        std::vector<std::string> args{"append", t};
        args.insert(args.end(), bad.begin(), bad.end());
        auto r = runBrindle(args);
        EXPECT_NE(r.status, 0) << bad[0];
        EXPECT_FALSE(r.err.empty()) << bad[0];
        args[0] = "set";
        args.insert(args.begin() + 2, "1");
        EXPECT_NE(runBrindle(args).status, 0) << bad[0];
    }
    EXPECT_EQ(vt::readFile(t), before);
}

TEST_F(BrindleTool, CreateNeverOverwrites) {
    std::string t = table("t.dbf");
    ASSERT_EQ(runBrindle({"create", t, "A:C:3"}).status, 0);
    ASSERT_EQ(runBrindle({"append", t, "A=x"}).status, 0);
    auto before = vt::readFile(t);
    EXPECT_EQ(runBrindle({"create", t, "B:C:9"}).status, 1);
    EXPECT_EQ(vt::readFile(t), before);
    EXPECT_EQ(runBrindle({"create", table("u.dbf"), "A:S:4"}).status, 1);     // unknown type
    EXPECT_EQ(runBrindle({"create", table("v.dbf"), "A:C:3:bogus"}).status, 2);
}

TEST_F(BrindleTool, SetDeleteRecallAndDeletedViews) {
    std::string t = table("t.dbf");
    ASSERT_EQ(runBrindle({"create", t, "A:C:3", "N:N:3"}).status, 0);
    for (const char *v : {"A=one", "A=two", "A=six"}) ASSERT_EQ(runBrindle({"append", t, v}).status, 0);
    ASSERT_EQ(runBrindle({"set", t, "2", "A=TWO", "N=7"}).status, 0);
    ASSERT_EQ(runBrindle({"delete", t, "1", "3"}).status, 0);
    auto r = runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(r.out, "A,N\r\nTWO,7\r\n");
    r = runBrindle({"count", t});
    EXPECT_EQ(r.out, "1\n");
    r = runBrindle({"count", t, "--deleted"});
    EXPECT_EQ(r.out, "3\n");
    r = runBrindle({"dump", t, "--deleted", "--start", "2", "--limit", "1", "--format", "json"});
    EXPECT_NE(r.out.find("\"recno\": 2, \"deleted\": false"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("\"recno\": 3"), std::string::npos);
    ASSERT_EQ(runBrindle({"recall", t, "3"}).status, 0);
    r = runBrindle({"dump", t, "--format", "csv", "--fields", "A"});
    EXPECT_EQ(r.out, "A\r\nTWO\r\nsix\r\n");
    EXPECT_EQ(runBrindle({"set", t, "9", "A=x"}).status, 2);
    EXPECT_EQ(runBrindle({"delete", t, "0"}).status, 2);
    EXPECT_EQ(runBrindle({"set", t, "1", "A=x", "--readonly"}).status, 1);
}

TEST_F(BrindleTool, Level30TypesAndNulls) {
    std::string t = table("v.dbf");
    ASSERT_EQ(runBrindle({"create", t, "--level", "30", "ID:I", "PRICE:Y", "W:B:8:3", "AT:T", "NOTE:C:10:null",
                          "SERIAL:B:autoinc", "MEMO:M"})
                  .status,
              0);
    auto r = runBrindle({"append", t, "ID=-42", "PRICE=-1.2345", "W=0.1", "AT=2003-05-13T12:34:57", "NOTE=hi",
                         "MEMO=text"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runBrindle({"append", t, "ID=7"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(runBrindle({"set", t, "2", "--null", "NOTE"}).status, 0);
    EXPECT_EQ(runBrindle({"set", t, "2", "--null", "ID"}).status, 2);  // not nullable
    r = runBrindle({"dump", t, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"ID\": -42, \"PRICE\": -1.2345, \"W\": 0.1, \"AT\": \"2003-05-13T12:34:57\", "
                         "\"NOTE\": \"hi\", \"SERIAL\": 1, \"MEMO\": \"text\""),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"ID\": 7, \"PRICE\": 0.0000, \"W\": 0, \"AT\": null, \"NOTE\": null, \"SERIAL\": 2"),
              std::string::npos)
        << r.out;
    r = runBrindle({"info", t, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"level\": 30"), std::string::npos);
    EXPECT_NE(r.out.find("{\"name\": \"NOTE\", \"type\": \"C\", \"length\": 10, \"decimals\": 0, \"nullable\": true"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"autoincrement\": true"), std::string::npos);
    EXPECT_EQ(runBrindle({"append", t, "ID=99999999999"}).status, 2);
    EXPECT_EQ(runBrindle({"append", t, "PRICE=1.23456"}).status, 2);
    EXPECT_EQ(runBrindle({"append", t, "AT=2003-05-13T25:00:00"}).status, 2);
}

TEST_F(BrindleTool, CodePageOverrideAndCyrillic) {
    std::string t = table("cyr.dbf");
    ASSERT_EQ(runBrindle({"create", t, "--codepage", "0xC9", "NAME:C:10"}).status, 0);
    ASSERT_EQ(runBrindle({"append", t, "NAME=Привет"}).status, 0);
    auto bytes = vt::readFile(t);
    std::string all(bytes.begin(), bytes.end());
    EXPECT_NE(all.find("\xCF\xF0\xE8\xE2\xE5\xF2"), std::string::npos);
    auto r = runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(r.out, "NAME\r\nПривет\r\n");
    r = runBrindle({"dump", t, "--format", "csv", "--codepage", "cp1252"});
    EXPECT_EQ(r.out, "NAME\r\nÏðèâåò\r\n");
    r = runBrindle({"info", t});
    EXPECT_NE(r.out.find("code page:    0xC9 (CP1251)"), std::string::npos) << r.out;
}

}  // namespace

namespace {

class BrindleViews : public ::testing::Test {
protected:
    vt::TempDir dir;
    std::string t;
    void SetUp() override {
        t = dir.file("v.dbf");
        ASSERT_EQ(vt::runBrindle({"create", t, "NAME:C:10", "AMOUNT:N:8:2", "BORN:D"}).status, 0);
        const char *rows[][3] = {{"smith", "5", "1970-01-02"}, {"Adams", "200", "1980-03-04"},
                                 {"SMITH", "150", ""},          {"Brown", "-3.5", "1990-05-06"},
                                 {"Smith", "150", "1960-07-08"}};
        for (auto &r : rows)
            ASSERT_EQ(vt::runBrindle({"append", t, std::string("NAME=") + r[0], std::string("AMOUNT=") + r[1],
                                      std::string("BORN=") + r[2]})
                          .status,
                      0);
        ASSERT_EQ(vt::runBrindle({"delete", t, "2"}).status, 0);
    }
    std::string recnos(const std::vector<std::string> &extra) {
        std::vector<std::string> args{"dump", t, "--format", "json", "--fields", "NAME"};
        args.insert(args.end(), extra.begin(), extra.end());
        auto r = vt::runBrindle(args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::string out;
        for (size_t p = r.out.find("\"recno\": "); p != std::string::npos; p = r.out.find("\"recno\": ", p + 1))
            out += (out.empty() ? "" : ",") + r.out.substr(p + 9, r.out.find(',', p) - p - 9);
        return out;
    }
};

TEST_F(BrindleViews, QueryAndSortThroughTheRelation) {
    EXPECT_EQ(recnos({"--query", "AMOUNT > 100"}), "3,5");
    EXPECT_EQ(recnos({"--query", "AMOUNT > 100", "--deleted"}), "2,3,5");
    // equal keys keep record-number order
    EXPECT_EQ(recnos({"--sort", "DESCEND(AMOUNT)"}), "3,5,1,4");
    EXPECT_EQ(recnos({"--sort", "ASCEND(UPPER(NAME))+DESCEND(AMOUNT)"}), "4,3,5,1");
    EXPECT_EQ(recnos({"--query", "UPPER(NAME) = 'SMITH'", "--sort", "BORN"}), "3,5,1");
    EXPECT_EQ(recnos({"--query", "UPPER(NAME) = 'SMITH'", "--sort", "BORN", "--start", "2", "--limit", "1"}), "5");
    auto r = vt::runBrindle({"count", t, "--query", "AMOUNT >= 150 .OR. NAME = 'Brown'"});
    EXPECT_EQ(r.out, "3\n");
    r = vt::runBrindle({"count", t, "--query", "AMOUNT >"});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.err.empty());
    r = vt::runBrindle({"dump", t, "--query", "NOSUCH > 1"});
    EXPECT_EQ(r.status, 1);
}

TEST_F(BrindleViews, EvalPrintsResultBytesTypesAndKeys) {
    auto r = vt::runBrindle({"eval", t, "NAME"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "{\"recno\": 1, \"type\": \"C\", \"length\": 10, \"value\": \"smith     \"}\n");
    r = vt::runBrindle({"eval", t, "AMOUNT * 2", "--recno", "4"});
    EXPECT_EQ(r.out, "{\"recno\": 4, \"type\": \"n\", \"length\": 8, \"value\": -7}\n");
    r = vt::runBrindle({"eval", t, "AMOUNT > 100", "--all"});
    EXPECT_EQ(r.out,
              "{\"recno\": 1, \"type\": \"L\", \"length\": 4, \"value\": false}\n"
              "{\"recno\": 2, \"type\": \"L\", \"length\": 4, \"value\": true}\n"
              "{\"recno\": 3, \"type\": \"L\", \"length\": 4, \"value\": true}\n"
              "{\"recno\": 4, \"type\": \"L\", \"length\": 4, \"value\": false}\n"
              "{\"recno\": 5, \"type\": \"L\", \"length\": 4, \"value\": true}\n");
    r = vt::runBrindle({"eval", t, "BORN", "--recno", "2", "--key"});
    EXPECT_NE(r.out.find("\"type\": \"D\", \"length\": 8, \"value\": \"19800304\", \"key\": \""), std::string::npos)
        << r.out;
    r = vt::runBrindle({"eval", t, "NAME+'x"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Unterminated String"), std::string::npos) << r.err;
    EXPECT_EQ(vt::runBrindle({"eval", t, "NAME", "--recno", "99"}).status, 2);
}

}  // namespace

namespace {

// A table whose header flags a production index that is not there opens
// only without the index.
TEST(BrindleRealTables, ProductionIndexFlagNeedsNoIndexOption) {
    vt::TempDir dir;
    std::string t = vt::copyFixture("harbour/people.dbf", dir);
    vt::copyFixture("harbour/people.fpt", dir);
    auto r = vt::runBrindle({"info", t});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Opening File"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("people.cdx"), std::string::npos) << r.err;
    r = vt::runBrindle({"--no-index", "dump", t, "--limit", "1", "--format", "csv", "--fields", "FIRST,LAST,BORN"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "FIRST,LAST,BORN\r\nMary,Hernandez,1917-07-31\r\n");
    r = vt::runBrindle({"count", t, "--no-index", "--query", "UPPER(LAST) = 'SMITH'"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "176\n");
}

}  // namespace

namespace {

// A tag under the GENERAL collation (keys written here from the collation's
// weights): check computes the same keys and finds the tag consistent, and
// seek finds a name whatever its case and accents. The same table with one
// name changed behind the index is reported stale, exit status 1.
TEST(BrindleCollatedTags, CheckAndSeek) {
    vt::TempDir dir;
    std::string t = dir.file("names.dbf");
    auto r = vt::runBrindle({"create", t, "--codepage", "3", "NAME:C:10"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> names = {"Zeta", "M\xC3\xBCller", "smith", "Arger"};   // UTF-8 in, cp1252 stored
    for (const std::string &n : names) ASSERT_EQ(vt::runBrindle({"append", t, "NAME=" + n}).status, 0);
    const std::vector<std::string> stored = {"Zeta", "M\xFCller", "smith", "Arger"};
    std::vector<bench::BulkKey> keys;
    for (size_t i = 0; i < stored.size(); i++) {
        std::string text = stored[i];
        text.resize(10, ' ');
        std::string key(20, '\0');
        collate4key(collate4entry(COLLATE4_GENERAL_ANSI), reinterpret_cast<const unsigned char *>(text.data()), 10,
                    reinterpret_cast<unsigned char *>(key.data()), 20);
        keys.push_back({key, (uint32_t)(i + 1)});
    }
    std::sort(keys.begin(), keys.end(), [](const bench::BulkKey &a, const bench::BulkKey &b) { return a.key < b.key; });
    bench::BulkTag tag;
    tag.name = "NAMES";
    tag.expression = "NAME";
    tag.keyLen = 20;
    tag.pad = 0;
    tag.collation = "GENERAL";
    ASSERT_TRUE(bench::writeIndex(dir.file("names.cdx"), tag, keys, 4));
    std::vector<unsigned char> header = vt::readFile(t);
    header.at(28) = 1;   // the production index flag
    vt::writeFile(t, header);

    r = vt::runBrindle({"check", t});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("NAMES      consistent: 4 keys (table gives 4)"), std::string::npos) << r.out;
    r = vt::runBrindle({"seek", t, "--tag", "NAMES", "mueller"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("result: 2"), std::string::npos) << r.out;   // "MUE" sorts before "MUL"
    EXPECT_NE(r.out.find("recno: 2"), std::string::npos) << r.out;
    r = vt::runBrindle({"seek", t, "--tag", "NAMES", "MULLER"});
    EXPECT_NE(r.out.find("result: 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("recno: 2"), std::string::npos) << r.out;
    r = vt::runBrindle({"seek", t, "--tag", "NAMES", "SMI"});
    EXPECT_NE(r.out.find("result: 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("recno: 3"), std::string::npos) << r.out;

    header = vt::readFile(t);
    size_t first = (size_t)(header.at(8) | header.at(9) << 8);
    header.at(first + 1) = 'Y';   // record 1: "Yeta"
    vt::writeFile(t, header);
    r = vt::runBrindle({"check", t});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("stale"), std::string::npos) << r.out;
}

}  // namespace
