// PatchJobPosixTest.cpp - runs over real symbolic links, special files,
// long paths, and another user at work in the folder at the worst moment;
// Windows programs here cannot make these freely.
#include "ExpertRun.h"
#include "PatchJob.h"
#include "WizardStrings.h"
#include "ZephBuf.h"
#include "ZephMem.h"

#include "QvFileFault.h"
#include "QvTestKit.h"
#include "posix/QvOtherUser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

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
    EXPECT_EQ(3, job.linksPassedOver) << "so the run does not say that nothing needs patching";
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
    EXPECT_EQ(ZephErrInvalid, job.failure.cause.code) << "the name is too long for the system";
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

// FIFOs, sockets and devices named like game files are passed over and
// counted by every run, which neither waits on them nor replaces them.
TEST(PatchJobSpecialFiles, FifosSocketsAndDevicesArePassedOver) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("a.ini"), Address));
    ASSERT_EQ(0, mkfifo(dir.file("b.ini").c_str(), 0644));
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", dir.file("c.cfg").c_str());
    ASSERT_EQ(0, bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address));
    int special = 2;
    // Devices only where the machine lets us make them.
    if (mknod(dir.file("d.exe").c_str(), S_IFCHR | 0644, makedev(1, 3)) == 0)
        ++special;
    if (mknod(dir.file("disk.dll").c_str(), S_IFBLK | 0644, makedev(7, 0)) == 0)
        ++special;
    if (special < 4)
        std::printf("device nodes could not be made here; checked %d special files\n", special);
    ZephMemManager manager{"PatchJobSpecialFiles", 0, 0, 0, nullptr};
    PatchJob job;
    for (int32_t convert : {0, 1}) {
        job.init(&manager);
        job.setDirectory(dir.path().c_str());
        job.setOldString(legacyServerAddress);
        job.setNewString(serviceHostName);
        job.convert = convert;
        job.start();
        job.step(-1);
        EXPECT_EQ(Finished, job.status) << job.message;
        EXPECT_EQ(special, job.specialPassedOver);
        EXPECT_EQ(1, job.filesMatched);
    }
    EXPECT_EQ(serviceHostName, qvtest::readFile(dir.file("a.ini")));
    struct stat status {};
    EXPECT_TRUE(lstat(dir.file("b.ini").c_str(), &status) == 0 && S_ISFIFO(status.st_mode));
    if (special == 4) {
        EXPECT_TRUE(lstat(dir.file("disk.dll").c_str(), &status) == 0 && S_ISBLK(status.st_mode));
    }
    // The expert run passes them over as well.
    ZephBuf work, log;
    work.init(&manager, 8192);
    log.init(&manager, 8192);
    int32_t busy = 0;
    ExpertRunContext context;
    context.directory = dir.path().c_str();
    context.oldString = serviceHostName;
    context.newString = legacyServerAddress;
    context.busy = &busy;
    context.workBuffer = &work;
    context.logBuffer = &log;
    EXPECT_EQ(ExpertDone, ExpertRun::runDirectory(context, 1).end) << log.data;
    work.clear();
    log.clear();
    close(sock);
    job.clear();
    EXPECT_EQ(0, manager.heapCount);
}

// The folder's owner at work while root patches it, at the worst moments:
// nothing of root's is reached through a link, nobody's change is lost.
TEST(PatchJobHostileFolder, OwnersMovesAreNeitherFollowedNorOverwritten) {
    using qvtest::FileOp;
    if (!qvtest::canActAsOtherUser())
        GTEST_SKIP() << "needs root, to patch a folder that another user owns";
    qvtest::TempDir rootOnly;
    const std::string secret = rootOnly.file("secret");
    ASSERT_TRUE(qvtest::writeFile(secret, "SECRET " + Address));
    fs::permissions(secret, fs::perms(0600));
    const std::string original = "x=" + Address;
    struct Case {
        const char* what;
        FileOp op; // the moment: just before this call of the run ...
        int nth;
        std::function<void(const std::string& dir)> act; // ... the owner does this
        int32_t status;
        std::string after; // game.ini afterwards
    };
    auto asOwner = [](std::function<void()> work) {
        ASSERT_EQ(0, qvtest::runAs(qvtest::OtherUser, qvtest::OtherGroup, [&] {
                      work();
                      return 0;
                  }));
    };
    // Puts a link to the secret in the place of name, as one rename.
    auto swapForLink = [&](const std::string& dir, const std::string& name) {
        asOwner([&] {
            symlink(secret.c_str(), (dir + "/swap").c_str());
            rename((dir + "/swap").c_str(), (dir + "/" + name).c_str());
        });
    };
    auto temporaryIn = [](const std::string& dir) {
        for (const auto& item : fs::directory_iterator(dir))
            if (ZephFileReplacer::isTemporaryName(item.path().filename().c_str()))
                return item.path().filename().string();
        return std::string("none");
    };
    const Case cases[] = {
        {"the file swapped for a link before it is read", FileOp::OpenIn, 1,
         [&](const std::string& dir) { swapForLink(dir, "game.ini"); }, Finished, "(link)"},
        {"the new file swapped for a link before its mode is set", FileOp::KeepMetadata, 1,
         [&](const std::string& dir) { swapForLink(dir, temporaryIn(dir)); }, Failed, original},
        {"lines appended while the new file is made", FileOp::KeepMetadata, 1,
         [&](const std::string& dir) {
             asOwner([&] {
                 std::FILE* f = std::fopen((dir + "/game.ini").c_str(), "a");
                 std::fputs("\nmore=1", f);
                 std::fclose(f);
             });
         },
         Failed, original + "\nmore=1"},
        {"the file replaced by a newer one", FileOp::OpenIn, 4,
         [&](const std::string& dir) {
             asOwner([&] {
                 qvtest::writeFile(dir + "/newer", "newer");
                 rename((dir + "/newer").c_str(), (dir + "/game.ini").c_str());
             });
         },
         Failed, "newer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        qvtest::TempDir dir;
        ASSERT_TRUE(qvtest::writeFile(dir.file("game.ini"), original));
        ASSERT_EQ(0, chown(dir.path().c_str(), qvtest::OtherUser, qvtest::OtherGroup));
        ASSERT_EQ(0, chown(dir.file("game.ini").c_str(), qvtest::OtherUser, qvtest::OtherGroup));
        ZephMemManager manager{"PatchJobHostileFolder", 0, 0, 0, nullptr};
        PatchJob job;
        {
            qvtest::FileFault fault;
            fault.beforeCall(c.op, c.nth, [&] { c.act(dir.path()); });
            runJob(job, &manager, dir.path(), 0);
            EXPECT_GE(fault.calls(c.op), c.nth) << "the moment never came";
        }
        EXPECT_EQ(c.status, job.status) << job.message;
        if (c.status == Failed) {
            EXPECT_EQ(ZephErrChanged, job.failure.cause.code) << job.message;
        }
        if (c.after == "(link)") {
            EXPECT_TRUE(fs::is_symlink(dir.file("game.ini")));
        } else {
            EXPECT_EQ(c.after, qvtest::readFile(dir.file("game.ini")));
        }
        EXPECT_EQ(0600u, static_cast<unsigned>(fs::status(secret).permissions()));
        EXPECT_EQ("SECRET " + Address, qvtest::readFile(secret));
        for (const auto& item : fs::directory_iterator(dir.path())) {
            if (!fs::is_symlink(item.path())) {
                EXPECT_EQ(std::string::npos, qvtest::readFile(item.path().string()).find("SECRET")) << item.path();
            }
        }
        job.clear();
    }
}
