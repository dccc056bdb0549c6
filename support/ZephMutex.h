// ZephMutex.h - the support library's only lock: recursive, timed, and
// remembering the longest wait that a successful lock took.
#ifndef QUORVEL_SUPPORT_ZEPHMUTEX_H
#define QUORVEL_SUPPORT_ZEPHMUTEX_H

#include <cstdint>

struct ZephMemManager;

// A zeroed record has no mutex: lock and unlock then fail with -1 and owners
// that ignore that run unlocked. Each successful lock adds exactly one level
// of ownership and each unlock removes one; other threads get the mutex once
// every level is released.
struct ZephMutex {
    int64_t handle = 0;       // platform mutex, 0 = none
    uint32_t longestWait = 0; // ms, longest wait of a successful lock since create

    // Replaces any mutex held with a fresh one and resets longestWait.
    // Returns 0, or -1 when the platform cannot create one (handle stays 0).
    int create();
    // timeoutMs -1 waits for ever. An abandoned mutex (its owner ended while
    // holding it) is taken over; at most 11 waits are made in all.
    // Returns 0 when held, -1 on time-out or failure.
    int lock(int32_t timeoutMs);
    // Returns 0, or -1 with no mutex or when the release fails.
    int unlock();
    // Closes the platform mutex if there is one; handle becomes 0.
    void close();

    // A created mutex in a block of its own, named "ZephMutex", from
    // manager. Returns none when manager is none (a mutex always comes from a
    // real manager) or when the block or the mutex cannot be made.
    static ZephMutex* newMutex(ZephMemManager* manager);
    // Closes and frees a mutex from newMutex and sets the owner's pointer to
    // none. Does nothing when either pointer is none.
    static void deleteMutex(ZephMutex** mutex);
};

#endif
