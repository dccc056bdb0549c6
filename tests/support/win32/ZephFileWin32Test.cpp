// Win32 side of the file object and the no-loss rewrite: sharing modes,
// attributes that survive a rewrite, files that are read-only or in use.
#include "ZephFile.h"
#include "ZephFileReplacer.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(ZephFileWin32, ExclusiveOpenKeepsOthersOut) {
    qvtest::TempDir dir;
    std::string p = dir.file("a.ini");
    ASSERT_TRUE(qvtest::writeFile(p, "abc"));
    ZephFile alone, other;
    ASSERT_EQ(alone.open(p.c_str(), OpenWrite), 0);
    EXPECT_EQ(other.open(p.c_str(), OpenRead | OpenShared), -1);
    alone.close();
    ASSERT_EQ(alone.open(p.c_str(), OpenRead | OpenShared), 0);
    EXPECT_EQ(other.open(p.c_str(), OpenRead | OpenShared), 0) << "shared readers meet";
}

TEST(ZephFileWin32, RewriteKeepsTheAttributes) {
    qvtest::TempDir dir;
    std::string p = dir.file("GAME.EXE");
    ASSERT_TRUE(qvtest::writeFile(p, "old"));
    DWORD wanted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(p.c_str(), wanted));
    if (GetFileAttributesA(p.c_str()) != wanted)
        GTEST_SKIP() << "this file system does not keep the hidden attribute";
    ASSERT_EQ(ZephFileSave(p.c_str(), "new", 3), 0);
    EXPECT_EQ(GetFileAttributesA(p.c_str()), wanted);
    EXPECT_EQ(qvtest::readFile(p), "new");
}

TEST(ZephFileWin32, ReadOnlyTargetFailsBeforeAnythingIsWritten) {
    qvtest::TempDir dir;
    std::string p = dir.file("GAME.EXE");
    ASSERT_TRUE(qvtest::writeFile(p, "old"));
    ASSERT_TRUE(SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_READONLY));
    ZephFileReplacer replacer;
    EXPECT_EQ(replacer.begin(p.c_str()), -1);
    EXPECT_EQ(replacer.error, ZephErrAccess);
    EXPECT_EQ(ZephFileSave(p.c_str(), "new", 3), -1);
    SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(qvtest::readFile(p), "old");
}

TEST(ZephFileWin32, FileInUseIsLeftAlone) {
    qvtest::TempDir dir;
    std::string p = dir.file("GAME.EXE");
    ASSERT_TRUE(qvtest::writeFile(p, "old"));
    // A running game holds its file open without letting anyone delete it.
    HANDLE held = CreateFileA(p.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ZephFileSave(p.c_str(), "new", 3), -1);
    CloseHandle(held);
    EXPECT_EQ(qvtest::readFile(p), "old");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir.path() + "\\*.tmp").c_str(), &found);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a temporary was left: " << found.cFileName;
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

} // namespace
