// CliRun.cpp - the job's runs, start to end, for the quorvel tool.
#include "CliRun.h"

void CliRunJob(PatchJob* job, CliRunObserver* observer) {
    if (job == nullptr)
        return;
    CliRunObserver quiet;
    if (observer == nullptr)
        observer = &quiet;
    job->start();
    PatchProgress told = job->progress();
    while (job->status == Running) {
        job->step(0);
        const PatchProgress now = job->progress();
        if (now.entriesDone != told.entriesDone || now.bytesRead != told.bytesRead) {
            told = now;
            observer->progress(now);
        }
        // Asked after every action, writing ones too, so that a request to
        // end is honoured within one piece. stop() abandons a half-written
        // file; the ones before it stay.
        if (job->status == Running && observer->stopRequested()) {
            job->stop(Failed);
            job->setMessage(CliStoppedMessage);
        }
    }
}
