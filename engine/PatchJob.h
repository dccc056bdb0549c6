// PatchJob.h - one scan or convert run over one directory, advanced in small
// actions inside a time budget so that the GUI thread stays responsive.
#ifndef QUORVEL_ENGINE_PATCHJOB_H
#define QUORVEL_ENGINE_PATCHJOB_H

#include "InstallFolder.h"
#include "PatchReadAhead.h"
#include "PatchSearch.h"
#include "RunCommit.h"
#include "RunFailure.h"
#include "RunJournal.h"
#include "RunRestore.h"
#include "ZephBuf.h"
#include "ZephError.h"
#include "ZephFile.h"
#include "ZephFileReplacer.h"
#include "ZephFolder.h"

#include <cstdint>

struct ZephMemManager;
struct ZephDirList;
struct ZephDirEntry;

enum PatchStatus : int32_t {
    Idle = 0,     // no run set up
    Running = 1,  // the job passed its check and is being stepped
    Finished = 2, // the run went through every entry of the directory
    Failed = -1   // the run stopped on an error; message holds the text
};

// The engine's next action; 0 means none.
enum PatchStep : int32_t {
    ListDirectory = 1, // lists the directory, PatchListSliceNames names per action
    NextEntry = 2,     // looks at one directory entry
    OpenSource = 3,    // opens the current file and sizes content
    ReadChunk = 4,     // reads up to 4096 bytes into content
    EndRead = 5,       // closes the source
    ScanContent = 6,   // scans all of content (and replaces in a convert run), or decides what follows
    OpenTarget = 7,    // starts the new file that will take the target's place
    WriteChunk = 8,    // writes up to 4096 bytes of content
    EndWrite = 9,      // puts the new file in the target's place
    Complete = 10      // ends the run as Finished
};

// Pieces of a file read or written by one action.
inline constexpr int32_t PatchChunkSize = 4096;

// Names one ListDirectory action takes from the directory. Under Wine a name
// costs tens of microseconds, so a directory of tens of thousands of names
// is read over many actions, each far below a 100 ms budget.
inline constexpr int32_t PatchListSliceNames = 128;

// Pieces a quick scan reads: few calls for a large file, and still small
// enough for a progress display to move during one.
inline constexpr int32_t PatchQuickPieceSize = int32_t{1} << 20;

// Room for every failure text with the longest path a run meets (a
// directory of 1023 characters, a separator, a file name of up to 255 bytes
// and ".new"), so that a message always names its file in full.
inline constexpr int32_t PatchMessageSize = 2048;

// Complete new files a convert run holds open before it flushes them
// together and closes them, to wait for their places: one wait for the disk
// then serves the files of most folders. Each held file has an open handle
// and a 64 KiB block.
inline constexpr int32_t PatchSealedFiles = 64;

// How far a run has got, for a front end's progress display.
struct PatchProgress {
    int32_t entriesDone = 0;  // directory entries looked at (filesVisited)
    int32_t entriesTotal = 0; // entries of the listing; 0 until it is complete
    int64_t bytesRead = 0;    // bytes of file content read by the run so far
};

