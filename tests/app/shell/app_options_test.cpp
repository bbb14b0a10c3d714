// The command line.
#include <gtest/gtest.h>

#include "shell/app_options.h"

namespace vt {
namespace {

bool parse(std::vector<const char *> args, vshell::AppOptions &o, std::string &error) {
    args.insert(args.begin(), "vandrel");
    return vshell::parseOptions(int(args.size()), args.data(), o, error);
}

TEST(AppOptions, TableScaleAndHeadless) {
    vshell::AppOptions o;
    std::string e;
    ASSERT_TRUE(parse({"t.dbf", "--scale", "3", "--headless", "--script", "s", "--out", "d"}, o, e)) << e;
    EXPECT_EQ(o.table, "t.dbf");
    EXPECT_EQ(o.scale, 3);
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.script, "s");
    EXPECT_EQ(o.out, "d");
    vshell::AppOptions plain;
    ASSERT_TRUE(parse({}, plain, e));
    EXPECT_EQ(plain.scale, 0);
    EXPECT_FALSE(plain.headless);
}

TEST(AppOptions, UsageErrors) {
    for (std::vector<const char *> bad : std::vector<std::vector<const char *>>{
             {"--scale", "5"}, {"--scale", "0"}, {"--scale"}, {"--headless"}, {"--headless", "--script", "s"},
             {"--script", "s", "--out", "d"}, {"a.dbf", "b.dbf"}, {"--fast"}}) {
        vshell::AppOptions o;
        std::string e;
        EXPECT_FALSE(parse(bad, o, e)) << bad.size();
        EXPECT_FALSE(e.empty());
    }
}

}  // namespace
}  // namespace vt
