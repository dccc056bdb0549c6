// PatchJob.cpp - the stepwise scan and convert runs.
#include "PatchJob.h"

#include "InstallFolder.h"
#include "PatchRules.h"
#include "PatchSearch.h"
#include "ZephDirList.h"
#include "ZephHash.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephSysError.h"
#include "ZephSysFile.h"
#include "ZephTick.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t ContentGranularity = 8192;
constexpr int64_t LargestFile = 2147483647;
constexpr const char* NewSuffix = ".new";

// Failures that are no fault of a file's bytes get sentences of their own,
// naming what happened and what to do; the others keep the wizard's own.
const char* const ChangedText = "The file \"%s\" was changed by another program while it was being patched; it "
                                "was left as that program wrote it.\r\n\r\nPlease close the programs that use this "
                                "directory and try again.";
const char* const InUseText = "The file \"%s\" is in use by another program.\r\n\r\nPlease close that program (the "
                              "game, an editor) and try again.";
const char* const HardLinksText = "The file \"%s\" has other names (hard links) that would keep the old content; it "
                                  "was left as it is.\r\n\r\nPlease replace the links by copies and try again.";
const char* const BusyText = "Another copy of Quorvel is working on the directory \"%s\"!\r\n\r\nPlease wait until "
                             "it has finished and try again.";
const char* const NotAllowedText =
    "You may not change the files in the directory \"%s\"!\r\n\r\nPlease make the directory writable, or run "
    "Quorvel as a user who may change these files (on Windows: right-click Quorvel and choose \"Run as "
    "administrator\").";
const char* const CannotListText = "We were unable to scan the directory \"%s\"!\r\n\r\nPlease click Back and select "
                                   "a different directory and try again.";
const char* const CannotWriteText = "An error occurred attempting to write to file \"%s\"!";
// A format for snprintf: the amount goes in first, the directory by fail().
const char* const NoSpaceFormat = "There is not enough free space on the disk of the directory \"%%s\" to patch "
                                  "its files!\r\n\r\nNo file was changed. Please free at least %s and try again.";
const char* const NoJournalText =
    "Quorvel could not keep its record of the changes in \"%s\"!\r\n\r\nNo file was changed. Please make sure "
    "that this folder can be written and try again.";
const char* const NoStateFolderText =
    "Quorvel found no folder to keep its record of the changes in (%s is not set)!\r\n\r\nNo file was changed.";
const char* const UnsettledText =
    "An earlier run on the directory \"%s\" was interrupted, and Quorvel could neither complete it nor undo "
    "it!\r\n\r\nNo file was changed. Please make sure that the files of the directory can be read and written "
    "and try again.";

// Room kept free beyond a file's new content: the file system's own records
// and the journal's.
constexpr int64_t SpaceMargin = int64_t{1} << 20;

} // namespace

void PatchJob::init(ZephMemManager* manager) {
    clear();
    memoryManager = manager;
    file.init(manager);
    content.init(manager, ContentGranularity);
    target.init(manager);
    changes.init(manager, PatchSealedFiles);
    edits.init(manager, 4096);
}

void PatchJob::clear() {
    stop(Idle); // a run still going ends as any stopped run does
    content.clear();
    memoryManager = nullptr;
    convert = 0;
    saveAsNew = 0;
    quickScan = 0;
    filesMatched = 0;
    filesVisited = 0;
    linksPassedOver = 0;
    specialPassedOver = 0;
    staleRemoved = 0;
    recovery = RunRecovery{};
    filesPatched = 0;
    settledByNextRun = false;
    change = RunFileRecord{};
    changedLength = 0;
    lockWaitMs = InstallFolderLockWaitMs;
    sourceIdentity = ZephSysFileIdentity{};
    entriesTotal = 0;
    bytesRead = 0;
    cursor = 0;
    fileMatches = 0;
    binaryKind = 0;
    writePos = 0;
    finder.prepare(nullptr);
    scannedTo = 0;
    scannedMatches = 0;
    readAhead.reset(ZephSysFileNone);
    std::memset(directory, 0, sizeof directory);
    std::memset(oldstring, 0, sizeof oldstring);
    std::memset(newstring, 0, sizeof newstring);
    std::memset(message, 0, sizeof message);
    failure.clear();
    file.init(nullptr);
    content.init(nullptr, ContentGranularity);
    target.init(nullptr);
    changes.init(nullptr, PatchSealedFiles);
    edits.init(nullptr, 4096);
}

