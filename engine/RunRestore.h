// RunRestore.h - what a record says of the files now: whether each holds
// its content before or after its run, giving one back its content before,
// and settling a run that a crash cut short (RunRecover), which every run
// does first on a folder (InstallFolderOpen).
#ifndef QUORVEL_ENGINE_RUNRESTORE_H
#define QUORVEL_ENGINE_RUNRESTORE_H

#include "RunRecord.h"
#include "ZephError.h"
#include "ZephSysFile.h"

#include <cstdint>

struct ZephBuf;
struct ZephFolder;
struct ZephMemManager;

// The content of name inside folder (absent when nothing is there), read in
// pieces. identity (may be none) gets the file's identity as read. 0, or -1
// with cause when it cannot be read (a link or special file is a
// ZephErrLink / ZephErrNotRegular cause).
int RunHashFile(int64_t folder, const char* name, ZephMemManager* manager, RunContent* content,
                ZephSysFileIdentity* identity, ZephFailure* cause);

bool RunSameContent(const RunContent& a, const RunContent& b);

// Where a file of a record stands.
enum RunFileState : int32_t {
    RunFileBefore = 0,     // its content before the run (for a created side copy: absent)
    RunFileAfter = 1,      // what the run wrote (for a removed one: absent)
    RunFileChanged = 2,    // anything else: another program's content
    RunFileUnreadable = 3  // it could not be read (cause)
};
RunFileState RunClassifyFile(int64_t folder, const RunFileRecord& file, ZephMemManager* manager,
                             ZephFailure* cause);

enum RunRestoreResult : int32_t {
    RunRestored = 0,      // it holds its content before the run now
    RunRestoreNone = 1,   // it held that already
    RunRestoreChanged = 2, // it holds neither: left alone
    RunRestoreLost = 3,   // the record cannot give it back (an earlier side copy it replaced,
                          // a file the run removed): left alone
    RunRestoreFailed = 4  // reading or writing failed (cause): left as it was
};

// Gives one file of a record its content before the run, if it holds what
// the run wrote: rebuilt from it by the edits, checked against the hash
// before, and put in place without loss, keeping the file's metadata
// (ZephFileReplacer); a side copy the run created is removed. Folder synced.
RunRestoreResult RunRestoreFile(int64_t folder, const RunFileRecord& file, ZephMemManager* manager,
                                ZephFailure* cause);

// Rebuilds the content before of a file that holds its content after (read
// whole into current), into out, and checks it against the record. 0, or -1
// when the record does not give it back.
int RunRebuildChecked(const RunFileRecord& file, const ZephBuf& current, ZephBuf* out);

// What settling interrupted runs did.
struct RunRecovery {
    int32_t completed = 0;  // files put in place for a run that had begun to
    int32_t undone = 0;     // files given back their content for a run that could not be completed
    int32_t leftAlone = 0;  // files of such a run in neither state (changed by another program)
    int32_t damaged = 0;    // records whose checksums fail: never applied
    bool unresolved = false; // a run could be neither completed nor undone (see failure)
    ZephFailure failure;
};

// Settles the run on the open, locked install folder that its journal
// shows begun but not ended, if any (only the newest record can be one:
// every run settles the one before it before it begins): an all-or-nothing run (patch, undo) is
// completed when every file holds either its new content or its old one
// with its new one ready beside it, and undone otherwise (files another
// program changed are left alone); an expert run is closed as it stands,
// its saves being whole files each. A record cut short before it was
// whole, so before anything it protects was touched, is deleted. Adds to
// *recovery. 0, or -1 when a run stays unsettled (reading or writing
// failed); it is tried again by the next run.
int RunRecover(const ZephFolder& install, ZephMemManager* manager, RunRecovery* recovery);

#endif
