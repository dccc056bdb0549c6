// ZephMem.cpp - guarded memory manager: heap blocks, pool chunks with first
// fit, split and merge, hooks and watchers, counters, and the checker that
// walks every block.
#include "ZephMem.h"

#include "ZephMemReport.h"
#include "ZephStr.h"
#include "ZephSysMemory.h"
#include "ZephTick.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

ZephMemMetricFeed metricFeed = nullptr;

bool feedsMetrics(const ZephMemManager* manager) {
    return (manager->options & ReportMetrics) != 0 && manager->metricManager != nullptr && metricFeed != nullptr;
}

bool lockManager(ZephMemManager* manager) {
    if (manager == nullptr || (manager->options & LockMutex) == 0)
        return false;
    manager->mutex.lock(-1);
    return true;
}

void unlockManager(ZephMemManager* manager, bool locked) {
    if (locked)
        manager->mutex.unlock();
}

char* bytesOf(ZephMemBlock* block) { return reinterpret_cast<char*>(block); }
char* userOf(ZephMemBlock* block) { return bytesOf(block) + ZephMemUserOffset; }
ZephMemBlock* blockAt(char* bytes) { return reinterpret_cast<ZephMemBlock*>(bytes); }
// The first byte past the block: where its physical successor begins.
char* endOf(ZephMemBlock* block) { return bytesOf(block) + ZephMemHeaderSize + block->capacity; }

// A serial is never 0 (0 marks free and untracked blocks): after the largest
// value the counter passes 0 and goes on at 1.
uint32_t nextSerial(ZephMemManager* manager) {
    if (++manager->serialCounter == 0)
        manager->serialCounter = 1;
    return manager->serialCounter;
}

// The byte counters are 32-bit signed as laid out; add and subtract with
// wrap-around so that huge live totals never trap.
void raiseCounter(int32_t& counter, int32_t& peak, int32_t amount) {
    counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + static_cast<uint32_t>(amount));
    if (counter > peak)
        peak = counter;
}

void lowerCounter(int32_t& counter, int32_t amount) {
    counter = static_cast<int32_t>(static_cast<uint32_t>(counter) - static_cast<uint32_t>(amount));
}

void storeGuard(char* at) {
    uint32_t guard = ZephMemGuardWord;
    std::memcpy(at, &guard, 4);
}

bool isGuardIntact(const char* at) {
    uint32_t guard;
    std::memcpy(&guard, at, 4);
    return guard == ZephMemGuardWord;
}

// --- the list links (heap-block list, a chunk's used and free lists) -------

struct BlockList {
    ZephMemBlock*& head;
    ZephMemBlock*& tail;
    int32_t& count;
};

BlockList heapList(ZephMemManager* manager) { return {manager->heapHead, manager->heapTail, manager->heapCount}; }
BlockList usedList(ZephMemChunk* chunk) { return {chunk->usedHead, chunk->usedTail, chunk->usedCount}; }
BlockList freeList(ZephMemChunk* chunk) { return {chunk->freeHead, chunk->freeTail, chunk->freeCount}; }

// Links block after `after`, or at the head when after is none.
void listInsertAfter(BlockList list, ZephMemBlock* after, ZephMemBlock* block) {
    ZephMemBlock* next = after != nullptr ? after->listNext : list.head;
    block->listPrevious = after;
    block->listNext = next;
    if (after != nullptr)
        after->listNext = block;
    else
        list.head = block;
    if (next != nullptr)
        next->listPrevious = block;
    else
        list.tail = block;
    ++list.count;
}

void listAppend(BlockList list, ZephMemBlock* block) { listInsertAfter(list, list.tail, block); }

void listRemove(BlockList list, ZephMemBlock* block) {
    if (block->listPrevious != nullptr)
        block->listPrevious->listNext = block->listNext;
    else
        list.head = block->listNext;
    if (block->listNext != nullptr)
        block->listNext->listPrevious = block->listPrevious;
    else
        list.tail = block->listPrevious;
    block->listPrevious = nullptr;
    block->listNext = nullptr;
    --list.count;
}

// --- the physical list of a chunk ------------------------------------------

