// RunCommit.h - puts the new files of a run in place all together or not at
// all, under the protection of the run's record in the journal.
#ifndef QUORVEL_ENGINE_RUNCOMMIT_H
#define QUORVEL_ENGINE_RUNCOMMIT_H

#include "RunRecord.h"
#include "ZephBuf.h"
#include "ZephError.h"

#include <cstdint>

struct RunJournal;
struct ZephFileReplacer;
struct ZephMemManager;

// Use: add() each new file once its content is complete (a sealed
// ZephFileReplacer, with what the record says of it), then commit() once,
// or release() to abandon them all. Until commit returns 0 no original is
// touched; whatever fails, every file ends as it was (or, when even giving
// one back failed, the record stays in the journal for the next run to
// settle, see RunRecover), and no temporary file is left.
//
// The order of the commit keeps every state a crash can leave settleable:
// each file given its metadata; all contents flushed, waiting together; the
// files closed; the record written and flushed; the renames; one folder
// sync; the record's end. A crash before the record is durable leaves the
// originals and stale temporaries; after it, the record tells the next run
// which files to complete or to give back.
//
// At most openLimit new files are held open at once: when that many wait,
// they are prepared (metadata, flushed together, closed), so that a run over
// thousands of files needs no more handles than a few.
struct RunCommit {
    ZephMemManager* manager = nullptr;
    ZephFileReplacer* files = nullptr; // count of them, files[0 .. prepared) closed
    int32_t count = 0;
    int32_t capacity = 0;
    int32_t prepared = 0;
    int32_t openLimit = 8;
    ZephBuf blocks;    // the file blocks of the record, in the order of files
    RunRecord record;  // the record as written by the last commit
    // Why the last -1 happened: the file (index into files, -1 for the
    // journal or the folder) and the cause.
    ZephFailure failure;
    int32_t failedFile = -1;
    char failedName[RunTextSize] = {}; // that file's source (its own name, or a side copy's source)
    bool journalFailed = false; // the record could not be written: nothing was touched
    bool leftPending = false;   // files in place could not all be given back
    int32_t placed = 0;         // files put in place by the last commit

    RunCommit() = default;
    ~RunCommit() { release(); }
    RunCommit(const RunCommit&) = delete;
    RunCommit& operator=(const RunCommit&) = delete;

    // Releases, then binds to manager. Cannot fail.
    void init(ZephMemManager* manager, int32_t openLimit);
    // Abandons every file not in place (its temporary removed) and empties
    // everything but the record of the last commit. Safe twice.
    void release();

    // Takes over sealed, a complete new file, with its record (temporary is
    // taken from sealed), and prepares the open files when openLimit wait.
    // -1 with failure (and failedFile) when memory ran out or preparing
    // failed; sealed is then abandoned too.
    int add(ZephFileReplacer& sealed, RunFileRecord file, const char* defaultOld, int32_t defaultOldLength,
            const char* defaultNew, int32_t defaultNewLength, const ZephBuf* edits);

    // Puts every file in place inside folder (open, locked), as above, with
    // header (its id and file count are set here) in journal (open). 0
    // with placed set, or -1 as described.
    int commit(RunJournal& journal, RunHeader header, int64_t folder);

private:
    int prepareOpen();
    void rollBack(RunJournal& journal, int64_t folder, int32_t done);
    int fail(int32_t index, const ZephFailure& cause);
    void noteName(int32_t index);
};

#endif
