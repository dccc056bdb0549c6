// ZephSysInstance.h - platform layer: the system-wide slots behind ZephInstance.
#ifndef QUORVEL_SUPPORT_ZEPHSYSINSTANCE_H
#define QUORVEL_SUPPORT_ZEPHSYSINSTANCE_H

#include "ZephSysMutex.h"

#include <cstdint>

// A slot is a named object that at most one holder can take at a time and
// that becomes free when its holder gives it back or ends in any way, killed
// included. Win32: a named semaphore with a single count. POSIX: a lock file
// held with an advisory lock (see posix/ZephSysInstance.cpp for where).

// Creates the slot called name, or opens it when it exists. 0 when it cannot
// be made (a name the platform refuses, no folder for it, no handles left).
int64_t ZephSysInstanceOpen(const char* name);
// Tries to take the slot without waiting: ZephWaitAcquired when it is now
// ours, ZephWaitTimeout when another holder has it, ZephWaitFailed otherwise.
ZephWaitResult ZephSysInstanceTryTake(int64_t handle);
// Gives a taken slot back and closes the handle.
void ZephSysInstanceGiveBack(int64_t handle);
// Closes a handle whose slot was not taken.
void ZephSysInstanceClose(int64_t handle);

#endif
