// CliLetterCaseTest.cpp - product folders found inside a Wine prefix whatever
// the letter case on disk, as Wine finds them. POSIX only: Windows file
// systems ignore case by themselves.
#include "CliFolders.h"
#include "QvTestKit.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

// Folders made on disk in a letter case other than the table's.
class CliFoldersLetterCase : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(std::filesystem::path(dir.path()) / "drive_c" / "program files" /
                                            "QUELLSOFT" / "Talon Int");
    }
    qvtest::TempDir dir;
};

TEST_F(CliFoldersLetterCase, EachComponentTakesTheCaseFoundOnDisk) {
    std::string path = dir.path() + "/drive_c/Program Files/Quellsoft/Talon INT";
    const int fixed = static_cast<int>(dir.path().size());
    const int32_t blocks = ZephMemManagerGlobal.heapCount;
    CliMatchLetterCase(&ZephMemManagerGlobal, path.data(), fixed);
    EXPECT_EQ(path, dir.path() + "/drive_c/program files/QUELLSOFT/Talon Int");
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(ZephMemManagerGlobal.heapCount, blocks); // every listing released
}

TEST_F(CliFoldersLetterCase, StopsAtTheFirstComponentNotFound) {
    std::string path = dir.path() + "/drive_c/Program Files/Other/Talon INT";
    CliMatchLetterCase(&ZephMemManagerGlobal, path.data(), static_cast<int>(dir.path().size()));
    EXPECT_EQ(path, dir.path() + "/drive_c/program files/Other/Talon INT");
    // A wildcard is never taken for a pattern.
    std::string wild = dir.path() + "/drive_c/Program*";
    CliMatchLetterCase(&ZephMemManagerGlobal, wild.data(), static_cast<int>(dir.path().size()));
    EXPECT_EQ(wild, dir.path() + "/drive_c/Program*");
}

TEST_F(CliFoldersLetterCase, TheFixedPartIsNeverChanged) {
    std::string path = dir.path() + "/DRIVE_C/Program Files";
    const int fixed = static_cast<int>(dir.path().size() + std::strlen("/DRIVE_C"));
    CliMatchLetterCase(&ZephMemManagerGlobal, path.data(), fixed);
    EXPECT_EQ(path, dir.path() + "/DRIVE_C/Program Files");
}

} // namespace
