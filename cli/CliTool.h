// CliTool.h - what every verb of the quorvel tool works with: its options and
// surroundings, its two streams, the progress line, and the manner in which
// it reports: errors and warnings in the GNU manner ("quorvel: PATH: what:
// cause" on standard error), exit codes, and a stop when asked to.
#ifndef QUORVEL_CLI_CLITOOL_H
#define QUORVEL_CLI_CLITOOL_H

#include "CliArgs.h"
#include "CliConsole.h"
#include "CliProgram.h"
#include "CliStream.h"
#include "RunFailure.h"

class CliJsonLine;

// What a run met besides the files it read, told apart from its result:
// entries of a known kind passed over unread, and temporary files of killed
// runs removed at its start.
struct CliRunNotes {
    int32_t linksPassedOver = 0;
    int32_t specialPassedOver = 0;
    int32_t staleRemoved = 0;
    // Files of an interrupted run that opening the folder completed or gave
    // back (RunRecovery), so that every file of it agrees again.
    int32_t recoveredCompleted = 0;
    int32_t recoveredUndone = 0;
};

class CliTool {
public:
    CliTool(const CliOptions& options, const CliEnvironment& env);
    CliTool(const CliTool&) = delete;
    CliTool& operator=(const CliTool&) = delete;

    // "quorvel: <path>: <what>[: <cause>]" and a line end on err; path is
    // shown escaped. path and cause may be none or "".
    void error(const char* path, const char* what, const char* cause = nullptr);
    // "quorvel: warning: <path>: <what>".
    void warning(const char* path, const char* what);
    // "quorvel: <path>: <what>", a note that is no failure; not with --quiet.
    void note(const char* path, const char* what);
    // A usage error after the run was set up: the reason and the hint.
    int usageError(const char* reason);

    // The one place where a failed run is worded. composeFailure appends
    // "<path>: <what>[: <cause>]" (path shown escaped) to out; causeOf puts
    // the cause into area, the system's words (ZephFailureText), or "" when
    // there is none or the step's words already say it; failureStepName is
    // the step in JSON ("open_source").
    static void composeFailure(const RunFailure& failure, ZephBuf* out);
    static void causeOf(const RunFailure& failure, char* area, int32_t size);
    static const char* failureStepName(RunFailureStep step);
    // The failure on err, in the tool's voice.
    void reportFailure(const RunFailure& failure);
    // The failure as summary fields: error, path, cause (or null), message.
    static void appendFailure(CliJsonLine& line, const RunFailure& failure);

    // The notes of a run over folder: a warning for entries passed over
    // (they may hold the old string), and, unless the run's log said it, a
    // note for stale temporary files removed. Nothing with --json, which
    // has them as fields (appendNotes: passed_over {links, special},
    // stale_removed, recovered {completed, undone}).
    void tellNotes(const char* folder, const CliRunNotes& notes, bool staleTold);
    static void appendNotes(CliJsonLine& line, const CliRunNotes& notes);

    // True when the run should end at the next point where every file is
    // whole: a caught signal, or standard output that cannot be written.
    bool stopRequested() const;

    // The exit code a verb that would end with code ends with: a caught
    // signal (130, 143) or a closed standard output (141) wins; another
    // write error on it is reported and gives 1.
    int finish(int code);

    // Per-file output: with --json or --verbose, never with --quiet.
    bool listsFiles() const { return !options.quiet && (options.json || options.verbose); }
    // Text on standard output besides the per-file lines (summaries, logs).
    bool speaks() const { return !options.quiet && !options.json; }

    const CliOptions& options;
    const CliEnvironment& env;
    CliStream out;
    CliStream err;
    CliProgressLine line;

private:
    // "quorvel: <label><path>: <what>[: <cause>]" on err, the progress line
    // wiped first: the one form of error, warning and note.
    void say(const char* label, const char* path, const char* what, const char* cause);
};

#endif
