// brindle pack from the command line: what it prints, and a table whose
// production index has its tags rebuilt for the records kept.
#include <filesystem>

#include "brindle_runner.h"
#include "test_support.h"

namespace {

TEST(BrindlePack, PrintsWhatItKeptAndRebuildsTheTags) {
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

    // A tag of our own and a writer's index (calls.dbf: memos and tags).
    ASSERT_EQ(vt::runBrindle({"index", t, "--tag", "NAME", "--key", "UPPER(NAME)"}).status, 0);
    ASSERT_EQ(vt::runBrindle({"append", t, "NAME=d"}).status, 0);
    ASSERT_EQ(vt::runBrindle({"delete", t, "1"}).status, 0);
    ASSERT_EQ(vt::runBrindle({"pack", t}).status, 0);
    vt::RunResult check = vt::runBrindle({"check", t});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_NE(check.out.find("consistent: 1 keys"), std::string::npos) << check.out;
    EXPECT_EQ(vt::runBrindle({"seek", t, "--tag", "NAME", "D"}).status, 0);

    for (const char *f : {"calls.dbf", "calls.CDX", "calls.FPT"}) vt::copyFixture(std::string("real/ruby-dbf/foxprodb/") + f, dir);
    std::string calls = dir.file("calls.dbf");
    ASSERT_EQ(vt::runBrindle({"delete", calls, "2", "5", "9"}).status, 0);
    r = vt::runBrindle({"pack", calls});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 25), "13 of 16 records kept; me");
    check = vt::runBrindle({"check", calls});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    EXPECT_EQ(check.out.find("stale"), std::string::npos) << check.out;
    EXPECT_EQ(check.out.find("damaged"), std::string::npos) << check.out;
    EXPECT_TRUE(std::filesystem::exists(dir.file("calls.CDX")));
    EXPECT_FALSE(std::filesystem::exists(calls + ".pack"));
}

}  // namespace