// A run lists the directory (no subdirectories, no links) and reads each
// file of a known kind in 4096-byte pieces. A convert run reads the file
// whole into content, scans and rewrites it there in one pass and, when it
// held at least one occurrence, writes it back in 4096-byte pieces. A scan
// run only counts: it scans each piece as it arrives and keeps in content
// just the bytes that may still begin an occurrence, so its memory and time
// do not grow with the file. Both find exactly the occurrences of one scan
// of the whole file. Every failure ends the run with a complete sentence in
// message.
//
// A quick scan (a scan run with quickScan set, for front ends that show only
// the counts) reads PatchQuickPieceSize bytes per action and stops reading a
// file at its first occurrence: filesMatched needs nothing more. It ends
// with the same status, counts and message as the scan run; only fileMatches
// and bytesRead stop short. The wizard never asks for it.
//
// A run opens the directory first (InstallFolderOpen): one run per folder at
// a time, stale temporary files of killed runs removed. Every file is then
// opened, replaced and removed relative to that folder, never through a
// link. Links and special files (FIFOs, sockets, devices) are counted and
// passed over, whether the listing or the open finds them: a run never
// reads or writes outside the chosen directory nor waits on a FIFO.
//
// A file is never rewritten in place: its new content goes into a temporary
// file beside it (target), which takes its name only once every byte is
// written and on disk, with the file's owner, mode and attributes, and only
// while the file is still the one that was read (ZephFileReplacer): another
// program's change is never overwritten, the run fails instead. A convert
// run is all or nothing: complete files wait in changes, and only when the
// last one is written do they all take their places (RunCommit), under a
// record in the folder's journal (RunJournal) that says per file its
// content before and after and each replacement, so that a crash in between
// is settled by the next run and the run can be undone. Before a file is
// written the free space of the folder's disk is checked. A failed or
// stopped run (stop, clear) leaves every file as it was and no temporary
// file behind; filesPatched says how many files hold new content when a
// run ends (filesMatched after a convert run that finished, 0 otherwise).
// Every failure that the system reported keeps its cause in failure.
//
// Invariants: folder is open and dirList exists only from ListDirectory to
// the end of a run, and dirList is still reading exactly while currentStep is
// ListDirectory;
// entry points into dirList or is none; status is Running exactly while
// currentStep is not 0 after a successful start; file is open on the source
// only between OpenSource and EndRead, target is active only between
// OpenTarget and EndWrite; changes holds complete new files only while a
// convert run goes on. All memory comes from memoryManager.
struct PatchJob {
    ZephMemManager* memoryManager = nullptr; // not owned
    char directory[1024] = {};
    char oldstring[512] = {};
    char newstring[512] = {};
    int32_t convert = 0;   // 0: scan run; otherwise convert run
    int32_t saveAsNew = 0; // write to the path plus ".new" and leave the source
    int32_t quickScan = 0; // nonzero: a scan run is a quick scan (see above)
    int32_t status = Idle;
    char message[PatchMessageSize] = {}; // the failure that ended the run; empty otherwise
    RunFailure failure;       // the same failure as fields, with the system's cause; step RunFailedNothing otherwise
    int32_t filesMatched = 0; // files of the run holding the old string
    int32_t filesVisited = 0; // directory entries looked at
    // Entries of a known kind passed over unread: links, and special files
    // (FIFOs, sockets, devices). A run that matched nothing says so rather
    // than that nothing needs patching.
    int32_t linksPassedOver = 0;
    int32_t specialPassedOver = 0;
    int32_t staleRemoved = 0; // temporary files of killed runs removed at the start
    RunRecovery recovery;     // what opening the folder settled of interrupted runs
    int32_t filesPatched = 0; // files holding new content when the run ended
    // A failed commit could not give every file back: the record stays in
    // the journal, and the next run on the folder settles it.
    bool settledByNextRun = false;
    // How long the run waits for another run on the folder to end.
    int32_t lockWaitMs = InstallFolderLockWaitMs;
    int32_t entriesTotal = 0; // entries of this run's listing
    int64_t bytesRead = 0;    // file content read by this run
    // The engine's next action, one of PatchStep (0: no run set up). Named
    // apart from the operation step(), which C++ cannot share a name with.
    int32_t currentStep = 0;
    ZephFolder folder;              // the directory, open and locked during a run
    ZephDirList* dirList = nullptr; // owned
    ZephDirEntry* entry = nullptr;
    ZephFile file;                        // the source, while it is read
    ZephSysFileIdentity sourceIdentity{}; // the source as it was read
    ZephBuf content;    // convert run: the whole current file; scan run: its undecided end and one piece
    int32_t cursor = 0; // scan offset in content
    int32_t fileMatches = 0;
    int32_t binaryKind = 0;
    int32_t writePos = 0;    // bytes of content written to the target so far
    ZephFileReplacer target; // the new file being written, sealed at EndWrite
    RunJournal journal;      // a convert run's record goes here
    RunCommit changes;       // a convert run's complete new files and their record
    // The current file's change, noted before its rewrite: its content
    // before and after and the replacements (RunEditsCollect).
    RunFileRecord change;
    ZephBuf edits;
    char changedBytes[RunTextSize] = {}; // what a replacement puts (binary: cut or padded)
    int32_t changedLength = 0;
    // A scan run counts occurrences as each piece arrives, while the piece
    // is still in the processor's cache: scannedTo is the first start
    // position not yet decided, scannedMatches what was found before it.
    // ScanContent then only finishes the end of the file.
    PatchFinder finder;
    int32_t scannedTo = 0;
    int32_t scannedMatches = 0;
    // Keeps the disk reading the next files while this one is worked on.
    PatchReadAhead readAhead;