void PatchJob::setDirectory(const char* text) { ZephStrCopy(directory, text, sizeof directory); }
void PatchJob::setOldString(const char* text) { ZephStrCopy(oldstring, text, sizeof oldstring); }
void PatchJob::setNewString(const char* text) { ZephStrCopy(newstring, text, sizeof newstring); }
void PatchJob::setMessage(const char* text) { ZephStrCopy(message, text, sizeof message); }

PatchProgress PatchJob::progress() const {
    PatchProgress now;
    now.entriesDone = filesVisited;
    now.entriesTotal = entriesTotal;
    now.bytesRead = bytesRead;
    return now;
}

int PatchJob::lookupKind(const char* path, int32_t* binaryFlag) { return FileKindLookup(path, binaryFlag); }

void PatchJob::start() {
    stop(Idle);
    message[0] = 0;
    failure.clear();
    filesMatched = 0;
    filesVisited = 0;
    linksPassedOver = 0;
    specialPassedOver = 0;
    staleRemoved = 0;
    recovery = RunRecovery{};
    filesPatched = 0;
    settledByNextRun = false;
    entriesTotal = 0;
    bytesRead = 0;

    const char* refusal = nullptr;
    if (directory[0] == 0)
        refusal = "<directory> member is empty!";
    else if (oldstring[0] == 0)
        refusal = "<oldstring> member is empty!";
    else if (newstring[0] == 0)
        refusal = "<newstring> member is empty!";
    if (refusal != nullptr) {
        setMessage(refusal);
        failure.set(RunFailedEmptyField, nullptr, nullptr, ZephFailure{});
        status = Failed;
        return;
    }
    currentStep = ListDirectory;
    status = Running;
}

void PatchJob::stop(int32_t newStatus) {
    ZephDirList::destroy(&dirList);
    currentStep = 0;
    entry = nullptr;
    status = newStatus;
    file.close();
    target.abandon();
    // All or nothing: new files not yet in place never take their places.
    changes.release();
    folder.close();
}

bool PatchJob::failCommit() {
    settledByNextRun = changes.leftPending;
    filesPatched = changes.placed;
    const ZephFailure cause = changes.failure;
    if (changes.journalFailed)
        return fail(RunFailedJournal, cause, NoJournalText, journal.path);
    // Named as the source, as the run names a failed write; a failed sync
    // of the folder by the directory.
    char name[PatchMessageSize];
    ZephStrCopy(name, directory, sizeof name);
    if (changes.failedName[0] != '\0') {
        ZephStrAppend(name, ZephPathSeparatorText, sizeof name);
        ZephStrAppend(name, changes.failedName, sizeof name);
    }
    switch (cause.code) {
    case ZephErrChanged: return fail(RunFailedWrite, cause, ChangedText, name);
    case ZephErrInUse: return fail(RunFailedWrite, cause, InUseText, name);
    default: return fail(RunFailedWrite, cause, CannotWriteText, name);
    }
}

bool PatchJob::doComplete() {
    if (convert != 0 && changes.count > 0) {
        RunHeader header;
        header.kind = RunKindPatch;
        ZephStrCopy(header.folder, directory, sizeof header.folder);
        ZephStrCopy(header.oldString, oldstring, sizeof header.oldString);
        ZephStrCopy(header.newString, newstring, sizeof header.newString);
        header.volume = journal.volume;
        header.file = journal.file;
        if (changes.commit(journal, header, folder.handle) != 0)
            return failCommit();
        filesPatched = changes.placed;
    }
    stop(Finished);
    return true;
}

