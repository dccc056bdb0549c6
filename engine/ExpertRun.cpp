// ExpertRun.cpp - the expert page's report and rewrite run with its log.
#include "ExpertRun.h"

#include "InstallFolder.h"
#include "PatchReadAhead.h"
#include "PatchRules.h"
#include "PatchSearch.h"
#include "RunJournal.h"
#include "RunRecord.h"
#include "RunRestore.h"
#include "ZephBuf.h"
#include "ZephDirList.h"
#include "ZephFile.h"
#include "ZephFileReplacer.h"
#include "ZephFolder.h"
#include "ZephHash.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephSysError.h"
#include "ZephSysFile.h"
#include "ZephTick.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// Positions searched between two looks at the clock and the stop flag. The
// search runs at memory speed, so a stride takes far less than the 25 ms of
// the progress interval and the run reacts as if it looked after every byte.
constexpr int64_t ScanStride = 64 * 1024;

// The name in a "Scanning" line is the last component of the path.
constexpr int FileNameSize = 512;

const char* const SaveAsNewSuffix = ".NEW";

// Room kept free at the log's end before each of its lines: more than the
// longest line (two strings of ExpertFieldSize). The log grows by doubling
// whenever less is left, so a run that logs millions of occurrences copies
// it a few dozen times, not once every 8 KiB.
constexpr int32_t LogRoom = 4 * ExpertFieldSize + 1024;

// The lines logged at every occurrence, made once per file and copied: a
// dense file has millions of occurrences, and the formatter would cost more
// than all the rest of the run. Each is exactly what appendFormat writes.
struct OccurrenceLines {
    // ", %ld bytes \"%s\"\r\n", the end of a "Match" line.
    char matchTail[ExpertFieldSize + 32];
    int32_t matchTailLength = -1; // -1: too long for the area, formatted at each occurrence
    char replacing[2 * ExpertFieldSize + 64];
    int32_t replacingLength = -1;
};

const char* replacingFormat(PatchReplaceMode mode) {
    switch (mode) {
    case PatchReplaceBinary: return "    Replacing text \"%s\" with \"%s\" [binary file].\r\n";
    case PatchReplaceEqualLength: return "    Replacing text \"%s\" with \"%s\" [no change in length].\r\n";
    case PatchReplaceLengthChanged: return "    Replacing text \"%s\" with \"%s\". [length changed]\r\n";
    }
    return "";
}

// snprintf's length when the whole text fit the area, otherwise -1.
int32_t fitted(int written, size_t area) { return written >= 0 && static_cast<size_t>(written) < area ? written : -1; }

// Eight lower-case hex digits, as "%8.8lx" writes an offset below 2^32.
void putHex8(char* at, uint32_t value) {
    static const char Digits[] = "0123456789abcdef";
    for (int i = 7; i >= 0; --i, value >>= 4)
        at[i] = Digits[value & 0xF];
}

// The run's view of its context, with the defaults filled in.
class Run {
public:
    explicit Run(const ExpertRunContext& context)
        : context_(context), log_(*context.logBuffer), work_(*context.workBuffer),
          manager_(context.manager != nullptr ? context.manager : &ZephMemManagerGlobal),
          sink_(context.sink != nullptr ? *context.sink : quiet_) {}

