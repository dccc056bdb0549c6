// CliTool.cpp - how the quorvel tool reports.
#include "CliTool.h"

#include "CliInterrupt.h"
#include "CliText.h"
#include "ZephBuf.h"

#include <cstring>

CliTool::CliTool(const CliOptions& toolOptions, const CliEnvironment& environment)
    : options(toolOptions), env(environment), out(environment.out), err(environment.err),
      line(environment.err, environment.progress && !toolOptions.quiet) {}

void CliTool::error(const char* path, const char* what, const char* cause) {
    line.clear();
    ZephBuf* text = err.buffer();
    text->appendFormat("%s: ", CliProgramName);
    if (path != nullptr && path[0] != '\0') {
        CliAppendShownName(text, path);
        text->append(": ", 2);
    }
    text->appendFormat("%s", what);
    if (cause != nullptr && cause[0] != '\0')
        text->appendFormat(": %s", cause);
    text->append("\n", 1);
    err.flush();
}

void CliTool::warning(const char* path, const char* what) {
    line.clear();
    ZephBuf* text = err.buffer();
    text->appendFormat("%s: warning: ", CliProgramName);
    if (path != nullptr && path[0] != '\0') {
        CliAppendShownName(text, path);
        text->append(": ", 2);
    }
    text->appendFormat("%s\n", what);
    err.flush();
}

int CliTool::usageError(const char* reason) {
    line.clear();
    CliAppendUsageHint(err.buffer(), reason);
    err.flush();
    return CliExitUsage;
}

const char* CliTool::failureStepName(RunFailureStep step) {
    switch (step) {
    case RunFailedNothing: return "none";
    case RunFailedEmptyField: return "empty_field";
    case RunFailedListing: return "listing";
    case RunFailedOpenSource: return "open_source";
    case RunFailedTooLarge: return "too_large";
    case RunFailedMemory: return "memory";
    case RunFailedRead: return "read";
    case RunFailedOpenTarget: return "open_target";
    case RunFailedWrite: return "write";
    }
    return "unknown";
}

void CliTool::composeFailure(const RunFailure& failure, ZephBuf* out) {
    const char* what = "failed";
    switch (failure.step) {
    case RunFailedNothing: break;
    case RunFailedEmptyField: what = "a folder or string the run needs is empty"; break;
    case RunFailedListing: what = "cannot list the folder"; break;
    case RunFailedOpenSource: what = "cannot open the file for reading"; break;
    case RunFailedTooLarge: what = "the file is too large to scan (over 2147483647 bytes)"; break;
    case RunFailedMemory: what = "out of memory for the file's content"; break;
    case RunFailedRead: what = "cannot read the file"; break;
    case RunFailedOpenTarget: what = "cannot start writing the file's new content"; break;
    case RunFailedWrite: what = "cannot write the file's new content"; break;
    }
    if (failure.path[0] != '\0') {
        CliAppendShownName(out, failure.path);
        out->append(": ", 2);
    }
    out->appendFormat("%s", what);
    if (failure.cause != ZephErrNone)
        out->appendFormat(": %s", CliCauseText(failure.cause));
}

bool CliTool::stopRequested() const { return CliInterrupted() || out.isBroken(); }

int CliTool::finish(int code) {
    out.flush();
    line.clear();
    if (CliInterrupted())
        return CliInterruptExitCode();
    if (out.isBroken()) {
        if (out.hitClosedPipe())
            return CliExitBrokenPipe;
        error("standard output", "write error", std::strerror(out.errorNumber()));
        return CliExitFailed;
    }
    return code;
}
