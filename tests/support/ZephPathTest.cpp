// ZephPathTest.cpp - whether anything stands at a path.
#include "ZephPath.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

TEST(ZephPathExists, FilesAndFoldersButNothingElse) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("a.ini"), "x"));
    std::filesystem::create_directory(dir.file("Sub"));
    const struct {
        std::string path;
        bool exists;
    } cases[] = {
        {dir.file("a.ini"), true},
        {dir.file("Sub"), true},
        {dir.path(), true},
        {dir.file("missing"), false},
        {dir.file("missing") + ZephPathSeparatorText + "a.ini", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.exists, ZephPathExists(c.path.c_str())) << c.path;
    EXPECT_FALSE(ZephPathExists(nullptr));
}
