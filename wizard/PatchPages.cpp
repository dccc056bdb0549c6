// PatchPages.cpp - the logic of CONVERTFILES and DONE.
#include "PatchPages.h"

#include "AppState.h"
#include "JobRuns.h"
#include "JobTexts.h"
#include "PageTable.h"
#include "resource.h"

namespace {

// --- CONVERTFILES, page 9 (modeless; convertIdleStep advances the job) -----

void convertFilesTexts(AppState&, PageView& view) { view.setText(IDC_HEADING, PatchProgressText); }

// No button reacts while files are being rewritten; only the close box does,
// and it asks first. Without a command routine Back and Next do nothing.
void convertFilesStates(const AppState&, PageView& view) {
    view.enable({IDC_HEADING});
    view.disable({IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_NEXT, IDC_EXIT});
}

// --- DONE, page 10 ---------------------------------------------------------

void doneTexts(AppState& state, PageView& view) {
    composePatchResultsHeading(state.product, view.composed[0], PageView::ComposedSize);
    view.setText(IDC_FIRST_LINE, view.composed[0]);
    composeDirectoryLine(state.directory, -1, view.composed[1], PageView::ComposedSize);
    view.setText(IDC_SECOND_LINE, view.composed[1]);
    view.setText(IDC_BODY, composeDoneOutcome(state.job, view.composed[2], PageView::ComposedSize));
    view.setText(IDC_EXIT, doneExitLabel(state.job));
}

void doneStates(const AppState&, PageView& view) {
    view.enable({IDC_FIRST_LINE, IDC_SECOND_LINE, IDC_BODY, IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT});
    view.disable({IDC_NEXT});
}

PageReply doneCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (notification != 0)
        return PageReply::Unhandled;
    switch (controlId) {
    case IDC_BACK:
        // Start again from the purchase channel; the agreement and the
        // directory stay.
        state.purchaseChannel = PurchaseChannel::None;
        state.productIndex = -1;
        state.product = nullptr;
        state.currentPage = PageId::Vender;
        return PageReply::Leave;
    case IDC_NEXT: return PageReply::Stay;
    default: return PageReply::Unhandled;
    }
}

} // namespace

const PageLogic convertFilesPage = {PageId::ConvertFiles,
                                    QV_PAGE_TITLE("Patching Files"),
                                    {IDC_HEADING, 0},
                                    1,
                                    convertFilesTexts,
                                    nullptr,
                                    convertFilesStates,
                                    nullptr,
                                    0,
                                    describeRunProgress};

// Exit (whatever its label) and the close box end the wizard without asking.
const PageLogic donePage = {PageId::Done,
                            QV_PAGE_TITLE("Patch Results"),
                            {IDC_FIRST_LINE, IDC_SECOND_LINE},
                            0,
                            doneTexts,
                            nullptr,
                            doneStates,
                            doneCommand,
                            IDC_EXIT,
                            nullptr};

void convertIdleStep(AppState& state) { stepWizardRun(state, PageId::Done); }