void PatchJob::step(int32_t budgetMs) {
    if (status != Running)
        return;
    const uint32_t started = ZephTickCount();
    for (;;) {
        if (perform())
            return;
        if (budgetMs < 0)
            continue;
        if (budgetMs == 0 || ZephTickSince(started) > static_cast<uint32_t>(budgetMs))
            return;
    }
}

bool PatchJob::perform() {
    switch (currentStep) {
    case ListDirectory: return doListDirectory();
    case NextEntry: return doNextEntry();
    case OpenSource: return doOpenSource();
    case ReadChunk: return doReadChunk();
    case EndRead: doEndRead(); return false;
    case ScanContent: return doScanContent();
    case OpenTarget: return doOpenTarget();
    case WriteChunk: return doWriteChunk();
    case EndWrite: return doEndWrite();
    case Complete: return doComplete();
    default:
        // Not a step of a run: nothing sensible can follow.
        stop(Failed);
        return true;
    }
}

bool PatchJob::fail(RunFailureStep failedStep, const ZephFailure& cause, const char* format, const char* argument,
                    const char* argumentTail) {
    // Every message has one "%s"; the text around it and the argument are
    // appended with bounds, so a long path is cut by the message area alone.
    char text[sizeof message] = {};
    const char* slot = std::strstr(format, "%s");
    if (slot == nullptr) {
        ZephStrCopy(text, format, sizeof text);
    } else {
        std::memcpy(text, format, static_cast<size_t>(slot - format));
        ZephStrAppend(text, argument, sizeof text);
        ZephStrAppend(text, argumentTail, sizeof text);
        ZephStrAppend(text, slot + 2, sizeof text);
    }
    // Before stop(): the argument may be the entry's name, which the listing
    // holds.
    failure.set(failedStep, argument, argumentTail, cause);
    stop(Failed);
    setMessage(text);
    return true;
}

void PatchJob::scanAhead() {
    // A quick scan needs no occurrence after a file's first.
    if (quickScan != 0 && scannedMatches > 0)
        return;
    PatchScanPiece(finder, content, &scannedTo, &scannedMatches, quickScan != 0 ? 1 : INT32_MAX);
}

int32_t PatchJob::pieceSize() const { return convert == 0 && quickScan != 0 ? PatchQuickPieceSize : PatchChunkSize; }

bool PatchJob::contentFits(int64_t size) const {
    // A block big enough for an earlier file is kept for the smaller ones
    // after it: sizing it down and up again would cost an allocation, a
    // zero fill and fresh pages for every file.
    return content.data != nullptr && size <= content.capacity;
}

void PatchJob::moveToNextEntry() {
    if (entry != nullptr)
        entry = entry->next;
}

bool PatchJob::doListDirectory() {
    if (dirList == nullptr || !dirList->isReading()) {
        // The listing's first action: the folder opened for the run, then a
        // fresh search.
        ZephDirList::destroy(&dirList);
        filesMatched = 0;
        filesVisited = 0;
        linksPassedOver = 0;
        specialPassedOver = 0;
        entriesTotal = 0;
        bytesRead = 0;
        // A pattern that does not fit is refused like a folder that cannot
        // be listed.
        char pattern[sizeof directory];
        if (InstallFolderPattern(directory, pattern, sizeof pattern) != 0)
            return fail(RunFailedListing, ZephFailure{ZephErrInvalid, 0}, CannotListText, directory);
        if (InstallFolderOpen(&folder, directory, lockWaitMs, memoryManager, &staleRemoved, &recovery) != 0) {
            const ZephFailure cause = folder.failure;
            if (cause.code == ZephErrBusy)
                return fail(RunFailedLocked, cause, BusyText, directory);
            if (recovery.unresolved)
                return fail(RunFailedRecovery, cause, UnsettledText, directory);
            return fail(RunFailedListing, cause, CannotListText, directory);
        }
        // A convert run keeps its record in the folder's journal; without
        // one it changes nothing.
        if (convert != 0 && journal.open(memoryManager, folder) != 0) {
            if (journal.failure.code == ZephErrNotFound)
                return fail(RunFailedJournal, journal.failure, NoStateFolderText,
                            ZephPathSeparator == '/' ? "HOME" : "LOCALAPPDATA");
            return fail(RunFailedJournal, journal.failure, NoJournalText,
                        journal.path[0] != '\0' ? journal.path : directory);
        }
        changes.init(memoryManager, PatchSealedFiles);
        // Room for the replacements of most files, had before any file is read.
        edits.init(memoryManager, 4096);
        if (convert != 0 && edits.reserve(4096) != 0)
            return fail(RunFailedMemory, ZephFailure{ZephErrNoMemory, 0}, CannotListText, directory);
        dirList = InstallFolderStartList(memoryManager, pattern);
        if (dirList == nullptr)
            return fail(RunFailedListing, ZephFailure{ZephErrNoMemory, 0}, CannotListText, directory);
    }
    // A slice of names per action, so that a large directory keeps the
    // budget as every other step does; the step stays until the listing is
    // complete.
    const int more = ZephDirList::readMore(&dirList, PatchListSliceNames);
    if (more < 0)
        return fail(RunFailedListing, ZephFailure{ZephErrNoMemory, 0}, CannotListText, directory);
    if (more > 0)
        return false;
    file.init(memoryManager);
    content.init(memoryManager, ContentGranularity);
    entry = dirList->first;
    entriesTotal = dirList->count;
    readAhead.reset(folder.handle);
    currentStep = NextEntry;
    return false;
}