void physicalInsertAfter(ZephMemChunk* chunk, ZephMemBlock* after, ZephMemBlock* block) {
    ZephMemBlock* next = after->physicalNext;
    block->physicalPrevious = after;
    block->physicalNext = next;
    after->physicalNext = block;
    if (next != nullptr)
        next->physicalPrevious = block;
    else
        chunk->physicalTail = block;
    ++chunk->physicalCount;
}

void physicalRemove(ZephMemChunk* chunk, ZephMemBlock* block) {
    if (block->physicalPrevious != nullptr)
        block->physicalPrevious->physicalNext = block->physicalNext;
    else
        chunk->physicalHead = block->physicalNext;
    if (block->physicalNext != nullptr)
        block->physicalNext->physicalPrevious = block->physicalPrevious;
    else
        chunk->physicalTail = block->physicalPrevious;
    --chunk->physicalCount;
}

// --- pool ------------------------------------------------------------------

// A new chunk at the tail of the manager's list, holding one free block.
ZephMemChunk* addChunk(ZephMemManager* manager) {
    void* region = ZephSysMemoryReserve(manager->chunkSize);
    if (region == nullptr)
        return nullptr;
    auto* chunk = static_cast<ZephMemChunk*>(region);
    std::memset(region, 0, ZephMemChunkHeaderSize);
    chunk->manager = manager;
    chunk->chunkSize = manager->chunkSize;
    chunk->previous = manager->chunkTail;
    if (manager->chunkTail != nullptr)
        manager->chunkTail->next = chunk;
    else
        manager->chunkHead = chunk;
    manager->chunkTail = chunk;
    ++manager->chunkCount;

    ZephMemBlock* first = blockAt(static_cast<char*>(region) + ZephMemChunkHeaderSize);
    std::memset(static_cast<void*>(first), 0, sizeof *first);
    first->manager = manager;
    first->chunk = chunk;
    first->capacity = manager->chunkSize - ZephMemChunkOverhead;
    chunk->physicalHead = chunk->physicalTail = first;
    chunk->physicalCount = 1;
    listAppend(freeList(chunk), first);
    return chunk;
}

ZephMemBlock* firstFit(ZephMemChunk* chunk, int32_t need) {
    for (ZephMemBlock* block = chunk->freeHead; block != nullptr; block = block->listNext)
        if (block->capacity >= need)
            return block;
    return nullptr;
}

// A used pool block with at least need bytes after its header, or none when
// no chunk has room and no chunk may (or can) be added.
ZephMemBlock* takeFromPool(ZephMemManager* manager, int32_t need) {
    ZephMemBlock* hit = nullptr;
    for (ZephMemChunk* chunk = manager->chunkHead; chunk != nullptr && hit == nullptr; chunk = chunk->next)
        hit = firstFit(chunk, need);
    if (hit == nullptr) {
        // At most one new chunk per call; a fresh chunk always fits, since the
        // caller checked chunkSize >= need + ZephMemChunkOverhead.
        if (manager->maxChunks > 0 && manager->chunkCount >= manager->maxChunks)
            return nullptr;
        ZephMemChunk* chunk = addChunk(manager);
        if (chunk == nullptr)
            return nullptr;
        hit = firstFit(chunk, need);
        if (hit == nullptr)
            return nullptr;
    }
    ZephMemChunk* chunk = hit->chunk;
    // Split only when the remainder can hold a header and the smallest block.
    if (hit->capacity - need >= ZephMemBlockOverhead) {
        ZephMemBlock* rest = blockAt(bytesOf(hit) + ZephMemHeaderSize + need);
        std::memset(static_cast<void*>(rest), 0, sizeof *rest);
        rest->manager = manager;
        rest->chunk = chunk;
        rest->capacity = hit->capacity - need - ZephMemHeaderSize;
        rest->id = hit->id;
        listInsertAfter(freeList(chunk), hit, rest);
        physicalInsertAfter(chunk, hit, rest);
        hit->capacity = need;
    }
    hit->serial = nextSerial(manager);
    listRemove(freeList(chunk), hit);
    listAppend(usedList(chunk), hit);
    return hit;
}