    ~Run() { syncSavedFolder(); }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    ExpertOutcome runDirectory(int32_t doIt);
    int processFile(const char* path, int32_t doIt);
    // Opens the folder that holds path, without the run lock, for a file
    // processed alone. 0, or -1 with the failure logged.
    int openFolderOf(const char* path);

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
    // A file's failure, logged from lineStart on, ends the run; its cause is
    // logged after "Operation stopped.".
    int failFile(int32_t lineStart, RunFailureStep step, const char* path, const char* tail = nullptr,
                 const ZephFailure& cause = ZephFailure{}) {
        outcome_.failure.set(step, path, tail, cause);
        endWith(ExpertFailed, lineStart);
        showAndPump();
        return -1;
    }
    // An entry of a known kind left unread: counted, and the sink told.
    void passOver(const char* path, int32_t why);
    // "Cause: ..." for the outcome's failure, when it has one.
    void logCause();
    void showProgress(int32_t position, int32_t length);
    // Room for the next lines: at least LogRoom, and when the log must grow
    // anyway, twice its size or, if more, expected bytes beyond its end.
    void makeLogRoom(int64_t expected = 0);
    bool isLogShort() const { return static_cast<int64_t>(log_.cursor) + LogRoom > log_.capacity; }
    void logMatch(const OccurrenceLines& lines, int32_t position, int32_t oldLength);
    void logReplacing(const OccurrenceLines& lines, PatchReplaceMode mode);
    enum Load { Loaded, CannotLoad, CannotTransfer };
    // The file's bytes into workBuffer, and its identity as read.
    Load load(const char* path, ZephSysFileIdentity* identity, ZephFailure* cause);
    void listAndProcess(int32_t doIt);
    void sizeWorkBuffer(const ZephDirList& list);
    int save(const char* path, const ZephSysFileIdentity& loaded);
    // Notes, before its rewrite, what the rewrite of work_ will change. -1
    // when memory ran out.
    int noteChange(const PatchFinder& finder, int32_t binary);
    // Adds the block of the file about to be saved (temporary: the new
    // file's) to the run's record, made at the first save, durably. 0 or -1
    // with cause.
    int journalSave(const char* target, const char* source, const char* temporary, ZephFailure* cause);
    void closeJournal();
    void syncSavedFolder();

    const ExpertRunContext& context_;
    ZephFolder folder_;
    ZephBuf& log_;
    ZephBuf& work_;
    ZephMemManager* manager_;
    ExpertRunSink quiet_;
    ExpertRunSink& sink_;
    ExpertOutcome outcome_;
    char savedAs_[RunFailurePathSize] = {}; // the last file saved, its folder included
    // A rewrite's record in the folder's journal: every save is added to it
    // before it takes its place, so that undo covers it.
    bool journaled_ = false; // a whole-directory rewrite, with the folder's journal open
    RunJournal journal_;
    uint32_t recordId_ = 0; // 0 until the first save
    RunFileRecord change_;
    ZephBuf edits_;
    char changedBytes_[RunTextSize] = {};
    int32_t changedLength_ = 0;
    bool savedUnsynced_ = false; // a file saved since the folder was last synced
};

int Run::noteChange(const PatchFinder& finder, int32_t binary) {
    change_ = RunFileRecord{};
    if (!journaled_)
        return 0;
    edits_.reset();
    if (RunEditsCollect(finder, work_.data, work_.length, INT32_MAX, &edits_, &change_.editCount) != 0)
        return -1;
    change_.binary = binary;
    change_.before = RunContent{true, work_.length, ZephHash::of(work_.data, work_.length)};
    // What a replacement puts in the old string's place, by the rules.
    const int32_t oldLength = ZephStrLength(oldString());
    const int32_t newLength = ZephStrLength(newString());
    const int32_t room = static_cast<int32_t>(sizeof changedBytes_) - 1;
    if (binary != 0) {
        std::memset(changedBytes_, 0, sizeof changedBytes_);
        std::memcpy(changedBytes_, newString(), static_cast<size_t>(newLength < oldLength ? newLength : oldLength));
        changedLength_ = oldLength < room ? oldLength : room;
    } else {
        changedLength_ = newLength < room ? newLength : room;
        std::memcpy(changedBytes_, newString(), static_cast<size_t>(changedLength_));
    }
    return 0;
}

