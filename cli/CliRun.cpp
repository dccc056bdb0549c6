// CliRun.cpp - the job's runs, start to end, for the quorvel tool.
#include "CliRun.h"

#include "InstallFolder.h"
#include "ZephDirList.h"

namespace {

// The files of the five kinds in the listing, and their sizes.
void countFiles(const PatchJob& job, CliRunProgress* progress) {
    for (const ZephDirEntry* entry = job.dirList != nullptr ? job.dirList->first : nullptr; entry != nullptr;
         entry = entry->next) {
        if (InstallFolderKindOf(*entry, nullptr)) {
            ++progress->filesTotal;
            progress->bytesTotal += entry->size;
        }
    }
}

} // namespace

void CliRunJob(PatchJob* job, CliRunObserver* observer) {
    if (job == nullptr)
        return;
    CliRunObserver quiet;
    if (observer == nullptr)
        observer = &quiet;
    job->start();
    CliRunProgress now;
    int64_t bytesDecided = 0; // the sizes of the files decided
    int64_t readBefore = 0;   // bytesRead when the current file began
    PatchProgress told = job->progress();
    while (job->status == Running) {
        const int32_t before = job->currentStep;
        const ZephDirEntry* entry = job->entry;
        const int32_t binary = job->binaryKind;
        const int32_t linksBefore = job->linksPassedOver;
        const int32_t specialBefore = job->specialPassedOver;
        job->step(0);
        if (before == ListDirectory && job->status == Running)
            countFiles(*job, &now);
        // A file is decided when the run leaves it: after its scan when it is
        // not rewritten, after its new content is sealed when it is. The
        // listing, and so the entry, lives while the run goes on.
        const bool leftScan = before == ScanContent && job->currentStep == NextEntry;
        const bool leftWrite = before == EndWrite;
        if ((leftScan || leftWrite) && job->status == Running && entry != nullptr) {
            ++now.filesDone;
            bytesDecided += entry->size;
            readBefore = job->bytesRead;
            observer->fileDecided({entry->name, binary, job->fileMatches, leftWrite});
        }
        // A link or special file of a known kind, passed over by the listing
        // or, listed as a file (links under Wine), when it was opened.
        const bool linkPassed = job->linksPassedOver != linksBefore;
        if ((linkPassed || job->specialPassedOver != specialBefore) && job->status == Running && entry != nullptr) {
            if (before == OpenSource) {
                ++now.filesDone; // counted among the files to do
                bytesDecided += entry->size;
                readBefore = job->bytesRead;
            }
            int32_t kindBinary = 0;
            FileKindLookup(entry->name, &kindBinary);
            CliFileDecision skipped{entry->name, kindBinary, 0, false};
            skipped.passedOver = linkPassed ? InstallFolderSkippedLink : InstallFolderSkippedSpecial;
            observer->fileDecided(skipped);
        }
        const PatchProgress current = job->progress();
        if (current.entriesDone != told.entriesDone || current.bytesRead != told.bytesRead || leftScan || leftWrite) {
            told = current;
            now.bytesDone = bytesDecided + (current.bytesRead - readBefore);
            if (now.bytesDone > now.bytesTotal)
                now.bytesDone = now.bytesTotal;
            observer->progress(now);
        }
        // Asked after every action, writing ones too. stop() abandons a
        // half-written file; the ones before it stay.
        if (job->status == Running && observer->stopRequested()) {
            job->stop(Failed);
            job->setMessage(CliStoppedMessage);
        }
    }
}
