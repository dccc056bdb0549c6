// ChannelPagesTest.cpp - VENDER and ARCAVIA: the channel question, its marks,
// Next by channel, Back clearing the agreement, and the store's dead end.
#include "ChannelPages.h"
#include "AppState.h"
#include "IntroPages.h"
#include "PageTable.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

PageView viewOf(const PageLogic& page, AppState& state) {
    PageView view;
    PageFrame::describe(page, state, view);
    return view;
}

FrameAction click(const PageLogic& page, AppState& state, int32_t id) { return PageFrame::command(page, state, id, 0); }

class ChannelPagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        state.agreed = 1;
        state.currentPage = PageId::Vender;
    }
    AppState state;
};

TEST_F(ChannelPagesTest, FirstVisitMarksNothingAndDisablesNext) {
    PageView view = viewOf(venderPage, state);
    EXPECT_STREQ(view.textOf(IDC_HEADING), "Vender selection screen");
    EXPECT_STREQ(view.textOf(IDC_BODY), "Which method did you use to purchase your Quellsoft product?");
    EXPECT_STREQ(view.textOf(IDC_CHANNEL_BOX_COPY), "I purchased a box copy of the game.");
    EXPECT_STREQ(view.textOf(IDC_CHANNEL_DOWNLOAD), "I purchased the game through Dealwise.");
    EXPECT_STREQ(view.textOf(IDC_CHANNEL_SUBSCRIPTION), "I purchased the game through Arcavia.");
    for (int32_t id : {IDC_CHANNEL_BOX_COPY, IDC_CHANNEL_DOWNLOAD, IDC_CHANNEL_SUBSCRIPTION}) {
        EXPECT_EQ(view.markOf(id), 0) << id;
        EXPECT_EQ(view.enabledOf(id), 1) << id;
    }
    for (int32_t id : {IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT})
        EXPECT_EQ(view.enabledOf(id), 1) << id;
    EXPECT_EQ(view.enabledOf(IDC_NEXT), 0);
    EXPECT_EQ(click(venderPage, state, IDC_NEXT), FrameAction::None);
    EXPECT_EQ(state.currentPage, PageId::Vender);
    EXPECT_STREQ(venderPage.windowTitle, "Quorvel [1.0.1r-2]  Vender Screen");
}

TEST_F(ChannelPagesTest, EachButtonChoosesItsChannelAndMarksOnlyItself) {
    const int32_t ids[] = {IDC_CHANNEL_BOX_COPY, IDC_CHANNEL_DOWNLOAD, IDC_CHANNEL_SUBSCRIPTION};
    for (int32_t channel = 1; channel <= 3; ++channel) {
        EXPECT_EQ(click(venderPage, state, ids[channel - 1]), FrameAction::Refresh);
        EXPECT_EQ(state.purchaseChannel, channel);
        EXPECT_EQ(click(venderPage, state, ids[channel - 1]), FrameAction::None) << "same channel again";
        PageView view;
        PageFrame::describeRefresh(venderPage, state, view);
        for (int32_t other = 1; other <= 3; ++other)
            EXPECT_EQ(view.markOf(ids[other - 1]), other == channel ? 1 : 0);
        EXPECT_EQ(view.enabledOf(IDC_NEXT), 1);
    }
    EXPECT_EQ(state.pageDone, 0u);
}

TEST_F(ChannelPagesTest, NextLeadsToProductsOrToTheStoreNotice) {
    const int32_t expected[] = {0, PageId::SelectProduct, PageId::SelectProduct, PageId::Arcavia};
    for (int32_t channel = 1; channel <= 3; ++channel) {
        state.purchaseChannel = channel;
        state.currentPage = PageId::Vender;
        state.pageDone = 0;
        EXPECT_EQ(click(venderPage, state, IDC_NEXT), FrameAction::EndDialog);
        EXPECT_EQ(state.currentPage, expected[channel]);
        EXPECT_EQ(state.pageDone, 1u);
    }
}

TEST_F(ChannelPagesTest, BackClearsTheAgreementButKeepsTheChannel) {
    state.purchaseChannel = PurchaseChannel::DownloadStore;
    EXPECT_EQ(click(venderPage, state, IDC_BACK), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::Eula);
    EXPECT_EQ(state.agreed, 0);
    EXPECT_EQ(state.purchaseChannel, PurchaseChannel::DownloadStore);
    // The agreement page then wants a new acceptance...
    PageView eula = viewOf(eulaPage, state);
    EXPECT_EQ(eula.markOf(IDC_DECLINE), 1);
    EXPECT_EQ(eula.enabledOf(IDC_NEXT), 0);
    // ...and the channel page shows the choice made before.
    PageView vender = viewOf(venderPage, state);
    EXPECT_EQ(vender.markOf(IDC_CHANNEL_DOWNLOAD), 1);
    EXPECT_EQ(vender.enabledOf(IDC_NEXT), 1);
}

TEST_F(ChannelPagesTest, TheStoreNoticeIsADeadEnd) {
    state.purchaseChannel = PurchaseChannel::SubscriptionStore;
    state.currentPage = PageId::Arcavia;
    PageView view = viewOf(arcaviaPage, state);
    EXPECT_STREQ(view.textOf(IDC_HEADING), "Arcavia");
    EXPECT_STREQ(view.textOf(IDC_BODY),
                 "Arcavia versions do not support online play, therefore do not require patching.");
    for (int32_t id : {IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT})
        EXPECT_EQ(view.enabledOf(id), 1) << id;
    EXPECT_EQ(view.enabledOf(IDC_NEXT), 0);
    EXPECT_EQ(click(arcaviaPage, state, IDC_NEXT), FrameAction::None);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_STREQ(arcaviaPage.windowTitle, "Quorvel [1.0.1r-2]  Arcavia Notice");

    EXPECT_EQ(click(arcaviaPage, state, IDC_BACK), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::Vender);
    EXPECT_EQ(viewOf(venderPage, state).markOf(IDC_CHANNEL_SUBSCRIPTION), 1);
}

TEST(ChannelButtons, IdsAndChannelsMatch) {
    EXPECT_EQ(buttonChannel(IDC_CHANNEL_BOX_COPY), PurchaseChannel::BoxCopy);
    EXPECT_EQ(buttonChannel(IDC_CHANNEL_DOWNLOAD), PurchaseChannel::DownloadStore);
    EXPECT_EQ(buttonChannel(IDC_CHANNEL_SUBSCRIPTION), PurchaseChannel::SubscriptionStore);
    EXPECT_EQ(buttonChannel(IDC_NEXT), 0);
}

} // namespace