// `gone` follows `into` directly in memory and both are free: one block.
void absorb(ZephMemChunk* chunk, ZephMemBlock* into, ZephMemBlock* gone) {
    into->capacity += ZephMemHeaderSize + gone->capacity;
    listRemove(freeList(chunk), gone);
    physicalRemove(chunk, gone);
}

void returnToPool(ZephMemChunk* chunk, ZephMemBlock* block) {
    listRemove(usedList(chunk), block);
    // The nearest free block before this one keeps the free list in address
    // order. A free physical neighbour gives it at once; else walk the list.
    ZephMemBlock* before = nullptr;
    if (block->physicalPrevious != nullptr && block->physicalPrevious->serial == 0) {
        before = block->physicalPrevious;
    } else if (block->physicalNext != nullptr && block->physicalNext->serial == 0) {
        before = block->physicalNext->listPrevious;
    } else {
        auto address = reinterpret_cast<uintptr_t>(block);
        for (ZephMemBlock* free = chunk->freeHead; free != nullptr && reinterpret_cast<uintptr_t>(free) < address;
             free = free->listNext)
            before = free;
    }
    listInsertAfter(freeList(chunk), before, block);
    block->serial = 0;
    ZephMemBlock* merged = block;
    if (before != nullptr && endOf(before) == bytesOf(block)) {
        absorb(chunk, before, block);
        merged = before;
    }
    ZephMemBlock* after = merged->listNext;
    if (after != nullptr && endOf(merged) == bytesOf(after))
        absorb(chunk, merged, after);
}

void runWatchers(ZephMemManager* manager, ZephMemBlock* block, uint32_t flags, const char* name) {
    // Re-read the count each time: a callback may add watchers.
    for (int32_t i = 0; i < manager->watcherCount && i < ZephMemMaxWatchers; ++i) {
        const ZephMemWatcher& watcher = manager->watchers[i];
        if (watcher.callback == nullptr)
            continue;
        bool matches = false;
        switch (watcher.kind) {
        case ZephWatchAll: matches = true; break;
        case ZephWatchSerial: matches = static_cast<uintptr_t>(watcher.match) == block->serial; break;
        case ZephWatchSize: matches = watcher.match == block->size; break;
        case ZephWatchName:
            matches = ZephStrEqualNoCase(reinterpret_cast<const char*>(watcher.match), name) != 0;
            break;
        default: break;
        }
        if (matches)
            watcher.callback(watcher.user, watcher.kind, manager, block->size, flags, name);
    }
}

} // namespace

