// The tool on tables from the DOS xBase world: dBASE III tables it creates
// at level 3 (memos in a .dbt) and reads back through python3-dbf, the real
// dBASE III and IV tables, and Harbour's own field types.
#include "brindle_runner.h"
#include "harbour_types.h"
#include "peer_rows.h"
#include "test_support.h"

namespace {

using vt::runBrindle;

class BrindleDbase : public ::testing::Test {
protected:
    vt::TempDir dir;
};

TEST_F(BrindleDbase, Level3CreatesDbase3TablesThatPython3DbfReads) {
    std::string t = dir.file("clip.dbf");
    auto r = runBrindle({"create", t, "--level", "3", "NAME:C:20", "QTY:N:5", "BORN:D", "OK:L", "NOTES:M"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string longMemo(1700, 'm');
    ASSERT_EQ(runBrindle({"append", t, "NAME=Ann", "QTY=3", "BORN=2001-02-03", "OK=T", "NOTES=first\r\nmemo"}).status,
              0);
    ASSERT_EQ(runBrindle({"append", t, "NAME=Bob", "NOTES=" + longMemo}).status, 0);
    ASSERT_EQ(runBrindle({"append", t, "NAME=Cy"}).status, 0);
    ASSERT_EQ(runBrindle({"set", t, "1", "NOTES=changed"}).status, 0);

    r = runBrindle({"info", t, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"version\": 131"), std::string::npos) << r.out;  // 0x83
    EXPECT_NE(r.out.find("clip.dbt\", \"blockSize\": 512"), std::string::npos) << r.out;

    auto rows = vt::peerRows("dbf", t);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].value("NOTES")->value_or("~"), "changed");
    EXPECT_EQ(rows[0].value("BORN")->value_or("~"), "20010203");
    EXPECT_EQ(rows[1].value("NOTES")->value_or("~"), longMemo);
    EXPECT_EQ(rows[2].value("NOTES")->value_or("~"), "");

    // Types dBASE III does not have, and text it cannot hold, are refused.
    r = runBrindle({"create", dir.file("f.dbf"), "--level", "3", "X:F:5:2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("illegal field data"), std::string::npos) << r.err;
    r = runBrindle({"create", dir.file("wide.dbf"), "--level", "3", "X:C:300"});
    EXPECT_EQ(r.status, 1);
    auto before = vt::readFile(dir.file("clip.dbt"));
    r = runBrindle({"set", t, "2", std::string("NOTES=a\x1a" "b")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot hold the byte 0x1A"), std::string::npos) << r.err;
    EXPECT_EQ(vt::readFile(dir.file("clip.dbt")), before);
    r = runBrindle({"create", dir.file("l.dbf"), "--level", "4", "X:C:3"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("3 (dBASE III)"), std::string::npos) << r.err;
    EXPECT_NE(runBrindle({"create", "--help"}).out.find("Level 3 is a dBASE III table"), std::string::npos);
}

TEST_F(BrindleDbase, RealDbaseTablesDumpTheirMemos) {
    std::string t3 = vt::copyFixture("real/ruby-dbf/dbase_83.dbf", dir);
    vt::copyFixture("real/ruby-dbf/dbase_83.dbt", dir);
    std::string t4 = vt::copyFixture("real/ruby-dbf/dbase_8b.dbf", dir);
    vt::copyFixture("real/ruby-dbf/dbase_8b.dbt", dir);
    auto r = runBrindle({"dump", t4, "--format", "csv", "--fields", "CHARACTER,MEMO", "--limit", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "CHARACTER,MEMO\r\nOne,\"First memo\r\n\"\r\nTwo,Second memo\r\n");
    r = runBrindle({"count", t3, "--query", "'assortment' $ DESC"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(std::stol(r.out), 0);

    std::string missing = vt::copyFixture("real/ruby-dbf/dbase_83_missing_memo.dbf", dir);
    r = runBrindle({"dump", missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("memo file is missing"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("dbase_83_missing_memo.dbt"), std::string::npos) << r.err;
}

TEST_F(BrindleDbase, HarbourTypesShowTheirLettersAndValues) {
    std::string t = dir.file("hb.dbf");
    vt::writeFile(t, vt::harbourTypesTable());
    auto r = runBrindle({"info", t, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("{\"name\": \"ID\", \"type\": \"+\", \"length\": 4"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"name\": \"CHANGED\", \"type\": \"=\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"name\": \"WHEN\", \"type\": \"@\""), std::string::npos) << r.out;

    r = runBrindle({"dump", t, "--format", "csv", "--deleted"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "ID,NAME,CHANGED,WHEN,QTY,PRICE,RATIO,SEEN\r\n"
              "1,alpha,2000-02-29T01:02:03,2000-01-01T12:00:00,-7,12.3456,2.5,2000-01-01T00:00:00\r\n"
              "2,beta,,,0,-1.0000,-0.125,\r\n"
              "3,gamma,2000-01-02T00:00:00,1900-01-01T00:00:00,2147483647,0.0000,1e+300,\r\n");
    r = runBrindle({"eval", t, "ID", "--recno", "2", "--key"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"type\": \"I\""), std::string::npos) << r.out;

    // Append numbers the record itself; values for the kept fields are refused.
    r = runBrindle({"append", t, "NAME=delta"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "4\n");
    auto before = vt::readFile(t);
    r = runBrindle({"append", t, "ID=9"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("ID is an autoincrement field"), std::string::npos) << r.err;
    for (const char *value : {"ID=9", "WHEN=2001-01-01T00:00:00", "CHANGED="}) {
        r = runBrindle({"set", t, "1", value});
        EXPECT_NE(r.status, 0) << value;
        EXPECT_NE(r.err.find("the table keeps this field itself"), std::string::npos) << value << ": " << r.err;
    }
    EXPECT_EQ(vt::readFile(t), before);
    r = runBrindle({"dump", t, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"ID\": 4, \"NAME\": \"delta\", \"CHANGED\": \"20"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"WHEN\": null, \"QTY\": 0, \"PRICE\": 0.0000, \"RATIO\": 0, \"SEEN\": null"),
              std::string::npos)
        << r.out;
}

}  // namespace