bool PatchJob::doNextEntry() {
    if (entry == nullptr) {
        currentStep = Complete;
        return false;
    }
    ++filesVisited;
    passOver(InstallFolderSkipOf(*entry));
    int32_t flag = 0;
    if (InstallFolderKindOf(*entry, &flag)) {
        binaryKind = flag;
        currentStep = OpenSource;
    } else {
        moveToNextEntry();
    }
    return false;
}

void PatchJob::passOver(int32_t why) {
    if (why == InstallFolderSkippedLink)
        ++linksPassedOver;
    else if (why == InstallFolderSkippedSpecial)
        ++specialPassedOver;
}

bool PatchJob::doOpenSource() {
    readAhead.opening(*entry);
    if (file.openIn(folder.handle, ZephPathLastName(entry->name), OpenRead | OpenShared) != 0) {
        const ZephFailure cause = file.failure;
        // Listed as a file, but a link or a special file when opened (under
        // Wine links show only then; natively it was swapped since): passed
        // over as the listing passes them over.
        if (cause.code == ZephErrLink || cause.code == ZephErrNotRegular) {
            passOver(cause.code == ZephErrLink ? InstallFolderSkippedLink : InstallFolderSkippedSpecial);
            moveToNextEntry();
            currentStep = NextEntry;
            return false;
        }
        if (cause.code == ZephErrInUse)
            return fail(RunFailedOpenSource, cause, InUseText, entry->name);
        if (cause.code == ZephErrNotFound)
            return fail(RunFailedOpenSource, ZephFailure{ZephErrChanged, 0}, ChangedText, entry->name);
        return fail(RunFailedOpenSource, cause, "Unable to open file \"%s\" for reading!", entry->name);
    }
    // The file opened must be the one listed: a name swapped in between is
    // another program's doing.
    ZephError known = ZephSysFiles.identify(file.handle, &sourceIdentity);
    if (known != ZephErrNone)
        return fail(RunFailedOpenSource, ZephFailure{known, ZephSysLastError()},
                    "Unable to open file \"%s\" for reading!", entry->name);
    if ((entry->volume != 0 || entry->file != 0) &&
        (entry->volume != sourceIdentity.volume || entry->file != sourceIdentity.file))
        return fail(RunFailedOpenSource, ZephFailure{ZephErrChanged, 0}, ChangedText, entry->name);
    content.reset();
    if (file.size > LargestFile)
        return fail(RunFailedTooLarge, ZephFailure{}, "File \"%s\" too large to load/scan!", entry->name);
    finder.prepare(oldstring);
    // A convert run holds the whole file; a scan run only counts, and holds
    // the bytes not yet decided plus one piece, read to an aligned place.
    const int64_t needed = convert != 0 ? file.size : finder.needleLength + pieceSize() + PatchPieceAlignment;
    if (!contentFits(needed)) {
        // The old bytes are not wanted: let go of them before sizing, so that
        // they are neither copied nor held twice.
        content.setCapacity(0);
        if (content.reserve(static_cast<int32_t>(needed)) != 0)
            return fail(RunFailedMemory, ZephFailure{ZephErrNoMemory, 0},
                        "An error occurred attempting to setup memory buffer for file \"%s\"!", entry->name);
    }
    scannedTo = 0;
    scannedMatches = 0;
    currentStep = ReadChunk;
    return false;
}

