// ZephSysMutex.h - platform layer: recursive mutex primitives for ZephMutex.
#ifndef QUORVEL_SUPPORT_ZEPHSYSMUTEX_H
#define QUORVEL_SUPPORT_ZEPHSYSMUTEX_H

#include <cstdint>

enum ZephWaitResult {
    ZephWaitAcquired,  // the caller now holds one more level of the mutex
    ZephWaitAbandoned, // the previous owner ended while holding it; the caller now holds it
    ZephWaitTimeout,
    ZephWaitFailed
};

// A new unnamed, unowned, recursive mutex; 0 when the platform cannot make one.
int64_t ZephSysMutexCreate();
// Waits up to timeoutMs milliseconds (-1: for ever, 0: just try).
ZephWaitResult ZephSysMutexWait(int64_t handle, int32_t timeoutMs);
// Releases one level; 0 or -1.
int ZephSysMutexRelease(int64_t handle);
void ZephSysMutexClose(int64_t handle);

#endif
