// CliRun.h - the job's runs as the quorvel tool drives them: start to end in
// one go, telling how far they got and what they decided for each file, and
// stopping on request.
#ifndef QUORVEL_CLI_CLIRUN_H
#define QUORVEL_CLI_CLIRUN_H

#include "PatchJob.h"

// How far a run has got over the files of the five kinds in its listing.
struct CliRunProgress {
    int32_t filesDone = 0;
    int32_t filesTotal = 0;
    int64_t bytesDone = 0; // the sizes of the files done, and what was read of the current one
    int64_t bytesTotal = 0;
};

// A file of a known kind the run is done with: read, or passed over unread.
struct CliFileDecision {
    const char* path;       // as the run names it; valid during the call only
    int32_t binary;         // 1 for .EXE and .DLL
    int32_t matches;        // occurrences found (a quick scan stops at 1)
    bool written;           // a convert run wrote its new content
    int32_t passedOver = 0; // an InstallFolderSkip: a link or a special file, never read
};

// Told whenever the run has looked at another entry or read more of a
// file, and whenever it is done with a file; asked after every action,
// writing ones too, whether to stop, so that a request to end is honoured
// within one piece.
class CliRunObserver {
public:
    virtual ~CliRunObserver() = default;
    virtual void progress(const CliRunProgress& now) { (void)now; }
    virtual void fileDecided(const CliFileDecision& file) { (void)file; }
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
// outcome as after any run: status, counts, message and failure.
void CliRunJob(PatchJob* job, CliRunObserver* observer);

#endif
