// CliUndoVerbs.cpp - undo and status: the journal of the runs on a folder,
// as the quorvel tool tells it.
#include "CliJson.h"
#include "CliRun.h"
#include "CliText.h"
#include "CliVerbs.h"
#include "InstallFolder.h"
#include "ProductTable.h"
#include "RunUndo.h"
#include "WizardStrings.h"
#include "ZephFolder.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"

#include <cstdio>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

namespace {

// "2026-12-09 14:51 UTC"
void formatTime(int64_t seconds, char* area, size_t size) {
    const std::time_t when = static_cast<std::time_t>(seconds);
    const std::tm* utc = std::gmtime(&when);
    if (utc == nullptr || std::strftime(area, size, "%Y-%m-%d %H:%M UTC", utc) == 0)
        std::snprintf(area, size, "?");
}

// The run as a JSON object: its id, kind, time and strings.
void appendRun(CliJsonLine& line, const RunHeader& run) {
    char when[40];
    formatTime(run.time, when, sizeof when);
    line.object("run")
        .number("id", run.id)
        .text("kind", run.kind == RunKindExpert ? "rewrite" : "patch")
        .text("time", when)
        .text("old", run.oldString)
        .text("new", run.newString)
        .close();
}

// ": the run of <time> (\"OLD\" to \"NEW\")"
void appendRunWords(ZephBuf* text, const RunHeader& run) {
    char when[40];
    formatTime(run.time, when, sizeof when);
    text->appendFormat("the run of %s (\"", when);
    CliAppendShownName(text, run.oldString);
    text->append("\" to \"", 6);
    CliAppendShownName(text, run.newString);
    text->append("\")", 2);
}

void fullPath(const char* folder, const char* name, char* path, int32_t size) {
    ZephStrCopy(path, folder, size);
    ZephStrAppend(path, ZephPathSeparatorText, size);
    ZephStrAppend(path, name, size);
}

// Notes each file of the run to undo, to be listed (--json, -v) once the
// undo is decided, and names those changed at once.
class UndoLister : public RunUndoListener {
public:
    UndoLister(CliTool& tool, const char* folder) : tool_(tool), folder_(folder) {}
    void file(const char* name, RunFileState state, bool lost) override {
        char path[CliPathSize + 300];
        fullPath(folder_, name, path, sizeof path);
        if (state != RunFileAfter && state != RunFileBefore)
            tool_.error(path, lost ? "the record cannot give this file back" : "changed since the run; left alone");
        files_.emplace_back(path, state);
    }
    // restored: the undo went through; otherwise the files it would restore
    // are told so.
    void list(ZephBuf* lines, bool restored) const {
        if (!tool_.listsFiles())
            return;
        for (const auto& [path, state] : files_) {
            const char* result = state == RunFileAfter    ? (restored ? "restored" : "would_restore")
                                 : state == RunFileBefore ? "already"
                                                          : "changed";
            if (tool_.options.json) {
                CliJsonLine(lines, "file")
                    .text("file", path.c_str())
                    .text("result", result)
                    .flag("dry_run", tool_.options.dryRun)
                    .end();
                continue;
            }
            CliAppendShownName(lines, path.c_str());
            lines->appendFormat(": %s\n", state == RunFileAfter    ? (restored ? "restored" : "would be restored")
                                          : state == RunFileBefore ? "holds its content before the run already"
                                                                   : "changed since the run");
        }
    }

private:
    CliTool& tool_;
    const char* folder_;
    std::vector<std::pair<std::string, RunFileState>> files_;
};

PatchJob statusJob; // large; one per process

} // namespace

int CliUndoVerb(CliTool& tool, const CliTarget& target) {
    const CliOptions& options = tool.options;
    UndoLister lister(tool, target.folder);
    RunUndoOutcome outcome;
    const int done = RunUndoLast(target.folder, &ZephMemManagerGlobal, options.dryRun, &lister, &outcome);
    int code = CliExitSuccess;
    const char* result = "undone";
    if (done != 0) {
        RunFailure failure;
        char path[CliPathSize + 300];
        fullPath(target.folder, outcome.failedName, path, sizeof path);
        failure.set(outcome.locked                  ? RunFailedLocked
                    : outcome.recoveryFailed        ? RunFailedRecovery
                    : outcome.failedName[0] == '\0' ? RunFailedJournal
                                                    : RunFailedWrite,
                    outcome.failedName[0] == '\0' ? target.folder : path, nullptr, outcome.failure);
        tool.reportFailure(failure);
        if (outcome.found && !outcome.locked && !outcome.recoveryFailed)
            tool.error(nullptr, "no file was changed");
        code = CliExitFailed;
        result = "failed";
    } else if (!outcome.found) {
        tool.error(target.folder, "no run of quorvel on this folder is left to undo");
        code = CliExitFailed;
        result = "nothing_to_undo";
    } else if (outcome.changed > 0 && outcome.restore == 0) {
        tool.error(nullptr, "undo refused: no file of the run holds what it wrote; no file was changed");
        code = CliExitFailed;
        result = "refused";
    } else if (outcome.changed > 0) {
        // The files that still hold what the run wrote were given back; the
        // ones changed since were named as they were found.
        tool.error(nullptr, options.dryRun ? "files changed since the run would be left alone"
                                           : "files changed since the run were left alone");
        code = CliExitFailed;
        result = options.dryRun ? "would_undo_partly" : "undone_partly";
    } else if (options.dryRun) {
        result = "would_undo";
    }
    // The undo goes through (for every file, or for those not changed
    // since); files are given back unless it is a dry run.
    const bool goesThrough = done == 0 && outcome.found && !(outcome.changed > 0 && outcome.restore == 0);
    const bool wrote = goesThrough && !options.dryRun;
    lister.list(tool.out.buffer(), wrote);
    tool.out.flush();
    const CliRunNotes notes{0, 0, outcome.staleRemoved, outcome.recovery.completed, outcome.recovery.undone};
    if (options.json) {
        CliJsonLine line(tool.out.buffer(), "summary");
        line.text("command", "undo").text("folder", target.folder).text("result", result);
        if (outcome.found)
            appendRun(line, outcome.header);
        line.number("files", outcome.files)
            .number("restored", wrote ? outcome.restore : 0)
            .number("would_restore", wrote ? 0 : outcome.restore)
            .number("already", outcome.already)
            .number("changed", outcome.changed)
            .flag("dry_run", options.dryRun);
        CliTool::appendNotes(line, notes);
        line.number("exit", code).end();
    } else if (tool.speaks() && goesThrough) {
        ZephBuf* text = tool.out.buffer();
        const long files = outcome.restore;
        text->appendFormat(options.dryRun ? "Dry run: %ld file%s would be restored as before "
                                          : "Restored %ld file%s as before ",
                           files, files == 1 ? "" : "s");
        appendRunWords(text, outcome.header);
        text->appendFormat(options.dryRun ? "; nothing was written.\n" : ".\n");
    }
    tool.out.flush();
    tool.tellNotes(target.folder, notes, false);
    return code;
}

