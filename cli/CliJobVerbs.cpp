// CliJobVerbs.cpp - scan and patch: the wizard's job, run by the quorvel tool
// with its own words.
#include "CliInterrupt.h"
#include "CliJson.h"
#include "CliRun.h"
#include "CliText.h"
#include "CliVerbs.h"
#include "PatchJob.h"
#include "ProductTable.h"
#include "WizardStrings.h"
#include "ZephMem.h"
#include "ZephStr.h"

#include <cstdio>

namespace {

PatchJob job; // large; one per process, as in the wizard

// What a run decided, file by file.
struct Counts {
    int32_t files = 0;              // files of the five kinds
    int32_t matched = 0;            // holding the old string
    int32_t written = 0;            // rewritten, or written beside
    int32_t cut = 0;                // binary files where the new string is (or would be) cut
    int32_t stale = 0;              // temporary files of killed runs removed, by both runs of a patch
    int32_t recoveredCompleted = 0; // files of an interrupted run settled first (RunRecovery)
    int32_t recoveredUndone = 0;
};

// Hears the job: counts, lists files (--json, -v), warns about cut strings,
// draws the progress line and stops the run when the tool is asked to.
class Listener : public CliRunObserver {
public:
    // lines: where the per-file lines go (held back by the caller when it
    // may yet be replaced by a later phase's).
    Listener(CliTool& tool, ZephBuf* lines, bool convert, const char* label)
        : tool_(tool), lines_(lines), convert_(convert), progress_(tool.line, label) {
        oldLength_ = ZephStrLength(job.oldstring);
        newLength_ = ZephStrLength(job.newstring);
    }

    void progress(const CliRunProgress& now) override { progress_.show(now); }
    bool stopRequested() override { return tool_.stopRequested(); }
    void fileDecided(const CliFileDecision& file) override;

    Counts counts;

private:
    void listFile(const CliFileDecision& file, bool cut);

