// ScanPages.cpp - the logic of SCAN and SCANRESULTS.
#include "ScanPages.h"

#include "AppState.h"
#include "JobRuns.h"
#include "JobTexts.h"
#include "PageTable.h"
#include "resource.h"

namespace {

// --- SCAN, page 7 (modeless; scanIdleStep, below, advances the job) -------

void scanTexts(AppState&, PageView& view) {
    // The line stays as it is while the scan runs.
    view.setText(IDC_HEADING, ScanProgressText);
}

void scanStates(const AppState&, PageView& view) {
    view.enable({IDC_HEADING, IDC_BACK});
    view.disable({IDC_ABOUT, IDC_READ_ME, IDC_NEXT, IDC_EXIT});
}

PageReply scanCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (notification != 0)
        return PageReply::Unhandled;
    if (controlId == IDC_BACK) {
        // The run is abandoned where it stands; stopping it also lets go of
        // the file it was reading, which the user may want to move or
        // delete while choosing another directory.
        state.job.stop(Idle);
        state.currentPage = PageId::SetDir;
        return PageReply::Leave;
    }
    return controlId == IDC_NEXT ? PageReply::Stay : PageReply::Unhandled;
}

// --- SCANRESULTS, page 8 ---------------------------------------------------

bool hasFilesToChange(const AppState& state) { return state.job.status == Finished && state.job.filesMatched > 0; }

void scanResultsTexts(AppState& state, PageView& view) {
    composeScanResultsHeading(state.product, view.composed[0], PageView::ComposedSize);
    view.setText(IDC_FIRST_LINE, view.composed[0]);
    // The whole directory as far as the area allows; the glue cuts it
    // further to what the control shows.
    composeDirectoryLine(state.directory, -1, view.composed[1], PageView::ComposedSize);
    view.setText(IDC_SECOND_LINE, view.composed[1]);
    view.setText(IDC_BODY, composeScanVerdict(state.job, view.composed[2], PageView::ComposedSize));
}

void scanResultsStates(const AppState& state, PageView& view) {
    view.enable({IDC_FIRST_LINE, IDC_SECOND_LINE, IDC_BODY, IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT});
    view.setEnabled(IDC_NEXT, hasFilesToChange(state));
}

PageReply scanResultsCommand(AppState& state, int32_t controlId, int32_t notification) {
    if (notification != 0)
        return PageReply::Unhandled;
    switch (controlId) {
    case IDC_BACK: state.currentPage = PageId::SetDir; return PageReply::Leave;
    case IDC_NEXT:
        if (!hasFilesToChange(state))
            return PageReply::Stay;
        // The scan's counts are discarded: the rewrite lists and reads the
        // directory afresh.
        startWizardRun(state, 1);
        state.currentPage = PageId::ConvertFiles;
        return PageReply::Leave;
    default: return PageReply::Unhandled;
    }
}

} // namespace

const PageLogic scanPage = {PageId::Scan,
                            QV_PAGE_TITLE("Scanning Files"),
                            {IDC_HEADING, 0},
                            1,
                            scanTexts,
                            nullptr,
                            scanStates,
                            scanCommand,
                            0,
                            describeRunProgress};

const PageLogic scanResultsPage = {PageId::ScanResults,
                                   QV_PAGE_TITLE("Scan Results"),
                                   {IDC_FIRST_LINE, IDC_SECOND_LINE},
                                   1,
                                   scanResultsTexts,
                                   nullptr,
                                   scanResultsStates,
                                   scanResultsCommand,
                                   0,
                                   nullptr};

void scanIdleStep(AppState& state) { stepWizardRun(state, PageId::ScanResults); }
