// ExpertRun.h - the expert page's report and rewrite run over one directory,
// with its detailed log, apart from any window so that the page, the
// command-line tool and the tests all drive the same run.
#ifndef QUORVEL_ENGINE_EXPERTRUN_H
#define QUORVEL_ENGINE_EXPERTRUN_H

#include "RunFailure.h"

#include <cstdint>

struct ZephBuf;
struct ZephMemManager;

// The size of every text field the run reads (directory, old and new
// string) and of the area its save targets are formed in.
inline constexpr int32_t ExpertFieldSize = 1024;

// How often the progress text may be shown while a file is scanned.
inline constexpr uint32_t ExpertProgressIntervalMs = 25;

// How a run ended.
enum ExpertEnd : int32_t {
    ExpertDone = 0,    // every entry was looked at; the log ends with "Done!"
    ExpertRefused = 1, // nothing was listed: another run was going, or no
                       // Source Directory or Old String was given
    ExpertStopped = 2, // the stop flag cut the run short; the log still ends
                       // with "Done!", as closing the page has always left it
    ExpertFailed = 3   // the listing, or a file's load, copy, replacement or
                       // save failed; files saved before it stay saved
};

// Room for the longest line a run ends on: the failed overwrite, which
// names two strings of up to ExpertFieldSize - 1 characters.
inline constexpr int32_t ExpertMessageSize = 2 * ExpertFieldSize + 128;

// The end of a run and the line of its log that tells it, without the line
// end: "Done!", "Error, no <Old String> specified.", "Error, cannot load file
// ..." and so on. A run refused because another was going writes no log,
// and its message is empty.
struct ExpertOutcome {
    ExpertEnd end = ExpertRefused;
    char message[ExpertMessageSize] = {};
    RunFailure failure; // refused or failed: the same end as fields, with the system's cause
    // What the run met besides the files it read: temporary files of killed
    // runs removed at the start, and entries of a known kind passed over
    // unread (links; FIFOs, sockets, devices).
    int32_t staleRemoved = 0;
    int32_t linksPassedOver = 0;
    int32_t specialPassedOver = 0;
};

// One file the run has finished with: scanned whole and, in Do it!, saved;
// or, passedOver set, a link or special file of a known kind left unread.
struct ExpertFileDone {
    const char* path;       // the full path, as listed
    int32_t binary;         // 1 for a binary kind, 0 for a text kind
    int32_t matches;        // occurrences of the Old String
    const char* savedAs;    // the file written, or none (Report, no occurrence, or stopped before the save)
    int32_t passedOver = 0; // an InstallFolderSkip: 0 for a file read
};

// What the run tells its user about, all on the caller's thread, in the
// order the run makes its log. Every callback may be left as it is.
class ExpertRunSink {
public:
    virtual ~ExpertRunSink() = default;

    // The busy flag just changed (the page enables or disables its controls).
    virtual void busyChanged() {}

    // The log grew; log is the whole log of this run so far, zero-terminated
    // (the page puts it into its log box and scrolls to its end).
    virtual void showLog(const ZephBuf& log) { (void)log; }

    // A progress text such as "41% Complete..." stands at the end of log from
    // offset textStart on. It is taken out of the log again as soon as this
    // returns, so it is seen only until the next show. The page shows the
    // whole log as usual; a console may print only the text.
    virtual void showProgress(const ZephBuf& log, int32_t textStart) {
        (void)textStart;
        showLog(log);
    }

    // Handles what is waiting (the page drains its message queue). A close
    // request handled here sets the stop flag, which the run honours.
    virtual void pumpMessages() {}

    // A file of a known kind is done with, its lines in the log; or passed
    // over unread, which the log does not tell.
    virtual void fileDone(const ExpertFileDone& file) { (void)file; }
};

// Everything the run reads and writes, held by pointer so that the
// application state can lend its own fields without copying them. The run
// reads the texts (zero-terminated; the page keeps them within
// ExpertFieldSize), saveAsNew and stop, and writes busy and both buffers.
struct ExpertRunContext {
    const char* directory = nullptr;       // the Source Directory
    const char* oldString = nullptr;       // the Old String
    const char* newString = nullptr;       // the New String
    const int32_t* saveAsNew = nullptr;    // nonzero: write changed files as <name> + saveAsNewSuffix
    const char* saveAsNewSuffix = nullptr; // none: ".NEW", the page's
    int32_t* busy = nullptr;               // 1 while a run goes; refuses a second run
    const int32_t* stop = nullptr;         // the page's pageDone: set, the run ends early
    ZephBuf* workBuffer = nullptr;         // the whole file being worked on
    ZephBuf* logBuffer = nullptr;          // the log text
    ZephMemManager* manager = nullptr;     // the listing and loaded files; none: ZephMemManagerGlobal
    ExpertRunSink* sink = nullptr;         // none: nobody is told
    // Where the run reads the time; none: ZephTickCount. Tests put a clock here.
    uint32_t (*tickCount)() = nullptr;
    // How long the run waits for another run on the directory to end.
    int32_t lockWaitMs = 3000;
    // A stop during a file's rewrite abandons that file rather than saving
    // it half-converted (the command-line tool); the page keeps its rule.
    bool abandonStoppedFile = false;
};

// A run opens the directory as every run does (InstallFolderOpen: one run
// per folder, stale temporaries removed, which the log says), lists it (no
// subdirectories, no links, no special files), loads each file of a known
// kind whole into workBuffer, scans it for the Old String ignoring ASCII case
// and, in Do it!, replaces every occurrence by the rule of the file's kind and
// saves the file whole. Each step is written to logBuffer with CR LF line
// ends. A save never touches the file until the new content is complete on
// disk, and only while the file is the one that was loaded
// (ZephFileReplacer), so a failed save leaves the file as it was. The first
// failure ends the run with "Operation stopped." and, when the system gave
// one, a line "Cause: <its words>"; files saved before it stay saved.
//
// Offsets in the "Match" lines are those in workBuffer, which in Do it!
// already holds the replacements made before them in the same file.
//
// The run is synchronous: it returns only at its end. While it goes it hands
// control to the sink at every log update, and at most every 25 ms while a
// file is scanned, so a window stays responsive; a set stop flag ends the
// scan of the current file at once and the run after that file.
struct ExpertRun {
    // The whole run: doIt 0 reports only, 1 rewrites. Empties both buffers
    // first (their memory stays). Returns at once, refused, when busy is
    // already set (or the context lacks busy or a buffer); otherwise busy is
    // 1 until the run ends. An empty directory, then an empty Old String, is
    // refused before anything is listed. Everything, failures included, is
    // in the log; the outcome says how the run ended, so that no caller
    // needs to read the log for it.
    static ExpertOutcome runDirectory(const ExpertRunContext& context, int32_t doIt);

    // One file of a run, given its full path, alone: its folder is opened
    // without the run lock. A file of no known kind, a link or a special
    // file is passed over without a trace. Returns -1 when the run must stop
    // (the cause is logged), 0 otherwise.
    static int processFile(const ExpertRunContext& context, const char* path, int32_t doIt);
};

#endif