    // Bound to no memory manager; call init before a run.
    PatchJob() = default;
    ~PatchJob() { clear(); }
    PatchJob(const PatchJob&) = delete;
    PatchJob& operator=(const PatchJob&) = delete;

    // Clears, then binds the job, its file, content and target to manager
    // with every field empty or 0 and status Idle. Cannot fail.
    void init(ZephMemManager* manager);
    // Ends any run (a half-written temporary file is removed), releases the
    // listing and content's memory, and empties every field; status Idle and
    // no memory manager. Safe on a cleared job. Cannot fail.
    void clear();

    // Bounded copies: longer text is cut to the field and always terminated.
    void setDirectory(const char* text);
    void setOldString(const char* text);
    void setNewString(const char* text);
    void setMessage(const char* text);

    // Sets up a run from directory, oldstring, newstring, convert and
    // saveAsNew. Empty fields are refused, the first one checked giving
    // status Failed and its message; otherwise status becomes Running.
    void start();

    // Performs actions while status is Running: at least one per call, then
    // more while no more than budgetMs milliseconds have passed since the
    // call began (32-bit wrapping tick). A negative budget runs the job to
    // its end; a budget of 0 performs exactly one action. Does nothing when
    // status is not Running.
    void step(int32_t budgetMs);

    // Ends a run with the given status: releases the listing, abandons an
    // unfinished target and every complete new file not yet in place, closes
    // file and the folder; content keeps its data and memory.
    void stop(int32_t newStatus);

    // How far the run has got (also after it ended). Cannot fail.
    PatchProgress progress() const;

    // 1 and the row's binary flag when path ends in a known extension,
    // otherwise 0 with 0 stored. binaryFlag may be none.
    static int lookupKind(const char* path, int32_t* binaryFlag);

private:
    // Each returns true when the run ended (Finished or Failed).
    bool perform();
    bool doListDirectory();
    bool doNextEntry();
    bool doOpenSource();
    bool doReadChunk();
    void doEndRead();
    bool doScanContent();
    bool doOpenTarget();
    bool doWriteChunk();
    bool doEndWrite();
    // Puts argument and argumentTail in the place of the one "%s" of format,
    // stops the run as Failed and stores the text (cut to the message area)
    // and the failure's fields (failedStep, argument and argumentTail as its
    // path, cause). Always true, for "return fail(...)".
    bool fail(RunFailureStep failedStep, const ZephFailure& cause, const char* format, const char* argument,
              const char* argumentTail = "");
    // Fails the run for a new file that could not be begun, by its cause
    // (folderRefused: no temporary file could be made in the folder).
    bool failReplacement(const ZephFailure& cause, bool folderRefused, const char* name, const char* suffix);
    void moveToNextEntry();
    bool contentFits(int64_t size) const;
    int32_t pieceSize() const;
    void scanAhead();
    bool doComplete();
    // Notes what the rewrite of content will change (before it happens) and,
    // after, its content after. -1 when memory ran out.
    int noteChangeBefore();
    void noteChangeAfter();
    // Fails the run for a commit that did not go through, naming the file
    // (by its source's path) or the journal, by the cause.
    bool failCommit();
    // Counts an entry of a known kind passed over (an InstallFolderSkip).
    void passOver(int32_t why);
};

#endif
