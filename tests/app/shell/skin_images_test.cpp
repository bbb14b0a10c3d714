// The skin: the image name table, the program folder, fonts and images by
// index (none outside 0 ... 8), the cache decoding each file once, and a
// missing file yielding nothing.
#include <gtest/gtest.h>

#include "../app_test_util.h"
#include "shell/skin_images.h"

namespace vt {
namespace {

TEST(SkinImages, NameTableAndProgramFolder) {
    EXPECT_STREQ(vshell::imageName(0), "topbar.gif");
    EXPECT_STREQ(vshell::imageName(4), "countbg.gif");
    EXPECT_STREQ(vshell::imageName(8), "unknown.gif");
    EXPECT_EQ(vshell::imageName(9), nullptr);
    EXPECT_EQ(vshell::imageName(-1), nullptr);
    EXPECT_EQ(vshell::programFolderOf("/usr/local/bin/vandrel"), "/usr/local/bin/");
    EXPECT_EQ(vshell::programFolderOf("vandrel"), "./");
    EXPECT_EQ(vshell::programFolderOf(vshell::programPath()) + "test_app_shell",
              std::string(VANDREL_BINARY_DIR) + "/tests/test_app_shell");
}

TEST(SkinImages, FontsAndImagesByIndexAndTheCache) {
    vp::FontLibrary fonts;
    vshell::SkinImages skin;
    ASSERT_TRUE(skin.finish(fonts, std::string(VANDREL_BINARY_DIR) + "/app/"));
    for (int i = 0; i < 9; i++) ASSERT_NE(skin.font(i), nullptr) << i;
    EXPECT_EQ(skin.font(9), nullptr);
    EXPECT_EQ(skin.font(4)->weight(), 700);
    EXPECT_EQ(skin.font(8)->points(), 20);
    EXPECT_LT(skin.font(0)->height(), skin.font(3)->height());
    const vp::Image *a = skin.image(0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(skin.image("topbar.gif"), a) << "decoded once, then cached";
    EXPECT_EQ(skin.image(9), nullptr);
    EXPECT_EQ(skin.image("nothing.gif"), nullptr);
    EXPECT_EQ(skin.cachedImages(), 1u);
    skin.setBackgroundName("background.gif");
    ASSERT_NE(skin.background(), nullptr);
    EXPECT_EQ(skin.background()->width, 240);
    EXPECT_EQ(skin.backgroundColor(), vp::rgb(224, 224, 224));
    int id = skin.nextChildId();
    EXPECT_EQ(skin.nextChildId(), id + 1);
}

TEST(SkinImages, AFileThatAppearsLaterIsFound) {
    TempDir dir;
    vp::FontLibrary fonts;
    vshell::SkinImages skin;
    skin.finish(fonts, dir.path() + "/");
    EXPECT_EQ(skin.image(7), nullptr);
    writeFile(dir.file("droparrow.gif"), readFile(std::string(VANDREL_BINARY_DIR) + "/app/droparrow.gif"));
    EXPECT_NE(skin.image(7), nullptr) << "a failed load is not cached";
}

}  // namespace
}  // namespace vt
