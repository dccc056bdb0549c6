// PatchJob.cpp - the stepwise scan and convert runs.
#include "PatchJob.h"

#include "InstallFolder.h"
#include "PatchRules.h"
#include "PatchSearch.h"
#include "ZephDirList.h"
#include "ZephStr.h"
#include "ZephSysFile.h"
#include "ZephTick.h"

#include <cstring>

namespace {

constexpr int32_t ContentGranularity = 8192;
constexpr int64_t LargestFile = 2147483647;
// The target's name, ".new" included, must fit this area; a longer one is
// refused rather than cut to the name of some other file.
constexpr int TargetNameSize = 512;
constexpr const char* NewSuffix = ".new";

} // namespace

void PatchJob::init(ZephMemManager* manager) {
    clear();
    memoryManager = manager;
    file.init(manager);
    content.init(manager, ContentGranularity);
    target.init(manager);
    for (ZephFileReplacer& waiting : sealed) {
        waiting.init(manager);
        waiting.syncFolder = false; // once for all of them, in commitSealed
    }
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
    entriesTotal = 0;
    bytesRead = 0;
    cursor = 0;
    fileMatches = 0;
    binaryKind = 0;
    writePos = 0;
    finder.prepare(nullptr);
    scannedTo = 0;
    scannedMatches = 0;
    readAhead.reset();
    std::memset(directory, 0, sizeof directory);
    std::memset(oldstring, 0, sizeof oldstring);
    std::memset(newstring, 0, sizeof newstring);
    std::memset(message, 0, sizeof message);
    file.init(nullptr);
    content.init(nullptr, ContentGranularity);
    target.init(nullptr);
    for (ZephFileReplacer& waiting : sealed)
        waiting.init(nullptr);
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
    filesMatched = 0;
    filesVisited = 0;
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
    // Sealed files are complete: they take their places whatever ended the
    // run (a failure here leaves that file as it was; the run has its end).
    commitSealed(nullptr, 0);
}

bool PatchJob::commitSealed(char* failedName, int32_t failedNameSize) {
    bool allDone = true;
    auto failedOne = [&](const char* target) {
        if (allDone && failedName != nullptr) {
            // Named as the source, as the run names a failed write.
            ZephStrCopy(failedName, target, failedNameSize);
            if (saveAsNew != 0 && ZephStrEndsWithNoCase(failedName, NewSuffix))
                failedName[ZephStrLength(failedName) - ZephStrLength(NewSuffix)] = 0;
        }
        allDone = false;
    };
    char name[TargetNameSize];
    // Every content to the disk first, then the renames: a rename between
    // two flushes would make the second wait for a journal commit of its own.
    for (int32_t i = 0; i < sealedCount; ++i) {
        if (!sealed[i].isActive())
            continue;
        ZephStrCopy(name, sealed[i].targetPath, sizeof name);
        if (sealed[i].flushContent() != 0)
            failedOne(name);
    }
    char lastPlaced[TargetNameSize] = {};
    for (int32_t i = 0; i < sealedCount; ++i) {
        if (!sealed[i].isActive())
            continue;
        ZephStrCopy(name, sealed[i].targetPath, sizeof name);
        if (sealed[i].commit() != 0)
            failedOne(name);
        else
            ZephStrCopy(lastPlaced, name, sizeof lastPlaced);
    }
    sealedCount = 0;
    // One folder sync for all the renames (they share the run's directory).
    // A folder that cannot be synced leaves them as durable as the file
    // system makes them; the contents are on disk.
    if (lastPlaced[0] != 0)
        ZephSysFiles.flushDirectoryOf(lastPlaced);
    return allDone;
}

