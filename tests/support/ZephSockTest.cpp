// ZephSockTest.cpp - socket layer start-up bookkeeping (through a fake
// platform table) and the error name table.
#include "ZephSock.h"
#include "ZephSysSock.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FakeSockets {
    int startups = 0;
    int cleanups = 0;
    int startupResult = 0;
    int cleanupError = 0; // 0: clean-up works
    std::string traced;
};
FakeSockets fake;

class SockLayer : public ::testing::Test {
protected:
    void SetUp() override {
        fake = FakeSockets{};
        ZephSysSocks.startup = [](int* error) {
            ++fake.startups;
            *error = fake.startupResult;
            return fake.startupResult == 0 ? 0 : -1;
        };
        ZephSysSocks.cleanup = [](int* error) {
            ++fake.cleanups;
            *error = fake.cleanupError;
            return fake.cleanupError == 0 ? 0 : -1;
        };
        ZephSysSocks.trace = [](const char* text) { fake.traced += std::string(text) + "|"; };
    }
    void TearDown() override {
        // Leave the layer stopped for the next test.
        fake.cleanupError = 0;
        ZephSockCleanup();
        ZephSysSocks = ZephSysSocksDefault;
    }
};

} // namespace

TEST_F(SockLayer, StartsOncePerProcess) {
    ZephSockCleanup(); // without a start-up: nothing
    EXPECT_EQ(fake.cleanups, 0);
    EXPECT_EQ(ZephSockStartup(), 0);
    EXPECT_EQ(ZephSockStartup(), 0);
    EXPECT_EQ(fake.startups, 1);
    ZephSockCleanup();
    EXPECT_EQ(fake.cleanups, 1);
    ZephSockCleanup();
    EXPECT_EQ(fake.cleanups, 1);
}

TEST_F(SockLayer, FailedStartupLeavesItStopped) {
    fake.startupResult = 10091; // WSASYSNOTREADY
    EXPECT_EQ(ZephSockStartup(), -1);
    ZephSockCleanup();
    EXPECT_EQ(fake.cleanups, 0);
    fake.startupResult = 0;
    EXPECT_EQ(ZephSockStartup(), 0);
    EXPECT_EQ(fake.startups, 2);
}

TEST_F(SockLayer, SilentRefusalsKeepItStartedAndTraceNothing) {
    for (int code : {10036, 10050, 10093}) {
        SCOPED_TRACE(code);
        fake.cleanups = fake.startups = 0;
        ASSERT_EQ(ZephSockStartup(), 0);
        fake.cleanupError = code;
        ZephSockCleanup();
        // Still started: start-up answers at once and clean-up tries again.
        EXPECT_EQ(ZephSockStartup(), 0);
        EXPECT_EQ(fake.startups, 1);
        fake.cleanupError = 0;
        ZephSockCleanup();
        EXPECT_EQ(fake.cleanups, 2);
    }
    EXPECT_EQ(fake.traced, "");
}

TEST_F(SockLayer, OtherRefusalIsTracedAndKeepsItStarted) {
    ASSERT_EQ(ZephSockStartup(), 0);
    fake.cleanupError = 10022;
    ZephSockCleanup();
    ZephSockCleanup();
    EXPECT_EQ(fake.traced, "WinSock error 10022.|WinSock error 10022.|");
    EXPECT_EQ(fake.cleanups, 2);
}

TEST(ZephSockErrorNames, HasFortyNineRowsAndAnEndRow) {
    int rows = 0;
    while (ZephSockErrorNames[rows].name != nullptr)
        ++rows;
    EXPECT_EQ(rows, ZephSockErrorNameCount);
    EXPECT_EQ(ZephSockErrorNames[rows].code, -1);
    // The first 43 ascend by code; the overlapped-I/O names follow.
    for (int i = 1; i < 43; ++i)
        EXPECT_LT(ZephSockErrorNames[i - 1].code, ZephSockErrorNames[i].code) << ZephSockErrorNames[i].name;
    EXPECT_STREQ(ZephSockErrorNames[42].name, "WSANO_DATA");
    EXPECT_STREQ(ZephSockErrorNames[43].name, "WSA_INVALID_HANDLE");
}

TEST(ZephSockErrorNames, LookupFindsFirstLastAndOverlappedNames) {
    EXPECT_STREQ(ZephSockErrorNameOf(10004), "WSAEINTR");
    EXPECT_STREQ(ZephSockErrorNameOf(10093), "WSANOTINITIALISED");
    EXPECT_STREQ(ZephSockErrorNameOf(11004), "WSANO_DATA");
    EXPECT_STREQ(ZephSockErrorNameOf(997), "WSA_IO_PENDING");
    EXPECT_STREQ(ZephSockErrorNameOf(995), "WSA_OPERATION_ABORTED");
    EXPECT_EQ(ZephSockErrorNameOf(10059), nullptr);
    EXPECT_EQ(ZephSockErrorNameOf(-1), nullptr);
    EXPECT_EQ(ZephSockErrorNameOf(0), nullptr);
}

TEST(ZephSockPlatform, RealStartupAndCleanupWork) {
    ASSERT_EQ(ZephSockStartup(), 0);
    ZephSockCleanup();
    ASSERT_EQ(ZephSockStartup(), 0);
    ZephSockCleanup();
}
