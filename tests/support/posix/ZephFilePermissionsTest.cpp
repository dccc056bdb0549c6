// POSIX side of the no-loss rewrite: permission bits survive, links are
// never replaced or written through.
#include "ZephFile.h"
#include "ZephFileReplacer.h"
#include "ZephFolder.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

TEST(ZephFileReplacerPosix, RewrittenFileKeepsThePermissionBits) {
    qvtest::TempDir dir;
    for (fs::perms mode : {fs::perms(0640), fs::perms(0755), fs::perms(0600)}) {
        std::string target = dir.file("game.exe");
        ASSERT_TRUE(qvtest::writeFile(target, "old"));
        fs::permissions(target, mode);
        ASSERT_EQ(ZephFileSave(target.c_str(), "new", 3), 0);
        EXPECT_EQ(fs::status(target).permissions(), mode);
        EXPECT_EQ(qvtest::readFile(target), "new");
    }
}

TEST(ZephFileReplacerPosix, LinkIsNeitherReplacedNorFollowed) {
    qvtest::TempDir dir;
    std::string real = dir.file("real.ini");
    std::string link = dir.file("link.ini");
    ASSERT_TRUE(qvtest::writeFile(real, "real"));
    fs::create_symlink(real, link);
    ZephFolder folder;
    ASSERT_EQ(folder.open(dir.path().c_str(), -1), 0);
    ZephFileReplacer replacer;
    EXPECT_EQ(replacer.begin(folder.handle, "link.ini"), -1);
    EXPECT_EQ(replacer.failure.code, ZephErrLink);
    EXPECT_EQ(ZephFileSave(link.c_str(), "x", 1), -1);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(qvtest::readFile(real), "real");
}

} // namespace
