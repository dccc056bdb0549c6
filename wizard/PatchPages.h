// PatchPages.h - CONVERTFILES, shown while the job's rewrite run changes
// the files, and DONE, which reports the outcome.
#ifndef QUORVEL_WIZARD_PATCHPAGES_H
#define QUORVEL_WIZARD_PATCHPAGES_H

#include "PageFrame.h"

struct AppState;

extern const PageLogic convertFilesPage;
extern const PageLogic donePage;

// CONVERTFILES' idle step: one slice of the rewrite run; once it has ended,
// CONVERTFILES gives way to DONE.
void convertIdleStep(AppState& state);

#endif
