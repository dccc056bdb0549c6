// ChannelPages.cpp - the logic of VENDER and ARCAVIA.
#include "ChannelPages.h"

#include "AppState.h"
#include "PageTable.h"
#include "resource.h"

namespace {

// On screen, top to bottom: download store, subscription store, box copy;
// the ids and channel values run box copy, download store, subscription.
struct ChannelButton {
    int32_t channel;
    int32_t id;
    const char* text;
};
const ChannelButton channelButtons[] = {
    {PurchaseChannel::BoxCopy, IDC_CHANNEL_BOX_COPY, "I purchased a box copy of the game."},
    {PurchaseChannel::DownloadStore, IDC_CHANNEL_DOWNLOAD, "I purchased the game through Dealwise."},
    {PurchaseChannel::SubscriptionStore, IDC_CHANNEL_SUBSCRIPTION, "I purchased the game through Arcavia."},
};

bool isChosen(int32_t channel) {
    return channel >= PurchaseChannel::BoxCopy && channel <= PurchaseChannel::SubscriptionStore;
}

// --- VENDER, page 3 --------------------------------------------------------

void venderTexts(AppState&, PageView& view) {
    view.setText(IDC_HEADING, "Vender selection screen");
    view.setText(IDC_BODY, "Which method did you use to purchase your Quellsoft product?");
    for (const ChannelButton& button : channelButtons)
        view.setText(button.id, button.text);
}

void venderMarks(const AppState& state, PageView& view) {
    for (const ChannelButton& button : channelButtons)
        view.setMark(button.id, state.purchaseChannel == button.channel);
}

void venderStates(const AppState& state, PageView& view) {
    view.enable({IDC_HEADING, IDC_BODY, IDC_CHANNEL_BOX_COPY, IDC_CHANNEL_DOWNLOAD, IDC_CHANNEL_SUBSCRIPTION, IDC_ABOUT,
                 IDC_READ_ME, IDC_BACK, IDC_EXIT});
    view.setEnabled(IDC_NEXT, isChosen(state.purchaseChannel));
}

PageReply venderCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (notification != 0)
        return PageReply::Unhandled;
    if (int32_t channel = buttonChannel(controlId)) {
        if (state.purchaseChannel == channel)
            return PageReply::Stay;
        state.purchaseChannel = channel;
        return PageReply::Refresh;
    }
    switch (controlId) {
    case IDC_BACK:
        // The agreement must be accepted again on the way forward.
        state.agreed = 0;
        state.currentPage = PageId::Eula;
        return PageReply::Leave;
    case IDC_NEXT:
        if (state.purchaseChannel == PurchaseChannel::BoxCopy ||
            state.purchaseChannel == PurchaseChannel::DownloadStore) {
            state.currentPage = PageId::SelectProduct;
            return PageReply::Leave;
        }
        if (state.purchaseChannel == PurchaseChannel::SubscriptionStore) {
            state.currentPage = PageId::Arcavia;
            return PageReply::Leave;
        }
        return PageReply::Stay;
    default: return PageReply::Unhandled;
    }
}

// --- ARCAVIA, page 4 -------------------------------------------------------

void arcaviaTexts(AppState&, PageView& view) {
    view.setText(IDC_HEADING, "Arcavia");
    view.setText(IDC_BODY, "Arcavia versions do not support online play, therefore do not require patching.");
}

void arcaviaStates(const AppState&, PageView& view) {
    view.enable({IDC_HEADING, IDC_BODY, IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT});
    view.disable({IDC_NEXT});
}

PageReply arcaviaCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (controlId == IDC_BACK && notification == 0) {
        state.currentPage = PageId::Vender;
        return PageReply::Leave;
    }
    if (controlId == IDC_NEXT && notification == 0)
        return PageReply::Stay;
    return PageReply::Unhandled;
}

} // namespace

int32_t buttonChannel(int32_t controlId) {
    for (const ChannelButton& button : channelButtons) {
        if (button.id == controlId)
            return button.channel;
    }
    return 0;
}

const PageLogic venderPage = {PageId::Vender,
                              QV_PAGE_TITLE("Vender Screen"),
                              {IDC_HEADING, 0},
                              1,
                              venderTexts,
                              venderMarks,
                              venderStates,
                              venderCommand,
                              // The top button; the glue passes the focus on to the marked one.
                              IDC_CHANNEL_DOWNLOAD,
                              nullptr};

const PageLogic arcaviaPage = {PageId::Arcavia,
                               QV_PAGE_TITLE("Arcavia Notice"),
                               {IDC_HEADING, 0},
                               1,
                               arcaviaTexts,
                               nullptr,
                               arcaviaStates,
                               arcaviaCommand,
                               0,
                               nullptr};
