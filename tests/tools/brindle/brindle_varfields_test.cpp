// brindle over the newer writers' field kinds: tables with varchar (V),
// varbinary (Q) and blob (W) fields created, appended to, changed and
// dumped by the tool read back identically; their autoincrement numbers
// appends; the writers' own tables dump as their values are.
#include <filesystem>

#include "brindle_runner.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using vt::runBrindle;

class BrindleVarFields : public ::testing::Test {
protected:
    vt::TempDir dir;
    std::string path(const std::string &name) { return dir.file(name); }
    std::string write(const std::string &name, const std::string &bytes) {
        vt::writeFile(path(name), bytes);
        return path(name);
    }
    std::string json(const std::string &t, const std::vector<std::string> &more = {}) {
        std::vector<std::string> args{"dump", t, "--format", "json", "--deleted"};
        args.insert(args.end(), more.begin(), more.end());
        auto r = runBrindle(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }
    // The JSON values of record recno, as printed between its braces.
    std::string values(const std::string &dump, int recno) {
        size_t at = dump.find("{\"recno\": " + std::to_string(recno) + ",");
        if (at == std::string::npos) return "";
        size_t v = dump.find("\"values\": {", at) + 11;
        return dump.substr(v, dump.find('}', v) - v);
    }
};

TEST_F(BrindleVarFields, CreatedTablesReadBackIdentically) {
    std::string t = path("photos.dbf");
    auto r = runBrindle({"create", t, "ID:I:autoinc", "TITLE:V:10", "NOTE:V:8:null", "RAW:Q:4:null", "PHOTO:W"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runBrindle({"info", t, "--json"});
    EXPECT_NE(r.out.find("\"level\": 30, \"version\": 50"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"name\": \"TITLE\", \"type\": \"V\", \"length\": 10"), std::string::npos);
    EXPECT_NE(r.out.find("{\"name\": \"PHOTO\", \"type\": \"W\", \"length\": 4"), std::string::npos);

    std::string pic = write("pic.bin", std::string("\x89PNG\r\n\x1a\n\0\0\xff", 11));
    std::string four = write("four.bin", std::string("\0\x01\x02\x03", 4));
    std::string two = write("two.bin", std::string("\xfe\0", 2));
    // short with a trailing blank, full length, empty, null; binary values
    // full, short and with NUL bytes
    ASSERT_EQ(runBrindle({"append", t, "TITLE=Zoë ", "NOTE=12345678", "--file", "RAW=" + four, "--file", "PHOTO=" + pic})
                  .status,
              0);
    ASSERT_EQ(runBrindle({"append", t, "TITLE=0123456789", "NOTE=", "--file", "RAW=" + two}).status, 0);
    r = runBrindle({"append", t, "TITLE="});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "3\n");
    ASSERT_EQ(runBrindle({"set", t, "3", "--null", "NOTE", "--null", "RAW"}).status, 0);

    std::string dump = json(t);
    EXPECT_EQ(values(dump, 1),
              "\"ID\": 1, \"TITLE\": \"Zoë \", \"NOTE\": \"12345678\", \"RAW\": \"AAECAw==\", \"PHOTO\": "
              "\"iVBORw0KGgoAAP8=\"");
    EXPECT_EQ(values(dump, 2), "\"ID\": 2, \"TITLE\": \"0123456789\", \"NOTE\": \"\", \"RAW\": \"/gA=\", \"PHOTO\": \"\"");
    EXPECT_EQ(values(dump, 3), "\"ID\": 3, \"TITLE\": \"\", \"NOTE\": null, \"RAW\": null, \"PHOTO\": \"\"");
    r = runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(r.out, "ID,TITLE,NOTE,RAW,PHOTO\r\n1,Zoë ,12345678,4,11\r\n2,0123456789,,2,0\r\n3,,,,0\r\n");

    // Changing a value keeps the others; a varchar is text in expressions,
    // padded with blanks.
    ASSERT_EQ(runBrindle({"set", t, "2", "TITLE=ab", "NOTE=n"}).status, 0);
    EXPECT_EQ(values(json(t), 2), "\"ID\": 2, \"TITLE\": \"ab\", \"NOTE\": \"n\", \"RAW\": \"/gA=\", \"PHOTO\": \"\"");
    r = runBrindle({"eval", t, "UPPER(TITLE)+'|'", "--recno", "2", "--key"});
    EXPECT_EQ(r.out, "{\"recno\": 2, \"type\": \"C\", \"length\": 11, \"value\": \"AB        |\", \"key\": "
                     "\"414220202020202020207c\"}\n");
    r = runBrindle({"count", t, "--query", "TITLE = 'ab'"});
    EXPECT_EQ(r.out, "1\n");

    // The bytes: record 1 (header 6 * 32 + 297), TITLE "Zo\xEB " (cp1252) and
    // its length 4; _NullFlags: TITLE's length bit (0) set, NOTE full (bits 1
    // and 2 clear), RAW full (3 and 4 clear).
    auto b = vt::readFile(t);
    size_t rec = 6 * 32 + 297;
    EXPECT_EQ(std::string((const char *)&b[rec + 5], 10), std::string("Zo\xeb" "      " "\x04", 10));
    EXPECT_EQ(b[rec + 1 + 4 + 10 + 8 + 4 + 4], 0x01);
}

TEST_F(BrindleVarFields, RefusedValuesAndLevels) {
    std::string t = path("v.dbf");
    ASSERT_EQ(runBrindle({"create", t, "ID:I:autoinc", "NAME:V:4", "RAW:Q:2"}).status, 0);
    ASSERT_EQ(runBrindle({"append", t, "NAME=abcd"}).status, 0);
    auto before = vt::readFile(t);
    auto r = runBrindle({"append", t, "ID=9"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("autoincrement"), std::string::npos) << r.err;
    EXPECT_EQ(runBrindle({"append", t, "NAME=abcde"}).status, 2);
    EXPECT_EQ(runBrindle({"append", t, "RAW=abc"}).status, 2);
    EXPECT_EQ(runBrindle({"set", t, "1", "NAME=€€€€€"}).status, 2);
    EXPECT_EQ(vt::readFile(t), before);

    EXPECT_EQ(runBrindle({"create", path("l.dbf"), "--level", "25", "NAME:V:4"}).status, 2);
    EXPECT_EQ(runBrindle({"create", path("w.dbf"), "NAME:V:255"}).status, 2);
    EXPECT_EQ(runBrindle({"create", path("n.dbf"), "NAME:V"}).status, 2);  // needs a length
    r = runBrindle({"create", path("b.dbf"), "N:B:autoinc", "NAME:V:4"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("only valid for integer fields"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("b.dbf")));
}

TEST_F(BrindleVarFields, TheWritersTablesDumpTheirValues) {
    for (const char *f : {"TEST.DBF", "TEST.FPT"})
        fs::copy_file(vt::fixturePath(std::string("real/vfp9-godbase/table/") + f), path(f));
    std::string dump = json(path("TEST.DBF"), {"--fields", "PRODUCTID,BLOB,VARBIN_NIL,VAR"});
    EXPECT_EQ(values(dump, 1), "\"PRODUCTID\": 1, \"BLOB\": \"\", \"VARBIN_NIL\": \"ESIzRFVmd4iZqg==\", \"VAR\": \"\"");
    EXPECT_EQ(values(dump, 2), "\"PRODUCTID\": 2, \"BLOB\": \"\", \"VARBIN_NIL\": \"qrvM\", \"VAR\": \"\"");
    EXPECT_EQ(values(dump, 3), "\"PRODUCTID\": 2, \"BLOB\": \"\", \"VARBIN_NIL\": \"\", \"VAR\": \"Test\"");
    auto r = runBrindle({"dump", path("TEST.DBF"), "--format", "csv", "--fields", "VAR_NIL"});
    EXPECT_EQ(r.out.substr(0, 45), "VAR_NIL\r\nTest value with variable length\r\n\"Lo");

    fs::copy_file(vt::fixturePath("real/ruby-dbf/dbase_32.dbf"), path("dbase_32.dbf"));
    EXPECT_EQ(values(json(path("dbase_32.dbf")), 1), "\"NAME\": \"Bad Meets Evil\"");

    // dbase_31.dbf flags a production index that is not shipped: it reads
    // and writes without it (no index exists that could go stale), and the
    // append numbers itself from the field's counter.
    fs::copy_file(vt::fixturePath("real/ruby-dbf/dbase_31.dbf"), path("dbase_31.dbf"));
    r = runBrindle({"--no-index", "dump", path("dbase_31.dbf"), "--start", "77", "--fields", "PRODUCTID,PRODUCTNAM",
                    "--format", "csv"});
    EXPECT_EQ(r.out.substr(0, 24), "PRODUCTID,PRODUCTNAM\r\n77");
    r = runBrindle({"--no-index", "append", path("dbase_31.dbf"), "PRODUCTNAM=Tea"});
    ASSERT_EQ(r.status, 0) << r.err;
    r = runBrindle({"--no-index", "dump", path("dbase_31.dbf"), "--start", "78", "--fields", "PRODUCTID,PRODUCTNAM",
                    "--format", "csv"});
    EXPECT_EQ(r.out, "PRODUCTID,PRODUCTNAM\r\n78,Tea\r\n");
}

}  // namespace
