// CliProgram.cpp - the quorvel tool: scan, patch, report, rewrite, products.
#include "CliProgram.h"

#include "CliArgs.h"
#include "CliConsole.h"
#include "CliFolders.h"
#include "CliInterrupt.h"
#include "CliRun.h"
#include "CliText.h"
#include "ExpertRun.h"
#include "JobTexts.h"
#include "PatchJob.h"
#include "ProductTable.h"
#include "WizardStrings.h"
#include "ZephBuf.h"
#include "ZephMem.h"
#include "ZephStr.h"

namespace {

// Room for a folder: the runs hold 1023 characters.
constexpr int FolderSize = CliDirectoryMax + 1;

// Text composed for one stream, written in one go.
class Output {
public:
    explicit Output(FILE* stream) : stream_(stream) { text_.init(&ZephMemManagerGlobal, 4096); }
    ~Output() { text_.clear(); }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    ZephBuf* buffer() { return &text_; }
    // Terminal text and a line end.
    void line(const char* text) {
        CliAppendTerminalText(&text_, text);
        text_.append("\n", 1);
    }
    void flush() {
        if (text_.length > 0)
            std::fwrite(text_.data, 1, static_cast<size_t>(text_.length), stream_);
        std::fflush(stream_);
        text_.reset();
    }

private:
    FILE* stream_;
    ZephBuf text_;
};

int usageError(const CliEnvironment& env, const char* reason) {
    Output err(env.err);
    CliAppendUsageHint(err.buffer(), reason);
    err.flush();
    return CliExitUsage;
}

// The cause of a failure in words, unless the run's own sentence already
// says it all ("changed by another program", "has other names").
void causeText(const ZephFailure& failure, char* area, int32_t size) {
    const bool said = failure.system == 0 && (failure.code == ZephErrChanged || failure.code == ZephErrHardLinks);
    ZephFailureText(said ? ZephFailure{} : failure, area, size);
}

// The run's message and, on a line of its own, the system's cause of it.
int runFailed(const CliEnvironment& env, const char* message, const ZephFailure& failure = ZephFailure{}) {
    Output err(env.err);
    err.line(message);
    char cause[256];
    causeText(failure, cause, sizeof cause);
    if (cause[0] != '\0')
        err.buffer()->appendFormat("Cause: %s\n", cause);
    err.flush();
    return CliExitFailed;
}

// The folder a run works on, from DIR or from --product and --channel.
struct Target {
    char folder[FolderSize] = {};
    const ProductEntry* product = nullptr;
};

// 0, or the exit code of a usage error already reported.
int resolveTarget(const CliOptions& options, const CliEnvironment& env, Target* target) {
    if (options.product == nullptr) {
        ZephStrCopy(target->folder, options.directory, sizeof target->folder);
        CliTrimFolder(target->folder);
        return 0;
    }
    target->product = CliFindProduct(options.product);
    if (target->product == nullptr) {
        char reason[CliErrorSize];
        std::snprintf(reason, sizeof reason, "no product '%.40s' (see '%s products')", options.product, CliProgramName);
        return usageError(env, reason);
    }
    const char* windowsFolder = defaultProductFolder(target->product, options.channel);
    if (windowsFolder == nullptr)
        return usageError(env, "the product has no folder for that channel");
    if (!CliFoldersUseWinePrefix) {
        if (options.prefix != nullptr)
            return usageError(env, "--prefix names a Wine prefix; Windows uses the folder as it is");
        ZephStrCopy(target->folder, windowsFolder, sizeof target->folder);
        return 0;
    }
    char prefix[FolderSize];
    if (CliChoosePrefix(options.prefix, env.winePrefix, env.home, prefix, sizeof prefix) != 0)
        return usageError(env, "no Wine prefix: give --prefix, or set WINEPREFIX or HOME");
    CliTrimFolder(prefix);
    if (CliMapIntoPrefix(windowsFolder, prefix, target->folder, sizeof target->folder) != 0)
        return usageError(env, "the product's folder inside the prefix is too long");
    // Wine finds names ignoring case: so does the tool, inside the prefix.
    CliMatchLetterCase(&ZephMemManagerGlobal, target->folder, ZephStrLength(prefix));
    return 0;
}

void appendHeadings(Output& out, const Target& target, bool patchResults) {
    char text[PageTextSize];
    if (target.product != nullptr) {
        if (patchResults)
            composePatchResultsHeading(target.product, text, sizeof text);
        else
            composeScanResultsHeading(target.product, text, sizeof text);
        out.line(text);
    }
    composeDirectoryLine(target.folder, -1, text, sizeof text);
    out.line(text);
}

// The job set up as the wizard sets it up, with the command's strings.
void setUpJob(PatchJob* job, const CliOptions& options, const Target& target, int32_t convert) {
    job->init(&ZephMemManagerGlobal);
    job->setDirectory(target.folder);
    job->setOldString(options.oldString != nullptr ? options.oldString : legacyServerAddress);
    job->setNewString(options.newString != nullptr ? options.newString : serviceHostName);
    job->convert = convert;
    job->saveAsNew = convert != 0 && options.saveAsNew ? 1 : 0;
    // The tool shows only the counts, which a quick scan gives sooner.
    job->quickScan = convert == 0 ? 1 : 0;
}

// Reports an ended run: JSON or the page's words on out, a failure's message
// on err. verdict is the text the page would show.
int reportRun(const CliEnvironment& env, const CliOptions& options, const Target& target, const PatchJob& job,
              const char* verdict, bool patchResults, const char* note) {
    Output out(env.out);
    char cause[256];
    causeText(job.status == Finished ? ZephFailure{} : job.failure, cause, sizeof cause);
    if (options.json) {
        CliJsonExtras extras;
        extras.cause = cause;
        extras.linksPassedOver = job.linksPassedOver;
        extras.specialPassedOver = job.specialPassedOver;
        extras.staleRemoved = job.staleRemoved;
        CliAppendJsonResult(out.buffer(), job.status, job.filesVisited, job.filesMatched,
                            job.status == Finished ? "" : verdict, extras);
    } else if (job.status == Finished) {
        appendHeadings(out, target, patchResults);
        out.line("");
        out.line(verdict);
        out.line("");
        out.buffer()->appendFormat("Entries looked at: %ld, files %s: %ld\n", static_cast<long>(job.filesVisited),
                                   patchResults ? "patched" : "that need to be changed",
                                   static_cast<long>(job.filesMatched));
        if (job.linksPassedOver > 0 || job.specialPassedOver > 0)
            out.buffer()->appendFormat("Passed over, never read or written: %ld links, %ld special files\n",
                                       static_cast<long>(job.linksPassedOver),
                                       static_cast<long>(job.specialPassedOver));
        if (note != nullptr)
            out.line(note);
    }
    if (!options.json && job.staleRemoved > 0)
        out.buffer()->appendFormat("Removed %ld temporary file%s left by an interrupted run.\n",
                                   static_cast<long>(job.staleRemoved), job.staleRemoved == 1 ? "" : "s");
    out.flush();
    if (job.status != Finished)
        return runFailed(env, verdict, job.failure);
    return CliExitFinished;
}

int runScanOrPatch(const CliOptions& options, const CliEnvironment& env, const Target& target) {
    static PatchJob job; // large; one per process, as in the wizard
    CliProgressLine line(env.err, env.progress);
    char verdict[PageTextSize];

    setUpJob(&job, options, target, 0);
    {
        CliJobProgress progress(line, ScanProgressText);
        CliRunJob(&job, &progress);
        line.clear();
    }
    const bool convertNeeded = job.status == Finished && job.filesMatched > 0;
    if (options.verb == CliVerbScan || !convertNeeded || options.dryRun) {
        const char* note = nullptr;
        if (options.verb == CliVerbPatch && options.dryRun && convertNeeded)
            note = "Dry run: no file was changed.";
        int code = reportRun(env, options, target, job, composeScanVerdict(job, verdict, sizeof verdict), false, note);
        job.clear();
        return code;
    }

    // As SCANRESULTS' Next: the job set up afresh for the convert run, which
    // goes through the directory again from its beginning.
    setUpJob(&job, options, target, 1);
    {
        CliJobProgress progress(line, PatchProgressText);
        CliRunJob(&job, &progress);
        line.clear();
    }
    int code = reportRun(env, options, target, job, composeDoneOutcome(job, verdict, sizeof verdict), true, nullptr);
    job.clear();
    return code;
}

int runExpert(const CliOptions& options, const CliEnvironment& env, const Target& target) {
    ZephBuf work;
    ZephBuf log;
    work.init(&ZephMemManagerGlobal, 8192);
    log.init(&ZephMemManagerGlobal, 8192);
    int32_t saveAsNew = options.saveAsNew ? 1 : 0;
    int32_t busy = 0;
    int32_t stop = 0;
    CliProgressLine line(env.err, env.progress);
    CliExpertConsole console(env.out, line, &stop);

    ExpertRunContext context;
    context.directory = target.folder;
    context.oldString = options.oldString;
    context.newString = options.newString;
    context.saveAsNew = &saveAsNew;
    context.busy = &busy;
    context.stop = &stop;
    context.workBuffer = &work;
    context.logBuffer = &log;
    context.manager = &ZephMemManagerGlobal;
    context.sink = &console;
    const ExpertOutcome outcome = ExpertRun::runDirectory(context, options.verb == CliVerbRewrite ? 1 : 0);
    console.finish(log);

    int code = CliExitFinished;
    if (CliInterrupted() || outcome.end == ExpertStopped) {
        // The run ended as when its page is closed: the current file's scan
        // cut short and, in a rewrite, that file saved as far as it went.
        code = runFailed(env, CliStoppedMessage);
    } else if (outcome.end != ExpertDone) {
        code = runFailed(env, outcome.message[0] != '\0' ? outcome.message : "The run stopped.", outcome.failure);
    }
    work.clear();
    log.clear();
    return code;
}

int listProducts(const CliEnvironment& env) {
    Output out(env.out);
    int titleWidth = 5;
    int boxWidth = 15;
    for (int32_t i = 0; ProductTable[i].title != nullptr; ++i) {
        if (ZephStrLength(ProductTable[i].title) > titleWidth)
            titleWidth = ZephStrLength(ProductTable[i].title);
        if (ZephStrLength(ProductTable[i].boxCopyFolder) > boxWidth)
            boxWidth = ZephStrLength(ProductTable[i].boxCopyFolder);
    }
    out.buffer()->appendFormat("%2s  %-*s  %-*s  %s\n", "#", titleWidth, "Title", boxWidth, "Box copy (box)",
                               "Download store (download)");
    for (int32_t i = 0; ProductTable[i].title != nullptr; ++i) {
        out.buffer()->appendFormat("%2ld  %-*s  %-*s  %s\n", static_cast<long>(ProductTable[i].id), titleWidth,
                                   ProductTable[i].title, boxWidth, ProductTable[i].boxCopyFolder,
                                   ProductTable[i].downloadFolder);
    }
    if (CliFoldersUseWinePrefix)
        out.line("Under Wine, C:\\ is the drive_c folder of the prefix ($WINEPREFIX, else ~/.wine).");
    out.flush();
    return CliExitFinished;
}

} // namespace

int CliRunProgram(int argc, const char* const* argv, const CliEnvironment& env) {
    CliOptions options;
    char reason[CliErrorSize];
    if (CliParseArgs(argc, argv, &options, reason, sizeof reason) != 0)
        return usageError(env, reason);

    switch (options.verb) {
    case CliVerbHelp: {
        Output out(env.out);
        CliAppendHelp(out.buffer());
        out.flush();
        return CliExitFinished;
    }
    case CliVerbVersion: {
        Output out(env.out);
        out.line(CliVersionText);
        out.flush();
        return CliExitFinished;
    }
    case CliVerbProducts: return listProducts(env);
    default: break;
    }

    Target target;
    int refused = resolveTarget(options, env, &target);
    if (refused != 0)
        return refused;
    if (options.verb == CliVerbReport || options.verb == CliVerbRewrite)
        return runExpert(options, env, target);
    return runScanOrPatch(options, env, target);
}