int Run::journalSave(const char* target, const char* source, const char* temporary, ZephFailure* cause) {
    if (!journaled_)
        return 0;
    RunFileRecord file = change_;
    file.target = target;
    file.source = source;
    file.temporary = temporary;
    file.after = RunContent{true, work_.length, ZephHash::of(work_.data, work_.length)};
    if (source[0] != '\0' && RunHashFile(folder_.handle, target, manager_, &file.before, nullptr, cause) != 0)
        return -1;
    RunRecord record;
    record.init(manager_);
    if (recordId_ == 0) {
        RunHeader header;
        header.kind = RunKindExpert;
        header.time = static_cast<int64_t>(std::time(nullptr));
        ZephStrCopy(header.folder, context_.directory, sizeof header.folder);
        ZephStrCopy(header.oldString, oldString(), sizeof header.oldString);
        ZephStrCopy(header.newString, newString(), sizeof header.newString);
        header.volume = journal_.volume;
        header.file = journal_.file;
        if (journal_.nextId(&header.id) != 0) {
            *cause = journal_.failure;
            return -1;
        }
        if (record.appendHeader(header) != 0) {
            *cause = ZephFailure{ZephErrNoMemory, 0};
            return -1;
        }
        if (journal_.create(header.id, record.text.data, record.text.length) != 0) {
            *cause = journal_.failure;
            return -1;
        }
        recordId_ = header.id;
        record.text.reset();
    }
    if (record.appendFile(file, oldString(), ZephStrLength(oldString()), changedBytes_, changedLength_, &edits_) != 0) {
        *cause = ZephFailure{ZephErrNoMemory, 0};
        return -1;
    }
    if (journal_.append(recordId_, record.text.data, record.text.length) != 0) {
        *cause = journal_.failure;
        return -1;
    }
    return 0;
}

void Run::closeJournal() {
    // A record left without its end is closed by the next run as it stands.
    if (recordId_ != 0) {
        RunRecord end;
        end.init(manager_);
        if (end.appendEnd() == 0)
            journal_.append(recordId_, end.text.data, end.text.length);
        journal_.prune();
    }
    recordId_ = 0;
    journaled_ = false;
    edits_.clear();
}

void Run::logCause() {
    char cause[256];
    ZephFailureText(outcome_.failure.cause, cause, sizeof cause);
    if (cause[0] != '\0')
        log_.appendFormat("Cause: %s\r\n", cause);
}

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
        outcome_.failure.set(RunFailedEmptyField, nullptr, nullptr, ZephFailure{});
        endWith(ExpertRefused, refusal);
        showAndPump();
    } else if (oldString()[0] == '\0') {
        log_.appendLine("Error, no <Old String> specified.");
        outcome_.failure.set(RunFailedEmptyField, nullptr, nullptr, ZephFailure{});
        endWith(ExpertRefused, refusal);
        showAndPump();
    } else {
        listAndProcess(doIt);
    }
    setBusy(0);
    pump();
    return outcome_;
}

