// PageFrameTest.cpp - the frame's part of every page: common buttons, leaving,
// the exit question, close requests and centring.
#include "PageFrame.h"
#include "AppState.h"
#include "ChannelPages.h"
#include "ExpertPage.h"
#include "IntroPages.h"
#include "PageTable.h"
#include "PatchPages.h"
#include "ProductPages.h"
#include "ScanPages.h"
#include "ZephMem.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A page with a switch for its Next button and a control of its own.
int32_t nextEnabled = 1;
int commandsSeen = 0;

void testTexts(AppState&, PageView& view) { view.setText(IDC_HEADING, "Heading"); }
void testStates(const AppState&, PageView& view) {
    view.enable({IDC_ABOUT, IDC_READ_ME, IDC_USAGE, IDC_BACK, IDC_EXIT});
    view.setEnabled(IDC_NEXT, nextEnabled != 0);
}
PageReply testCommand(AppState& state, int32_t controlId, int32_t notification) {
    ++commandsSeen;
    if (controlId == IDC_NEXT) {
        state.currentPage = 9;
        return PageReply::Leave;
    }
    if (controlId == IDC_BODY)
        return notification == 5 ? PageReply::Refresh : PageReply::Stay;
    return PageReply::Unhandled;
}
const PageLogic testPage = {
    6, "Quorvel [1.0.1r-2]  Test", {IDC_HEADING, 0}, 1, testTexts, nullptr, testStates, testCommand, 0, nullptr};
const PageLogic quietPage = {10,     "Quorvel [1.0.1r-2]  Quiet", {0, 0}, 0, testTexts, nullptr, testStates, nullptr, 0,
                             nullptr};

class PageFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        nextEnabled = 1;
        commandsSeen = 0;
        state.currentPage = 6;
        state.pageDone = 0;
    }
    AppState state;
};

TEST_F(PageFrameTest, AboutAndUsageKeepThePage) {
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_ABOUT, 0), FrameAction::ShowAbout);
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_USAGE, 0), FrameAction::ShowUsage);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(state.currentPage, 6);
}

TEST_F(PageFrameTest, ReadMeRemembersThePageItCameFrom) {
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_READ_ME, 0), FrameAction::EndDialog);
    EXPECT_EQ(state.readMeReturnPage, 6);
    EXPECT_EQ(state.currentPage, PageId::ReadMe);
    EXPECT_EQ(state.pageDone, 1u);
}

TEST_F(PageFrameTest, ExitAsksOrEndsAtOnce) {
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_EXIT, 0), FrameAction::AskExit);
    EXPECT_EQ(state.pageDone, 0u) << "nothing changes before the answer";
    EXPECT_EQ(PageFrame::closeRequest(testPage, state), FrameAction::AskExit);
    EXPECT_EQ(state.currentPage, 6);

    EXPECT_EQ(PageFrame::command(quietPage, state, IDC_EXIT, 0), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, -1);
    EXPECT_EQ(state.pageDone, 1u);
    state.currentPage = 10;
    state.pageDone = 0;
    EXPECT_EQ(PageFrame::closeRequest(quietPage, state), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, -1);
    EXPECT_EQ(state.pageDone, 1u);
}

TEST_F(PageFrameTest, YesEndsTheWizardAndCloseEndsOnlyThePage) {
    PageFrame::endWizard(state);
    EXPECT_EQ(state.currentPage, -1);
    EXPECT_EQ(state.pageDone, 1u);
    state.currentPage = 6;
    state.pageDone = 0;
    PageFrame::closePage(state);
    EXPECT_EQ(state.currentPage, 6);
    EXPECT_EQ(state.pageDone, 1u);
}

TEST_F(PageFrameTest, ButtonsActOnTheClickNotificationOnly) {
    for (int32_t id : {IDC_ABOUT, IDC_READ_ME, IDC_USAGE, IDC_EXIT, IDC_BACK, IDC_NEXT})
        EXPECT_EQ(PageFrame::command(testPage, state, id, 6 /* BN_SETFOCUS */), FrameAction::Unhandled) << id;
    EXPECT_EQ(commandsSeen, 0);
    EXPECT_EQ(state.pageDone, 0u);
}

TEST_F(PageFrameTest, ADisabledButtonDoesNothing) {
    nextEnabled = 0;
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_NEXT, 0), FrameAction::None);
    EXPECT_EQ(commandsSeen, 0);
    EXPECT_EQ(state.currentPage, 6);
    nextEnabled = 1;
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_NEXT, 0), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, 9);
    EXPECT_EQ(state.pageDone, 1u);
}

TEST_F(PageFrameTest, PageOwnControlsSeeEveryNotification) {
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_BODY, 5), FrameAction::Refresh);
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_BODY, 0), FrameAction::None);
    EXPECT_EQ(PageFrame::command(testPage, state, 4242, 0), FrameAction::Unhandled);
    // Back on a page that has no use for it.
    EXPECT_EQ(PageFrame::command(testPage, state, IDC_BACK, 0), FrameAction::None);
    EXPECT_EQ(PageFrame::command(quietPage, state, IDC_NEXT, 0), FrameAction::None);
    EXPECT_EQ(PageFrame::command(quietPage, state, IDC_BODY, 0), FrameAction::Unhandled);
    EXPECT_EQ(state.pageDone, 0u);
}

