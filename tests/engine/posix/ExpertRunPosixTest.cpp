// ExpertRunPosixTest.cpp - expert runs over real symbolic links and over
// paths that do not fit the save target's area; Windows programs here
// cannot make either freely.
#include "ExpertRun.h"
#include "ZephBuf.h"
#include "ZephMem.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Fields {
    std::string directory;
    std::string oldString = "alpha";
    std::string newString = "omega";
    int32_t saveAsNew = 0;
    int32_t busy = 0;
    int32_t pageDone = 0;
    ZephMemManager manager{"ExpertRunPosix", 0, 0, 0, nullptr};
    ZephBuf work;
    ZephBuf log;

    Fields() {
        work.init(&manager, 8192);
        log.init(&manager, 8192);
    }

    std::string run(int32_t doIt) {
        ExpertRunContext context;
        context.directory = directory.c_str();
        context.oldString = oldString.c_str();
        context.newString = newString.c_str();
        context.saveAsNew = &saveAsNew;
        context.busy = &busy;
        context.stop = &pageDone;
        context.workBuffer = &work;
        context.logBuffer = &log;
        context.manager = &manager;
        ExpertRun::runDirectory(context, doIt);
        return std::string(log.data, static_cast<size_t>(log.length));
    }
};

} // namespace

TEST(ExpertRunLinks, LinksInsideTheDirectoryAreNeverFollowed) {
    qvtest::TempDir outside;
    qvtest::TempDir inside;
    ASSERT_TRUE(qvtest::writeFile(outside.file("secret.ini"), "alpha"));
    fs::create_directory(outside.file("folder"));
    fs::create_symlink(outside.file("secret.ini"), inside.file("link.ini"));
    fs::create_directory_symlink(outside.file("folder"), inside.file("folder.exe"));
    fs::create_symlink(inside.file("nowhere.ini"), inside.file("dangling.ini"));
    Fields fields;
    fields.directory = inside.path();
    EXPECT_EQ("DO IT for directory \"" + inside.path() + "\":\r\n\r\nDone!\r\n", fields.run(1));
    EXPECT_EQ("alpha", qvtest::readFile(outside.file("secret.ini")));
    EXPECT_TRUE(fs::is_symlink(inside.file("link.ini")));
    EXPECT_FALSE(fs::exists(inside.file("nowhere.ini")));
}

TEST(ExpertRunLongNames, LongPathsAreSavedAndNamesAreNeverCut) {
    qvtest::TempDir root;
    const std::string directory = root.path() + "/" + std::string(240, 'd') + "/" + std::string(240, 'e') + "/" +
                                  std::string(240, 'f') + "/" + std::string(200, 'g');
    fs::create_directories(directory);
    Fields fields;
    fields.directory = directory;
    // A path past the fields' 1024 bytes is saved as any other.
    const std::string name = std::string(250, 'n') + ".ini";
    const std::string file = directory + "/" + name;
    ASSERT_GT(file.size(), 1100u);
    ASSERT_TRUE(qvtest::writeFile(file, "alpha"));
    EXPECT_NE(std::string::npos, fields.run(1).find("Done!"));
    EXPECT_EQ("omega", qvtest::readFile(file));

    // With ".NEW" the name passes the system's limit: the save fails with
    // the system's reason, and nothing is written under another name.
    ASSERT_TRUE(qvtest::writeFile(file, "alpha"));
    fields.saveAsNew = 1;
    const std::string log = fields.run(1);
    EXPECT_NE(std::string::npos, log.find("ERROR!  An error occurred attempting to save \"" + file +
                                          ".NEW\"!Operation stopped.\r\nCause: File name too long\r\n"))
        << log;
    EXPECT_EQ("alpha", qvtest::readFile(file));
    size_t entries = 0;
    for (auto it = fs::directory_iterator(directory); it != fs::directory_iterator(); ++it)
        ++entries;
    EXPECT_EQ(1u, entries) << "something was written under another name";

    fields.work.clear();
    fields.log.clear();
    EXPECT_EQ(0, fields.manager.heapCount);
}
