// CliExpertVerbs.cpp - report and rewrite: the expert page's run, whose log
// is their output, byte for byte; the tool's own words go to standard error.
#include "CliInterrupt.h"
#include "CliJson.h"
#include "CliText.h"
#include "CliVerbs.h"
#include "ExpertRun.h"
#include "InstallFolder.h"
#include "ProductTable.h"
#include "ZephBuf.h"
#include "ZephMem.h"
#include "ZephStr.h"

#include <cstdio>

namespace {

struct Counts {
    int32_t files = 0;
    int32_t matched = 0;
    int32_t saved = 0;
    int32_t cut = 0; // binary files where the new string is (or would be) cut
};

bool stopRequested(void* tool) { return static_cast<CliTool*>(tool)->stopRequested(); }

// The run's console, which also hears of each file: counts it, warns of a
// cut new string, and lists it with --json. In a rewrite it asks the run to
// stop only once a file is done with, so that a stop never saves a file
// half converted; a report may stop at once.
class Listener : public CliExpertConsole {
public:
    Listener(CliTool& tool, bool showLog, bool rewriting, bool listFiles)
        : CliExpertConsole(tool.out, tool.line, showLog, tool.env.outIsTerminal, &stop,
                           rewriting ? nullptr : stopRequested, &tool),
          tool_(tool), rewriting_(rewriting), listFiles_(listFiles) {
        oldLength_ = ZephStrLength(tool.options.oldString);
        newLength_ = ZephStrLength(tool.options.newString);
    }

    void fileDone(const ExpertFileDone& file) override;

    int32_t stop = 0;
    Counts counts;

private:
    CliTool& tool_;
    bool rewriting_;
    bool listFiles_;
    int32_t oldLength_;
    int32_t newLength_;
};

void Listener::fileDone(const ExpertFileDone& file) {
    const CliOptions& options = tool_.options;
    const bool read = file.passedOver == 0; // a link or special file is listed, not counted
    if (read) {
        ++counts.files;
        if (file.matches > 0)
            ++counts.matched;
        if (file.savedAs != nullptr)
            ++counts.saved;
    }
    const bool cut = read && file.binary != 0 && file.matches > 0 && newLength_ > oldLength_ &&
                     (file.savedAs != nullptr || options.verb == CliVerbRewrite);
    if (cut) {
        ++counts.cut;
        ZephBuf what;
        what.init(&ZephMemManagerGlobal, 256);
        what.appendFormat("binary file: \"");
        CliAppendShownName(&what, options.newString);
        what.appendFormat("\" %s cut to its first %ld bytes, \"", file.savedAs != nullptr ? "is" : "would be",
                          static_cast<long>(oldLength_));
        char shortened[CliExpertStringMax + 1];
        ZephStrCopy(shortened, options.newString, oldLength_ + 1);
        CliAppendShownName(&what, shortened);
        what.append("\"", 1);
        if (options.strict && file.savedAs == nullptr && !options.dryRun)
            tool_.error(file.path, what.data, "refused by --strict");
        else
            tool_.warning(file.path, what.data);
        what.clear();
    }
    if (listFiles_) {
        const char* result = !read                     ? "passed_over"
                             : file.savedAs != nullptr ? (options.saveAsNew ? "written_beside" : "patched")
                             : file.matches > 0        ? "found"
                                                       : "clean";
        CliJsonLine line(tool_.out.buffer(), "file");
        line.text("file", file.path)
            .text("kind", file.binary != 0 ? "binary" : "text")
            .number("matches", file.matches)
            .text("result", result)
            .text("target", file.savedAs);
        if (!read)
            line.text("reason", file.passedOver == InstallFolderSkippedLink ? "link" : "special");
        if (cut)
            line.bytes("cut_to", options.newString, oldLength_);
        if (options.verb == CliVerbRewrite)
            line.flag("dry_run", options.dryRun);
        line.end();
        tool_.line.clear();
        tool_.out.flush();
    }
    // Between two files: the place where a rewrite may stop.
    if (rewriting_ && tool_.stopRequested())
        stop = 1;
}

// One run over the folder; doIt 0 reports only.
ExpertOutcome runOnce(const CliTarget& target, const CliOptions& options, Listener& listener, int32_t doIt) {
    ZephBuf work;
    ZephBuf log;
    work.init(&ZephMemManagerGlobal, 8192);
    log.init(&ZephMemManagerGlobal, 8192);
    const int32_t saveAsNew = options.saveAsNew ? 1 : 0;
    int32_t busy = 0;
    ExpertRunContext context;
    context.directory = target.folder;
    context.oldString = options.oldString;
    context.newString = options.newString;
    context.saveAsNew = &saveAsNew;
    context.saveAsNewSuffix = CliSideCopySuffix;
    context.busy = &busy;
    context.stop = &listener.stop;
    context.abandonStoppedFile = true; // never a half-converted file
    context.workBuffer = &work;
    context.logBuffer = &log;
    context.manager = &ZephMemManagerGlobal;
    context.sink = &listener;
    const ExpertOutcome outcome = ExpertRun::runDirectory(context, doIt);
    listener.finish(log);
    work.clear();
    log.clear();
    return outcome;
}

const char* resultKey(const CliOptions& options, const Counts& counts) {
    if (options.verb == CliVerbReport)
        return counts.matched > 0 ? "found" : "nothing_found";
    if (counts.matched == 0)
        return "nothing_to_patch";
    if (options.dryRun)
        return "would_patch";
    return options.saveAsNew ? "written_beside" : "patched";
}

CliRunNotes notesOf(const ExpertOutcome& outcome) {
    return CliRunNotes{outcome.linksPassedOver, outcome.specialPassedOver, outcome.staleRemoved};
}

// The run's notes and, with --json, its summary line. staleTold: the log
// that was shown told of the stale temporary files; failure: none unless
// the run failed.
void writeSummary(CliTool& tool, const CliTarget& target, const char* result, const Counts& counts,
                  const CliRunNotes& notes, bool staleTold, const RunFailure* failure, int code) {
    const CliOptions& options = tool.options;
    tool.tellNotes(target.folder, notes, staleTold);
    if (!options.json)
        return;
    CliJsonLine line(tool.out.buffer(), "summary");
    line.text("command", CliVerbName(options.verb))
        .text("folder", target.folder)
        .text("product", target.product != nullptr ? target.product->title : nullptr)
        .text("channel", CliChannelKey(target.channel))
        .text("result", result)
        .number("files", counts.files)
        .number("matched", counts.matched);
    if (options.verb == CliVerbRewrite) {
        line.number("patched", options.saveAsNew ? 0 : counts.saved)
            .number("written_beside", options.saveAsNew ? counts.saved : 0)
            .flag("dry_run", options.dryRun);
    }
    CliTool::appendNotes(line, notes);
    if (failure != nullptr)
        CliTool::appendFailure(line, *failure);
    line.number("exit", code).end();
    tool.out.flush();
}

} // namespace

