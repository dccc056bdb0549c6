// win32/ZephSysMemory.cpp - pool chunks from VirtualAlloc. Windows only.
#include "ZephSysMemory.h"

#include <windows.h>

void* ZephSysMemoryReserve(int32_t bytes) {
    if (bytes < 1)
        return nullptr;
    SIZE_T length = static_cast<SIZE_T>(bytes);
    // Reserve, then commit the whole range; PAGE_READWRITE so that nothing
    // written into a chunk can ever be executed.
    void* reserved = VirtualAlloc(nullptr, length, MEM_RESERVE, PAGE_READWRITE);
    if (reserved == nullptr)
        return nullptr;
    void* committed = VirtualAlloc(reserved, length, MEM_COMMIT, PAGE_READWRITE);
    if (committed == nullptr) {
        VirtualFree(reserved, 0, MEM_RELEASE);
        return nullptr;
    }
    return committed;
}
