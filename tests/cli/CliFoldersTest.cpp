// CliFoldersTest.cpp - products, Wine prefixes and folders of the quorvel tool.
#include "CliFolders.h"
#include "ProductTable.h"
#include "QvTestKit.h"
#include "ZephSysError.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(CliFoldersProducts, FoundByTitleIgnoringCaseOrByRowNumber) {
    ASSERT_NE(CliFindProduct("Talon Interceptor"), nullptr);
    EXPECT_EQ(CliFindProduct("talon INTERCEPTOR")->id, 2);
    EXPECT_EQ(CliFindProduct("2")->id, 2);
    EXPECT_EQ(CliFindProduct("0")->id, 0);
    EXPECT_EQ(CliFindProduct("010")->id, 10);
    EXPECT_EQ(CliFindProduct("Shadow Unit")->id, 5); // not "Shadow Unit 2"
    EXPECT_EQ(CliFindProduct("11"), nullptr);
    EXPECT_EQ(CliFindProduct("99999999999999999999"), nullptr);
    EXPECT_EQ(CliFindProduct("-1"), nullptr);
    EXPECT_EQ(CliFindProduct("Talon"), nullptr);
    EXPECT_EQ(CliFindProduct(""), nullptr);
    EXPECT_EQ(CliFindProduct(nullptr), nullptr);
}

TEST(CliFoldersCheck, AFolderHasNoProblemAndAnythingElseSaysWhy) {
    qvtest::TempDir dir;
    const std::string file = dir.file("x.ini");
    ASSERT_TRUE(qvtest::writeFile(file, "x"));
    // The system's own words, as the support layer gives them on each
    // platform (strerror, FormatMessage).
    auto words = [](ZephError code) {
        char text[256];
        ZephSysErrorText(ZephSysErrorNumberOf(code), text, sizeof text);
        return std::string(text);
    };
    char why[256];
    EXPECT_FALSE(CliFolderProblem(dir.path().c_str(), why, sizeof why));
    EXPECT_STREQ(why, "");
    EXPECT_TRUE(CliFolderProblem(dir.file("missing").c_str(), why, sizeof why));
    EXPECT_EQ(why, words(ZephErrNotFound));
    EXPECT_TRUE(CliFolderProblem(file.c_str(), why, sizeof why));
    EXPECT_EQ(why, words(ZephErrNotDirectory));
#ifndef _WIN32
    EXPECT_STREQ(why, "Not a directory");
#endif
}

TEST(CliFoldersPrefix, DrivePathsLandInsideThePrefix) {
    char area[128];
    ASSERT_EQ(CliMapIntoPrefix("C:\\Program Files\\Quellsoft\\Talon INT", "/p/wine", area, sizeof area), 0);
    EXPECT_STREQ(area, "/p/wine/drive_c/Program Files/Quellsoft/Talon INT");
    ASSERT_EQ(CliMapIntoPrefix("c:\\Talon Interceptor", "/p/wine/", area, sizeof area), 0);
    EXPECT_STREQ(area, "/p/wine/drive_c/Talon Interceptor");
    ASSERT_EQ(CliMapIntoPrefix("D:\\Games", "/p", area, sizeof area), 0);
    EXPECT_STREQ(area, "/p/dosdevices/d:/Games");
    ASSERT_EQ(CliMapIntoPrefix("C:\\", "/p", area, sizeof area), 0);
    EXPECT_STREQ(area, "/p/drive_c");
    for (const char* notDrive : {"Games", "C:Games", "\\\\server\\share", "1:\\x", ""})
        EXPECT_EQ(CliMapIntoPrefix(notDrive, "/p", area, sizeof area), -1) << notDrive;
    EXPECT_EQ(CliMapIntoPrefix("C:\\x", "", area, sizeof area), -1);
    // "/p/drive_c/x" is 12 characters: 13 bytes fit, 12 do not.
    EXPECT_EQ(CliMapIntoPrefix("C:\\x", "/p", area, 13), 0);
    EXPECT_EQ(CliMapIntoPrefix("C:\\x", "/p", area, 12), -1);
    EXPECT_STREQ(area, "");
}

TEST(CliFoldersTrim, TrailingSeparatorsGoButARootStays) {
    auto trimmed = [](const char* text) {
        char area[32];
        std::strcpy(area, text);
        CliTrimFolder(area);
        return std::string(area);
    };
    EXPECT_EQ(trimmed("/games/x//"), "/games/x");
    EXPECT_EQ(trimmed("/"), "/");
    EXPECT_EQ(trimmed("//"), "/");
    EXPECT_EQ(trimmed("x"), "x");
    EXPECT_EQ(trimmed(""), "");
#ifdef _WIN32
    EXPECT_EQ(trimmed("C:\\"), "C:\\");
    EXPECT_EQ(trimmed("C:\\Games\\"), "C:\\Games");
#endif
}

} // namespace
