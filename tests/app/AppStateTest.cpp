// AppStateTest.cpp - start-up, the command line's boxes and results, and the
// releases of the application state.
#include "AppPlatform.h"
#include "AppState.h"
#include "ZephLib.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Box {
    void* owner;
    std::string caption;
    std::string text;
    uint32_t style;
};

std::vector<Box> boxes;

int recordBox(void* owner, const char* caption, const char* text, uint32_t style)
{
    boxes.push_back({owner, caption, text, style});
    return style == AppBoxQuestion ? AppAnswerNo : AppAnswerOk;
}

// Captures the boxes instead of showing them.
class AppStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        boxes.clear();
        appMessageBoxHook = recordBox;
    }
    void TearDown() override { appMessageBoxHook = nullptr; }
};

TEST_F(AppStateTest, InitSetsUpEveryField)
{
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
    EXPECT_TRUE(boxes.empty());
    state.releaseHeld();
}

TEST_F(AppStateTest, ReleaseHeldGivesBackEverythingFromTheGlobalManager)
{
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

TEST_F(AppStateTest, InitAgainReleasesWhatTheFirstHeld)
{
    int32_t before = ZephMemManagerGlobal.totalBytes;
    AppState state;
    ASSERT_EQ(state.init(nullptr, nullptr, ""), 0);
    int32_t once = ZephMemManagerGlobal.totalBytes;
    ASSERT_EQ(state.init(nullptr, nullptr, ""), 0);
    EXPECT_EQ(ZephMemManagerGlobal.totalBytes, once);
    state.releaseHeld();
    EXPECT_EQ(ZephMemManagerGlobal.totalBytes, before);
}

TEST_F(AppStateTest, TwoRecordsHoldTwoInstanceNumbers)
{
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

TEST_F(AppStateTest, FlagsAnswerWithTheirBoxAndZero)
{
    AppState state;
    state.currentPage = -1;
    EXPECT_EQ(state.runCommandLine("-help"), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, nullptr);
    EXPECT_EQ(boxes[0].caption, "Quorvel [1.0.1r-2]");
    EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(AppBoxInformation));
    EXPECT_EQ(boxes[0].text.rfind("usage:  Quorvel.exe [<-flags>]", 0), 0u);

    EXPECT_EQ(state.runCommandLine("-a -x"), 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].style, static_cast<uint32_t>(AppBoxInformation));
    EXPECT_NE(boxes[1].text.find("Quorvel 1.0.1r-2"), std::string::npos);
    EXPECT_NE(boxes[1].text.find("Copyright"), std::string::npos);
    EXPECT_EQ(state.currentPage, -1) << "the wizard must not run";
}

TEST_F(AppStateTest, RefusedLinesShowAnErrorAndGiveMinusOne)
{
    AppState state;
    state.currentPage = -1;
    const char* lines[] = {"-x -a", "word", "\"a quoted word\"", "x x x x x x x x x x x x x x x x x x x x x x x x x "
                                                                 "x x x x x x x x x x x x x x x x x x x x x x x x x x"};
    const char* texts[] = {"Invalid flag 'x'\n", "Invalid argument \"word\"\n", "Invalid argument \"a quoted word\"\n",
                           nullptr};
    for (int i = 0; i < 4; ++i) {
        boxes.clear();
        EXPECT_EQ(state.runCommandLine(lines[i]), -1) << lines[i];
        ASSERT_EQ(boxes.size(), 1u) << lines[i];
        EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(AppBoxError));
        EXPECT_EQ(boxes[0].caption, "Quorvel [1.0.1r-2]");
        if (texts[i] != nullptr)
            EXPECT_EQ(boxes[0].text, texts[i]);
        else
            EXPECT_NE(boxes[0].text.find("too long"), std::string::npos);
    }
    EXPECT_EQ(state.currentPage, -1) << "the wizard must not run";
}

TEST_F(AppStateTest, AcceptedLineRunsTheWizardAndGivesZero)
{
    // The driver makes page 0 current and stops there: natively no row has a
    // page procedure, and on Windows this test program holds no dialog
    // templates, so the first page cannot be made.
    AppState state;
    for (const char* line : {"", "- \\"}) {
        state.currentPage = -1;
        EXPECT_EQ(state.runCommandLine(line), 0);
        EXPECT_EQ(state.currentPage, 0) << line;
    }
#ifdef _WIN32
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Error!  Cannot create TITLE dialog box!");
    EXPECT_EQ(boxes[0].style, static_cast<uint32_t>(AppBoxError));
#else
    EXPECT_TRUE(boxes.empty());
#endif
}

TEST_F(AppStateTest, AboutAndUsageBoxesGoToTheirOwner)
{
    int owner = 0;
    EXPECT_EQ(showAbout(&owner), 0);
    EXPECT_EQ(showUsage(&owner), 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].owner, &owner);
    EXPECT_EQ(boxes[1].owner, &owner);
}

} // namespace
