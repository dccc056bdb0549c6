// ZephFolder.cpp - a folder's handle and its run lock.
#include "ZephFolder.h"

#include "ZephSysError.h"
#include "ZephTick.h"

int ZephFolder::open(const char* path, int32_t lockWaitMs) {
    close();
    failure = ZephFailure{};
    ZephError opened = ZephSysFiles.openFolder(path, &handle);
    if (opened != ZephErrNone) {
        failure = ZephFailure{opened, ZephSysLastError()};
        handle = ZephSysFileNone;
        return -1;
    }
    if (lockWaitMs < 0)
        return 0;
    const uint32_t started = ZephTickCount();
    for (;;) {
        ZephError taken = ZephSysFiles.lockFolder(handle);
        if (taken == ZephErrNone) {
            locked = true;
            return 0;
        }
        if (taken != ZephErrBusy || ZephTickSince(started) >= static_cast<uint32_t>(lockWaitMs)) {
            failure = ZephFailure{taken, ZephSysLastError()};
            close();
            return -1;
        }
        ZephSleep(ZephFolderLockRetryMs);
    }
}

void ZephFolder::close() {
    if (handle != ZephSysFileNone)
        ZephSysFiles.closeFolder(handle);
    handle = ZephSysFileNone;
    locked = false;
}
