// CliTool.cpp - how the quorvel tool reports.
#include "CliTool.h"

#include "CliInterrupt.h"
#include "CliJson.h"
#include "CliText.h"
#include "ZephBuf.h"
#include "ZephMem.h"

#include <cstdio>
#include <cstring>

CliTool::CliTool(const CliOptions& toolOptions, const CliEnvironment& environment)
    : options(toolOptions), env(environment), out(environment.out), err(environment.err),
      line(environment.err, environment.progress && !toolOptions.quiet) {}

void CliTool::say(const char* label, const char* path, const char* what, const char* cause) {
    line.clear();
    ZephBuf* text = err.buffer();
    text->appendFormat("%s: %s", CliProgramName, label);
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

void CliTool::error(const char* path, const char* what, const char* cause) { say("", path, what, cause); }

void CliTool::warning(const char* path, const char* what) { say("warning: ", path, what, nullptr); }

void CliTool::note(const char* path, const char* what) {
    if (!options.quiet)
        say("", path, what, nullptr);
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
    case RunFailedLocked: return "locked";
    case RunFailedFolderWrite: return "folder_write";
    case RunFailedNoSpace: return "no_space";
    case RunFailedJournal: return "journal";
    case RunFailedRecovery: return "recovery";
    }
    return "unknown";
}

void CliTool::causeOf(const RunFailure& failure, char* area, int32_t size) {
    // A cause the step's words already give ("busy" after another run is
    // working on the folder, "out of memory" after out of memory) is left out.
    const ZephError code = failure.cause.code;
    const bool said = (failure.step == RunFailedLocked && code == ZephErrBusy) ||
                      (failure.step == RunFailedMemory && code == ZephErrNoMemory) ||
                      (failure.step == RunFailedNoSpace && code == ZephErrNoSpace);
    ZephFailureText(said ? ZephFailure{} : failure.cause, area, size);
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
    case RunFailedLocked: what = "another run of quorvel is working on this folder; try again when it has ended"; break;
    case RunFailedFolderWrite: what = "no new file may be made in this folder"; break;
    case RunFailedNoSpace: what = "not enough free space on the disk for the new files; no file was changed"; break;
    case RunFailedJournal: what = "cannot keep the record of the changes there; no file was changed"; break;
    case RunFailedRecovery:
        what = "an interrupted earlier run can be neither completed nor undone; no file was changed";
        break;
    }
    if (failure.path[0] != '\0') {
        CliAppendShownName(out, failure.path);
        out->append(": ", 2);
    }
    out->appendFormat("%s", what);
    char cause[256];
    causeOf(failure, cause, sizeof cause);
    if (cause[0] != '\0')
        out->appendFormat(": %s", cause);
}

void CliTool::reportFailure(const RunFailure& failure) {
    ZephBuf message;
    message.init(&ZephMemManagerGlobal, 256);
    composeFailure(failure, &message);
    error(nullptr, message.data != nullptr ? message.data : "the run failed");
    message.clear();
}

void CliTool::appendFailure(CliJsonLine& line, const RunFailure& failure) {
    ZephBuf message;
    message.init(&ZephMemManagerGlobal, 256);
    composeFailure(failure, &message);
    char cause[256];
    causeOf(failure, cause, sizeof cause);
    line.text("error", failureStepName(failure.step))
        .text("path", failure.path)
        .text("cause", cause[0] != '\0' ? cause : nullptr)
        .text("message", message.data != nullptr ? message.data : "");
    message.clear();
}

void CliTool::tellNotes(const char* folder, const CliRunNotes& notes, bool staleTold) {
    if (options.json)
        return;
    char what[160];
    if (notes.linksPassedOver > 0 || notes.specialPassedOver > 0) {
        std::snprintf(what, sizeof what, "passed over, never read or written: %ld link%s, %ld special file%s",
                      static_cast<long>(notes.linksPassedOver), notes.linksPassedOver == 1 ? "" : "s",
                      static_cast<long>(notes.specialPassedOver), notes.specialPassedOver == 1 ? "" : "s");
        warning(folder, what);
    }
    if (notes.staleRemoved > 0 && !staleTold) {
        std::snprintf(what, sizeof what, "removed %ld temporary file%s left by an interrupted run",
                      static_cast<long>(notes.staleRemoved), notes.staleRemoved == 1 ? "" : "s");
        note(folder, what);
    }
    if (notes.recoveredCompleted + notes.recoveredUndone > 0) {
        std::snprintf(what, sizeof what, "an interrupted run was %s first (%ld file%s)",
                      notes.recoveredCompleted > 0 ? "completed" : "undone",
                      static_cast<long>(notes.recoveredCompleted + notes.recoveredUndone),
                      notes.recoveredCompleted + notes.recoveredUndone == 1 ? "" : "s");
        note(folder, what);
    }
}

void CliTool::appendNotes(CliJsonLine& line, const CliRunNotes& notes) {
    line.object("passed_over")
        .number("links", notes.linksPassedOver)
        .number("special", notes.specialPassedOver)
        .close()
        .number("stale_removed", notes.staleRemoved)
        .object("recovered")
        .number("completed", notes.recoveredCompleted)
        .number("undone", notes.recoveredUndone)
        .close();
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
