// RunFailure.h - what made a run fail, as fields: the step, the file or
// folder it worked on and the cause as the system reported it. The runs keep
// their sentences for the wizard's pages and the expert log; a front end that
// words its failures itself (the command-line tool) reads this record instead.
#ifndef QUORVEL_ENGINE_RUNFAILURE_H
#define QUORVEL_ENGINE_RUNFAILURE_H

#include "ZephError.h"
#include "ZephStr.h"

#include <cstdint>

enum RunFailureStep : int32_t {
    RunFailedNothing = 0,     // the run has not failed
    RunFailedEmptyField = 1,  // a folder or string the run needs is empty
    RunFailedListing = 2,     // the folder cannot be opened or listed
    RunFailedOpenSource = 3,  // a file cannot be opened for reading (loaded, in the expert run)
    RunFailedTooLarge = 4,    // a file is larger than a run can hold
    RunFailedMemory = 5,      // memory for a file's content ran out
    RunFailedRead = 6,        // reading a file failed or came up short
    RunFailedOpenTarget = 7,  // a file's new content cannot be started
    RunFailedWrite = 8,       // the new content cannot be written or put in place
    RunFailedLocked = 9,      // another run holds the folder's run lock
    RunFailedFolderWrite = 10, // no new file may be made in the folder (path: the folder)
    RunFailedNoSpace = 11,     // the folder's disk cannot hold the new files (path: the folder)
    RunFailedJournal = 12,     // the record of the changes cannot be kept (path: the journal's folder)
    RunFailedRecovery = 13     // an interrupted run on the folder can be neither completed nor undone
};

// Room for the longest path a run names: a folder of 1023 characters, a
// separator, a file name and a suffix.
inline constexpr int32_t RunFailurePathSize = 2048;

struct RunFailure {
    RunFailureStep step = RunFailedNothing;
    ZephFailure cause; // code none when neither the system nor the run gave a reason
    char path[RunFailurePathSize] = {};

    // Records a failure; path and tail (either may be none) are joined.
    void set(RunFailureStep failedStep, const char* failedPath, const char* tail, const ZephFailure& why) {
        step = failedStep;
        cause = why;
        ZephStrCopy(path, failedPath, sizeof path);
        ZephStrAppend(path, tail, sizeof path);
    }
    void clear() {
        step = RunFailedNothing;
        cause = ZephFailure{};
        path[0] = '\0';
    }
};

#endif
