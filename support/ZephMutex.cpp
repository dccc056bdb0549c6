// ZephMutex.cpp - portable part of the mutex: retries and wait statistics.
#include "ZephMutex.h"

#include "ZephSysMutex.h"
#include "ZephTick.h"

namespace {
constexpr int kMaxWaits = 11; // the first wait plus ten retries after abandonment
}

int ZephMutex::create() {
    if (handle != 0)
        close();
    handle = ZephSysMutexCreate();
    if (handle == 0)
        return -1;
    longestWait = 0;
    return 0;
}

int ZephMutex::lock(int32_t timeoutMs) {
    if (handle == 0)
        return -1;
    uint32_t start = ZephTickCount();
    ZephWaitResult result = ZephWaitFailed;
    int levelsHeld = 0; // every acquired or abandoned wait grants one level
    for (int wait = 0; wait < kMaxWaits; ++wait) {
        result = ZephSysMutexWait(handle, timeoutMs);
        if (result == ZephWaitAcquired || result == ZephWaitAbandoned)
            ++levelsHeld;
        if (result != ZephWaitAbandoned)
            break;
    }
    if (result != ZephWaitAcquired) {
        while (levelsHeld-- > 0)
            ZephSysMutexRelease(handle);
        return -1;
    }
    // A successful lock adds exactly one level, retries included.
    while (levelsHeld-- > 1)
        ZephSysMutexRelease(handle);
    uint32_t waited = ZephTickCount() - start;
    if (waited > longestWait)
        longestWait = waited;
    return 0;
}

int ZephMutex::unlock() {
    if (handle == 0)
        return -1;
    return ZephSysMutexRelease(handle);
}

void ZephMutex::close() {
    if (handle != 0)
        ZephSysMutexClose(handle);
    handle = 0;
}
