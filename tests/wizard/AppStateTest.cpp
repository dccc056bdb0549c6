// AppStateTest.cpp - start-up and the releases of the application state.
#include "AppState.h"
#include "QvBoxRecorder.h"
#include "ZephLib.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Captures the boxes instead of showing them.
class AppStateTest : public ::testing::Test {
protected:
    qvtest::BoxRecorder recorder;
};

TEST_F(AppStateTest, InitSetsUpEveryField) {
    AppState state;
    state.agreed = 1;
    state.purchaseChannel = PurchaseChannel::SubscriptionStore;
    state.expertBusy = 1;
    int token = 0;
    ASSERT_EQ(state.init(&token, nullptr, "-h"), 0);
    EXPECT_EQ(state.instanceHandle, &token);
    EXPECT_STREQ(state.commandLine, "-h");
    EXPECT_EQ(state.currentPage, -1);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(state.modelessPage, nullptr);
    EXPECT_GE(state.instance.number, 1);
    EXPECT_EQ(ZephLib::isStarted(), 1);
    EXPECT_EQ(ZephLib::startedOptions(), static_cast<uint32_t>(ZephLibServices));
    EXPECT_NE(state.headingFont, nullptr);
    EXPECT_EQ(state.workBuffer.manager, &ZephMemManagerGlobal);
    EXPECT_EQ(state.logBuffer.manager, &ZephMemManagerGlobal);
    EXPECT_EQ(state.workBuffer.capacity, 8192);
    EXPECT_EQ(state.logBuffer.capacity, 8192);
    EXPECT_EQ(state.job.memoryManager, &ZephMemManagerGlobal);
    EXPECT_EQ(state.job.status, Idle);
    EXPECT_EQ(state.agreed, 0);
    EXPECT_EQ(state.purchaseChannel, 0);
    EXPECT_EQ(state.expertBusy, 0);
    EXPECT_EQ(state.productIndex, -1);
    EXPECT_EQ(state.product, nullptr);
    EXPECT_TRUE(recorder.boxes().empty());
    state.releaseHeld();
}

TEST_F(AppStateTest, ReleaseHeldGivesBackEverythingFromTheGlobalManager) {
    int32_t before = ZephMemManagerGlobal.totalBytes;
    {
        AppState state;
        ASSERT_EQ(state.init(nullptr, nullptr, ""), 0);
        state.logBuffer.appendFormat("%s", std::string(20000, 'l').c_str());
        EXPECT_GT(ZephMemManagerGlobal.totalBytes, before);
        state.releaseHeld();
        EXPECT_EQ(ZephMemManagerGlobal.totalBytes, before);
        EXPECT_EQ(state.headingFont, nullptr);
        EXPECT_EQ(state.workBuffer.data, nullptr);
        state.releaseHeld(); // safe twice
        // Only the instance number is still held, until the record goes.
        EXPECT_GE(state.instance.number, 1);
    }
    char why[256];
    EXPECT_EQ(ZephMemCheck(&ZephMemManagerGlobal, why, sizeof why), 0) << why;
}

TEST_F(AppStateTest, InitAgainReleasesWhatTheFirstHeld) {
    int32_t before = ZephMemManagerGlobal.totalBytes;
    AppState state;
    ASSERT_EQ(state.init(nullptr, nullptr, ""), 0);
    int32_t once = ZephMemManagerGlobal.totalBytes;
    ASSERT_EQ(state.init(nullptr, nullptr, ""), 0);
    EXPECT_EQ(ZephMemManagerGlobal.totalBytes, once);
    state.releaseHeld();
    EXPECT_EQ(ZephMemManagerGlobal.totalBytes, before);
}

TEST_F(AppStateTest, TwoRecordsHoldTwoInstanceNumbers) {
    AppState first, second;
    ASSERT_EQ(first.init(nullptr, nullptr, ""), 0);
    ASSERT_EQ(second.init(nullptr, nullptr, ""), 0);
    EXPECT_NE(first.instance.number, second.instance.number);
    int32_t firstNumber = first.instance.number;
    first.releaseHeld();
    first.instance.release();
    AppState third;
    ASSERT_EQ(third.init(nullptr, nullptr, ""), 0);
    EXPECT_EQ(third.instance.number, firstNumber);
    second.releaseHeld();
    third.releaseHeld();
}

} // namespace
