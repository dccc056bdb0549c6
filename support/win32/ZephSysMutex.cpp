// win32/ZephSysMutex.cpp - Win32 mutex objects (recursive by nature). Windows only.
#include "ZephSysMutex.h"

#include <windows.h>

namespace {
HANDLE fromHandle(int64_t handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }
} // namespace

int64_t ZephSysMutexCreate() {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, nullptr);
    return mutex == nullptr ? 0 : static_cast<int64_t>(reinterpret_cast<intptr_t>(mutex));
}

ZephWaitResult ZephSysMutexWait(int64_t handle, int32_t timeoutMs) {
    DWORD timeout = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    switch (WaitForSingleObject(fromHandle(handle), timeout)) {
    case WAIT_OBJECT_0: return ZephWaitAcquired;
    case WAIT_ABANDONED: return ZephWaitAbandoned;
    case WAIT_TIMEOUT: return ZephWaitTimeout;
    default: return ZephWaitFailed;
    }
}

int ZephSysMutexRelease(int64_t handle) { return ReleaseMutex(fromHandle(handle)) ? 0 : -1; }

void ZephSysMutexClose(int64_t handle) { CloseHandle(fromHandle(handle)); }
