// CliRun.h - the job's runs as the quorvel tool drives them: start to end in
// one go, with progress reports and a stop on request.
#ifndef QUORVEL_CLI_CLIRUN_H
#define QUORVEL_CLI_CLIRUN_H

#include "PatchJob.h"

// Told how far a run has got whenever it has looked at another directory
// entry or read more of a file, and asked after every action whether to
// stop; it decides itself how often to show anything.
class CliRunObserver {
public:
    virtual ~CliRunObserver() = default;
    virtual void progress(const PatchProgress& now) { (void)now; }
    // True ends the run there, as failed with CliStoppedMessage. A rewrite is
    // only ever stopped between two files or with its temporary file
    // abandoned, so every file stays either as it was or fully rewritten,
    // and nothing is left behind.
    virtual bool stopRequested() { return false; }
};

// The message of a run ended by its observer.
inline constexpr char CliStoppedMessage[] = "The run was interrupted.";

// Starts the job as it is set up and steps it to its end one action at a
// time, telling observer (may be none) as above. The job then holds the
// outcome as after any run: status, counts and message.
void CliRunJob(PatchJob* job, CliRunObserver* observer);

#endif
