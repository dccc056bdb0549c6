// ExpertRun.cpp - the expert page's report and rewrite run with its log.
#include "ExpertRun.h"

#include "InstallFolder.h"
#include "PatchRules.h"
#include "PatchSearch.h"
#include "ZephBuf.h"
#include "ZephDirList.h"
#include "ZephFile.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephTick.h"

#include <cstdint>
#include <cstring>

namespace {

// Positions searched between two looks at the clock and the stop flag. The
// search runs at memory speed, so a stride takes far less than the 25 ms of
// the progress interval and the run reacts as if it looked after every byte.
constexpr int64_t ScanStride = 64 * 1024;

// The name in a "Scanning" line is the last component of the path.
constexpr int FileNameSize = 512;

const char* const SaveAsNewSuffix = ".NEW";

// The run's view of its context, with the defaults filled in.
class Run {
public:
    explicit Run(const ExpertRunContext& context)
        : context_(context), log_(*context.logBuffer), work_(*context.workBuffer),
          manager_(context.manager != nullptr ? context.manager : &ZephMemManagerGlobal),
          sink_(context.sink != nullptr ? *context.sink : quiet_) {}

    ExpertOutcome runDirectory(int32_t doIt);
    int processFile(const char* path, int32_t doIt);

private:
    bool stopRequested() const { return context_.stop != nullptr && *context_.stop != 0; }
    uint32_t now() const { return context_.tickCount != nullptr ? context_.tickCount() : ZephTickCount(); }
    const char* oldString() const { return context_.oldString != nullptr ? context_.oldString : ""; }
    const char* newString() const { return context_.newString != nullptr ? context_.newString : ""; }
    void show() { sink_.showLog(log_); }
    void pump() { sink_.pumpMessages(); }
    void showAndPump() {
        show();
        pump();
    }
    void setBusy(int32_t value) {
        *context_.busy = value;
        sink_.busyChanged();
    }
    // The run ends as end, told by the log from lineStart on.
    void endWith(ExpertEnd end, int32_t lineStart);
    // A file's failure, logged from lineStart on, ends the run.
    int failFile(int32_t lineStart, RunFailureStep step, const char* path, const char* tail = nullptr) {
        outcome_.failure.set(step, path, tail, ZephErrNone);
        endWith(ExpertFailed, lineStart);
        showAndPump();
        return -1;
    }
    void showProgress(int32_t position);
    void logReplacing(PatchReplaceMode mode, const char* oldText, const char* newText);
    void listAndProcess(int32_t doIt);
    int save(const char* path);

