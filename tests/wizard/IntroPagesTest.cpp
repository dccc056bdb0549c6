// IntroPagesTest.cpp - TITLE, README and EULA as the frame sees them: texts,
// enabled buttons, marks and where Back and Next lead.
#include "IntroPages.h"
#include "AppState.h"
#include "PageTable.h"
#include "StoredTexts.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

PageView viewOf(const PageLogic& page, AppState& state) {
    PageView view;
    PageFrame::describe(page, state, view);
    return view;
}

// The common buttons as the overview of the pages has them; "Usage..." is
// always hidden and left out.
void expectButtons(const PageView& view, int about, int readMe, int back, int next, int exit) {
    EXPECT_EQ(view.enabledOf(IDC_ABOUT), about);
    EXPECT_EQ(view.enabledOf(IDC_READ_ME), readMe);
    EXPECT_EQ(view.enabledOf(IDC_BACK), back);
    EXPECT_EQ(view.enabledOf(IDC_NEXT), next);
    EXPECT_EQ(view.enabledOf(IDC_EXIT), exit);
}

FrameAction click(const PageLogic& page, AppState& state, int32_t id) { return PageFrame::command(page, state, id, 0); }

class IntroPagesTest : public ::testing::Test {
protected:
    void SetUp() override { state.pageDone = 0; }
    AppState state;
};

TEST_F(IntroPagesTest, TitleWelcomesAndLeadsToTheAgreement) {
    state.currentPage = PageId::Title;
    PageView view = viewOf(titlePage, state);
    EXPECT_STREQ(view.textOf(IDC_FIRST_LINE), "\r\n\r\nWelcome to the Quorvel utility.");
    EXPECT_STREQ(view.textOf(IDC_SECOND_LINE), "Please exit all other programs, then\r\n\r\nselect Next to continue.");
    expectButtons(view, 1, 1, 0, 1, 1);
    EXPECT_STREQ(titlePage.windowTitle, "Quorvel [1.0.1r-2]  Title Screen");
    EXPECT_EQ(titlePage.headingIds[0], IDC_FIRST_LINE);

    EXPECT_EQ(click(titlePage, state, IDC_BACK), FrameAction::None);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(click(titlePage, state, IDC_NEXT), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::Eula) << "README is not on the forward path";
    EXPECT_EQ(state.pageDone, 1u);
}

TEST_F(IntroPagesTest, ReadMeShowsTheNotesAndReturnsWhereItWasOpened) {
    for (int32_t from : {PageId::Title, PageId::Eula, PageId::Vender}) {
        state.currentPage = from;
        ASSERT_EQ(click(titlePage, state, IDC_READ_ME), FrameAction::EndDialog);
        ASSERT_EQ(state.currentPage, PageId::ReadMe);
        state.pageDone = 0;
        PageView view = viewOf(readMePage, state);
        EXPECT_STREQ(view.textOf(IDC_HEADING), "Quorvel Read Me notes");
        EXPECT_EQ(view.textOf(IDC_README_TEXT), storedReadMeText);
        expectButtons(view, 1, 0, 1, 0, 1);
        EXPECT_EQ(click(readMePage, state, IDC_READ_ME), FrameAction::None);
        EXPECT_EQ(click(readMePage, state, IDC_NEXT), FrameAction::None);
        EXPECT_EQ(click(readMePage, state, IDC_BACK), FrameAction::EndDialog);
        EXPECT_EQ(state.currentPage, from);
    }
    EXPECT_STREQ(readMePage.windowTitle, "Quorvel [1.0.1r-2]  Read Me Screen");
}

TEST_F(IntroPagesTest, AgreementStartsDeclinedWithNextDisabled) {
    PageView view = viewOf(eulaPage, state);
    EXPECT_STREQ(view.textOf(IDC_HEADING), "End User License Agreement");
    EXPECT_EQ(view.textOf(IDC_AGREEMENT_TEXT), storedUserAgreementText);
    EXPECT_STREQ(view.textOf(IDC_DECLINE), "No, I do not agree to the terms and conditions listed above.");
    EXPECT_STREQ(view.textOf(IDC_ACCEPT), "Yes, I agree to the terms and conditions listed above.");
    EXPECT_EQ(view.markOf(IDC_DECLINE), 1);
    EXPECT_EQ(view.markOf(IDC_ACCEPT), 0);
    expectButtons(view, 1, 1, 1, 0, 1);
    EXPECT_EQ(view.enabledOf(IDC_DECLINE), 1);
    EXPECT_EQ(view.enabledOf(IDC_ACCEPT), 1);
    EXPECT_STREQ(eulaPage.windowTitle, "Quorvel [1.0.1r-2]  EULA Screen");

    state.currentPage = PageId::Eula;
    EXPECT_EQ(click(eulaPage, state, IDC_NEXT), FrameAction::None);
    EXPECT_EQ(state.currentPage, PageId::Eula);
}

TEST_F(IntroPagesTest, AcceptingAndDecliningChangeOnlyWhenTheyDiffer) {
    EXPECT_EQ(click(eulaPage, state, IDC_DECLINE), FrameAction::None);
    EXPECT_EQ(state.agreed, 0);
    EXPECT_EQ(click(eulaPage, state, IDC_ACCEPT), FrameAction::Refresh);
    EXPECT_EQ(state.agreed, 1);
    PageView view;
    PageFrame::describeRefresh(eulaPage, state, view);
    EXPECT_EQ(view.markOf(IDC_DECLINE), 0);
    EXPECT_EQ(view.markOf(IDC_ACCEPT), 1);
    EXPECT_EQ(view.enabledOf(IDC_NEXT), 1);
    EXPECT_EQ(click(eulaPage, state, IDC_ACCEPT), FrameAction::None);
    EXPECT_EQ(click(eulaPage, state, IDC_DECLINE), FrameAction::Refresh);
    EXPECT_EQ(state.agreed, 0);
    EXPECT_EQ(viewOf(eulaPage, state).enabledOf(IDC_NEXT), 0);
    EXPECT_EQ(state.pageDone, 0u);
}

TEST_F(IntroPagesTest, AgreementBackAndNext) {
    state.agreed = 1;
    EXPECT_EQ(click(eulaPage, state, IDC_NEXT), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::Vender);
    state.pageDone = 0;
    EXPECT_EQ(click(eulaPage, state, IDC_BACK), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::Title);
    EXPECT_EQ(state.agreed, 1) << "Back keeps the choice";
    PageView view = viewOf(eulaPage, state);
    EXPECT_EQ(view.markOf(IDC_ACCEPT), 1);
    EXPECT_EQ(view.enabledOf(IDC_NEXT), 1);
}

TEST_F(IntroPagesTest, RadioNotificationsOtherThanClicksAreIgnored) {
    EXPECT_EQ(PageFrame::command(eulaPage, state, IDC_ACCEPT, 6), FrameAction::Unhandled);
    EXPECT_EQ(state.agreed, 0);
}

} // namespace