// workBuffer holds each file in turn: sized once for the largest, its block
// is made (and its pages zeroed) once, not again at every larger file. When
// that much cannot be had, each file asks for its own size when it comes.
void Run::sizeWorkBuffer(const ZephDirList& list) {
    int64_t largest = 0;
    for (const ZephDirEntry* entry = list.first; entry != nullptr; entry = entry->next) {
        if (InstallFolderKindOf(*entry, nullptr) != 0 && entry->size > largest)
            largest = entry->size;
    }
    work_.truncate(0);
    if (largest <= work_.capacity || largest > INT32_MAX - 1)
        return;
    const bool failedBefore = work_.failed;
    work_.setCapacity(0);
    if (work_.reserve(static_cast<int32_t>(largest)) != 0)
        work_.failed = failedBefore;
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
        outcome_.failure.set(RunFailedListing, directory, nullptr, ZephFailure{ZephErrInvalid, 0});
        endWith(ExpertFailed, failure);
        show();
        return;
    }
    int32_t stale = 0;
    if (InstallFolderOpen(&folder_, directory, context_.lockWaitMs, manager_, &stale) != 0) {
        if (folder_.failure.code == ZephErrBusy)
            log_.appendFormat("Error!  Another copy of Quorvel is working on the directory \"%s\"!", directory);
        else
            log_.appendFormat("Error!  Cannot create directory list for \"%s\"!", pattern);
        endWith(ExpertFailed, failure);
        outcome_.failure.set(folder_.failure.code == ZephErrBusy ? RunFailedLocked : RunFailedListing, directory,
                             nullptr, folder_.failure);
        if (folder_.failure.code != ZephErrBusy) {
            log_.appendLine("");
            logCause();
        }
        show();
        return;
    }
    outcome_.staleRemoved = stale;
    // A rewrite keeps its saves in the folder's journal, so that undo covers
    // them; a rewrite without one (no state folder) saves as before.
    edits_.init(manager_, 4096);
    journaled_ = doIt != 0 && journal_.open(manager_, folder_) == 0;
    if (stale > 0) {
        log_.appendFormat(stale == 1 ? "Removed %ld temporary file left by an interrupted run.\r\n"
                                     : "Removed %ld temporary files left by interrupted runs.\r\n",
                          static_cast<long>(stale));
        show();
    }
    ZephDirList* list = InstallFolderList(manager_, pattern);
    if (list == nullptr) {
        log_.appendFormat("Error!  Cannot create directory list for \"%s\"!", pattern);
        outcome_.failure.set(RunFailedListing, directory, nullptr, ZephFailure{ZephErrNoMemory, 0});
        endWith(ExpertFailed, failure);
        show();
        folder_.close();
        return;
    }
    sizeWorkBuffer(*list);
    PatchReadAhead readAhead;
    readAhead.reset(folder_.handle);
    for (ZephDirEntry* entry = list->first; entry != nullptr && !stopRequested(); entry = entry->next) {
        passOver(entry->name, InstallFolderSkipOf(*entry));
        if (InstallFolderKindOf(*entry, nullptr) != 0)
            readAhead.opening(*entry);
        if (!InstallFolderPassesOver(*entry) && processFile(entry->name, doIt) == -1) {
            syncSavedFolder();
            log_.appendLine("Operation stopped.");
            logCause();
            showAndPump();
            ZephDirList::destroy(&list);
            closeJournal();
            folder_.close();
            return;
        }
        ZephSleep(0);
    }
    ZephDirList::destroy(&list);
    syncSavedFolder(); // the renames durable before the record's end
    closeJournal();
    folder_.close();
    const int32_t done = log_.length;
    log_.appendLine("Done!");
    endWith(stopRequested() ? ExpertStopped : ExpertDone, done);
    show();
}

void Run::passOver(const char* path, int32_t why) {
    if (why == InstallFolderSkippedLink)
        ++outcome_.linksPassedOver;
    else if (why == InstallFolderSkippedSpecial)
        ++outcome_.specialPassedOver;
    else
        return;
    int32_t binary = 0;
    FileKindLookup(path, &binary);
    ExpertFileDone skipped{path, binary, 0, nullptr};
    skipped.passedOver = why;
    sink_.fileDone(skipped);
}

int Run::openFolderOf(const char* path) {
    const int32_t size = ZephStrLength(path) + 2;
    auto* area = static_cast<char*>(ZephMemAlloc(manager_, size, 0, "ExpertRun folder"));
    const int32_t failure = log_.length;
    if (area == nullptr || ZephPathFolderOf(path, area, size) != 0 || folder_.open(area, -1) != 0) {
        ZephMemFree(area);
        log_.appendFormat("Error, cannot load file \"%s\"!\r\n", path);
        return failFile(failure, RunFailedOpenSource, path, nullptr, folder_.failure);
    }
    ZephMemFree(area);
    return 0;
}