// Enter where no push button has the focus comes as IDOK, Esc as IDCANCEL.
TEST_F(PageFrameTest, EnterIsNextAndEscIsTheCloseRequest) {
    nextEnabled = 0;
    EXPECT_EQ(PageFrame::command(testPage, state, IDOK, 0), FrameAction::None);
    EXPECT_EQ(commandsSeen, 0);
    nextEnabled = 1;
    EXPECT_EQ(PageFrame::command(testPage, state, IDOK, 0), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, 9);

    state.currentPage = 6;
    state.pageDone = 0;
    EXPECT_EQ(PageFrame::command(testPage, state, IDCANCEL, 0), FrameAction::AskExit);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(PageFrame::command(quietPage, state, IDCANCEL, 0), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, -1);
}

// Every page's first focus for the states it meets; never About.
TEST(PageFrameFocus, EachPageStartsOnItsMainControlThenNextThenBack) {
    const auto agreed = [](AppState& s) { s.agreed = 1; };
    const auto noFiles = [](AppState& s) { s.job.status = Finished; };
    const auto twoFiles = [](AppState& s) {
        s.job.status = Finished;
        s.job.filesMatched = 2;
    };
    const auto none = [](AppState&) {};
    const struct {
        const PageLogic* page;
        void (*setUp)(AppState&);
        int32_t focus;
    } cases[] = {
        {&titlePage, none, IDC_NEXT},
        {&readMePage, none, IDC_README_TEXT},
        {&eulaPage, agreed, IDC_AGREEMENT_TEXT},
        {&venderPage, none, IDC_CHANNEL_DOWNLOAD}, // the glue moves it to the marked button
        {&arcaviaPage, none, IDC_BACK},
        {&selectProductPage, none, IDC_PRODUCT_LIST},
        {&setDirPage, none, IDC_DIRECTORY},
        {&scanPage, none, IDC_BACK},
        {&scanResultsPage, noFiles, IDC_BACK},
        {&scanResultsPage, twoFiles, IDC_NEXT},
        {&convertFilesPage, none, 0},
        {&donePage, twoFiles, IDC_EXIT},
        {&expertPage, none, IDC_DIRECTORY},
    };
    for (const auto& c : cases) {
        AppState state;
        c.setUp(state);
        EXPECT_EQ(PageFrame::firstFocus(*c.page, state), c.focus) << c.page->windowTitle;
    }
}

TEST(PageFramePlacement, FirstPageCentredThenWhereTheLastOneStood) {
    AppState state;
    int32_t left = 0, top = 0;
    PageFrame::openingOrigin(state, 1280, 800, 755, 461, &left, &top);
    EXPECT_EQ(left, 640 - 377);
    EXPECT_EQ(top, 400 - 230);
    PageFrame::keepOrigin(state, -20, 37); // partly off the screen: the user's choice
    PageFrame::openingOrigin(state, 1280, 800, 755, 461, &left, &top);
    EXPECT_EQ(left, -20);
    EXPECT_EQ(top, 37);
}

TEST(PageFrameCentring, HalvesRoundDown) {
    EXPECT_EQ(PageFrame::centredOrigin(1280, 755), 640 - 377);
    EXPECT_EQ(PageFrame::centredOrigin(1281, 756), 640 - 378);
    EXPECT_EQ(PageFrame::centredOrigin(800, 425), 400 - 212);
    // A page larger than the desktop starts left of it.
    EXPECT_EQ(PageFrame::centredOrigin(640, 755), 320 - 377);
}

TEST(PageViewItems, SettingAnIdAgainReplacesIt) {
    PageView view;
    view.setText(1, "a");
    view.setText(1, "b");
    view.setEnabled(2, true);
    view.disable({2});
    view.setMark(3, true);
    EXPECT_EQ(view.textCount, 1);
    EXPECT_STREQ(view.textOf(1), "b");
    EXPECT_EQ(view.enabledOf(2), 0);
    EXPECT_EQ(view.markOf(3), 1);
    EXPECT_EQ(view.textOf(2), nullptr);
    EXPECT_EQ(view.enabledOf(1), -1);
    EXPECT_EQ(view.markOf(1), -1);
}

TEST(PageViewItems, FormattedTextsAreCutToTheirArea) {
    PageView view;
    std::string longName(3000, 'n');
    view.setTextFormat(0, 7, "Directory: %s", longName.c_str());
    view.setTextFormat(1, 8, "Product : %s", "Stormcrow");
    EXPECT_EQ(std::string(view.textOf(7)).size(), static_cast<size_t>(PageView::ComposedSize - 1));
    EXPECT_STREQ(view.textOf(8), "Product : Stormcrow");
}

TEST(PageViewItems, AFullViewIgnoresFurtherIds) {
    PageView view;
    for (int32_t id = 0; id < PageView::MaxItems + 4; ++id)
        view.setEnabled(id, true);
    EXPECT_EQ(view.stateCount, PageView::MaxItems);
    EXPECT_EQ(view.enabledOf(PageView::MaxItems), -1);
}

} // namespace
