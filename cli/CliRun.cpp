// CliRun.cpp - the job's runs, start to end, for the quorvel tool.
#include "CliRun.h"

#include "InstallFolder.h"
#include "PatchJob.h"
#include "PatchSearch.h"
#include "ZephBuf.h"
#include "ZephDirList.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephSysFile.h"

namespace {

// The job refuses files above this size; so must the fast scan.
constexpr int64_t LargestFile = 2147483647;

// A file is read this much at a time: few calls for a large file, and the
// progress line moves during it. Bytes are only ever read, never viewed: a
// file cut short by someone else while viewed would kill the tool.
constexpr int32_t PieceSize = int32_t{1} << 20;

// The wizard's slice.
constexpr int32_t SliceMs = 100;

CliRunObserver quietObserver;

// Bytes of the files a running job has read: those of the known-kind
// files it has passed, and of the current one so far. Entries are only
// touched while the run holds its listing.
class ReadTally {
public:
    int64_t update(const PatchJob& job) {
        if (job.status != Running || job.dirList == nullptr)
            return total_;
        if (job.dirList != list_) {
            list_ = job.dirList;
            next_ = list_->first;
            passed_ = 0;
        }
        while (next_ != nullptr && next_ != job.entry) {
            if (isScanned(*next_))
                passed_ += next_->size;
            next_ = next_->next;
        }
        int64_t current = 0;
        if (job.entry != nullptr && job.file.isOpen())
            current = job.file.position;
        else if (job.entry != nullptr && job.currentStep > EndRead)
            current = job.entry->size;
        total_ = passed_ + current;
        return total_;
    }

private:
    static bool isScanned(const ZephDirEntry& entry) {
        return InstallFolderKindOf(entry, nullptr) != 0;
    }

    const ZephDirList* list_ = nullptr;
    const ZephDirEntry* next_ = nullptr;
    int64_t passed_ = 0;
    int64_t total_ = 0;
};

void stopAsAsked(PatchJob* job) {
    job->stop(Failed);
    job->setMessage(CliStoppedMessage);
}

void stepToEnd(PatchJob* job, CliRunObserver* observer) {
    ReadTally tally;
    while (job->status == Running) {
        // stop() abandons a half-written file; the ones before it stay.
        if (observer->stopRequested()) {
            stopAsAsked(job);
            break;
        }
        job->step(SliceMs);
        int32_t total = job->dirList != nullptr ? job->dirList->count : job->filesVisited;
        observer->progress(job->filesVisited, total, tally.update(*job));
    }
}

// What the fast way makes of one file.
enum class FileVerdict { Clean, Holds, Unsure, Stopped };

// content holds the file's undecided bytes and one piece (the scan run's own
// way, PatchMakeRoomForPiece and PatchScanPiece), and is kept from file to
// file.
FileVerdict searchFile(const char* path, const PatchFinder& finder, ZephBuf* content, int32_t entriesDone,
                       int32_t entriesTotal, int64_t* bytesRead, CliRunObserver* observer) {
    // Opened as the job opens its sources: for reading, shared.
    int64_t handle = ZephSysFileNone;
    if (ZephSysFiles.open(path, ZephSysOpenRead | ZephSysOpenShared, &handle) != ZephErrNone)
        return FileVerdict::Unsure;
    // The job reads the length it found on opening, no more; so does this.
    int64_t size = 0;
    int64_t start = 0;
    if (ZephSysFiles.seek(handle, 0, ZephSysSeekEnd, &size) != ZephErrNone || size > LargestFile ||
        ZephSysFiles.seek(handle, 0, ZephSysSeekBegin, &start) != ZephErrNone || start != 0) {
        ZephSysFiles.close(handle);
        return FileVerdict::Unsure;
    }

    content->reset();
    int32_t scannedTo = 0;
    int32_t matches = 0;
    FileVerdict verdict = FileVerdict::Clean;
    for (int64_t position = 0; position < size;) {
        const int32_t count = size - position < PieceSize ? static_cast<int32_t>(size - position) : PieceSize;
        PatchMakeRoomForPiece(content, &scannedTo, count);
        char* piece = content->claim(count);
        int64_t done = 0;
        // A failed read, or a file cut short since it was opened (the job
        // would fail on it): the job looks at the directory again itself.
        if (piece == nullptr || ZephSysFiles.read(handle, piece, count, &done) != ZephErrNone || done != count) {
            verdict = FileVerdict::Unsure;
            break;
        }
        position += count;
        *bytesRead += count;
        // The first occurrence settles the file; the rest need not be read.
        PatchScanPiece(finder, *content, &scannedTo, &matches, 1);
        if (matches > 0) {
            verdict = FileVerdict::Holds;
            break;
        }
        observer->progress(entriesDone, entriesTotal, *bytesRead);
        if (observer->stopRequested()) {
            verdict = FileVerdict::Stopped;
            break;
        }
    }
    ZephSysFiles.close(handle);
    return verdict;
}

// The scan run the fast way. False when it met something the job must
// handle itself; the job is then left Running and untouched. A stop asked
// for ends the run here.
bool scanFast(PatchJob* job, CliRunObserver* observer) {
    // The job's own pattern rule: a directory that leaves no room is refused.
    char pattern[sizeof job->directory];
    if (InstallFolderPattern(job->directory, pattern, sizeof pattern) != 0)
        return false;
    ZephDirList* list = InstallFolderList(job->memoryManager, pattern);
    if (list == nullptr)
        return false;

    PatchFinder finder;
    finder.prepare(job->oldstring);
    // One block for the whole run, from the job's memory manager.
    ZephBuf content;
    content.init(job->memoryManager, 4096);
    if (content.setCapacity(finder.needleLength + PieceSize + PatchPieceAlignment) != 0) {
        ZephDirList::destroy(&list);
        return false;
    }
    int32_t visited = 0;
    int32_t matched = 0;
    int64_t bytesRead = 0;
    bool sure = true;
    bool stopped = false;
    for (const ZephDirEntry* entry = list->first; entry != nullptr && sure && !stopped; entry = entry->next) {
        ++visited;
        // Passed over exactly as the job passes them over.
        if (InstallFolderKindOf(*entry, nullptr) == 0)
            continue;
        switch (searchFile(entry->name, finder, &content, visited - 1, list->count, &bytesRead, observer)) {
        case FileVerdict::Holds: ++matched; break;
        case FileVerdict::Clean: break;
        case FileVerdict::Unsure: sure = false; break;
        case FileVerdict::Stopped: stopped = true; break;
        }
        observer->progress(visited, list->count, bytesRead);
        stopped = stopped || observer->stopRequested();
    }
    const int32_t total = list->count;
    ZephDirList::destroy(&list);
    if (stopped) {
        stopAsAsked(job);
        job->filesVisited = visited;
        job->filesMatched = matched;
        return true;
    }
    if (!sure)
        return false;
    observer->progress(total, total, bytesRead);
    job->stop(Finished);
    job->filesVisited = visited;
    job->filesMatched = matched;
    return true;
}

} // namespace

void CliScanRun(PatchJob* job, CliRunObserver* observer) {
    if (job == nullptr)
        return;
    if (observer == nullptr)
        observer = &quietObserver;
    // start() checks the fields in the job's order and words its refusals.
    job->convert = 0;
    job->start();
    if (job->status != Running)
        return;
    if (scanFast(job, observer))
        return;
    job->start();
    stepToEnd(job, observer);
}

void CliStepRun(PatchJob* job, CliRunObserver* observer) {
    if (job == nullptr)
        return;
    job->start();
    stepToEnd(job, observer != nullptr ? observer : &quietObserver);
}
