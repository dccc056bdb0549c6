// ZephMutexAlloc.cpp - mutexes that live in a memory manager's block of
// their own. Kept apart from ZephMutex.cpp, which the memory manager itself
// sits on.
#include "ZephMem.h"
#include "ZephMutex.h"

#include <new>

ZephMutex* ZephMutex::newMutex(ZephMemManager* manager) {
    if (manager == nullptr)
        return nullptr;
    void* block = ZephMemAlloc(manager, static_cast<int32_t>(sizeof(ZephMutex)), ZeroFill, "ZephMutex");
    if (block == nullptr)
        return nullptr;
    auto* mutex = new (block) ZephMutex();
    if (mutex->create() != 0) {
        ZephMemFree(block);
        return nullptr;
    }
    return mutex;
}

void ZephMutex::deleteMutex(ZephMutex** mutex) {
    if (mutex == nullptr || *mutex == nullptr)
        return;
    (*mutex)->close();
    ZephMemFree(*mutex);
    *mutex = nullptr;
}
