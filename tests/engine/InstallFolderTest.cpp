// InstallFolderTest.cpp - the listing pattern, the entries passed over and
// the file kinds.
#include "InstallFolder.h"
#include "ZephDirList.h"
#include "ZephPath.h"

#include <gtest/gtest.h>

#include <string>

TEST(FileKindLookup, OnlyTheEndOfTheNameDecidesIgnoringCase) {
    struct Case {
        const char* path;
        int kind;
        int32_t binary;
    } cases[] = {
        {"C:\\Games\\play.exe", 1, 1},
        {"net.DlL", 1, 1},
        {".INI", 1, 0}, // a name made only of the extension
        {"dir/index.htm", 1, 0},
        {"a.Cfg", 1, 0},
        {"index.html", 0, 0},
        {"notes.txt", 0, 0},
        {"game.exe.bak", 0, 0},
        {"EXE", 0, 0},
        {"", 0, 0},
        {"a.ex", 0, 0},
        {".NEW", 0, 0},
        {nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        int32_t binary = -1;
        EXPECT_EQ(c.kind, FileKindLookup(c.path, &binary)) << (c.path != nullptr ? c.path : "(none)");
        EXPECT_EQ(c.binary, binary) << (c.path != nullptr ? c.path : "(none)");
    }
    EXPECT_EQ(1, FileKindLookup("x.exe", nullptr));
}

TEST(InstallFolderPattern, FitsWholeOrIsRefused) {
    const std::string sep = ZephPathSeparatorText;
    char area[16];
    ASSERT_EQ(0, InstallFolderPattern("games", area, sizeof area));
    EXPECT_EQ("games" + sep + "*.*", std::string(area));
    // 11 characters, the separator, "*.*" and the terminator: exactly 16.
    ASSERT_EQ(0, InstallFolderPattern("abcdefghijk", area, sizeof area));
    EXPECT_EQ("abcdefghijk" + sep + "*.*", std::string(area));
    EXPECT_EQ(-1, InstallFolderPattern("abcdefghijkl", area, sizeof area)) << "never cut to another folder";
    EXPECT_EQ("", std::string(area));
    EXPECT_EQ(-1, InstallFolderPattern("a", area, 0));
}

TEST(InstallFolderKindOf, DirectoriesAndLinksArePassedOver) {
    struct Case {
        const char* name;
        uint32_t attributes;
        bool passedOver;
        int kind;
        int32_t binary;
    } cases[] = {
        {"a.exe", ZephAttrArchive, false, 1, 1},    {"b.ini", 0, false, 1, 0},
        {"Sub.exe", ZephAttrDirectory, true, 0, 0}, {"c.ini", ZephAttrLink | ZephAttrArchive, true, 0, 0},
        {"d.txt", ZephAttrArchive, false, 0, 0},
    };
    for (const Case& c : cases) {
        ZephDirEntry entry{};
        std::string name = c.name;
        entry.name = name.data();
        entry.attributes = c.attributes;
        int32_t binary = -1;
        EXPECT_EQ(c.kind, InstallFolderKindOf(entry, &binary)) << c.name;
        EXPECT_EQ(c.binary, binary) << c.name;
        EXPECT_EQ(c.passedOver, InstallFolderPassesOver(entry)) << c.name;
    }
}
