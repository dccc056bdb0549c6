// PatchJobPosixTest.cpp - runs over real symbolic links and paths longer
// than the target area; Windows programs here cannot make either freely.
#include "PatchJob.h"
#include "WizardStrings.h"
#include "ZephMem.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string Address = legacyServerAddress;

void runJob(PatchJob& job, ZephMemManager* manager, const std::string& directory, int32_t saveAsNew) {
    job.init(manager);
    job.setDirectory(directory.c_str());
    job.setOldString(legacyServerAddress);
    job.setNewString(serviceHostName);
    job.convert = 1;
    job.saveAsNew = saveAsNew;
    job.start();
    job.step(-1);
}

} // namespace

TEST(PatchJobLinks, LinksInsideTheDirectoryAreNeverFollowed) {
    qvtest::TempDir outside;
    qvtest::TempDir inside;
    ASSERT_TRUE(qvtest::writeFile(outside.file("secret.ini"), Address));
    fs::create_directory(outside.file("folder"));
    fs::create_symlink(outside.file("secret.ini"), inside.file("link.ini"));
    fs::create_directory_symlink(outside.file("folder"), inside.file("folder.exe"));
    fs::create_symlink(inside.file("nowhere.ini"), inside.file("dangling.ini"));
    ZephMemManager manager{"PatchJobLinks", 0, 0, 0, nullptr};
    PatchJob job;
    runJob(job, &manager, inside.path(), 0);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(3, job.filesVisited);
    EXPECT_EQ(0, job.filesMatched);
    EXPECT_EQ(Address, qvtest::readFile(outside.file("secret.ini")));
    EXPECT_TRUE(fs::is_symlink(inside.file("link.ini")));
    job.clear();
    EXPECT_EQ(0, manager.heapCount);
}

// Every file a scan counts can be rewritten: paths past 512 bytes, names
// up to the system's limit. Only a side copy whose name would pass that
// limit fails, naming it in full, and nothing is written under a cut name.
TEST(PatchJobLongNames, LongPathsAndNamesAreRewrittenLikeShortOnes) {
    qvtest::TempDir root;
    std::string directory = root.path() + "/" + std::string(200, 'd') + "/" + std::string(200, 'e');
    fs::create_directories(directory);
    const std::string names[] = {std::string(120, 'f') + ".ini", std::string(251, 'g') + ".ini"};
    for (const std::string& name : names)
        ASSERT_TRUE(qvtest::writeFile(directory + "/" + name, Address));
    ASSERT_GT(directory.size() + 1 + names[0].size(), 511u);
    ZephMemManager manager{"PatchJobLongNames", 0, 0, 0, nullptr};
    PatchJob job;
    runJob(job, &manager, directory, 0);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(2, job.filesMatched);
    for (const std::string& name : names)
        EXPECT_EQ(serviceHostName, qvtest::readFile(directory + "/" + name));

    const std::string longest = directory + "/" + names[1];
    ASSERT_TRUE(qvtest::writeFile(longest, Address));
    runJob(job, &manager, directory, 1);
    EXPECT_EQ(Failed, job.status);
    EXPECT_EQ("Unable to open file \"" + longest + ".new\" for writing!", std::string(job.message));
    EXPECT_EQ(ZephErrInvalid, job.failure.code) << "the name is too long for the system";
    std::size_t entries = 0;
    for (auto it = fs::directory_iterator(directory); it != fs::directory_iterator(); ++it)
        ++entries;
    EXPECT_EQ(2u, entries) << "something was written under another name";
    job.clear();
    EXPECT_EQ(0, manager.heapCount);
}

TEST(PatchJobLongNames, DirectoryWhosePatternDoesNotFitIsRefusedNotCut) {
    qvtest::TempDir root;
    // A directory of exactly 1023 characters: "directory/*.*" needs 1028 bytes,
    // and cut to 1024 it would name the directory itself instead of its
    // contents.
    std::string directory = root.path();
    while (directory.size() < 1023 - 201)
        directory += "/" + std::string(200, 'd');
    directory += "/" + std::string(1023 - directory.size() - 1, 'e');
    ASSERT_EQ(1023u, directory.size());
    fs::create_directories(directory);
    ASSERT_TRUE(qvtest::writeFile(directory + "/a.ini", Address));
    ZephMemManager manager{"PatchJobLongNames", 0, 0, 0, nullptr};
    PatchJob job;
    runJob(job, &manager, directory, 0);
    EXPECT_EQ(Failed, job.status);
    EXPECT_EQ("We were unable to scan the directory \"" + directory +
                  "\"!\r\n\r\nPlease click Back and select a different directory and try again.",
              std::string(job.message));
    EXPECT_EQ(Address, qvtest::readFile(directory + "/a.ini"));
    job.clear();
    EXPECT_EQ(0, manager.heapCount);
}