    const ExpertRunContext& context_;
    ZephBuf& log_;
    ZephBuf& work_;
    ZephMemManager* manager_;
    ExpertRunSink quiet_;
    ExpertRunSink& sink_;
    ExpertOutcome outcome_;
    char savedAs_[ExpertFieldSize] = {}; // the last file saved
};

void Run::endWith(ExpertEnd end, int32_t lineStart) {
    outcome_.end = end;
    int32_t lineEnd = log_.length;
    if (log_.data == nullptr || lineStart < 0 || lineStart > lineEnd) {
        outcome_.message[0] = '\0';
        return;
    }
    if (lineEnd - lineStart >= 2 && log_.data[lineEnd - 2] == '\r' && log_.data[lineEnd - 1] == '\n')
        lineEnd -= 2;
    int32_t count = lineEnd - lineStart;
    if (count > ExpertMessageSize - 1)
        count = ExpertMessageSize - 1;
    std::memcpy(outcome_.message, log_.data + lineStart, static_cast<size_t>(count));
    outcome_.message[count] = '\0';
}

ExpertOutcome Run::runDirectory(int32_t doIt) {
    if (*context_.busy != 0)
        return outcome_;
    setBusy(1);
    work_.truncate(0);
    log_.truncate(0);
    const char* directory = context_.directory != nullptr ? context_.directory : "";
    log_.appendFormat(doIt != 0 ? "DO IT for directory \"%s\":\r\n" : "REPORT for directory \"%s\":\r\n", directory);
    log_.appendLine("");
    showAndPump();
    // An empty directory would list the drive's root but load and save bare
    // names relative to the current directory, that is, other files than
    // the ones listed: refused like an empty Old String.
    const int32_t refusal = log_.length;
    if (directory[0] == '\0') {
        log_.appendLine("Error, no <Source Directory> specified.");
        outcome_.failure.set(RunFailedEmptyField, nullptr, nullptr, ZephErrNone);
        endWith(ExpertRefused, refusal);
        showAndPump();
    } else if (oldString()[0] == '\0') {
        log_.appendLine("Error, no <Old String> specified.");
        outcome_.failure.set(RunFailedEmptyField, nullptr, nullptr, ZephErrNone);
        endWith(ExpertRefused, refusal);
        showAndPump();
    } else {
        listAndProcess(doIt);
    }
    setBusy(0);
    pump();
    return outcome_;
}

void Run::listAndProcess(int32_t doIt) {
    const char* directory = context_.directory;
    // A pattern that does not fit is refused like a directory that cannot
    // be listed, named in full.
    char pattern[ExpertFieldSize];
    const int32_t failure = log_.length;
    if (InstallFolderPattern(directory, pattern, sizeof pattern) != 0) {
        log_.appendFormat("Error!  Cannot create directory list for \"%s%s%s\"!", directory, ZephPathSeparatorText,
                          InstallFolderWildcard);
        outcome_.failure.set(RunFailedListing, directory, nullptr, ZephErrInvalid);
        endWith(ExpertFailed, failure);
        show();
        return;
    }
    ZephDirList* list = InstallFolderList(manager_, pattern);
    if (list == nullptr) {
        log_.appendFormat("Error!  Cannot create directory list for \"%s\"!", pattern);
        outcome_.failure.set(RunFailedListing, directory, nullptr, ZephErrNone);
        endWith(ExpertFailed, failure);
        show();
        return;
    }
    for (ZephDirEntry* entry = list->first; entry != nullptr && !stopRequested(); entry = entry->next) {
        if (!InstallFolderPassesOver(*entry) && processFile(entry->name, doIt) == -1) {
            log_.appendLine("Operation stopped.");
            showAndPump();
            ZephDirList::destroy(&list);
            return;
        }
        ZephSleep(0);
    }
    ZephDirList::destroy(&list);
    const int32_t done = log_.length;
    log_.appendLine("Done!");
    endWith(stopRequested() ? ExpertStopped : ExpertDone, done);
    show();
}

// The percentage is of the buffer's length plus one, so it never reaches 100.
void Run::showProgress(int32_t position) {
    int32_t mark = log_.length;
    auto percent = static_cast<long>(static_cast<double>(position) / (static_cast<double>(work_.length) + 1.0) * 100.0);
    log_.appendFormat("%ld%% Complete...", percent);
    sink_.showProgress(log_, mark);
    log_.truncate(mark);
    // truncate writes no byte; the log must read as text without the
    // progress at every later show too.
    if (log_.data != nullptr)
        log_.data[mark] = '\0';
    pump();
}

void Run::logReplacing(PatchReplaceMode mode, const char* oldText, const char* newText) {
    switch (mode) {
    case PatchReplaceBinary:
        log_.appendFormat("    Replacing text \"%s\" with \"%s\" [binary file].\r\n", oldText, newText);
        break;
    case PatchReplaceEqualLength:
        log_.appendFormat("    Replacing text \"%s\" with \"%s\" [no change in length].\r\n", oldText, newText);
        break;
    case PatchReplaceLengthChanged:
        log_.appendFormat("    Replacing text \"%s\" with \"%s\". [length changed]\r\n", oldText, newText);
        break;
    }
}

int Run::processFile(const char* path, int32_t doIt) {
    int32_t binary = 0;
    if (path == nullptr || FileKindLookup(path, &binary) == 0)
        return 0;
    char name[FileNameSize];
    ZephStrCopyFileName(path, name, sizeof name);

    int32_t size = 0;
    void* loaded = ZephFileLoad(manager_, path, &size);
    const int32_t failure = log_.length;
    if (loaded == nullptr) {
        log_.appendFormat("Error, cannot load file \"%s\"!\r\n", path);
        return failFile(failure, RunFailedOpenSource, path);
    }
    work_.truncate(0);
    work_.append(loaded, size);
    ZephMemFree(loaded);
    if (work_.length != size) {
        log_.appendFormat("Error, cannot transfer file data to zephbuf!\r\n");
        return failFile(failure, RunFailedMemory, path);
    }
    log_.appendFormat(binary != 0 ? "Scanning BINARY file \"%s\"..." : "Scanning TEXT file \"%s\"...", name);
    showAndPump();
    if (stopRequested()) {
        log_.appendFormat("no entries found.\r\n");
        showAndPump();
        return 0;
    }

    const char* oldText = oldString();
    const char* newText = newString();
    const int32_t oldLength = ZephStrLength(oldText);
    const int32_t newLength = ZephStrLength(newText);
    PatchFinder finder;
    finder.prepare(oldText);
    const PatchReplaceMode mode = PatchReplaceModeOf(binary, oldLength, newLength);
    uint32_t lastProgress = now();
    int32_t matches = 0;
    bool changed = false;
    int32_t position = 0;
    // Between two occurrences the search goes a stride at a time; a stride
    // also sees an occurrence that starts in it and ends beyond it. The end
    // is read afresh after every replacement, which moves and resizes the
    // content.
    while (position < work_.length) {
        const int64_t reach = static_cast<int64_t>(position) + ScanStride + (oldLength > 0 ? oldLength - 1 : 0);
        const int32_t limit = reach < work_.length ? static_cast<int32_t>(reach) : work_.length;
        const int32_t found = finder.find(work_.data, limit, position);
        if (found < 0) {
            // Every start that leaves room for the old string below limit
            // has been tried.
            position = limit == work_.length ? limit : limit - oldLength + 1;
        } else {
            position = found;
            if (matches == 0)
                log_.appendLine(""); // ends the "Scanning" text's line
            log_.appendFormat(
                "    Match: $%8.8lx - $%8.8lx, %ld bytes \"%s\"\r\n", static_cast<unsigned long>(position),
                static_cast<unsigned long>(position + oldLength - 1), static_cast<long>(oldLength), oldText);
            ++matches;
            if (doIt == 0) {
                position += oldLength;
            } else {
                logReplacing(mode, oldText, newText);
                int32_t advance = 0;
                if (PatchReplaceAt(&work_, position, oldText, oldLength, newText, newLength, binary, &advance) != 0) {
                    const int32_t failure = log_.length;
                    log_.appendFormat(
                        "ERROR!  An error occurred attempting to overwrite \"%s\" with \"%s\"!  Aborting!\r\n", oldText,
                        newText);
                    return failFile(failure, RunFailedMemory, path);
                }
                position += advance;
                changed = true;
            }
        }
        const uint32_t tick = now();
        if (tick - lastProgress > ExpertProgressIntervalMs) {
            lastProgress = tick;
            showProgress(position);
        }
        if (stopRequested())
            break;
    }

    if (matches >= 2)
        log_.appendFormat("    %ld entries found total.\r\n", static_cast<long>(matches));
    else if (matches == 1)
        log_.appendFormat("    %ld entry found total.\r\n", static_cast<long>(matches));
    else
        log_.appendFormat("no entries found.\r\n");
    showAndPump();
    ExpertFileDone done{path, binary, matches, nullptr};
    if (changed) {
        if (save(path) != 0)
            return -1;
        done.savedAs = savedAs_;
    }
    sink_.fileDone(done);
    return 0;
}

// Saves workBuffer to the path, or beside it with ".NEW" appended. A target
// that does not fit its area is never cut to another name: its save fails.
int Run::save(const char* path) {
    const char* suffix = "";
    if (context_.saveAsNew != nullptr && *context_.saveAsNew != 0)
        suffix = context_.saveAsNewSuffix != nullptr ? context_.saveAsNewSuffix : SaveAsNewSuffix;
    log_.appendFormat("    Saving \"%s%s\".\r\n", path, suffix);
    showAndPump();
    char target[ExpertFieldSize];
    bool fits = ZephStrLength(path) + ZephStrLength(suffix) < ExpertFieldSize;
    if (fits) {
        ZephStrCopy(target, path, sizeof target);
        ZephStrAppend(target, suffix, sizeof target);
    }
    if (!fits || ZephFileSave(target, work_.data, work_.length) != 0) {
        const int32_t failure = log_.length;
        log_.appendFormat("ERROR!  An error occurred attempting to save \"%s%s\"!", path, suffix);
        return failFile(failure, RunFailedWrite, path, suffix);
    }
    ZephStrCopy(savedAs_, target, sizeof savedAs_);
    return 0;
}

// The buffers and the busy flag are the least a run needs.
bool isUsable(const ExpertRunContext& context) {
    return context.busy != nullptr && context.logBuffer != nullptr && context.workBuffer != nullptr;
}

} // namespace

ExpertOutcome ExpertRun::runDirectory(const ExpertRunContext& context, int32_t doIt) {
    if (!isUsable(context))
        return ExpertOutcome{};
    return Run(context).runDirectory(doIt);
}

int ExpertRun::processFile(const ExpertRunContext& context, const char* path, int32_t doIt) {
    if (!isUsable(context))
        return -1;
    return Run(context).processFile(path, doIt);
}
