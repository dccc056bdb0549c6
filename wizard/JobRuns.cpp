// JobRuns.cpp - starting and stepping the wizard's scan and convert runs.
#include "JobRuns.h"

#include "AppState.h"
#include "PageFrame.h"
#include "PageHost.h"
#include "WizardStrings.h"
#include "ZephMem.h"
#include "resource.h"

void startWizardRun(AppState& state, int32_t convert) {
    PatchJob& job = state.job;
    job.init(&ZephMemManagerGlobal);
    job.setDirectory(state.directory);
    job.setOldString(legacyServerAddress);
    job.setNewString(serviceHostName);
    job.convert = convert;
    job.saveAsNew = 0;
    job.start();
}

void stepWizardRun(AppState& state, int32_t nextPage) {
    state.job.step(IdleSliceMs);
    if (state.job.status == Running)
        return;
    state.pageDone = 1;
    state.currentPage = nextPage;
    pageHost.endDialog(state.modelessPage);
}

void describeRunProgress(const AppState& state, PageView& view) {
    const PatchProgress now = state.job.progress();
    view.setProgress(IDC_PROGRESS, now.entriesDone, now.entriesTotal);
}
