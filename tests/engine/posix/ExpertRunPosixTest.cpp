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

TEST(ExpertRunLongNames, TargetBeyondItsAreaFailsItsSaveAndIsNeverCut) {
    qvtest::TempDir root;
    const std::string directory = root.path() + "/" + std::string(240, 'd') + "/" + std::string(240, 'e') + "/" +
                                  std::string(240, 'f') + "/" + std::string(200, 'g');
    fs::create_directories(directory);
    Fields fields;
    fields.directory = directory;
    auto expectedLog = [&](const std::string& name, const std::string& target) {
        return "DO IT for directory \"" + directory + "\":\r\n\r\nScanning TEXT file \"" + name +
               "\"...\r\n"
               "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
               "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
               "    1 entry found total.\r\n"
               "    Saving \"" +
               target + "\".\r\nERROR!  An error occurred attempting to save \"" + target + "\"!Operation stopped.\r\n";
    };

    // The file's path fills the area exactly; with ".NEW" cut off again it
    // would name the source itself.
    const size_t nameLength = 1023 - directory.size() - 1;
    ASSERT_GE(nameLength, 5u);
    ASSERT_LE(nameLength, 255u);
    const std::string name = std::string(nameLength - 4, 'n') + ".ini";
    const std::string file = directory + "/" + name;
    ASSERT_TRUE(qvtest::writeFile(file, "alpha"));
    fields.saveAsNew = 1;
    EXPECT_EQ(expectedLog(name, file + ".NEW"), fields.run(1));
    EXPECT_EQ("alpha", qvtest::readFile(file));
    EXPECT_FALSE(fs::exists(file + ".NEW"));

    // Without the box, a path past the area is not saved either.
    fs::remove(file);
    const std::string longer = std::string(nameLength + 6, 'm') + ".ini";
    ASSERT_TRUE(qvtest::writeFile(directory + "/" + longer, "alpha"));
    fields.saveAsNew = 0;
    EXPECT_EQ(expectedLog(longer, directory + "/" + longer), fields.run(1));
    EXPECT_EQ("alpha", qvtest::readFile(directory + "/" + longer));
    size_t entries = 0;
    for (auto it = fs::directory_iterator(directory); it != fs::directory_iterator(); ++it)
        ++entries;
    EXPECT_EQ(1u, entries) << "something was written under another name";

    fields.work.clear();
    fields.log.clear();
    EXPECT_EQ(0, fields.manager.heapCount);
}