    CliTool& tool_;
    ZephBuf* lines_;
    bool convert_;
    CliJobProgress progress_;
    int32_t oldLength_;
    int32_t newLength_;
};

// A cut new string, as the warnings and errors show it.
void appendCut(ZephBuf* text, const char* newString, int32_t oldLength, bool done) {
    text->append("\"", 1);
    CliAppendShownName(text, newString);
    text->appendFormat("\" %s cut to its first %ld bytes, \"", done ? "is" : "would be", static_cast<long>(oldLength));
    char cut[512];
    ZephStrCopy(cut, newString, oldLength + 1 < static_cast<int32_t>(sizeof cut) ? oldLength + 1 : sizeof cut);
    CliAppendShownName(text, cut);
    text->append("\"", 1);
}

void Listener::fileDecided(const CliFileDecision& file) {
    if (file.passedOver != 0) {
        if (tool_.listsFiles())
            listFile(file, false);
        return;
    }
    ++counts.files;
    if (file.matches > 0)
        ++counts.matched;
    if (file.written)
        ++counts.written;
    const bool cut = file.binary != 0 && file.matches > 0 && newLength_ > oldLength_ && (file.written || !convert_);
    if (cut) {
        ++counts.cut;
        ZephBuf what;
        what.init(&ZephMemManagerGlobal, 256);
        what.appendFormat("binary file: ");
        appendCut(&what, job.newstring, oldLength_, file.written);
        if (file.written || (tool_.options.dryRun && !tool_.options.strict))
            tool_.warning(file.path, what.data);
        else if (tool_.options.strict)
            tool_.error(file.path, what.data, "refused by --strict"); // the run is refused after the scan
        what.clear();
    }
    if (tool_.listsFiles())
        listFile(file, cut);
}

void Listener::listFile(const CliFileDecision& file, bool cut) {
    const bool beside = file.written && tool_.options.saveAsNew;
    const char* result = file.written ? (beside ? "written_beside" : "patched") : file.matches > 0 ? "found" : "clean";
    const char* why = file.passedOver == InstallFolderSkippedLink ? "link" : "special";
    if (file.passedOver != 0)
        result = "passed_over";
    char target[CliPathSize + 8] = {};
    if (file.written) {
        ZephStrCopy(target, file.path, sizeof target);
        if (beside)
            ZephStrAppend(target, CliSideCopySuffix, sizeof target);
    }
    if (tool_.options.json) {
        CliJsonLine line(lines_, "file");
        line.text("file", file.path)
            .text("kind", file.binary != 0 ? "binary" : "text")
            .number("matches", file.matches)
            .text("result", result)
            .text("target", file.written ? target : nullptr);
        if (file.passedOver != 0)
            line.text("reason", why);
        if (cut)
            line.bytes("cut_to", job.newstring, oldLength_);
        if (tool_.options.verb == CliVerbPatch)
            line.flag("dry_run", tool_.options.dryRun);
        line.end();
    } else {
        CliAppendShownName(lines_, file.path);
        const char* plural = file.matches == 1 ? "" : "s";
        if (file.passedOver != 0)
            lines_->appendFormat(": passed over, never read or written: a %s\n",
                                 file.passedOver == InstallFolderSkippedLink ? "link" : "special file");
        else if (!file.written && file.matches == 0)
            lines_->appendFormat(": clean\n");
        else if (!file.written)
            lines_->appendFormat(": needs patching, %ld occurrence%s\n", static_cast<long>(file.matches), plural);
        else if (!beside)
            lines_->appendFormat(": patched, %ld replacement%s\n", static_cast<long>(file.matches), plural);
        else {
            lines_->appendFormat(": written beside as ");
            CliAppendShownName(lines_, target);
            lines_->appendFormat(", %ld replacement%s\n", static_cast<long>(file.matches), plural);
        }
    }
    if (lines_ == tool_.out.buffer()) {
        tool_.line.clear(); // a terminal shows both streams on one screen
        tool_.out.flush();
    }
}

// The job set up as the wizard sets it up, with the command's strings.
void setUpJob(const CliTool& tool, const CliTarget& target, int32_t convert) {
    const CliOptions& options = tool.options;
    job.init(&ZephMemManagerGlobal);
    job.setDirectory(target.folder);
    job.setOldString(options.oldString != nullptr ? options.oldString : legacyServerAddress);
    job.setNewString(options.newString != nullptr ? options.newString : serviceHostName);
    job.convert = convert;
    job.saveAsNew = convert != 0 && options.saveAsNew ? 1 : 0;
    // Only the counts are shown: a quick scan gives them sooner.
    job.quickScan = convert == 0 && !tool.listsFiles() ? 1 : 0;
}

// The summary's result, and the exit code it gives.
enum Result { NeedsPatching, NothingToPatch, WouldPatch, Patched, WrittenBeside, Refused, Failed_, Interrupted };

const char* const ResultKeys[] = {"needs_patching", "nothing_to_patch", "would_patch", "patched",
                                  "written_beside", "refused",          "failed",      "interrupted"};

void writeSummary(CliTool& tool, const CliTarget& target, Result result, const Counts& counts, int code) {
    const CliOptions& options = tool.options;
    const bool patch = options.verb == CliVerbPatch;
    const CliRunNotes notes{job.linksPassedOver, job.specialPassedOver, counts.stale, counts.recoveredCompleted,
                            counts.recoveredUndone};
    if (options.json) {
        CliJsonLine line(tool.out.buffer(), "summary");
        line.text("command", CliVerbName(options.verb))
            .text("folder", target.folder)
            .text("product", target.product != nullptr ? target.product->title : nullptr)
            .text("channel", CliChannelKey(target.channel))
            .text("result", ResultKeys[result])
            .number("entries", job.filesVisited)
            .number("files", counts.files)
            .number("matched", counts.matched);
        if (patch) {
            line.number("patched", options.saveAsNew ? 0 : counts.written)
                .number("written_beside", options.saveAsNew ? counts.written : 0)
                .flag("dry_run", options.dryRun);
        }
        CliTool::appendNotes(line, notes);
        if (result == Failed_)
            CliTool::appendFailure(line, job.failure);
        line.number("exit", code).end();
    } else if (tool.speaks() && result != Failed_ && result != Interrupted && result != Refused) {
        ZephBuf* text = tool.out.buffer();
        const long files = counts.written > 0 ? counts.written : counts.matched;
        const char* plural = files == 1 ? "" : "s";
        switch (result) {
        case NeedsPatching:
            text->appendFormat("%ld file%s need%s patching.\n", files, plural, files == 1 ? "s" : "");
            break;
        case NothingToPatch:
            if (notes.linksPassedOver + notes.specialPassedOver > 0) {
                // Never "nothing to patch" while an entry left unread may hold it.
                text->appendFormat("No file that was read holds \"");
                CliAppendShownName(text, job.oldstring);
                text->appendFormat("\"; links and special files are never read.\n");
            } else if (counts.files == 0) {
                text->appendFormat("Nothing to patch: no files of the five kinds (.EXE .DLL .INI .CFG .HTM).\n");
            } else {
                text->appendFormat("Nothing to patch: no file holds \"");
                CliAppendShownName(text, job.oldstring);
                text->appendFormat("\".\n");
            }
            break;
        case WouldPatch:
            text->appendFormat("Dry run: %ld file%s would be patched; nothing was written.\n", files, plural);
            break;
        case Patched:
            text->appendFormat("Patched %ld file%s; '%s undo' on this folder puts %s back as %s.\n", files, plural,
                               CliProgramName, files == 1 ? "it" : "them", files == 1 ? "it was" : "they were");
            break;
        case WrittenBeside:
            text->appendFormat("Wrote %ld file%s beside the originals as NAME%s; the originals are unchanged.\n", files,
                               plural, CliSideCopySuffix);
            break;
        default: break;
        }
        if (options.verbose) {
            text->appendFormat("Looked at %ld entr%s: %ld file%s of the five kinds, %ld of them holding \"",
                               static_cast<long>(job.filesVisited), job.filesVisited == 1 ? "y" : "ies",
                               static_cast<long>(counts.files), counts.files == 1 ? "" : "s",
                               static_cast<long>(counts.matched));
            CliAppendShownName(text, job.oldstring);
            text->appendFormat("\".\n");
        }
    }
    tool.out.flush();
    tool.tellNotes(target.folder, notes, false);
}

// The heading that says which install --product chose.
void writeHeading(CliTool& tool, const CliTarget& target) {
    if (target.product == nullptr || !tool.speaks())
        return;
    ZephBuf* text = tool.out.buffer();
    text->appendFormat("%s (%s): ", target.product->title, CliChannelWords(target.channel));
    CliAppendShownName(text, target.folder);
    text->append("\n", 1);
    tool.out.flush();
}

// The end of a failed or stopped run.
int endOfBrokenRun(CliTool& tool, const CliTarget& target, const Counts& counts) {
    // Stopped for a signal or a closed output (which finish() reports), or
    // failed on its own.
    const bool stopped = tool.stopRequested();
    const bool signalled = CliInterrupted();
    const int code = signalled ? CliInterruptExitCode() : CliExitFailed;
    if (!stopped)
        tool.reportFailure(job.failure);
    if (job.convert != 0 && job.settledByNextRun) {
        tool.error(nullptr, "some files could not be given back; the next run of quorvel on this folder "
                            "completes or undoes the run");
    } else if (job.convert != 0 && counts.written > 0) {
        // All or nothing: the new files never took their places.
        tool.error(nullptr, signalled ? "interrupted; no file was changed" : "no file was changed");
    } else if (signalled) {
        tool.error(nullptr, "interrupted; no file was changed");
    }
    // Files whose new content was written are not patched until all take
    // their places: the summary counts those in place.
    Counts told = counts;
    if (job.convert != 0)
        told.written = job.filesPatched;
    writeSummary(tool, target, stopped ? Interrupted : Failed_, told, code);
    return code;
}

} // namespace

