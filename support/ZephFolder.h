// ZephFolder.h - a folder opened for a run: the handle that its files are
// opened, replaced and removed relative to, so that a name is never taken
// for a path again after the folder was chosen, and the run lock that keeps
// two runs from working on one folder at once.
#ifndef QUORVEL_SUPPORT_ZEPHFOLDER_H
#define QUORVEL_SUPPORT_ZEPHFOLDER_H

#include "ZephError.h"
#include "ZephSysFile.h"

#include <cstdint>

// How often a busy lock is tried again while waiting for it.
inline constexpr int32_t ZephFolderLockRetryMs = 20;

// Closed (handle none) or open; locked only while open. The handle and the
// lock are released by close and by destruction.
struct ZephFolder {
    int64_t handle = ZephSysFileNone;
    bool locked = false;
    ZephFailure failure; // why the last -1 happened

    ZephFolder() = default;
    ~ZephFolder() { close(); }
    ZephFolder(const ZephFolder&) = delete;
    ZephFolder& operator=(const ZephFolder&) = delete;

    // Opens the folder at path, closing what was open. With lockWaitMs of 0
    // or more it also takes the run lock, trying again for up to lockWaitMs
    // milliseconds while another run holds it (then ZephErrBusy). -1 with
    // failure set and nothing open.
    int open(const char* path, int32_t lockWaitMs);
    // Releases the lock and the handle. Cannot fail; safe when closed.
    void close();
    bool isOpen() const { return handle != ZephSysFileNone; }
};

#endif
