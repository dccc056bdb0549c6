// CliRun.h - the job's runs as the quorvel tool drives them: start to end in
// one go, with progress reports, and a scan run that reads large pieces.
#ifndef QUORVEL_CLI_CLIRUN_H
#define QUORVEL_CLI_CLIRUN_H

#include <cstdint>

struct PatchJob;

// Told how far a run has got, often (every file and every few megabytes);
// it decides itself how often to show anything.
class CliRunObserver {
public:
    virtual ~CliRunObserver() = default;
    // entriesDone of entriesTotal directory entries looked at (total 0 until
    // the directory is listed), bytesRead bytes of file content read so far.
    virtual void progress(int32_t entriesDone, int32_t entriesTotal, int64_t bytesRead) {
        (void)entriesDone;
        (void)entriesTotal;
        (void)bytesRead;
    }
    // Asked as often: true ends the run at the next step, as failed with
    // CliStoppedMessage. A rewrite is only ever stopped between two files or
    // with its temporary file abandoned, so every file stays either as it
    // was or fully rewritten, and nothing is left behind.
    virtual bool stopRequested() { return false; }
};

// The message of a run ended by its observer.
inline constexpr char CliStoppedMessage[] = "The run was interrupted.";

// The job's scan run, for a job set up as the wizard sets it (init,
// directory, strings, convert 0). Leaves the job as PatchJob::start and
// stepping to the end would: status Finished or Failed, filesVisited,
// filesMatched and message, with nothing open and no listing held.
//
// It gets there faster: each file is read in pieces of 1 MiB instead of
// 4096 bytes, and only up to its first occurrence, which is all a scan run's
// counts depend on. The listing, the entries looked at and passed over, and
// the match test are the job's own. At anything the fast way does not handle
// exactly as the job does (a failure to list, open or read, a file that got
// shorter while read, a file too large for the job), the job itself runs the
// scan from the start, so that every outcome and message is the job's.
// observer may be none; when it asks to stop, the run ends Failed with
// CliStoppedMessage.
void CliScanRun(PatchJob* job, CliRunObserver* observer);

// Starts the job as it is set up and steps it to its end in slices of
// 100 ms (the wizard's), telling observer after every slice and stopping
// the run when it asks.
void CliStepRun(PatchJob* job, CliRunObserver* observer);

#endif
