// JobRuns.cpp - starting the wizard's scan and convert runs.
#include "JobRuns.h"

#include "AppState.h"
#include "WizardStrings.h"
#include "ZephMem.h"

void startWizardRun(AppState& state, int32_t convert)
{
    PatchJob& job = state.job;
    job.init(&ZephMemManagerGlobal);
    job.setDirectory(state.directory);
    job.setOldString(legacyServerAddress);
    job.setNewString(serviceHostName);
    job.convert = convert;
    job.saveAsNew = 0;
    job.start();
}