bool PatchJob::doReadChunk() {
    int64_t remaining = file.size - file.position;
    if (remaining < 1) {
        currentStep = EndRead;
        return false;
    }
    const int32_t piece = pieceSize();
    int32_t count = remaining < piece ? static_cast<int32_t>(remaining) : piece;
    if (convert == 0)
        PatchMakeRoomForPiece(&content, &scannedTo, count);
    // The piece goes straight to its place at the end of content (sized for
    // it, so this never moves the data); a failed read takes it back.
    char* room = content.claim(count);
    if (room == nullptr)
        return fail(RunFailedMemory, ZephFailure{ZephErrNoMemory, 0},
                    "An error occurred attempting to spool file \"%s\" to memory!", entry->name);
    if (file.read(room, count) != 0) {
        content.truncate(content.length - count);
        return fail(RunFailedRead, file.failure, "An error occurred attempting to read in file \"%s\"!", entry->name);
    }
    bytesRead += count;
    if (convert == 0) {
        scanAhead();
        if (quickScan != 0 && scannedMatches > 0)
            currentStep = EndRead; // the rest cannot change the counts
    }
    return false;
}

void PatchJob::doEndRead() {
    file.close();
    cursor = 0;
    fileMatches = 0;
    currentStep = ScanContent;
}

bool PatchJob::doScanContent() {
    if (cursor < content.length) {
        const int32_t before = fileMatches;
        int result = 0;
        if (convert == 0) {
            // Most of it was scanned piece by piece while it was read.
            scanAhead();
            fileMatches += scannedMatches;
            scannedMatches = 0;
            cursor = content.length;
        } else {
            finder.prepare(oldstring);
            if (noteChangeBefore() != 0)
                return fail(RunFailedMemory, ZephFailure{ZephErrNoMemory, 0}, "An error occurred modify file \"%s\"!",
                            entry->name);
            if (change.editCount == 0) {
                cursor = content.length; // nothing to rewrite
            } else {
                result = PatchScanContent(&content, &cursor, finder, newstring, convert, binaryKind, &fileMatches);
                if (result == 0)
                    noteChangeAfter();
            }
        }
        if (before == 0 && fileMatches > 0)
            ++filesMatched;
        if (result != 0)
            return fail(RunFailedMemory, ZephFailure{ZephErrNoMemory, 0}, "An error occurred modify file \"%s\"!",
                        entry->name);
        return false;
    }
    if (convert != 0 && fileMatches > 0) {
        currentStep = OpenTarget;
    } else {
        moveToNextEntry();
        currentStep = NextEntry;
    }
    return false;
}

bool PatchJob::failReplacement(const ZephFailure& cause, bool folderRefused, const char* name, const char* suffix) {
    switch (cause.code) {
    case ZephErrChanged: return fail(RunFailedOpenTarget, cause, ChangedText, name);
    case ZephErrInUse: return fail(RunFailedOpenTarget, cause, InUseText, name);
    case ZephErrHardLinks: return fail(RunFailedOpenTarget, cause, HardLinksText, name);
    case ZephErrAccess:
    case ZephErrReadOnly:
        if (folderRefused)
            return fail(RunFailedFolderWrite, cause, NotAllowedText, directory);
        break;
    default: break;
    }
    return fail(RunFailedOpenTarget, cause, "Unable to open file \"%s\" for writing!", name, suffix);
}