int CliReportOrRewrite(CliTool& tool, const CliTarget& target) {
    const CliOptions& options = tool.options;
    const bool rewrite = options.verb == CliVerbRewrite && !options.dryRun;
    const bool mayCut = ZephStrLength(options.newString) > ZephStrLength(options.oldString);
    int32_t staleBefore = 0;
    if (rewrite && options.strict && mayCut) {
        // A silent report first: a binary file that would get a cut new
        // string refuses the whole run before anything is written.
        // Its log is not shown: the stale files it removed are told here.
        Listener check(tool, false, false, false);
        const ExpertOutcome outcome = runOnce(target, options, check, 0);
        if (tool.stopRequested()) {
            if (CliInterrupted())
                tool.error(nullptr, "interrupted; no file was changed");
            const int code = CliInterrupted() ? CliInterruptExitCode() : CliExitFailed;
            writeSummary(tool, target, "interrupted", Counts{}, notesOf(outcome), false, nullptr, code);
            return code;
        }
        if (outcome.end == ExpertDone && check.counts.cut > 0) {
            tool.error(nullptr, "refused by --strict; nothing was written");
            writeSummary(tool, target, "refused", check.counts, notesOf(outcome), false, nullptr, CliExitFailed);
            return CliExitFailed;
        }
        staleBefore = outcome.staleRemoved;
    }

    Listener listener(tool, tool.speaks(), rewrite, options.json && !options.quiet);
    const ExpertOutcome outcome = runOnce(target, options, listener, rewrite ? 1 : 0);
    const Counts& counts = listener.counts;
    CliRunNotes notes = notesOf(outcome);
    notes.staleRemoved += staleBefore;
    const bool staleTold = staleBefore == 0;
    if (outcome.end == ExpertDone) {
        writeSummary(tool, target, resultKey(options, counts), counts, notes, staleTold, nullptr, CliExitSuccess);
        return CliExitSuccess;
    }
    if (tool.stopRequested()) {
        // A signal is told; a closed output only when files were changed.
        const int code = CliInterrupted() ? CliInterruptExitCode() : CliExitFailed;
        char what[160] = "interrupted; no file was changed";
        if (counts.saved > 0)
            std::snprintf(what, sizeof what, "%s%ld file%s saved before the stop; the others are as they were",
                          CliInterrupted() ? "interrupted; " : "", static_cast<long>(counts.saved),
                          counts.saved == 1 ? " was" : "s were");
        if (CliInterrupted() || counts.saved > 0)
            tool.error(nullptr, rewrite ? what : "interrupted");
        writeSummary(tool, target, "interrupted", counts, notes, staleTold, nullptr, code);
        return code;
    }
    tool.reportFailure(outcome.failure);
    if (counts.saved > 0) {
        char what[160];
        std::snprintf(what, sizeof what, "%ld file%s saved before the failure; the others are as they were",
                      static_cast<long>(counts.saved), counts.saved == 1 ? " was" : "s were");
        tool.error(nullptr, what);
    }
    writeSummary(tool, target, "failed", counts, notes, staleTold, &outcome.failure, CliExitFailed);
    return CliExitFailed;
}
