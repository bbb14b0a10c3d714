// brindle against an independent implementation of the formats: tables that
// python3-dbf writes read in brindle exactly as python3-dbfread reads them,
// and tables that brindle writes read in python3-dbfread exactly as brindle
// reads them.
#include "brindle_runner.h"
#include "test_support.h"

namespace {

std::string script(const std::string &name) {
    return std::string(VANDREL_SOURCE_DIR) + "/tests/tools/interop/scripts/" + name;
}

// Runs a script file with Debian's interpreter.
vt::RunResult runScript(const std::string &name, const std::vector<std::string> &args) {
    std::string program = "import runpy, sys; sys.argv = sys.argv[0:1] + sys.argv[1:]; "
                          "runpy.run_path('" + script(name) + "', run_name='__main__')";
    return vt::runPython(program, args);
}

// Dumps a table as JSON into a file and compares it with the peer's reading.
void expectSameAsPeer(const vt::TempDir &dir, const std::string &table) {
    auto dump = vt::runBrindle({"dump", table, "--format", "json"});
    ASSERT_EQ(dump.status, 0) << dump.err;
    std::string dumpFile = dir.file("dump.json");
    vt::writeFile(dumpFile, dump.out);
    auto cmp = runScript("compare_dump.py", {table, dumpFile});
    EXPECT_EQ(cmp.status, 0) << table << "\n" << cmp.out << cmp.err;
}

TEST(BrindlePeer, TablesWrittenByPythonDbfReadTheSame) {
    vt::TempDir dir;
    auto made = runScript("make_peer_tables.py", {dir.path()});
    ASSERT_EQ(made.status, 0) << made.err;
    for (const char *t : {"peer_fp.dbf", "peer_vfp.dbf", "peer_db3.dbf", "peer_dbt.dbf"}) {
        SCOPED_TRACE(t);
        expectSameAsPeer(dir, dir.file(t));
    }
}

TEST(BrindlePeer, TablesWrittenByBrindleReadTheSameInDbfread) {
    vt::TempDir dir;
    for (const char *level : {"3", "25", "30"}) {
        std::string t = dir.file(std::string("ours") + level + ".dbf");
        std::vector<std::string> create{"create", t, "--level", level, "NAME:C:12", "AMT:N:10:2", "BORN:D", "OK:L",
                                        "NOTES:M"};
        if (std::string(level) == "30") {
            for (const char *f : {"PRICE:Y", "AT:T", "NUM:I", "DBL:B"}) create.push_back(f);
        }
        ASSERT_EQ(vt::runBrindle(create).status, 0);
        for (int i = 0; i < 25; i++) {
            std::vector<std::string> a{"append", t, "NAME=Zoë " + std::to_string(i),
                                       "AMT=" + std::to_string(i * 37 - 400) + ".5",
                                       i % 3 ? "BORN=19" + std::to_string(50 + i) + "-0" + std::to_string(1 + i % 9) + "-1" + std::to_string(i % 10)
                                             : "BORN=",
                                       i % 2 ? "OK=T" : "OK=F", "NOTES=" + std::string((size_t)(i * 23), 'm')};
            if (std::string(level) == "30") {
                a.push_back("PRICE=" + std::to_string(i * 11) + ".0625");
                a.push_back("AT=2001-02-0" + std::to_string(1 + i % 9) + "T1" + std::to_string(i % 10) + ":30:0" +
                            std::to_string(i % 10));
                a.push_back("NUM=" + std::to_string(-1000 * i));
                a.push_back("DBL=" + std::to_string(i) + ".125");
            }
            auto r = vt::runBrindle(a);
            ASSERT_EQ(r.status, 0) << r.err;
        }
        ASSERT_EQ(vt::runBrindle({"delete", t, "4", "9"}).status, 0);
        SCOPED_TRACE(t);
        expectSameAsPeer(dir, t);
    }
}

// The real dBASE III table with its .dbt, and the level-25 table with Y and
// T fields (python3-dbfread reads dBASE IV memos 8 bytes too long: the
// engine's tests compare those with Perl's XBase).
TEST(BrindlePeer, DbaseTablesReadTheSameInDbfread) {
    vt::TempDir dir;
    for (const char *f : {"real/ruby-dbf/dbase_83.dbf", "real/ruby-dbf/dbase_83.dbt", "real/perl-dbd-xbase/types.dbf"})
        vt::copyFixture(f, dir);
    for (const char *t : {"dbase_83.dbf", "types.dbf"}) {
        SCOPED_TRACE(t);
        expectSameAsPeer(dir, dir.file(t));
    }
}

}  // namespace
