// ZephInstancePosixTest.cpp - where the POSIX instance slots live, and what
// keeps them there.
#include "ZephInstance.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::string uniqueName(const char* tag) {
    std::random_device random;
    return std::string("qv-posix-") + tag + "-" + std::to_string(random());
}

// Points XDG_RUNTIME_DIR at a folder of the test's for the test's length.
class RuntimeFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const char* previous = std::getenv("XDG_RUNTIME_DIR");
        hadPrevious_ = previous != nullptr;
        if (hadPrevious_)
            previous_ = previous;
        ::chmod(runtime_.path().c_str(), 0700);
        ::setenv("XDG_RUNTIME_DIR", runtime_.path().c_str(), 1);
    }
    void TearDown() override {
        if (hadPrevious_)
            ::setenv("XDG_RUNTIME_DIR", previous_.c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    std::string slotFolder() const { return runtime_.file("zeph-instance"); }

    qvtest::TempDir runtime_;
    bool hadPrevious_ = false;
    std::string previous_;
};

} // namespace

TEST_F(RuntimeFolder, SlotsAreFilesInAPrivateFolder) {
    std::string name = uniqueName("files");
    ZephInstance instance;
    ASSERT_EQ(instance.acquire(name.c_str()), 0);
    EXPECT_EQ(instance.number, 1);
    EXPECT_TRUE(fs::exists(slotFolder() + "/semaphore:" + name + ":1"));
    struct stat info {};
    ASSERT_EQ(::stat(slotFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(RuntimeFolder, NameWithSlashesStaysInsideTheFolder) {
    ZephInstance instance;
    ASSERT_EQ(instance.acquire("../../x/%y"), 0);
    EXPECT_EQ(instance.number, 1);
    EXPECT_TRUE(fs::exists(slotFolder() + "/semaphore:..%2F..%2Fx%2F%25y:1"));
    // "%2F" spelt out is another name, not the same one.
    ZephInstance spelt;
    ASSERT_EQ(spelt.acquire("..%2F..%2Fx%2F%25y"), 0);
    EXPECT_EQ(spelt.number, 1);
}

TEST_F(RuntimeFolder, LinkedSlotFolderIsRefused) {
    qvtest::TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.path(), slotFolder());
    ZephInstance instance;
    EXPECT_EQ(instance.acquire(uniqueName("link").c_str()), -1);
    EXPECT_EQ(instance.number, 0);
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST_F(RuntimeFolder, RuntimeFolderOthersCanWriteIsPassedOver) {
    ::chmod(runtime_.path().c_str(), 0777);
    ZephInstance instance;
    ASSERT_EQ(instance.acquire(uniqueName("open").c_str()), 0);
    EXPECT_EQ(instance.number, 1);
    EXPECT_FALSE(fs::exists(slotFolder()));
}
