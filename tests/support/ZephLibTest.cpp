// ZephLibTest.cpp - library start-up and shut-down, the time stamp, and
// mutexes in blocks of their own.
#include "ZephLib.h"
#include "ZephMem.h"
#include "ZephMetricManager.h"
#include "ZephMutex.h"
#include "ZephSysSock.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <ctime>
#include <string>

namespace {

int socketStartups = 0;
int socketCleanups = 0;
bool socketStartupFails = false;

// Library start-up with a fake socket layer, stopped before and after.
class LibStartup : public ::testing::Test {
protected:
    void SetUp() override {
        socketStartups = socketCleanups = 0;
        socketStartupFails = false;
        ZephSysSocks.startup = [](int* error) {
            ++socketStartups;
            *error = socketStartupFails ? 10091 : 0;
            return socketStartupFails ? -1 : 0;
        };
        ZephSysSocks.cleanup = [](int* error) {
            ++socketCleanups;
            *error = 0;
            return 0;
        };
        ZephLib::shutdown();
    }
    void TearDown() override {
        ZephLib::shutdown();
        ZephSysSocks = ZephSysSocksDefault;
    }
};

} // namespace

TEST_F(LibStartup, BannerMustMatchByteForByte) {
    EXPECT_EQ(ZephLib::startup(nullptr, ZephLibServices), -1);
    std::string lower = ZEPH_LIB_BANNER;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(ZephLib::startup(lower.c_str(), ZephLibServices), -1);
    std::string longer = std::string(ZEPH_LIB_BANNER) + " ";
    EXPECT_EQ(ZephLib::startup(longer.c_str(), ZephLibServices), -1);
    EXPECT_EQ(ZephLib::isStarted(), 0);

    // The caller's own copy of the text, not the library's address.
    std::string copy = ZEPH_LIB_BANNER;
    EXPECT_EQ(ZephLib::startup(copy.c_str(), ZephLibServices), 0);
    EXPECT_EQ(ZephLib::isStarted(), 1);
    EXPECT_EQ(ZephLib::startedOptions(), static_cast<uint32_t>(ZephLibServices));
}

TEST_F(LibStartup, WrongBannerLeavesAStartedLibraryStarted) {
    ASSERT_EQ(ZephLib::startup(ZEPH_LIB_BANNER, ZephLibSockets | ZephLibServices), 0);
    EXPECT_EQ(ZephLib::startup("ZEPHX Lib Version 0.0.2", 0), -1);
    EXPECT_EQ(ZephLib::isStarted(), 1);
    EXPECT_EQ(ZephLib::startedOptions(), static_cast<uint32_t>(ZephLibSockets | ZephLibServices));
    EXPECT_EQ(socketCleanups, 0);
}

TEST_F(LibStartup, OptionsZeroStartNothing) {
    ASSERT_EQ(ZephLib::startup(ZEPH_LIB_BANNER, 0), 0);
    EXPECT_EQ(ZephLib::isStarted(), 1);
    EXPECT_EQ(ZephLib::startedOptions(), 0u);
    ZephLib::shutdown();
    EXPECT_EQ(socketStartups, 0);
    EXPECT_EQ(socketCleanups, 0);
}

TEST_F(LibStartup, SecondStartupShutsDownFirst) {
    ASSERT_EQ(ZephLib::startup(ZEPH_LIB_BANNER, ZephLibSockets), 0);
    ASSERT_EQ(ZephLib::startup(ZEPH_LIB_BANNER, ZephLibServices), 0);
    EXPECT_EQ(socketCleanups, 1);
    EXPECT_EQ(ZephLib::startedOptions(), static_cast<uint32_t>(ZephLibServices));
    ZephLib::shutdown();
    EXPECT_EQ(socketCleanups, 1);
    EXPECT_EQ(ZephLib::isStarted(), 0);
}

TEST_F(LibStartup, FailedSocketStartLeavesTheLibraryStopped) {
    ASSERT_EQ(ZephLib::startup(ZEPH_LIB_BANNER, ZephLibSockets | ZephLibServices), 0);
    socketStartupFails = true;
    EXPECT_EQ(ZephLib::startup(ZEPH_LIB_BANNER, ZephLibSockets | ZephLibServices), -1);
    EXPECT_EQ(ZephLib::isStarted(), 0);
    EXPECT_EQ(ZephLib::startedOptions(), 0u);
    EXPECT_EQ(socketStartups, 2);
    EXPECT_EQ(socketCleanups, 1); // the first start's sockets, taken down by the second start
    ZephLib::shutdown();
    EXPECT_EQ(socketCleanups, 1);
}

TEST_F(LibStartup, MetricFeedLivesFromStartupToShutdown) {
    ZephMetricManager metrics;
    ZephMemManager metered("metered", ReportMetrics, 0, 0, &metrics);
    auto allocateAndFree = [&] { ZephMemFree(ZephMemAlloc(&metered, 8, 0, "fed")); };
    allocateAndFree();
    EXPECT_EQ(metrics.records, 0) << "nothing is fed before start-up";
    ASSERT_EQ(ZephLib::startup(ZEPH_LIB_BANNER, 0), 0);
    allocateAndFree();
    EXPECT_EQ(metrics.events, 1);
    EXPECT_EQ(ZephLib::startup("another library", 0), -1); // a refused start-up keeps it
    allocateAndFree();
    EXPECT_EQ(metrics.events, 2);
    ZephLib::shutdown();
    allocateAndFree();
    EXPECT_EQ(metrics.events, 2);
    EXPECT_EQ(ZephMemGetMetricFeed(), nullptr);
}

TEST(ZephTimeStamp, IsTheLocalTimeInCtimeLayoutWithoutLineEnd) {
    // Compared with the standard library's own local time; a second that
    // turns between the two readings gets another try.
    std::string stamp, expected;
    for (int attempt = 0; attempt < 5; ++attempt) {
        char text[26];
        std::memset(text, 'x', sizeof text);
        std::time_t now = std::time(nullptr);
        ZephTimeStamp(text);
        char reference[64];
        std::strftime(reference, sizeof reference, "%a %b %d %H:%M:%S %Y", std::localtime(&now));
        stamp = text;
        expected = reference;
        if (stamp == expected)
            break;
    }
    EXPECT_EQ(stamp, expected);
    ASSERT_EQ(stamp.size(), 24u);
    EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(stamp.back())));
    ZephTimeStamp(nullptr); // does nothing
}

TEST(ZephMutexBlock, NewMutexComesFromTheManagerAndDeleteGivesItBack) {
    ZephMemManager manager("mutex test", 0, 0, 0, nullptr);
    ZephMutex* mutex = ZephMutex::newMutex(&manager);
    ASSERT_NE(mutex, nullptr);
    EXPECT_NE(mutex->handle, 0);
    EXPECT_STREQ(ZephMemBlockOf(mutex)->name, "ZephMutex");
    EXPECT_EQ(manager.totalBytes, static_cast<int32_t>(sizeof(ZephMutex)));
    EXPECT_EQ(mutex->lock(0), 0);
    EXPECT_EQ(mutex->unlock(), 0);

    ZephMutex::deleteMutex(&mutex);
    EXPECT_EQ(mutex, nullptr);
    EXPECT_EQ(manager.totalBytes, 0);
    ZephMutex::deleteMutex(&mutex); // none: nothing happens
    ZephMutex::deleteMutex(nullptr);
}

TEST(ZephMutexBlock, NoManagerGivesNoMutex) { EXPECT_EQ(ZephMutex::newMutex(nullptr), nullptr); }
