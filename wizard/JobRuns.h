// JobRuns.h - how the wizard sets up and starts a run of its job, and how
// the working pages advance it.
#ifndef QUORVEL_WIZARD_JOBRUNS_H
#define QUORVEL_WIZARD_JOBRUNS_H

#include <cstdint>

struct AppState;
struct PageView;

// A working page's idle step gives the job this many milliseconds per pass.
inline constexpr int32_t IdleSliceMs = 100;

// Sets the job up afresh on ZephMemManagerGlobal (whatever an earlier run
// held is released) for state.directory, the wizard's old address and host
// name, convert as given (0 count only, 1 rewrite), files written over
// themselves, and starts it. The job's status tells the outcome: Running, or
// Failed with its message when the start refused the fields.
void startWizardRun(AppState& state, int32_t convert);

// A working page's idle step: one slice of the job; once its run no longer
// runs, pageDone is set, currentPage becomes nextPage and the modeless
// page's dialog ends.
void stepWizardRun(AppState& state, int32_t nextPage);

// A working page's progress bar: directory entries looked at of the
// listing's total (0 until the listing is complete).
void describeRunProgress(const AppState& state, PageView& view);

#endif
