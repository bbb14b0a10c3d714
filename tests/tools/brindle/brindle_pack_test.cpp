// brindle pack from the command line: what it prints, and the refusal of a
// table whose production index it cannot rebuild yet.
#include <filesystem>

#include "brindle_runner.h"
#include "test_support.h"

namespace {

TEST(BrindlePack, PrintsWhatItKeptAndRefusesIndexedTablesUntouched) {
    vt::TempDir dir;
    std::string t = dir.file("t.dbf");
    ASSERT_EQ(vt::runBrindle({"create", t, "NAME:C:10", "NOTES:M"}).status, 0);
    for (const char *n : {"NAME=a", "NAME=b", "NAME=c"})
        ASSERT_EQ(vt::runBrindle({"append", t, n, std::string("NOTES=memo of ") + n}).status, 0);
    ASSERT_EQ(vt::runBrindle({"delete", t, "1", "3"}).status, 0);
    vt::RunResult r = vt::runBrindle({"pack", t});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 24), "1 of 3 records kept; mem");
    vt::RunResult dump = vt::runBrindle({"dump", t, "--format", "csv"});
    EXPECT_EQ(dump.out, "NAME,NOTES\r\nb,memo of NAME=b\r\n");

    std::string indexed = vt::copyFixture("real/ruby-dbf/foxprodb/setup.dbf", dir);
    vt::copyFixture("real/ruby-dbf/foxprodb/setup.CDX", dir);
    auto before = vt::readFile(indexed);
    r = vt::runBrindle({"pack", indexed});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("production index"), std::string::npos) << r.err;
    EXPECT_EQ(vt::readFile(indexed), before);
    EXPECT_FALSE(std::filesystem::exists(indexed + ".pack"));
}

}  // namespace
