// RunUndo.h - going back: the last run on an install folder that is not
// undone yet, what its files hold now, and undoing it all or nothing.
#ifndef QUORVEL_ENGINE_RUNUNDO_H
#define QUORVEL_ENGINE_RUNUNDO_H

#include "RunRecord.h"
#include "RunRestore.h"
#include "ZephError.h"

#include <cstdint>

struct RunJournal;
struct ZephMemManager;

// Finds, newest first, the last finished run on the journal's folder that no
// undo has undone yet (undo runs themselves are never undone: a repeated
// undo walks back through the earlier runs), and loads it into record. 1
// when there is one, 0 when there is none, -1 when the journal cannot be
// read (journal.failure).
int RunFindLast(RunJournal& journal, RunRecord* record);

// Told about each file of the run as it is looked at.
class RunUndoListener {
public:
    virtual ~RunUndoListener() = default;
    // state: where the file stands (RunFileBefore: it holds its content
    // before the run already; RunFileAfter: it will be, or was, given back);
    // lost: the record cannot give it back (a side copy's earlier content).
    virtual void file(const char* name, RunFileState state, bool lost) = 0;
};

// What an undo did, or would do.
struct RunUndoOutcome {
    bool found = false;   // there was a run to undo (header)
    RunHeader header;     // the run undone
    int32_t files = 0;    // its files
    int32_t restore = 0;  // files holding what it wrote: given back (a dry run: would be)
    int32_t already = 0;  // files holding their content before it already
    int32_t changed = 0;  // files changed since, or that cannot be given back: left alone
    int32_t staleRemoved = 0;
    RunRecovery recovery; // what opening the folder settled
    // A failure: the file (its name, "" for the folder or the journal) and
    // the cause; recoveryFailed when opening the folder could not settle an
    // interrupted run.
    ZephFailure failure;
    char failedName[RunTextSize] = {};
    bool locked = false;
    bool recoveryFailed = false;
};

// Undoes the last run on directory (RunFindLast), after the folder is opened
// as every run opens it (InstallFolderOpen: lock, recovery). Only the files
// that hold exactly what that run wrote are given back; a file changed since
// (or one the record cannot give back) is left alone, counted in changed and
// named to listener. Unless dryRun, the files given back take their content
// before the run back all together under a record of their own in the
// journal (RunKindUndo), so that the undo is all or nothing too and a crash
// during it is settled by the next run; side copies the run made are
// removed. When files were changed and none can be given back, nothing is
// written and the run stays the last one. 0 (done, partly or not at all, or
// nothing to undo: outcome says), or -1 with outcome->failure.
int RunUndoLast(const char* directory, ZephMemManager* manager, bool dryRun, RunUndoListener* listener,
                RunUndoOutcome* outcome);

// What the journal says of the folder: the last run not undone and how its
// files stand now.
struct RunLastState {
    bool found = false;
    RunHeader header;
    int32_t files = 0;
    int32_t asWritten = 0; // files holding what it wrote
    int32_t changed = 0;   // files changed since (or back to their content before)
    bool undoable = false; // a file holds what it wrote and can be given back, or all hold their content before
};

// Reads the journal of the open folder (locked by the caller) into state.
// 0, or -1 when the journal or a file cannot be read (cause).
int RunReadLastState(const struct ZephFolder& folder, ZephMemManager* manager, RunLastState* state, ZephFailure* cause);

#endif
