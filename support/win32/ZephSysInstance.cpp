// win32/ZephSysInstance.cpp - instance slots as named semaphores with a single
// count. The system removes a semaphore when its last handle closes, also the
// handles of a process that was ended, so a number is free again as soon as
// its holder is gone. Windows only.
#include "ZephSysInstance.h"

#include <windows.h>

namespace {
HANDLE fromHandle(int64_t handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }
} // namespace

int64_t ZephSysInstanceOpen(const char* name) {
    HANDLE semaphore = CreateSemaphoreA(nullptr, 1, 1, name);
    return semaphore == nullptr ? 0 : static_cast<int64_t>(reinterpret_cast<intptr_t>(semaphore));
}

ZephWaitResult ZephSysInstanceTryTake(int64_t handle) {
    switch (WaitForSingleObject(fromHandle(handle), 0)) {
    case WAIT_OBJECT_0: return ZephWaitAcquired;
    case WAIT_TIMEOUT: return ZephWaitTimeout;
    default: return ZephWaitFailed;
    }
}

void ZephSysInstanceGiveBack(int64_t handle) {
    ReleaseSemaphore(fromHandle(handle), 1, nullptr);
    CloseHandle(fromHandle(handle));
}

void ZephSysInstanceClose(int64_t handle) { CloseHandle(fromHandle(handle)); }
