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
    // A usage error after the run was set up: the reason and the hint.
    int usageError(const char* reason);

    // A failed run's words, "<path>: <what>[: <cause>]" (path shown
    // escaped), appended to out; and the step's name in JSON ("open_source").
    static void composeFailure(const RunFailure& failure, ZephBuf* out);
    static const char* failureStepName(RunFailureStep step);

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
};

#endif