int CliStatusVerb(CliTool& tool, const CliTarget& target) {
    const CliOptions& options = tool.options;
    // What needs patching: the job's quick scan, which opens the folder as
    // every run does (and so settles an interrupted run first).
    statusJob.init(&ZephMemManagerGlobal);
    statusJob.setDirectory(target.folder);
    statusJob.setOldString(options.oldString != nullptr ? options.oldString : legacyServerAddress);
    statusJob.setNewString(options.newString != nullptr ? options.newString : serviceHostName);
    statusJob.quickScan = 1;
    class Stopper : public CliRunObserver {
    public:
        explicit Stopper(CliTool& tool) : tool_(tool) {}
        bool stopRequested() override { return tool_.stopRequested(); }

    private:
        CliTool& tool_;
    } stopper(tool);
    CliRunJob(&statusJob, &stopper);
    const CliRunNotes notes{statusJob.linksPassedOver, statusJob.specialPassedOver, statusJob.staleRemoved,
                            statusJob.recovery.completed, statusJob.recovery.undone};
    RunLastState last;
    RunFailure failure = statusJob.failure;
    if (statusJob.status == Finished) {
        ZephFolder folder;
        ZephFailure cause;
        if (InstallFolderOpen(&folder, target.folder, InstallFolderLockWaitMs, &ZephMemManagerGlobal, nullptr) != 0)
            failure.set(folder.failure.code == ZephErrBusy ? RunFailedLocked : RunFailedListing, target.folder, nullptr,
                        folder.failure);
        else if (RunReadLastState(folder, &ZephMemManagerGlobal, &last, &cause) != 0)
            failure.set(RunFailedJournal, target.folder, nullptr, cause);
    }
    const bool failed = statusJob.status != Finished || failure.step != RunFailedNothing;
    const int32_t needing = failed ? 0 : statusJob.filesMatched;
    const int code = failed ? CliExitFailed : needing > 0 ? CliExitNeedsPatching : CliExitSuccess;
    const char* result = failed        ? "failed"
                         : needing > 0 ? "needs_patching"
                         : last.found  ? "patched"
                                       : "nothing_to_patch";
    if (failed && !tool.stopRequested())
        tool.reportFailure(failure);
    if (options.json) {
        CliJsonLine line(tool.out.buffer(), "summary");
        line.text("command", "status")
            .text("folder", target.folder)
            .text("product", target.product != nullptr ? target.product->title : nullptr)
            .text("result", result)
            .number("needs_patching", needing);
        if (last.found) {
            appendRun(line, last.header);
            line.number("run_files", last.files)
                .number("changed_since", last.changed)
                .flag("undo_available", last.undoable);
        } else {
            line.text("run", nullptr);
        }
        CliTool::appendNotes(line, notes);
        if (failed)
            CliTool::appendFailure(line, failure);
        line.number("exit", code).end();
    } else if (tool.speaks() && !failed) {
        ZephBuf* text = tool.out.buffer();
        if (needing > 0)
            text->appendFormat("Needs patching: %ld file%s hold%s \"", static_cast<long>(needing),
                               needing == 1 ? "" : "s", needing == 1 ? "s" : "");
        else
            text->appendFormat("Nothing to patch: no file holds \"");
        CliAppendShownName(text, statusJob.oldstring);
        text->append("\".\n", 3);
        if (last.found) {
            text->appendFormat("Patched by Quorvel: %ld file%s, ", static_cast<long>(last.files),
                               last.files == 1 ? "" : "s");
            appendRunWords(text, last.header);
            text->append(".\n", 2);
            if (last.changed > 0)
                text->appendFormat("%ld file%s changed since that run.\n", static_cast<long>(last.changed),
                                   last.changed == 1 ? " was" : "s were");
            else
                text->appendFormat("No file was changed since that run.\n");
            if (last.undoable)
                text->appendFormat("Undo available: %s undo ", CliProgramName);
            else
                text->appendFormat("Undo not available: files were changed since.\n");
            if (last.undoable) {
                CliAppendShownName(text, target.folder);
                text->append("\n", 1);
            }
        }
    }
    tool.out.flush();
    tool.tellNotes(target.folder, notes, false);
    statusJob.clear();
    return code;
}