// The percentage is of the content's length plus one, so it never reaches 100.
void Run::showProgress(int32_t position, int32_t length) {
    int32_t mark = log_.length;
    auto percent = static_cast<long>(static_cast<double>(position) / (static_cast<double>(length) + 1.0) * 100.0);
    log_.appendFormat("%ld%% Complete...", percent);
    sink_.showProgress(log_, mark);
    log_.truncate(mark);
    // truncate writes no byte; the log must read as text without the
    // progress at every later show too.
    if (log_.data != nullptr)
        log_.data[mark] = '\0';
    pump();
}

void Run::makeLogRoom(int64_t expected) {
    if (!isLogShort())
        return;
    const int64_t need = static_cast<int64_t>(log_.cursor) + LogRoom;
    const int64_t step = log_.granularity < 1 ? 1 : log_.granularity;
    const int64_t largest = (int64_t{INT32_MAX} - 1) / step * step;
    int64_t room = 2 * static_cast<int64_t>(log_.capacity);
    if (room < need + expected)
        room = need + expected;
    room = (room + step - 1) / step * step;
    if (room > largest)
        room = largest;
    if (room < need)
        return; // the log's own growth takes over, a granule at a time
    // Room that cannot be had is no failure yet: the line may still fit in
    // a granule, and the append that cannot have one says so.
    const bool failedBefore = log_.failed;
    if (log_.setCapacity(static_cast<int32_t>(room)) != 0)
        log_.failed = failedBefore;
}

void Run::logMatch(const OccurrenceLines& lines, int32_t position, int32_t oldLength) {
    if (lines.matchTailLength < 0) {
        log_.appendFormat("    Match: $%8.8lx - $%8.8lx, %ld bytes \"%s\"\r\n", static_cast<unsigned long>(position),
                          static_cast<unsigned long>(position + oldLength - 1), static_cast<long>(oldLength),
                          oldString());
        return;
    }
    static const char Head[] = "    Match: $";
    static const char Between[] = " - $";
    constexpr int32_t HeadLength = sizeof Head - 1, BetweenLength = sizeof Between - 1;
    char* at = log_.claim(HeadLength + 8 + BetweenLength + 8 + lines.matchTailLength);
    if (at == nullptr)
        return;
    std::memcpy(at, Head, HeadLength);
    at += HeadLength;
    putHex8(at, static_cast<uint32_t>(position));
    at += 8;
    std::memcpy(at, Between, BetweenLength);
    at += BetweenLength;
    putHex8(at, static_cast<uint32_t>(position) + static_cast<uint32_t>(oldLength) - 1);
    at += 8;
    std::memcpy(at, lines.matchTail, static_cast<size_t>(lines.matchTailLength));
}

void Run::logReplacing(const OccurrenceLines& lines, PatchReplaceMode mode) {
    if (lines.replacingLength < 0) {
        log_.appendFormat(replacingFormat(mode), oldString(), newString());
        return;
    }
    if (char* at = log_.claim(lines.replacingLength))
        std::memcpy(at, lines.replacing, static_cast<size_t>(lines.replacingLength));
}

Run::Load Run::load(const char* path, ZephSysFileIdentity* identity, ZephFailure* cause) {
    // Read straight into workBuffer, whose block the files share: no block
    // of its own per file, and no copy of it.
    ZephFile file;
    file.init(manager_);
    if (file.openIn(folder_.handle, ZephPathLastName(path), OpenShared | OpenRead) != 0) {
        *cause = file.failure;
        return CannotLoad;
    }
    const ZephError known = ZephSysFiles.identify(file.handle, identity);
    if (known != ZephErrNone) {
        *cause = ZephFailure{known, ZephSysLastError()};
        file.close();
        return CannotLoad;
    }
    // Taking the low 32 bits of a larger size would load a part of the file
    // as if it were the whole.
    if (file.size > INT32_MAX - 1) {
        file.close();
        return CannotTransfer;
    }
    const auto size = static_cast<int32_t>(file.size);
    work_.truncate(0);
    if (size > work_.capacity)
        work_.setCapacity(0); // the old bytes are not wanted: never copied
    char* into = size > 0 ? work_.claim(size) : nullptr;
    if (size > 0 && into == nullptr) {
        file.close();
        return CannotTransfer;
    }
    if (size > 0 && file.read(into, size) != 0) {
        *cause = file.failure;
        work_.truncate(0);
        file.close();
        return CannotLoad;
    }
    file.close();
    return Loaded;
}

