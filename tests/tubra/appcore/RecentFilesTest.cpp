#include <gtest/gtest.h>

#include <filesystem>

#include "tubra/appcore/RecentFiles.h"

using tubra::app::RecentFileList;
namespace fs = std::filesystem;

TEST(RecentFiles, NewestFirstEachFileOnceAtMostFour) {
    RecentFileList list(4);
    for (const char* f : {"/d/a.hcd", "/d/b.hcd", "/d/c.hcd", "/d/d.hcd"}) list.add(f);
    list.add("/d/b.hcd");
    EXPECT_EQ(list.items(), (std::vector<std::string>{"/d/b.hcd", "/d/d.hcd", "/d/c.hcd", "/d/a.hcd"}));
    list.add("/d/e.hcd");
    EXPECT_EQ(list.items(), (std::vector<std::string>{"/d/e.hcd", "/d/b.hcd", "/d/d.hcd", "/d/c.hcd"}));
    // The same file under another spelling is the same entry.
    list.add("/d/x/../c.hcd");
    EXPECT_EQ(list.items().front(), "/d/c.hcd");
    EXPECT_EQ(list.items().size(), 4u);
    const std::string relative = "rel.hcd";
    list.add(relative);
    EXPECT_EQ(list.items().front(), (fs::current_path() / relative).lexically_normal().string());
    list.remove("/d/e.hcd");
    EXPECT_EQ(list.items(), (std::vector<std::string>{list.items()[0], "/d/c.hcd", "/d/b.hcd"}));
}

TEST(RecentFiles, StoredListAndMenuTexts) {
    RecentFileList list(4);
    list.assign({"/a/图1.hcd", "", "/b/图1.hcd", "/a/图1.hcd", "/c/R&D.hcd", "/d/x.hcd", "/e/y.hcd"});
    ASSERT_EQ(list.items().size(), 4u);
    // Names that two entries share show their whole paths.
    EXPECT_EQ(list.menuText(0), "&1 /a/图1.hcd");
    EXPECT_EQ(list.menuText(1), "&2 /b/图1.hcd");
    EXPECT_EQ(list.menuText(2), "&3 R&&D.hcd");
    EXPECT_EQ(list.menuText(3), "&4 x.hcd");
    EXPECT_EQ(list.menuText(4), "");
}