int CliScanOrPatch(CliTool& tool, const CliTarget& target) {
    const CliOptions& options = tool.options;
    const bool patch = options.verb == CliVerbPatch;
    writeHeading(tool, target);

    // A patch lists the files of its rewrite; those of its scan only when
    // no rewrite follows, so they are held back until that is known.
    ZephBuf held;
    held.init(&ZephMemManagerGlobal, 4096);
    setUpJob(tool, target, 0);
    Listener scan(tool, patch ? &held : tool.out.buffer(), false, "Scanning");
    CliRunJob(&job, &scan);
    tool.line.clear();
    Counts counts = scan.counts;
    counts.stale = job.staleRemoved;
    counts.recoveredCompleted = job.recovery.completed;
    counts.recoveredUndone = job.recovery.undone;
    int code = CliExitSuccess;
    if (job.status != Finished) {
        code = endOfBrokenRun(tool, target, counts);
    } else if (!patch || counts.matched == 0 || options.dryRun || (options.strict && counts.cut > 0)) {
        if (held.length > 0) {
            tool.out.buffer()->append(held.data, held.length);
            tool.out.flush();
        }
        Result result = counts.matched == 0 ? NothingToPatch : patch ? WouldPatch : NeedsPatching;
        if (patch && options.strict && counts.cut > 0) {
            result = Refused;
            code = CliExitFailed;
            tool.error(nullptr, "refused by --strict; nothing was written");
        } else if (!patch && counts.matched > 0) {
            code = CliExitNeedsPatching;
        }
        writeSummary(tool, target, result, counts, code);
    } else {
        // As SCANRESULTS' Next: the job set up afresh for the convert run,
        // which goes through the folder again from its beginning.
        // All or nothing: its files are listed once they all took their places.
        setUpJob(tool, target, 1);
        held.reset();
        Listener convert(tool, &held, true, "Patching");
        CliRunJob(&job, &convert);
        tool.line.clear();
        const Counts before = counts;
        counts = convert.counts;
        counts.stale = before.stale + job.staleRemoved;
        counts.recoveredCompleted = before.recoveredCompleted;
        counts.recoveredUndone = before.recoveredUndone;
        if (job.status != Finished) {
            code = endOfBrokenRun(tool, target, counts);
        } else {
            if (held.length > 0) {
                tool.out.buffer()->append(held.data, held.length);
                tool.out.flush();
            }
            writeSummary(tool, target, options.saveAsNew ? WrittenBeside : Patched, counts, code);
        }
    }
    held.clear();
    job.clear();
    return code;
}
