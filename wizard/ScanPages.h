// ScanPages.h - SCAN, shown while the job's scan run goes through the
// directory, and SCANRESULTS, which tells what it found and starts the
// rewrite when files need it.
#ifndef QUORVEL_WIZARD_SCANPAGES_H
#define QUORVEL_WIZARD_SCANPAGES_H

#include "PageFrame.h"

struct AppState;

extern const PageLogic scanPage;
extern const PageLogic scanResultsPage;

// SCAN's idle step: one slice of the scan run; once it has ended, SCAN gives
// way to SCANRESULTS.
void scanIdleStep(AppState& state);

#endif
