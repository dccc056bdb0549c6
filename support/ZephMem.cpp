// ZephMem.cpp - guarded memory manager. (Heap path only for now; the pool,
// hooks and watchers follow.)
#include "ZephMem.h"

#include "ZephStr.h"
#include "ZephTick.h"

#include <cstdlib>
#include <cstring>

ZephMemManager::ZephMemManager(const char* name, uint32_t options, int32_t chunkSize, int32_t maxChunks,
                               ZephMetricManager* metricManager) {
    mutex.handle = 0;
    init(name, options, chunkSize, maxChunks, metricManager);
}

ZephMemManager::~ZephMemManager() { mutex.close(); }

void ZephMemManager::init(const char* newName, uint32_t newOptions, int32_t newChunkSize, int32_t newMaxChunks,
                          ZephMetricManager* newMetricManager) {
    mutex.close();
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    ZephStrCopy(name, newName, sizeof name);
    options = newOptions;
    chunkSize = newChunkSize < ZephMemMinChunkSize ? ZephMemMinChunkSize : newChunkSize;
    maxChunks = newMaxChunks;
    mutex.create();
    metricManager = newMetricManager;
}

void* ZephMemAlloc(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name) {
    if (name == nullptr)
        name = "";
    if (size < 0)
        size = 0;
    int32_t nameLength = ZephStrLength(name);
    bool locked = manager != nullptr && (manager->options & LockMutex) != 0;
    if (locked)
        manager->mutex.lock(-1);
    uint32_t start = ZephTickCount();
    size_t total = static_cast<size_t>(size) + static_cast<size_t>(nameLength) + ZephMemBlockOverhead;
    auto* block = static_cast<ZephMemBlock*>(std::malloc(total));
    if (block == nullptr) {
        if (locked)
            manager->mutex.unlock();
        return nullptr;
    }
    std::memset(block, 0, sizeof *block);
    char* base = reinterpret_cast<char*>(block);
    char* user = base + ZephMemUserOffset;
    block->manager = manager;
    block->size = size;
    block->capacity = zephMemRoundUp(size + nameLength + 9, ZephMemAlignment);
    uint32_t guard = ZephMemGuardWord;
    std::memcpy(base + ZephMemHeaderSize, &guard, 4);
    std::memcpy(user + size, &guard, 4);
    block->name = user + size + 4;
    std::memcpy(block->name, name, static_cast<size_t>(nameLength) + 1);
    if (manager != nullptr) {
        if (++manager->serialCounter == 0)
            manager->serialCounter = 1;
        block->serial = manager->serialCounter;
        block->listPrevious = manager->heapTail;
        if (manager->heapTail != nullptr)
            manager->heapTail->listNext = block;
        else
            manager->heapHead = block;
        manager->heapTail = block;
        ++manager->heapCount;
        manager->heapBytes += size;
        if (manager->heapBytes > manager->heapBytesPeak)
            manager->heapBytesPeak = manager->heapBytes;
        manager->totalBytes += size;
        if (manager->totalBytes > manager->totalBytesPeak)
            manager->totalBytesPeak = manager->totalBytes;
    }
    block->allocationTick = start;
    if (locked)
        manager->mutex.unlock();
    if (flags & ZeroFill)
        std::memset(user, 0, static_cast<size_t>(size));
    return user;
}

void ZephMemFree(void* pointer) {
    if (pointer == nullptr)
        return;
    ZephMemBlock* block = ZephMemBlockOf(pointer);
    ZephMemManager* manager = block->manager;
    bool locked = manager != nullptr && (manager->options & LockMutex) != 0;
    if (locked)
        manager->mutex.lock(-1);
    if (manager != nullptr) {
        manager->heapBytes -= block->size;
        manager->totalBytes -= block->size;
        if (block->listPrevious != nullptr)
            block->listPrevious->listNext = block->listNext;
        else
            manager->heapHead = block->listNext;
        if (block->listNext != nullptr)
            block->listNext->listPrevious = block->listPrevious;
        else
            manager->heapTail = block->listPrevious;
        --manager->heapCount;
    }
    std::free(block);
    if (locked)
        manager->mutex.unlock();
}

// Built right after the application state (same translation-unit order rules
// apply: see the start-up notes in app/).
ZephMemManager ZephMemManagerGlobal("ZephMemManagerGlobal", LockMutex, 0, 0, nullptr);
