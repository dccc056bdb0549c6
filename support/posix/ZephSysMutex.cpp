// posix/ZephSysMutex.cpp - recursive, robust pthread mutex. POSIX only.
#include "ZephSysMutex.h"

#include <cerrno>
#include <cstdlib>
#include <pthread.h>
#include <time.h>

namespace {
pthread_mutex_t* fromHandle(int64_t handle) {
    return reinterpret_cast<pthread_mutex_t*>(static_cast<intptr_t>(handle));
}
} // namespace

int64_t ZephSysMutexCreate() {
    // Allocated from the C heap: the memory manager itself sits on this mutex.
    auto* mutex = static_cast<pthread_mutex_t*>(std::malloc(sizeof(pthread_mutex_t)));
    if (mutex == nullptr)
        return 0;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    // Robust, so a thread or process that died holding it is reported to the
    // next waiter (EOWNERDEAD) instead of blocking it for ever.
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    int rc = pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (rc != 0) {
        std::free(mutex);
        return 0;
    }
    return static_cast<int64_t>(reinterpret_cast<intptr_t>(mutex));
}

ZephWaitResult ZephSysMutexWait(int64_t handle, int32_t timeoutMs) {
    pthread_mutex_t* mutex = fromHandle(handle);
    int rc;
    if (timeoutMs < 0) {
        rc = pthread_mutex_lock(mutex);
    } else if (timeoutMs == 0) {
        rc = pthread_mutex_trylock(mutex);
    } else {
        timespec deadline{};
        // A monotonic deadline, so a change of the wall clock cannot stretch
        // or cut the time-out.
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += timeoutMs / 1000;
        deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        rc = pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, &deadline);
    }
    switch (rc) {
    case 0: return ZephWaitAcquired;
    case EOWNERDEAD:
        // We hold it now; mark it usable again, as Win32 does for an abandoned mutex.
        pthread_mutex_consistent(mutex);
        return ZephWaitAbandoned;
    case EBUSY:
    case ETIMEDOUT: return ZephWaitTimeout;
    default: return ZephWaitFailed;
    }
}

int ZephSysMutexRelease(int64_t handle) { return pthread_mutex_unlock(fromHandle(handle)) == 0 ? 0 : -1; }

void ZephSysMutexClose(int64_t handle) {
    pthread_mutex_t* mutex = fromHandle(handle);
    pthread_mutex_destroy(mutex);
    std::free(mutex);
}
