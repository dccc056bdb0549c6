// PatchJobRun.cpp - the patch job over a directory from the command line,
// for bench/scan_vs_tools.sh (which times whole processes, so this program
// does no timing of its own).
//
//   PatchJobRun scan DIR       scan run, one call with a negative budget;
//                              prints "visited V matched M"
//   PatchJobRun convert DIR    convert run, the same way
//   PatchJobRun list DIR       scan run one action per call; prints the
//                              path of every file that holds the old string
//   PatchJobRun floor FILE...  only reads each file in 4096-byte pieces
//                              through the platform layer: the least any
//                              scan of this design can cost
//
// The strings are the wizard's unless QV_OLD / QV_NEW are set; QV_PROBE
// (0 scalar, 1 SSE2, 2 AVX2, 3 AVX-512) limits the search's probe width.
#include "PatchJob.h"
#include "PatchSearch.h"
#include "WizardStrings.h"
#include "ZephDirList.h"
#include "ZephMem.h"
#include "ZephSysFile.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* stringFrom(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != 0 ? value : fallback;
}

int runJob(const char* directory, int32_t convert, bool listMatches) {
    static PatchJob job;
    job.init(&ZephMemManagerGlobal);
    job.setDirectory(directory);
    job.setOldString(stringFrom("QV_OLD", legacyServerAddress));
    job.setNewString(stringFrom("QV_NEW", serviceHostName));
    job.convert = convert;
    job.start();
    if (!listMatches) {
        job.step(-1);
    } else {
        int32_t seen = 0;
        while (job.status == Running) {
            job.step(0);
            if (job.filesMatched > seen && job.entry != nullptr)
                std::printf("%s\n", job.entry->name);
            seen = job.filesMatched;
        }
    }
    if (job.status != Finished) {
        std::fprintf(stderr, "run failed: %s\n", job.message);
        return 1;
    }
    if (!listMatches)
        std::printf("visited %d matched %d\n", job.filesVisited, job.filesMatched);
    job.clear();
    return 0;
}

int readOnly(int count, char** files) {
    static char piece[PatchChunkSize];
    long long total = 0;
    for (int i = 0; i < count; ++i) {
        int64_t handle = ZephSysFileNone;
        if (ZephSysFiles.open(files[i], ZephSysOpenRead | ZephSysOpenShared, &handle) != ZephErrNone) {
            std::fprintf(stderr, "cannot open %s\n", files[i]);
            return 1;
        }
        for (;;) {
            int64_t done = 0;
            if (ZephSysFiles.read(handle, piece, sizeof piece, &done) != ZephErrNone || done == 0)
                break;
            total += done;
        }
        ZephSysFiles.close(handle);
    }
    std::printf("read %lld bytes\n", total);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (const char* probe = std::getenv("QV_PROBE"); probe != nullptr && *probe != 0)
        PatchFinderLimitProbe(std::atoi(probe));
    if (argc >= 3 && std::strcmp(argv[1], "scan") == 0)
        return runJob(argv[2], 0, false);
    if (argc >= 3 && std::strcmp(argv[1], "convert") == 0)
        return runJob(argv[2], 1, false);
    if (argc >= 3 && std::strcmp(argv[1], "list") == 0)
        return runJob(argv[2], 0, true);
    if (argc >= 2 && std::strcmp(argv[1], "floor") == 0)
        return readOnly(argc - 2, argv + 2);
    std::fprintf(stderr, "usage: %s scan|convert|list DIR | floor FILE...\n", argv[0]);
    return 2;
}
