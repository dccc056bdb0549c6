// IntroPages.cpp - the logic of TITLE, README and EULA.
#include "IntroPages.h"

#include "AppState.h"
#include "PageTable.h"
#include "StoredTexts.h"
#include "resource.h"

namespace {

// --- TITLE, page 0 ---------------------------------------------------------

void titleTexts(AppState&, PageView& view) {
    // The two line breaks first set the welcome lower in its area.
    view.setText(IDC_FIRST_LINE, "\r\n\r\nWelcome to the Quorvel utility.");
    view.setText(IDC_SECOND_LINE, "Please exit all other programs, then\r\n\r\nselect Next to continue.");
}

void titleStates(const AppState&, PageView& view) {
    view.enable({IDC_FIRST_LINE, IDC_SECOND_LINE, IDC_ABOUT, IDC_READ_ME, IDC_NEXT, IDC_EXIT});
    view.disable({IDC_BACK});
}

PageReply titleCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (controlId == IDC_NEXT && notification == 0) {
        state.currentPage = PageId::Eula;
        return PageReply::Leave;
    }
    return PageReply::Unhandled;
}

// --- README, page 1 --------------------------------------------------------

void readMeTexts(AppState&, PageView& view) {
    view.setText(IDC_HEADING, "Quorvel Read Me notes");
    view.setText(IDC_README_TEXT, storedReadMeText);
}

void readMeStates(const AppState&, PageView& view) {
    view.enable({IDC_HEADING, IDC_README_TEXT, IDC_ABOUT, IDC_BACK, IDC_EXIT});
    view.disable({IDC_READ_ME, IDC_NEXT});
}

PageReply readMeCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (controlId == IDC_BACK && notification == 0) {
        state.currentPage = state.readMeReturnPage;
        return PageReply::Leave;
    }
    return PageReply::Unhandled;
}

// --- EULA, page 2 ----------------------------------------------------------

void eulaTexts(AppState&, PageView& view) {
    view.setText(IDC_HEADING, "End User License Agreement");
    view.setText(IDC_AGREEMENT_TEXT, storedUserAgreementText);
    view.setText(IDC_DECLINE, "No, I do not agree to the terms and conditions listed above.");
    view.setText(IDC_ACCEPT, "Yes, I agree to the terms and conditions listed above.");
}

void eulaMarks(const AppState& state, PageView& view) {
    view.setMark(IDC_DECLINE, state.agreed == 0);
    view.setMark(IDC_ACCEPT, state.agreed != 0);
}

void eulaStates(const AppState& state, PageView& view) {
    view.enable({IDC_HEADING, IDC_AGREEMENT_TEXT, IDC_DECLINE, IDC_ACCEPT, IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT});
    view.setEnabled(IDC_NEXT, state.agreed != 0);
}

PageReply eulaCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (notification != 0)
        return PageReply::Unhandled;
    switch (controlId) {
    case IDC_ACCEPT:
        if (state.agreed == 1)
            return PageReply::Stay;
        state.agreed = 1;
        return PageReply::Refresh;
    case IDC_DECLINE:
        if (state.agreed == 0)
            return PageReply::Stay;
        state.agreed = 0;
        return PageReply::Refresh;
    case IDC_BACK: state.currentPage = PageId::Title; return PageReply::Leave;
    case IDC_NEXT:
        if (state.agreed == 0)
            return PageReply::Stay;
        state.currentPage = PageId::Vender;
        return PageReply::Leave;
    default: return PageReply::Unhandled;
    }
}

} // namespace

const PageLogic titlePage = {PageId::Title,
                             QV_PAGE_TITLE("Title Screen"),
                             {IDC_FIRST_LINE, 0},
                             1,
                             titleTexts,
                             nullptr,
                             titleStates,
                             titleCommand,
                             IDC_NEXT,
                             nullptr};

const PageLogic readMePage = {PageId::ReadMe,   QV_PAGE_TITLE("Read Me Screen"),
                              {IDC_HEADING, 0}, 1,
                              readMeTexts,      nullptr,
                              readMeStates,     readMeCommand,
                              IDC_README_TEXT,  nullptr};

const PageLogic eulaPage = {
    PageId::Eula, QV_PAGE_TITLE("EULA Screen"), {IDC_HEADING, 0}, 1, eulaTexts, eulaMarks, eulaStates,
    eulaCommand,  IDC_AGREEMENT_TEXT,           nullptr};