bool PatchJob::doComplete() {
    char failed[TargetNameSize];
    if (!commitSealed(failed, sizeof failed))
        return fail("An error occurred attempting to write to file \"%s\"!", failed);
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

bool PatchJob::fail(const char* format, const char* argument, const char* argumentTail) {
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
    ZephDirList::destroy(&dirList);
    filesMatched = 0;
    filesVisited = 0;
    entriesTotal = 0;
    bytesRead = 0;
    static const char* const cannotList =
        "We were unable to scan the directory \"%s\"!\r\n\r\nPlease click Back and select a different directory and "
        "try again.";
    // A pattern that does not fit is refused like a folder that cannot be
    // listed.
    char pattern[sizeof directory];
    if (InstallFolderPattern(directory, pattern, sizeof pattern) != 0)
        return fail(cannotList, directory);
    dirList = InstallFolderList(memoryManager, pattern);
    if (dirList == nullptr)
        return fail(cannotList, directory);
    file.init(memoryManager);
    content.init(memoryManager, ContentGranularity);
    entry = dirList->first;
    entriesTotal = dirList->count;
    readAhead.reset();
    currentStep = NextEntry;
    return false;
}

bool PatchJob::doNextEntry() {
    if (entry == nullptr) {
        currentStep = Complete;
        return false;
    }
    ++filesVisited;
    int32_t flag = 0;
    if (InstallFolderKindOf(*entry, &flag)) {
        binaryKind = flag;
        currentStep = OpenSource;
    } else {
        moveToNextEntry();
    }
    return false;
}

bool PatchJob::doOpenSource() {
    readAhead.opening(*entry);
    if (file.open(entry->name, OpenRead | OpenShared) != 0)
        return fail("Unable to open file \"%s\" for reading!", entry->name);
    content.reset();
    if (file.size > LargestFile)
        return fail("File \"%s\" too large to load/scan!", entry->name);
    finder.prepare(oldstring);
    // A convert run holds the whole file; a scan run only counts, and holds
    // the bytes not yet decided plus one piece, read to an aligned place.
    const int64_t needed = convert != 0 ? file.size : finder.needleLength + pieceSize() + PatchPieceAlignment;
    if (!contentFits(needed)) {
        // The old bytes are not wanted: let go of them before sizing, so that
        // they are neither copied nor held twice.
        content.setCapacity(0);
        if (content.reserve(static_cast<int32_t>(needed)) != 0)
            return fail("An error occurred attempting to setup memory buffer for file \"%s\"!", entry->name);
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
        return fail("An error occurred attempting to spool file \"%s\" to memory!", entry->name);
    if (file.read(room, count) != 0) {
        content.truncate(content.length - count);
        return fail("An error occurred attempting to read in file \"%s\"!", entry->name);
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
            result = PatchScanContent(&content, &cursor, finder, newstring, convert, binaryKind, &fileMatches);
        }
        if (before == 0 && fileMatches > 0)
            ++filesMatched;
        if (result != 0)
            return fail("An error occurred modify file \"%s\"!", entry->name);
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

bool PatchJob::doOpenTarget() {
    static const char* const cannotOpen = "Unable to open file \"%s\" for writing!";
    const char* suffix = saveAsNew != 0 ? NewSuffix : "";
    char name[TargetNameSize];
    if (ZephStrLength(entry->name) + ZephStrLength(suffix) >= TargetNameSize)
        return fail(cannotOpen, entry->name, suffix); // never opened under a cut, other name
    ZephStrCopy(name, entry->name, sizeof name);
    ZephStrAppend(name, suffix, sizeof name);
    if (target.begin(name) != 0)
        return fail(cannotOpen, name);
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
        return fail("An error occurred attempting to write to file \"%s\"!", entry->name);
    writePos += count;
    return false;
}

bool PatchJob::doEndWrite() {
    // The new content is complete: it waits with the others sealed and takes
    // the file's place with them. Whatever fails, the file is as it was and
    // the run reports the write as failed.
    if (target.seal() != 0)
        return fail("An error occurred attempting to write to file \"%s\"!", entry->name);
    sealed[sealedCount++].takeOver(target);
    if (sealedCount == PatchSealedFiles) {
        char failed[TargetNameSize];
        if (!commitSealed(failed, sizeof failed))
            return fail("An error occurred attempting to write to file \"%s\"!", failed);
    }
    moveToNextEntry();
    currentStep = NextEntry;
    return false;
}