bool PatchJob::doOpenTarget() {
    const char* suffix = saveAsNew != 0 ? NewSuffix : "";
    const char* source = ZephPathLastName(entry->name);
    char name[PatchMessageSize];
    ZephStrCopy(name, source, sizeof name);
    ZephStrAppend(name, suffix, sizeof name);
    // Every new file waits beside its original until the last is written:
    // the disk must hold this one too, beside those before it.
    uint64_t free = 0;
    if (ZephSysFiles.freeSpace(folder.handle, &free) == ZephErrNone &&
        free < static_cast<uint64_t>(content.length) + SpaceMargin) {
        char amount[32];
        const double megabytes = static_cast<double>(static_cast<uint64_t>(content.length) + SpaceMargin - free) / 1e6;
        std::snprintf(amount, sizeof amount, "%.1f MB", megabytes < 0.1 ? 0.1 : megabytes);
        char format[512];
        std::snprintf(format, sizeof format, NoSpaceFormat, amount);
        return fail(RunFailedNoSpace, ZephFailure{ZephErrNoSpace, 0}, format, directory);
    }
    if (target.begin(folder.handle, name, source, &sourceIdentity) != 0) {
        // The file itself swapped for a link or something else since it was
        // read is a change by another program too.
        const ZephError code = target.failure.code;
        if (saveAsNew == 0 && (code == ZephErrLink || code == ZephErrNotRegular))
            return failReplacement(ZephFailure{ZephErrChanged, 0}, false, entry->name, suffix);
        return failReplacement(target.failure, target.folderRefused, entry->name, suffix);
    }
    // A side copy's content before is the file it replaces, if any.
    if (saveAsNew != 0) {
        ZephFailure cause;
        if (!target.targetExisted)
            change.before = RunContent{};
        else if (RunHashFile(folder.handle, name, memoryManager, &change.before, nullptr, &cause) != 0)
            return fail(RunFailedWrite, cause, CannotWriteText, entry->name, suffix);
    }
    writePos = 0;
    currentStep = WriteChunk;
    return false;
}

bool PatchJob::doWriteChunk() {
    int32_t remaining = content.length - writePos;
    if (remaining <= 0) {
        currentStep = EndWrite;
        return false;
    }
    int32_t count = remaining < PatchChunkSize ? remaining : PatchChunkSize;
    if (target.write(content.data + writePos, count) != 0)
        return fail(RunFailedWrite, target.failure, CannotWriteText, entry->name);
    writePos += count;
    return false;
}

bool PatchJob::doEndWrite() {
    // The new content is complete: it waits with the others sealed and takes
    // the file's place with them. Whatever fails, the file is as it was and
    // the run reports the write as failed.
    if (target.seal() != 0)
        return fail(RunFailedWrite, target.failure, CannotWriteText, entry->name);
    RunFileRecord record = change;
    record.target = target.targetName;
    record.source = saveAsNew != 0 ? target.sourceName : "";
    if (changes.add(target, record, oldstring, ZephStrLength(oldstring), changedBytes, changedLength, &edits) != 0)
        return failCommit();
    moveToNextEntry();
    currentStep = NextEntry;
    return false;
}

int PatchJob::noteChangeBefore() {
    edits.reset();
    change = RunFileRecord{};
    if (RunEditsCollect(finder, content.data, content.length, INT32_MAX, &edits, &change.editCount) != 0)
        return -1;
    if (change.editCount == 0)
        return 0;
    change.binary = binaryKind;
    change.before = RunContent{true, content.length, ZephHash::of(content.data, content.length)};
    // What each replacement puts in the old string's place, by the rules.
    const int32_t oldLength = finder.needleLength;
    const int32_t newLength = ZephStrLength(newstring);
    if (binaryKind != 0) {
        std::memset(changedBytes, 0, static_cast<size_t>(oldLength));
        std::memcpy(changedBytes, newstring, static_cast<size_t>(newLength < oldLength ? newLength : oldLength));
        changedLength = oldLength;
    } else {
        std::memcpy(changedBytes, newstring, static_cast<size_t>(newLength));
        changedLength = newLength;
    }
    return 0;
}

void PatchJob::noteChangeAfter() {
    change.after = RunContent{true, content.length, ZephHash::of(content.data, content.length)};
}