ZephMemManager::ZephMemManager(const char* name, uint32_t options, int32_t chunkSize, int32_t maxChunks,
                               ZephMetricManager* metricManager) {
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

void ZephMemManager::setHooks(ZephMemAllocHook allocation, ZephMemFreeHook release) {
    bool locked = lockManager(this);
    allocHook = allocation;
    freeHook = release;
    unlockManager(this, locked);
}

int ZephMemManager::addWatcher(int32_t kind, ZephMemWatchCallback callback, intptr_t user, intptr_t match) {
    bool locked = lockManager(this);
    int result = -1;
    if (watcherCount < ZephMemMaxWatchers) {
        watchers[watcherCount++] = ZephMemWatcher{kind, callback, user, match};
        result = 0;
    }
    unlockManager(this, locked);
    return result;
}

void ZephMemManager::clearWatchers() {
    bool locked = lockManager(this);
    std::memset(static_cast<void*>(watchers), 0, sizeof watchers);
    watcherCount = 0;
    unlockManager(this, locked);
}

void ZephMemManager::setForcePool(bool on) {
    bool locked = lockManager(this);
    state = on ? (state | ZephMemForcePool) : (state & ~ZephMemForcePool);
    unlockManager(this, locked);
}

void* ZephMemAlloc(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name) {
    if (name == nullptr)
        name = "";
    if (size < 0)
        size = 0;
    bool locked = lockManager(manager);
    if (manager != nullptr && (manager->state & ZephMemForcePool) != 0)
        flags |= UsePool;
    uint32_t start = ZephTickCount();

    if (manager != nullptr && manager->allocHook != nullptr) {
        void* result = manager->allocHook(manager, size, flags, name);
        unlockManager(manager, locked);
        if (result != nullptr && (flags & ZeroFill) != 0)
            std::memset(result, 0, static_cast<size_t>(size));
        return result;
    }

    // A block must fit 32-bit sizes whole; a size that does not is refused
    // rather than served with a wrapped, short block.
    size_t nameLength = std::strlen(name);
    if (nameLength > static_cast<size_t>(INT32_MAX)) {
        unlockManager(manager, locked);
        return nullptr;
    }
    int64_t need = zephMemNeed(size, static_cast<int64_t>(nameLength));
    if (ZephMemHeaderSize + need > INT32_MAX) {
        unlockManager(manager, locked);
        return nullptr;
    }

    ZephMemBlock* block = nullptr;
    bool fromPool = false;
    if (manager != nullptr && (flags & (UsePool | PoolOnly)) != 0 &&
        static_cast<int64_t>(manager->chunkSize) >= need + ZephMemChunkOverhead) {
        block = takeFromPool(manager, static_cast<int32_t>(need));
        fromPool = block != nullptr;
    }
    if (block == nullptr && (flags & PoolOnly) == 0) {
        // The heap block covers its whole capacity (need is rounded up), so
        // every byte that capacity claims is really there; on 32-bit this is
        // at most three bytes more than size + name length + 57.
        size_t total = static_cast<size_t>(ZephMemHeaderSize) + static_cast<size_t>(need);
        block = static_cast<ZephMemBlock*>(std::malloc(total));
        if (block != nullptr) {
            std::memset(static_cast<void*>(block), 0, sizeof *block);
            block->capacity = static_cast<int32_t>(need);
        }
    }
    uint32_t elapsed = ZephTickCount() - start;
    if (block == nullptr) {
        unlockManager(manager, locked);
        return nullptr;
    }

    char* user = userOf(block);
    block->manager = manager;
    block->size = size;
    block->id = 0;
    storeGuard(bytesOf(block) + ZephMemHeaderSize);
    storeGuard(user + size);
    block->name = user + size + 4;
    std::memcpy(block->name, name, nameLength + 1);

    if (manager != nullptr) {
        if (!fromPool) {
            block->serial = nextSerial(manager);
            listAppend(heapList(manager), block);
        }
        if (elapsed > manager->slowestAlloc)
            manager->slowestAlloc = elapsed;
        if (fromPool) {
            raiseCounter(block->chunk->bytesInUse, block->chunk->peakBytesInUse, size);
            raiseCounter(manager->poolBytes, manager->poolBytesPeak, size);
        } else {
            raiseCounter(manager->heapBytes, manager->heapBytesPeak, size);
        }
        raiseCounter(manager->totalBytes, manager->totalBytesPeak, size);
        if (feedsMetrics(manager))
            metricFeed(manager, block->name, 1, size);
        runWatchers(manager, block, flags, block->name);
    }

    block->allocationTick = start;
    unlockManager(manager, locked);
    if ((flags & ZeroFill) != 0)
        std::memset(user, 0, static_cast<size_t>(size));
    return user;
}

void ZephMemFree(void* pointer) {
    if (pointer == nullptr)
        return;
    ZephMemBlock* block = ZephMemBlockOf(pointer);
    ZephMemManager* manager = block->manager;
    if (manager == nullptr) {
        std::free(block);
        return;
    }
    bool locked = lockManager(manager);
    if (manager->freeHook != nullptr) {
        manager->freeHook(manager, pointer);
        unlockManager(manager, locked);
        return;
    }
    ZephMemChunk* chunk = block->chunk;
    if (chunk != nullptr && block->serial == 0) {
        unlockManager(manager, locked); // a pool block released twice
        return;
    }
    if ((manager->options & CheckGuards) != 0)
        zephMemCheckGuardsOnRelease(manager, block);
    if (chunk != nullptr) {
        lowerCounter(chunk->bytesInUse, block->size);
        lowerCounter(manager->poolBytes, block->size);
    } else {
        lowerCounter(manager->heapBytes, block->size);
    }
    lowerCounter(manager->totalBytes, block->size);
    if (feedsMetrics(manager))
        metricFeed(manager, block->name, -1, -block->size);
    if (chunk != nullptr) {
        returnToPool(chunk, block);
    } else {
        listRemove(heapList(manager), block);
        std::free(block);
    }
    unlockManager(manager, locked);
}

void ZephMemSetMetricFeed(ZephMemMetricFeed feed) { metricFeed = feed; }

ZephMemMetricFeed ZephMemGetMetricFeed() { return metricFeed; }

// --- the checker -------------------------------------------------------------

namespace {

struct Checker {
    ZephMemManager* manager;
    char* why;
    int whySize;

    int fail(const char* format, ...) {
        if (why != nullptr && whySize > 0) {
            va_list arguments;
            va_start(arguments, format);
            std::vsnprintf(why, static_cast<size_t>(whySize), format, arguments);
            va_end(arguments);
        }
        return -1;
    }

    // Guards, name and size of a used pool block or a tracked heap block.
    int checkLiveBlock(ZephMemBlock* block, const char* where) {
        if (block->serial == 0)
            return fail("%s block %p has serial 0", where, static_cast<void*>(block));
        if (block->size < 0 || static_cast<int64_t>(block->size) + 9 > block->capacity)
            return fail("%s block %p: size %d does not fit its capacity %d", where, static_cast<void*>(block),
                        block->size, block->capacity);
        char* user = userOf(block);
        if (!isGuardIntact(user - 4))
            return fail("%s block %p (serial %u): front guard damaged", where, static_cast<void*>(block),
                        block->serial);
        if (!isGuardIntact(user + block->size))
            return fail("%s block %p (serial %u): rear guard damaged", where, static_cast<void*>(block), block->serial);
        if (block->name != user + block->size + 4)
            return fail("%s block %p (serial %u): name pointer is not after the rear guard", where,
                        static_cast<void*>(block), block->serial);
        const char* end = endOf(block);
        const char* nameEnd =
            static_cast<const char*>(std::memchr(block->name, 0, static_cast<size_t>(end - block->name)));
        if (nameEnd == nullptr)
            return fail("%s block %p (serial %u): name runs past its capacity", where, static_cast<void*>(block),
                        block->serial);
        if (zephMemNeed(block->size, nameEnd - block->name) > block->capacity)
            return fail("%s block %p (serial %u): need exceeds capacity %d", where, static_cast<void*>(block),
                        block->serial, block->capacity);
        return 0;
    }

    // True when block points inside chunk's block area, where a header fits.
    static bool liesIn(ZephMemChunk* chunk, ZephMemBlock* block) {
        auto base = reinterpret_cast<uintptr_t>(chunk);
        auto at = reinterpret_cast<uintptr_t>(block);
        return at >= base + ZephMemChunkHeaderSize &&
               at + ZephMemHeaderSize <= base + static_cast<uint32_t>(chunk->chunkSize);
    }

    // A used or free list of chunk: exactly `count` members, links both ways,
    // each a block of the physical list in the expected state.
    int checkChunkList(ZephMemChunk* chunk, int chunkIndex, ZephMemBlock* head, ZephMemBlock* tail, int32_t count,
                       bool free) {
        const char* which = free ? "free" : "used";
        ZephMemBlock* previous = nullptr;
        int32_t seen = 0;
        for (ZephMemBlock* block = head; block != nullptr; block = block->listNext) {
            if (seen >= count)
                return fail("chunk %d: %s list longer than its count %d", chunkIndex, which, count);
            if (!liesIn(chunk, block))
                return fail("chunk %d: %s list member %p lies outside the chunk", chunkIndex, which,
                            static_cast<void*>(block));
            ZephMemBlock* physicalSelf =
                block->physicalPrevious != nullptr ? block->physicalPrevious->physicalNext : chunk->physicalHead;
            if (physicalSelf != block)
                return fail("chunk %d: %s list member %p is not on the physical list", chunkIndex, which,
                            static_cast<void*>(block));
            if (block->listPrevious != previous)
                return fail("chunk %d: %s list back link of %p is wrong", chunkIndex, which, static_cast<void*>(block));
            if ((block->serial == 0) != free)
                return fail("chunk %d: %s list holds %p with serial %u", chunkIndex, which, static_cast<void*>(block),
                            block->serial);
            if (free && previous != nullptr &&
                reinterpret_cast<uintptr_t>(previous) >= reinterpret_cast<uintptr_t>(block))
                return fail("chunk %d: free list not in address order at %p", chunkIndex, static_cast<void*>(block));
            previous = block;
            ++seen;
        }
        if (seen != count)
            return fail("chunk %d: %s list has %d members, count says %d", chunkIndex, which, seen, count);
        if (tail != previous)
            return fail("chunk %d: %s list tail is not its last member", chunkIndex, which);
        return 0;
    }

    int checkChunk(ZephMemChunk* chunk, int chunkIndex) {
        if (chunk->manager != manager)
            return fail("chunk %d belongs to another manager", chunkIndex);
        if (chunk->chunkSize < ZephMemMinChunkSize)
            return fail("chunk %d: size %d below the minimum", chunkIndex, chunk->chunkSize);
        const int64_t chunkSize = chunk->chunkSize;
        const int32_t maxBlocks = chunk->chunkSize / ZephMemBlockOverhead + 1;
        auto base = reinterpret_cast<uintptr_t>(chunk);
        int64_t expected = ZephMemChunkHeaderSize; // offset where the next block must begin
        ZephMemBlock* previous = nullptr;
        int32_t blocks = 0, used = 0, free = 0;
        uint32_t bytes = 0;
        for (ZephMemBlock* block = chunk->physicalHead; block != nullptr; block = block->physicalNext) {
            if (blocks >= maxBlocks)
                return fail("chunk %d: physical list does not end", chunkIndex);
            int64_t offset = static_cast<int64_t>(reinterpret_cast<uintptr_t>(block) - base);
            if (offset != expected)
                return fail("chunk %d: block %d at offset %lld, its predecessor ends at %lld", chunkIndex, blocks,
                            static_cast<long long>(offset), static_cast<long long>(expected));
            if (offset + ZephMemHeaderSize > chunkSize)
                return fail("chunk %d: header of block %d runs past the chunk", chunkIndex, blocks);
            if (block->physicalPrevious != previous)
                return fail("chunk %d: physical back link of block %d is wrong", chunkIndex, blocks);
            if (block->manager != manager || block->chunk != chunk)
                return fail("chunk %d: block %d names another manager or chunk", chunkIndex, blocks);
            if (block->capacity < 0 || offset + ZephMemHeaderSize + block->capacity > chunkSize)
                return fail("chunk %d: block %d (capacity %d) overlaps the chunk's end", chunkIndex, blocks,
                            block->capacity);
            if (block->serial == 0) {
                if (previous != nullptr && previous->serial == 0)
                    return fail("chunk %d: blocks %d and %d are both free and adjacent", chunkIndex, blocks - 1,
                                blocks);
                ++free;
            } else {
                if (checkLiveBlock(block, "pool") != 0)
                    return -1;
                bytes += static_cast<uint32_t>(block->size);
                ++used;
            }
            expected = offset + ZephMemHeaderSize + block->capacity;
            previous = block;
            ++blocks;
        }
        if (expected != chunkSize)
            return fail("chunk %d: headers and capacities add up to %lld of %lld bytes", chunkIndex,
                        static_cast<long long>(expected), static_cast<long long>(chunkSize));
        if (chunk->physicalTail != previous)
            return fail("chunk %d: physical tail is not the last block", chunkIndex);
        if (blocks != chunk->physicalCount || used != chunk->usedCount || free != chunk->freeCount)
            return fail("chunk %d: counts %d/%d/%d (all/used/free), found %d/%d/%d", chunkIndex, chunk->physicalCount,
                        chunk->usedCount, chunk->freeCount, blocks, used, free);
        if (checkChunkList(chunk, chunkIndex, chunk->usedHead, chunk->usedTail, chunk->usedCount, false) != 0 ||
            checkChunkList(chunk, chunkIndex, chunk->freeHead, chunk->freeTail, chunk->freeCount, true) != 0)
            return -1;
        if (static_cast<uint32_t>(chunk->bytesInUse) != bytes)
            return fail("chunk %d: bytes in use %d, used blocks hold %u", chunkIndex, chunk->bytesInUse, bytes);
        if (chunk->peakBytesInUse < chunk->bytesInUse)
            return fail("chunk %d: peak %d below bytes in use %d", chunkIndex, chunk->peakBytesInUse,
                        chunk->bytesInUse);
        return 0;
    }

    int checkManager() {
        uint32_t poolBytes = 0;
        ZephMemChunk* previousChunk = nullptr;
        int32_t chunks = 0;
        for (ZephMemChunk* chunk = manager->chunkHead; chunk != nullptr; chunk = chunk->next) {
            if (chunks >= manager->chunkCount)
                return fail("chunk list longer than its count %d", manager->chunkCount);
            if (chunk->previous != previousChunk)
                return fail("chunk %d: back link is wrong", chunks);
            if (checkChunk(chunk, chunks) != 0)
                return -1;
            poolBytes += static_cast<uint32_t>(chunk->bytesInUse);
            previousChunk = chunk;
            ++chunks;
        }
        if (chunks != manager->chunkCount || manager->chunkTail != previousChunk)
            return fail("chunk list has %d chunks, count says %d (or the tail is wrong)", chunks, manager->chunkCount);
        if (manager->maxChunks > 0 && chunks > manager->maxChunks)
            return fail("%d chunks exceed the limit of %d", chunks, manager->maxChunks);

        uint32_t heapBytes = 0;
        ZephMemBlock* previous = nullptr;
        int32_t blocks = 0;
        for (ZephMemBlock* block = manager->heapHead; block != nullptr; block = block->listNext) {
            if (blocks >= manager->heapCount)
                return fail("heap-block list longer than its count %d", manager->heapCount);
            if (block->listPrevious != previous)
                return fail("heap block %d: back link is wrong", blocks);
            if (block->manager != manager || block->chunk != nullptr)
                return fail("heap block %d names another manager or a chunk", blocks);
            if (checkLiveBlock(block, "heap") != 0)
                return -1;
            if (block->capacity != zephMemNeed(block->size, ZephStrLength(block->name)))
                return fail("heap block %d: capacity %d is not its need", blocks, block->capacity);
            heapBytes += static_cast<uint32_t>(block->size);
            previous = block;
            ++blocks;
        }
        if (blocks != manager->heapCount || manager->heapTail != previous)
            return fail("heap-block list has %d blocks, count says %d (or the tail is wrong)", blocks,
                        manager->heapCount);

        if (static_cast<uint32_t>(manager->poolBytes) != poolBytes)
            return fail("pool bytes %d, chunks hold %u", manager->poolBytes, poolBytes);
        if (static_cast<uint32_t>(manager->heapBytes) != heapBytes)
            return fail("heap bytes %d, heap blocks hold %u", manager->heapBytes, heapBytes);
        if (static_cast<uint32_t>(manager->totalBytes) != poolBytes + heapBytes)
            return fail("total bytes %d, pool and heap hold %u", manager->totalBytes, poolBytes + heapBytes);
        if (manager->poolBytesPeak < manager->poolBytes || manager->heapBytesPeak < manager->heapBytes ||
            manager->totalBytesPeak < manager->totalBytes)
            return fail("a peak lies below its counter");
        return 0;
    }
};

} // namespace

int ZephMemCheck(ZephMemManager* manager, char* why, int whySize) {
    if (why != nullptr && whySize > 0)
        why[0] = 0;
    if (manager == nullptr)
        return 0;
    bool locked = lockManager(manager);
    Checker checker{manager, why, whySize};
    int result = checker.checkManager();
    unlockManager(manager, locked);
    return result;
}

// Constructed after the application state (101) and before the metric
// manager's global (103): see the note in ZephMem.h.
ZephMemManager ZephMemManagerGlobal
    __attribute__((init_priority(102))) ("ZephMemManagerGlobal", LockMutex, 0, 0, nullptr);
