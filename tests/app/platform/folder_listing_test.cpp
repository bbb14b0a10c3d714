// The open dialog's listing: folders first, tables matched without regard
// to case, hidden entries left out; the documents folder and paths.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "../app_test_util.h"
#include "shell/platform/folder_listing.h"

namespace vt {
namespace {

TEST(FolderListing, FoldersFirstThenTablesSortedWithoutRegardToCase) {
    TempDir dir;
    for (const char *f : {"zeta", "Alpha", ".git"}) mkdir(dir.file(f).c_str(), 0777);
    for (const char *f : {"b.DBF", "A.dbf", "c.Dbf", "notes.txt", "dbf", ".x.dbf", "table.dbf.bak"})
        writeFile(dir.file(f), std::string("x"));
    mkdir(dir.file("folder.dbf").c_str(), 0777);  // a folder named like a table is a folder
    std::vector<vp::FolderEntry> e;
    ASSERT_TRUE(vp::listFolder(dir.path(), "dbf", e));
    std::vector<std::string> names;
    for (auto &x : e) names.push_back(x.name + (x.folder ? "/" : ""));
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha/", "folder.dbf/", "zeta/", "A.dbf", "b.DBF", "c.Dbf"}));
    EXPECT_FALSE(vp::listFolder(dir.file("missing"), "dbf", e));
    EXPECT_TRUE(e.empty());
}

TEST(FolderListing, DocumentsFolderPrefersTheEnvironmentThenDocumentsThenHome) {
    TempDir dir;
    std::string home = dir.file("home"), docs = dir.file("home/Documents"), xdg = dir.file("xdg");
    mkdir(home.c_str(), 0777);
    ScopedEnv h("HOME", home);
    ScopedEnv x("XDG_DOCUMENTS_DIR", xdg);
    EXPECT_EQ(vp::documentsFolder(), home) << "neither documents folder exists yet";
    mkdir(docs.c_str(), 0777);
    EXPECT_EQ(vp::documentsFolder(), docs);
    mkdir(xdg.c_str(), 0777);
    EXPECT_EQ(vp::documentsFolder(), xdg);
}

TEST(FolderListing, Paths) {
    EXPECT_EQ(vp::parentFolder("/a/b"), "/a");
    EXPECT_EQ(vp::parentFolder("/a/b/"), "/a");
    EXPECT_EQ(vp::parentFolder("/a"), "/");
    EXPECT_EQ(vp::parentFolder("/"), "/");
    EXPECT_EQ(vp::joinPath("/", "x"), "/x");
    EXPECT_EQ(vp::joinPath("/a", "x"), "/a/x");
}

}  // namespace
}  // namespace vt