int Run::processFile(const char* path, int32_t doIt) {
    int32_t binary = 0;
    if (path == nullptr || FileKindLookup(path, &binary) == 0)
        return 0;
    char name[FileNameSize];
    ZephStrCopyFileName(path, name, sizeof name);

    makeLogRoom();
    ZephSysFileIdentity identity{};
    ZephFailure cause;
    const int32_t failure = log_.length;
    switch (load(path, &identity, &cause)) {
    case Loaded: break;
    case CannotLoad:
        // Listed as a file but a link or a special file when opened (under
        // Wine links show only then): passed over as the listing passes them.
        if (cause.code == ZephErrLink || cause.code == ZephErrNotRegular) {
            passOver(path, cause.code == ZephErrLink ? InstallFolderSkippedLink : InstallFolderSkippedSpecial);
            return 0;
        }
        log_.appendFormat("Error, cannot load file \"%s\"!\r\n", path);
        return failFile(failure, RunFailedOpenSource, path, nullptr, cause);
    case CannotTransfer:
        log_.appendFormat("Error, cannot transfer file data to zephbuf!\r\n");
        return failFile(failure, RunFailedMemory, path);
    }
    const int32_t fileLog = log_.length;
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
    if (doIt != 0 && noteChange(finder, binary) != 0) {
        const int32_t failure = log_.length;
        log_.appendFormat("ERROR!  An error occurred attempting to overwrite \"%s\" with \"%s\"!  Aborting!\r\n",
                          oldText, newText);
        return failFile(failure, RunFailedMemory, path);
    }
    OccurrenceLines lines;
    lines.matchTailLength = fitted(std::snprintf(lines.matchTail, sizeof lines.matchTail, ", %ld bytes \"%s\"\r\n",
                                                 static_cast<long>(oldLength), oldText),
                                   sizeof lines.matchTail);
    lines.replacingLength =
        fitted(std::snprintf(lines.replacing, sizeof lines.replacing, replacingFormat(mode), oldText, newText),
               sizeof lines.replacing);
    // The content is rewritten in one pass; positions, lengths and the
    // percentages are those of the content as replacing one occurrence at a
    // time would leave it by then. Without the memory for the whole new
    // content, the pass goes on in place and the first occurrence that
    // does not fit ends the file as a failed overwrite.
    PatchRewrite pass;
    pass.begin(&work_, 0, finder, newText, binary, doIt);
    uint32_t lastProgress = now();
    int32_t matches = 0;
    bool changed = false;
    int32_t position = 0;
    // Between two occurrences the search goes a stride at a time; a stride
    // also sees an occurrence that starts in it and ends beyond it.
    while (position < pass.length()) {
        const int64_t reach = static_cast<int64_t>(position) + ScanStride + (oldLength > 0 ? oldLength - 1 : 0);
        const int32_t limit = reach < pass.length() ? static_cast<int32_t>(reach) : pass.length();
        const int32_t found = pass.find(position, limit);
        if (found < 0) {
            // Every start that leaves room for the old string below limit
            // has been tried.
            position = limit == pass.length() ? limit : limit - oldLength + 1;
        } else {
            position = found;
            if (isLogShort()) {
                // The rest of the file will likely log as much per byte as
                // the part before: one growth then serves a dense file.
                const int64_t logged = log_.cursor - fileLog;
                makeLogRoom(logged * (pass.length() - position) / (position + 1));
            }
            if (matches == 0)
                log_.appendLine(""); // ends the "Scanning" text's line
            logMatch(lines, position, oldLength);
            ++matches;
            if (doIt == 0) {
                position += oldLength;
            } else {
                logReplacing(lines, mode);
                int32_t advance = 0;
                if (pass.replace(position, &advance) != 0) {
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
            showProgress(position, pass.length());
        }
        if (stopRequested())
            break;
    }
    const bool cutShort = position < pass.length(); // a stop came before the end
    pass.finish();

    makeLogRoom();
    if (matches >= 2)
        log_.appendFormat("    %ld entries found total.\r\n", static_cast<long>(matches));
    else if (matches == 1)
        log_.appendFormat("    %ld entry found total.\r\n", static_cast<long>(matches));
    else
        log_.appendFormat("no entries found.\r\n");
    showAndPump();
    ExpertFileDone done{path, binary, matches, nullptr};
    // A file whose rewrite a stop cut short is abandoned, never saved
    // half-converted.
    if (changed && cutShort && context_.abandonStoppedFile)
        changed = false;
    if (changed) {
        if (save(path, identity) != 0)
            return -1;
        done.savedAs = savedAs_;
    }
    sink_.fileDone(done);
    return 0;
}

// Saves workBuffer to the path, or beside it with the side-copy suffix
// appended, only while the file is still the one loaded. A target that does
// not fit its area is never cut to another name: its save fails. As
// ZephFileSave: the new content takes the file's place only once it is all
// on disk, and an empty content is refused. The folder is synced once, when
// the run ends, not after every file: each file's own flush is then the only
// wait for the disk, and it also carries the renames before it.
int Run::save(const char* path, const ZephSysFileIdentity& loaded) {
    const char* suffix = "";
    if (context_.saveAsNew != nullptr && *context_.saveAsNew != 0)
        suffix = context_.saveAsNewSuffix != nullptr ? context_.saveAsNewSuffix : SaveAsNewSuffix;
    log_.appendFormat("    Saving \"%s%s\".\r\n", path, suffix);
    showAndPump();
    const char* source = ZephPathLastName(path);
    char target[ExpertFieldSize];
    // An empty content is refused, as ZephFileSave refuses it: a file made
    // only of occurrences, with an empty New String, would vanish.
    bool fits = ZephStrLength(source) + ZephStrLength(suffix) < ExpertFieldSize && work_.length > 0;
    ZephFailure cause;
    if (fits) {
        ZephStrCopy(target, source, sizeof target);
        ZephStrAppend(target, suffix, sizeof target);
        ZephFileReplacer replacer;
        replacer.init(manager_);
        replacer.syncFolder = false; // once, in syncSavedFolder
        // The record of the save is on disk before the file takes its place.
        if (replacer.begin(folder_.handle, target, source, &loaded) == 0 &&
            replacer.write(work_.data, work_.length) == 0 && replacer.seal() == 0 &&
            journalSave(target, suffix[0] != '\0' ? source : "", replacer.temporaryName, &cause) == 0 &&
            replacer.commit() == 0) {
            ZephStrCopy(savedAs_, path, sizeof savedAs_);
            ZephStrAppend(savedAs_, suffix, sizeof savedAs_);
            savedUnsynced_ = true;
            return 0;
        }
        if (cause.code == ZephErrNone)
            cause = replacer.failure;
    }
    const int32_t failure = log_.length;
    log_.appendFormat("ERROR!  An error occurred attempting to save \"%s%s\"!", path, suffix);
    return failFile(failure, RunFailedWrite, path, suffix, cause);
}

// A folder that cannot be synced leaves the renames as durable as the file
// system makes them; every saved file's content is on disk already.
void Run::syncSavedFolder() {
    if (!savedUnsynced_)
        return;
    ZephSysFiles.flushFolder(folder_.handle);
    savedUnsynced_ = false;
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
    Run run(context);
    if (path != nullptr && FileKindLookup(path, nullptr) != 0 && run.openFolderOf(path) != 0)
        return -1;
    return run.processFile(path, doIt);
}
