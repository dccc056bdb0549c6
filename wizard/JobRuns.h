// JobRuns.h - how the wizard sets up and starts a run of its job.
#ifndef QUORVEL_WIZARD_JOBRUNS_H
#define QUORVEL_WIZARD_JOBRUNS_H

#include <cstdint>

struct AppState;

// Sets the job up afresh on ZephMemManagerGlobal (whatever an earlier run
// held is released) for state.directory, the wizard's old address and host
// name, convert as given (0 count only, 1 rewrite), files written over
// themselves, and starts it. The job's status tells the outcome: Running, or
// Failed with its message when the start refused the fields.
void startWizardRun(AppState& state, int32_t convert);

#endif
