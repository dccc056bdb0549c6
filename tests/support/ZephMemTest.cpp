// ZephMemTest.cpp - guarded memory manager: blocks, serials, hooks, pool,
// counters, watchers, threads, and a randomized run under the checker.
#include "ZephMem.h"

#include "QvAllocFault.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// Every test ends by asking the one checker whether the manager is sound.
#define EXPECT_SOUND(manager)                                                                                          \
    do {                                                                                                               \
        char why_[256];                                                                                                \
        EXPECT_EQ(ZephMemCheck((manager), why_, sizeof why_), 0) << why_;                                              \
    } while (0)

uint32_t guardAt(const void* at) {
    uint32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

char* bytes(void* pointer) { return static_cast<char*>(pointer); }

// The capacity of the one free block a fresh chunk holds.
int32_t freshCapacity(const ZephMemManager& manager) { return manager.chunkSize - ZephMemChunkOverhead; }

// A request size whose need is exactly `need` for a name of nameLength.
int32_t sizeForNeed(int32_t need, int32_t nameLength) { return need - nameLength - 9; }

// Frees every block of a list of pointers.
void freeAll(std::vector<void*>& blocks) {
    for (void* block : blocks)
        ZephMemFree(block);
    blocks.clear();
}

// --- blocks ------------------------------------------------------------------

TEST(ZephMemBlocks, ZeroSizeGivesDistinctPointersWithAdjacentGuards) {
    ZephMemManager pool("pool", 0, 4096, 0, nullptr);
    ZephMemManager heap("heap", 0, 0, 0, nullptr);
    struct Case {
        ZephMemManager* manager;
        uint32_t flags;
    } cases[] = {{nullptr, 0}, {&heap, 0}, {&pool, PoolOnly}};
    for (const Case& c : cases) {
        void* a = ZephMemAlloc(c.manager, 0, c.flags, "zero");
        void* b = ZephMemAlloc(c.manager, 0, c.flags, "zero");
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_NE(a, b);
        EXPECT_EQ(guardAt(bytes(a) - 4), ZephMemGuardWord);
        EXPECT_EQ(guardAt(a), ZephMemGuardWord); // the rear guard starts where the bytes would
        EXPECT_STREQ(bytes(a) + 4, "zero");
        EXPECT_EQ(ZephMemBlockOf(a)->name, bytes(a) + 4);
        EXPECT_SOUND(c.manager);
        ZephMemFree(a);
        ZephMemFree(b);
        EXPECT_SOUND(c.manager);
    }
}

TEST(ZephMemBlocks, NegativeSizeIsZeroAndMissingNameIsEmpty) {
    ZephMemManager manager("m", 0, 0, 0, nullptr);
    void* p = ZephMemAlloc(&manager, -40, ZeroFill, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ZephMemBlockOf(p)->size, 0);
    EXPECT_STREQ(ZephMemBlockOf(p)->name, "");
    EXPECT_EQ(manager.totalBytes, 0);
    EXPECT_EQ(manager.heapCount, 1);
    EXPECT_SOUND(&manager);
    ZephMemFree(p);
    EXPECT_EQ(manager.heapCount, 0);
}

TEST(ZephMemBlocks, UntrackedBlockCarriesHeaderGuardsAndName) {
    char* p = bytes(ZephMemAlloc(nullptr, 10, 0, "plain"));
    ASSERT_NE(p, nullptr);
    ZephMemBlock* block = ZephMemBlockOf(p);
    EXPECT_EQ(block->manager, nullptr);
    EXPECT_EQ(block->chunk, nullptr);
    EXPECT_EQ(block->serial, 0u);
    EXPECT_EQ(block->size, 10);
    EXPECT_EQ(guardAt(p - 4), ZephMemGuardWord);
    EXPECT_EQ(guardAt(p + 10), ZephMemGuardWord);
    EXPECT_STREQ(block->name, "plain");
    std::memset(p, 0x5A, 10); // the caller's bytes are all there
    ZephMemFree(p);
    ZephMemFree(nullptr);
}

TEST(ZephMemBlocks, CallerPointersAreAlignedInHeapAndPool) {
    ZephMemManager manager("m", 0, 64 * 1024, 0, nullptr);
    std::vector<void*> blocks;
    std::string name;
    for (int size = 0; size < 40; ++size) {
        name.assign(static_cast<size_t>(size % 13), 'n');
        for (uint32_t flags : {0u, static_cast<uint32_t>(PoolOnly)}) {
            void* p = ZephMemAlloc(&manager, size, flags, name.c_str());
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % ZephMemAlignment, 0u) << "size " << size << " flags " << flags;
            blocks.push_back(p);
        }
    }
    EXPECT_SOUND(&manager);
    freeAll(blocks);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemBlocks, SizeThatWouldOverflowWithItsOverheadIsRefused) {
    // The largest size whose block still fits 32 bits, for a one-letter name.
    const int64_t largest = (int64_t{INT32_MAX} + 1 - ZephMemAlignment) - ZephMemHeaderSize - 10;
    ASSERT_LE(ZephMemHeaderSize + zephMemNeed(largest, 1), INT32_MAX);
    ASSERT_GT(ZephMemHeaderSize + zephMemNeed(largest + 1, 1), INT32_MAX);
    ZephMemManager manager("m", LockMutex, 4096, 0, nullptr);
    for (int32_t size : {static_cast<int32_t>(largest + 1), INT32_MAX - ZephMemBlockOverhead, INT32_MAX}) {
        EXPECT_EQ(ZephMemAlloc(nullptr, size, 0, "n"), nullptr) << size;
        for (uint32_t flags : {0u, static_cast<uint32_t>(UsePool), static_cast<uint32_t>(PoolOnly | ZeroFill)})
            EXPECT_EQ(ZephMemAlloc(&manager, size, flags, "n"), nullptr) << size;
    }
    // Refusals leave no trace: no serial used, nothing counted, no chunk.
    EXPECT_EQ(manager.serialCounter, 0u);
    EXPECT_EQ(manager.totalBytes, 0);
    EXPECT_EQ(manager.chunkCount, 0);
    EXPECT_SOUND(&manager);
}

// --- serials -------------------------------------------------------------------

TEST(ZephMemSerials, StartAtOneAndGrowOnlyWithTrackedAllocations) {
    ZephMemManager manager("m", 0, 4096, 0, nullptr);
    void* a = ZephMemAlloc(&manager, 8, 0, "a");
    void* untracked = ZephMemAlloc(nullptr, 8, 0, "u");
    void* b = ZephMemAlloc(&manager, 8, PoolOnly, "b");
    void* c = ZephMemAlloc(&manager, 8, 0, "c");
    EXPECT_EQ(ZephMemBlockOf(a)->serial, 1u);
    EXPECT_EQ(ZephMemBlockOf(untracked)->serial, 0u);
    EXPECT_EQ(ZephMemBlockOf(b)->serial, 2u);
    EXPECT_EQ(ZephMemBlockOf(c)->serial, 3u);
    for (void* p : {a, untracked, b, c})
        ZephMemFree(p);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemSerials, WrapPastZeroToOneInHeapAndPool) {
    for (uint32_t flags : {0u, static_cast<uint32_t>(PoolOnly)}) {
        ZephMemManager manager("m", 0, 4096, 0, nullptr);
        manager.serialCounter = UINT32_MAX - 1;
        void* last = ZephMemAlloc(&manager, 4, flags, "x");
        void* wrapped = ZephMemAlloc(&manager, 4, flags, "x");
        EXPECT_EQ(ZephMemBlockOf(last)->serial, UINT32_MAX);
        EXPECT_EQ(ZephMemBlockOf(wrapped)->serial, 1u);
        EXPECT_SOUND(&manager);
        // A wrapped pool block is still a used block: its release counts.
        ZephMemFree(wrapped);
        ZephMemFree(last);
        EXPECT_EQ(manager.totalBytes, 0);
        EXPECT_SOUND(&manager);
    }
}

// --- hooks -----------------------------------------------------------------------

struct HookCall {
    ZephMemManager* manager = nullptr;
    int32_t size = -1;
    uint32_t flags = 0;
    std::string name;
    void* freed = nullptr;
    int calls = 0;
};
HookCall hookCall;
unsigned char hookArea[64];

void* recordingAllocHook(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name) {
    hookCall.manager = manager;
    hookCall.size = size;
    hookCall.flags = flags;
    hookCall.name = name;
    ++hookCall.calls;
    return hookArea;
}

void recordingFreeHook(ZephMemManager* manager, void* pointer) {
    hookCall.manager = manager;
    hookCall.freed = pointer;
    ++hookCall.calls;
}

int watcherRuns = 0;
void countingWatcher(intptr_t, int32_t, ZephMemManager*, int32_t, uint32_t, const char*) { ++watcherRuns; }

TEST(ZephMemHooks, AllocationHookTakesOverAndNothingIsTracked) {
    ZephMemManager manager("m", LockMutex, 4096, 0, nullptr);
    manager.addWatcher(ZephWatchAll, countingWatcher, 0, 0);
    manager.setForcePool(true);
    manager.setHooks(recordingAllocHook, nullptr);
    hookCall = HookCall{};
    watcherRuns = 0;
    std::memset(hookArea, 0xCC, sizeof hookArea);

    void* p = ZephMemAlloc(&manager, 16, ZeroFill, nullptr);
    EXPECT_EQ(p, hookArea);
    EXPECT_EQ(hookCall.calls, 1);
    EXPECT_EQ(hookCall.manager, &manager);
    EXPECT_EQ(hookCall.size, 16);
    EXPECT_EQ(hookCall.flags, static_cast<uint32_t>(ZeroFill | UsePool)); // forcePool shows in the flags
    EXPECT_EQ(hookCall.name, "");
    EXPECT_EQ(hookArea[0], 0);
    EXPECT_EQ(hookArea[15], 0);
    EXPECT_EQ(hookArea[16], 0xCC); // zeroed exactly size bytes

    ZephMemAlloc(&manager, -3, 0, "neg");
    EXPECT_EQ(hookCall.size, 0);
    EXPECT_EQ(manager.serialCounter, 0u);
    EXPECT_EQ(manager.totalBytes, 0);
    EXPECT_EQ(manager.heapCount, 0);
    EXPECT_EQ(manager.chunkCount, 0);
    EXPECT_EQ(watcherRuns, 0);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemHooks, ReleaseHookTakesOverAndFreeOfNoneDoesNothing) {
    ZephMemManager manager("m", LockMutex, 4096, 0, nullptr);
    void* heapBlock = ZephMemAlloc(&manager, 24, 0, "h");
    void* poolBlock = ZephMemAlloc(&manager, 24, UsePool, "p");
    hookCall = HookCall{};
    manager.setHooks(nullptr, recordingFreeHook);
    ZephMemFree(nullptr);
    EXPECT_EQ(hookCall.calls, 0);
    ZephMemFree(heapBlock);
    ZephMemFree(poolBlock);
    EXPECT_EQ(hookCall.calls, 2);
    EXPECT_EQ(hookCall.freed, poolBlock);
    EXPECT_EQ(manager.totalBytes, 48); // the hook released nothing
    EXPECT_SOUND(&manager);
    manager.setHooks(nullptr, nullptr);
    ZephMemFree(heapBlock);
    ZephMemFree(poolBlock);
    EXPECT_EQ(manager.totalBytes, 0);
    EXPECT_SOUND(&manager);
}

// --- pool ------------------------------------------------------------------------

TEST(ZephMemPool, ChunkTooSmallFailsPoolOnlyAndServesUsePoolFromTheHeap) {
    ZephMemManager manager("m", 0, 256, 0, nullptr);
    // need + chunk overhead just above the chunk size: never a pool block.
    int32_t size = sizeForNeed(256 - ZephMemChunkOverhead + ZephMemAlignment, 1);
    EXPECT_EQ(ZephMemAlloc(&manager, size, PoolOnly, "n"), nullptr);
    void* p = ZephMemAlloc(&manager, size, UsePool, "n");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(ZephMemBlockOf(p)->chunk, nullptr);
    EXPECT_EQ(manager.chunkCount, 0);
    EXPECT_EQ(manager.heapBytes, size);
    // The largest block that does fit takes the whole fresh chunk.
    void* whole = ZephMemAlloc(&manager, sizeForNeed(freshCapacity(manager), 1), PoolOnly, "n");
    ASSERT_NE(whole, nullptr);
    EXPECT_EQ(manager.chunkCount, 1);
    EXPECT_SOUND(&manager);
    ZephMemFree(whole);
    ZephMemFree(p);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemPool, TwoSplitBlocksReleasedInEitherOrderMergeBackIntoOne) {
    for (bool firstOut : {true, false}) {
        ZephMemManager manager("m", 0, 4096, 0, nullptr);
        void* a = ZephMemAlloc(&manager, 100, PoolOnly, "a");
        void* b = ZephMemAlloc(&manager, 300, PoolOnly, "b");
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        ZephMemChunk* chunk = manager.chunkHead;
        EXPECT_EQ(chunk->physicalCount, 3);
        EXPECT_EQ(ZephMemBlockOf(b), ZephMemBlockOf(a)->physicalNext); // b was split off right after a
        ZephMemFree(firstOut ? a : b);
        EXPECT_SOUND(&manager);
        ZephMemFree(firstOut ? b : a);
        EXPECT_SOUND(&manager);
        EXPECT_EQ(chunk->physicalCount, 1);
        EXPECT_EQ(chunk->freeCount, 1);
        EXPECT_EQ(chunk->freeHead->capacity, freshCapacity(manager));
    }
}

TEST(ZephMemPool, ReleaseMergesWithBothNeighbours) {
    ZephMemManager manager("m", 0, 4096, 0, nullptr);
    void* a = ZephMemAlloc(&manager, 40, PoolOnly, "a");
    void* b = ZephMemAlloc(&manager, 40, PoolOnly, "b");
    void* c = ZephMemAlloc(&manager, 40, PoolOnly, "c");
    void* d = ZephMemAlloc(&manager, 40, PoolOnly, "d");
    ZephMemChunk* chunk = manager.chunkHead;
    ZephMemFree(a);
    ZephMemFree(c);
    EXPECT_EQ(chunk->freeCount, 3); // a, c, and the remainder after d
    EXPECT_SOUND(&manager);
    ZephMemFree(b); // joins a before it and c after it
    EXPECT_EQ(chunk->freeCount, 2);
    EXPECT_EQ(chunk->physicalCount, 3);
    EXPECT_EQ(chunk->freeHead, ZephMemBlockOf(a));
    EXPECT_SOUND(&manager);
    ZephMemFree(d);
    EXPECT_EQ(chunk->physicalCount, 1);
    EXPECT_EQ(chunk->freeHead->capacity, freshCapacity(manager));
    EXPECT_SOUND(&manager);
}

TEST(ZephMemPool, FirstFitTakesTheLowestFreeBlockThatFits) {
    ZephMemManager manager("m", 0, 8192, 0, nullptr);
    void* small = ZephMemAlloc(&manager, 100, PoolOnly, "s");
    void* keep1 = ZephMemAlloc(&manager, 100, PoolOnly, "k");
    void* large = ZephMemAlloc(&manager, 600, PoolOnly, "l");
    void* keep2 = ZephMemAlloc(&manager, 100, PoolOnly, "k");
    ZephMemFree(large);
    ZephMemFree(small);
    // 400 bytes do not fit the low hole, but fit the 600-byte hole before
    // the big remainder at the end.
    void* mid = ZephMemAlloc(&manager, 400, PoolOnly, "l");
    EXPECT_EQ(mid, large);
    void* low = ZephMemAlloc(&manager, 20, PoolOnly, "s");
    EXPECT_EQ(low, small);
    EXPECT_SOUND(&manager);
    for (void* p : {small, keep1, large, keep2})
        ZephMemFree(p);
    EXPECT_EQ(manager.chunkHead->physicalCount, 1);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemPool, BlockTakenWithoutSplitKeepsItsWholeCapacity) {
    ZephMemManager manager("m", 0, 4096, 0, nullptr);
    void* a = ZephMemAlloc(&manager, 200, PoolOnly, "a");
    void* b = ZephMemAlloc(&manager, 200, PoolOnly, "b");
    int32_t hole = ZephMemBlockOf(a)->capacity;
    ZephMemFree(a);
    // A little less than the hole: the rest is too small to split off.
    void* again = ZephMemAlloc(&manager, sizeForNeed(hole - ZephMemAlignment, 1), PoolOnly, "a");
    EXPECT_EQ(again, a);
    EXPECT_EQ(ZephMemBlockOf(again)->capacity, hole);
    EXPECT_SOUND(&manager);
    ZephMemFree(b);
    ZephMemFree(again);
    EXPECT_EQ(manager.chunkHead->physicalCount, 1);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemPool, ChunkLimitFailsPoolOnlyAndFallsBackUnderUsePool) {
    ZephMemManager manager("m", 0, 2048, 1, nullptr);
    std::vector<void*> blocks;
    for (void* p; (p = ZephMemAlloc(&manager, 100, PoolOnly, "f")) != nullptr;)
        blocks.push_back(p);
    EXPECT_GT(blocks.size(), 5u);
    EXPECT_EQ(manager.chunkCount, 1);
    void* fallback = ZephMemAlloc(&manager, 100, UsePool, "f");
    ASSERT_NE(fallback, nullptr);
    EXPECT_EQ(ZephMemBlockOf(fallback)->chunk, nullptr);
    EXPECT_EQ(manager.heapCount, 1);
    EXPECT_SOUND(&manager);
    ZephMemFree(fallback);
    freeAll(blocks);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemPool, NewChunksAreAddedAtTheTailAndSearchedFromTheHead) {
    ZephMemManager manager("m", 0, 2048, 0, nullptr);
    std::vector<void*> blocks;
    while (manager.chunkCount < 2)
        blocks.push_back(ZephMemAlloc(&manager, 100, PoolOnly, "f"));
    ZephMemChunk* second = manager.chunkTail;
    EXPECT_EQ(ZephMemBlockOf(blocks.back())->chunk, second);
    ZephMemFree(blocks[1]);
    void* p = ZephMemAlloc(&manager, 100, PoolOnly, "f");
    EXPECT_EQ(p, blocks[1]); // the hole in the first chunk comes first
    EXPECT_SOUND(&manager);
    ZephMemFree(p);
    blocks.erase(blocks.begin() + 1);
    freeAll(blocks);
    for (ZephMemChunk* chunk = manager.chunkHead; chunk != nullptr; chunk = chunk->next)
        EXPECT_EQ(chunk->physicalCount, 1);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemPool, ForcePoolSendsPlainAllocationsToThePool) {
    ZephMemManager manager("m", 0, 4096, 0, nullptr);
    manager.setForcePool(true);
    void* pooled = ZephMemAlloc(&manager, 32, 0, "x");
    manager.setForcePool(false);
    void* heap = ZephMemAlloc(&manager, 32, 0, "x");
    EXPECT_NE(ZephMemBlockOf(pooled)->chunk, nullptr);
    EXPECT_EQ(ZephMemBlockOf(heap)->chunk, nullptr);
    ZephMemFree(pooled);
    ZephMemFree(heap);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemPool, SecondReleaseOfAPoolBlockIsIgnored) {
    ZephMemManager manager("m", 0, 4096, 0, nullptr);
    void* a = ZephMemAlloc(&manager, 64, PoolOnly, "a");
    void* b = ZephMemAlloc(&manager, 64, PoolOnly, "b");
    ZephMemFree(b); // merges into the remainder
    ZephMemFree(a); // merges into one block with it
    ZephMemFree(b);
    ZephMemFree(a);
    EXPECT_EQ(manager.poolBytes, 0);
    EXPECT_EQ(manager.chunkHead->physicalCount, 1);
    EXPECT_SOUND(&manager);
}

TEST(ZephMemPool, ZeroFillClearsReusedBytes) {
    ZephMemManager manager("m", 0, 4096, 0, nullptr);
    void* dirty = ZephMemAlloc(&manager, 200, PoolOnly, "d");
    std::memset(dirty, 0xAB, 200);
    ZephMemFree(dirty);
    unsigned char* clean = static_cast<unsigned char*>(ZephMemAlloc(&manager, 200, PoolOnly | ZeroFill, "d"));
    ASSERT_EQ(static_cast<void*>(clean), dirty);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(clean[i], 0) << i;
    ZephMemFree(clean);
}

// --- counters and records ----------------------------------------------------------

TEST(ZephMemCounters, CountRequestedSizesWithPeaks) {
    ZephMemManager manager("m", 0, 4096, 0, nullptr);
    void* heap = ZephMemAlloc(&manager, 100, 0, "h");
    void* poolA = ZephMemAlloc(&manager, 50, UsePool, "a");
    void* poolB = ZephMemAlloc(&manager, 30, UsePool, "b");
    EXPECT_EQ(manager.heapBytes, 100);
    EXPECT_EQ(manager.poolBytes, 80);
    EXPECT_EQ(manager.totalBytes, 180);
    EXPECT_EQ(manager.chunkHead->bytesInUse, 80);
    ZephMemFree(heap);
    ZephMemFree(poolA);
    EXPECT_EQ(manager.heapBytes, 0);
    EXPECT_EQ(manager.heapBytesPeak, 100);
    EXPECT_EQ(manager.poolBytes, 30);
    EXPECT_EQ(manager.poolBytesPeak, 80);
    EXPECT_EQ(manager.totalBytes, 30);
    EXPECT_EQ(manager.totalBytesPeak, 180);
    EXPECT_EQ(manager.chunkHead->bytesInUse, 30);
    EXPECT_EQ(manager.chunkHead->peakBytesInUse, 80);
    EXPECT_SOUND(&manager);
    ZephMemFree(poolB);
}

TEST(ZephMemCounters, InitStartsAfreshAndBoundsItsArguments) {
    ZephMemManager manager("first", 0, 4096, 3, nullptr);
    void* leftOver = ZephMemAlloc(&manager, 8, 0, "x");
    manager.init("a name that is much longer than thirty-one characters", LockMutex, 5, 0, nullptr);
    EXPECT_EQ(std::strlen(manager.name), 31u);
    EXPECT_EQ(std::strncmp(manager.name, "a name that is much longer than", 31), 0);
    EXPECT_EQ(manager.chunkSize, ZephMemMinChunkSize);
    EXPECT_EQ(manager.maxChunks, 0);
    EXPECT_EQ(manager.heapCount, 0);
    EXPECT_EQ(manager.serialCounter, 0u);
    EXPECT_EQ(manager.mutex.lock(0), 0); // a fresh mutex
    EXPECT_EQ(manager.mutex.unlock(), 0);
    EXPECT_SOUND(&manager);
    manager.init(nullptr, 0, 0, 0, nullptr);
    EXPECT_STREQ(manager.name, "");
    std::free(ZephMemBlockOf(leftOver)); // init forgets blocks of the earlier life
}

TEST(ZephMemCounters, GlobalManagerIsLockedHeapOnly) {
    EXPECT_STREQ(ZephMemManagerGlobal.name, "ZephMemManagerGlobal");
    EXPECT_EQ(ZephMemManagerGlobal.options, static_cast<uint32_t>(LockMutex));
    EXPECT_NE(ZephMemManagerGlobal.mutex.handle, 0);
    int32_t before = ZephMemManagerGlobal.totalBytes;
    void* p = ZephMemAlloc(&ZephMemManagerGlobal, 77, 0, "global");
    EXPECT_EQ(ZephMemManagerGlobal.totalBytes, before + 77);
    EXPECT_SOUND(&ZephMemManagerGlobal);
    ZephMemFree(p);
    EXPECT_EQ(ZephMemManagerGlobal.totalBytes, before);
}

// --- checker -----------------------------------------------------------------------

TEST(ZephMemChecker, ReportsDamageItWasWrittenFor) {
    ZephMemManager manager("m", 0, 4096, 0, nullptr);
    char* p = bytes(ZephMemAlloc(&manager, 16, PoolOnly, "p"));
    char why[256];
    p[16] ^= 1; // rear guard
    EXPECT_EQ(ZephMemCheck(&manager, why, sizeof why), -1);
    EXPECT_NE(std::strstr(why, "rear guard"), nullptr) << why;
    p[16] ^= 1;
    manager.poolBytes += 1;
    EXPECT_EQ(ZephMemCheck(&manager, why, sizeof why), -1);
    EXPECT_NE(std::strstr(why, "pool bytes"), nullptr) << why;
    manager.poolBytes -= 1;
    ZephMemBlockOf(p)->capacity += ZephMemAlignment; // overlaps the free remainder
    EXPECT_EQ(ZephMemCheck(&manager, why, sizeof why), -1);
    ZephMemBlockOf(p)->capacity -= ZephMemAlignment;
    EXPECT_EQ(ZephMemCheck(&manager, why, 1), 0);
    EXPECT_EQ(ZephMemCheck(nullptr, nullptr, 0), 0);
    ZephMemFree(p);
}

// --- watchers ------------------------------------------------------------------------

struct WatchEvent {
    intptr_t user;
    int32_t kind;
    ZephMemManager* manager;
    int32_t size;
    uint32_t flags;
    std::string name;
};
std::vector<WatchEvent> watchEvents;

void recordingWatcher(intptr_t user, int32_t kind, ZephMemManager* manager, int32_t size, uint32_t flags,
                      const char* name) {
    watchEvents.push_back({user, kind, manager, size, flags, name});
}

TEST(ZephMemWatchers, EachKindMatchesItsOwnAllocations) {
    ZephMemManager manager("m", LockMutex, 4096, 0, nullptr);
    static const char needle[] = "Needle";
    ASSERT_EQ(manager.addWatcher(ZephWatchAll, recordingWatcher, 1, 0), 0);
    ASSERT_EQ(manager.addWatcher(ZephWatchSerial, recordingWatcher, 2, 2), 0);
    ASSERT_EQ(manager.addWatcher(ZephWatchSize, recordingWatcher, 3, 64), 0);
    ASSERT_EQ(manager.addWatcher(ZephWatchName, recordingWatcher, 4, reinterpret_cast<intptr_t>(needle)), 0);
    ASSERT_EQ(manager.addWatcher(9, recordingWatcher, 9, 0), 0);
    ASSERT_EQ(manager.addWatcher(ZephWatchAll, nullptr, 10, 0), 0);
    for (int i = manager.watcherCount; i < ZephMemMaxWatchers; ++i)
        ASSERT_EQ(manager.addWatcher(ZephWatchAll, nullptr, 11, 0), 0);
    EXPECT_EQ(manager.addWatcher(ZephWatchAll, recordingWatcher, 12, 0), -1); // the table is full
    watchEvents.clear();
    std::vector<void*> blocks;
    blocks.push_back(ZephMemAlloc(&manager, 10, 0, "a"));            // serial 1
    blocks.push_back(ZephMemAlloc(&manager, 20, UsePool, "b"));      // serial 2
    blocks.push_back(ZephMemAlloc(&manager, 64, 0, "c"));            // serial 3
    blocks.push_back(ZephMemAlloc(&manager, 5, ZeroFill, "NEEDLE")); // serial 4
    blocks.push_back(ZephMemAlloc(nullptr, 64, 0, "Needle"));        // untracked: never watched
    std::vector<intptr_t> users;
    for (const WatchEvent& event : watchEvents)
        users.push_back(event.user);
    EXPECT_EQ(users, (std::vector<intptr_t>{1, 1, 2, 1, 3, 1, 4}));
    ASSERT_EQ(watchEvents.size(), 7u);
    const WatchEvent& bySerial = watchEvents[2];
    EXPECT_EQ(bySerial.kind, ZephWatchSerial);
    EXPECT_EQ(bySerial.manager, &manager);
    EXPECT_EQ(bySerial.size, 20);
    EXPECT_EQ(bySerial.flags, static_cast<uint32_t>(UsePool));
    EXPECT_EQ(bySerial.name, "b");
    EXPECT_EQ(watchEvents[6].name, "NEEDLE");
    manager.clearWatchers();
    watchEvents.clear();
    blocks.push_back(ZephMemAlloc(&manager, 64, 0, "c"));
    EXPECT_TRUE(watchEvents.empty());
    freeAll(blocks);
    EXPECT_SOUND(&manager);
}

// --- threads -----------------------------------------------------------------------

TEST(ZephMemThreads, ThreadsSharingALockedPoolKeepItSound) {
    ZephMemManager manager("shared", LockMutex, 16 * 1024, 0, nullptr);
    std::vector<std::thread> threads;
    std::atomic<int> damaged{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&manager, &damaged, t] {
            std::mt19937 random(static_cast<unsigned>(t + 1));
            std::vector<std::pair<unsigned char*, int>> mine;
            for (int step = 0; step < 3000; ++step) {
                if (mine.size() < 40 && (mine.empty() || random() % 2 == 0)) {
                    int size = static_cast<int>(random() % 300);
                    auto* p = static_cast<unsigned char*>(ZephMemAlloc(&manager, size, UsePool, "thread"));
                    std::memset(p, t + 1, static_cast<size_t>(size));
                    mine.emplace_back(p, size);
                } else {
                    size_t i = random() % mine.size();
                    for (int k = 0; k < mine[i].second; ++k)
                        if (mine[i].first[k] != t + 1)
                            ++damaged;
                    ZephMemFree(mine[i].first);
                    mine.erase(mine.begin() + static_cast<std::ptrdiff_t>(i));
                }
            }
            for (auto& [p, size] : mine)
                ZephMemFree(p);
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(damaged.load(), 0);
    EXPECT_EQ(manager.totalBytes, 0);
    EXPECT_EQ(manager.heapCount, 0);
    EXPECT_SOUND(&manager);
}

// --- randomized run under the checker --------------------------------------------

struct Live {
    unsigned char* bytes;
    int32_t size;
    unsigned char fill;
    bool pooled;
};

// Thousands of mixed allocations and releases of random sizes, flags and
// names; the checker runs after every step and the bytes of every block
// must come back as written.
void runRandomPool(unsigned seed) {
    std::mt19937 random(seed);
    const int32_t chunkSize = 2048 + static_cast<int32_t>(seed) * 1531;
    ZephMemManager manager("random", LockMutex, chunkSize, 6, nullptr);
    std::vector<Live> live;
    char why[256];
    const uint32_t flagChoices[] = {0, ZeroFill, UsePool, UsePool | ZeroFill, PoolOnly, PoolOnly | ZeroFill};
    int poolHits = 0, poolOnlyMisses = 0;
    for (int step = 0; step < 4000; ++step) {
        SCOPED_TRACE("seed " + std::to_string(seed) + " step " + std::to_string(step));
        unsigned action = random() % 100;
        if (action == 0) {
            manager.setForcePool((manager.state & ZephMemForcePool) == 0);
        } else if (live.empty() || action < 55) {
            unsigned band = random() % 10;
            int32_t size = band < 7   ? static_cast<int32_t>(random() % 200)
                           : band < 9 ? static_cast<int32_t>(200 + random() % 1300)
                                      : static_cast<int32_t>(1500 + random() % 5000);
            uint32_t flags = flagChoices[random() % 6];
            std::string name(random() % 25, static_cast<char>('a' + random() % 26));
            auto* p = static_cast<unsigned char*>(ZephMemAlloc(&manager, size, flags, name.c_str()));
            if (p == nullptr) {
                ASSERT_TRUE(flags & PoolOnly) << "only PoolOnly may fail";
                ++poolOnlyMisses;
            } else {
                ZephMemBlock* block = ZephMemBlockOf(p);
                ASSERT_EQ(block->size, size);
                ASSERT_STREQ(block->name, name.c_str());
                bool pooled = block->chunk != nullptr;
                bool poolAsked = (flags & (UsePool | PoolOnly)) != 0 || (manager.state & ZephMemForcePool) != 0;
                ASSERT_TRUE(poolAsked || !pooled);
                ASSERT_TRUE(pooled || !(flags & PoolOnly));
                poolHits += pooled ? 1 : 0;
                if (flags & ZeroFill) {
                    for (int32_t k = 0; k < size; ++k)
                        ASSERT_EQ(p[k], 0);
                }
                unsigned char fill = static_cast<unsigned char>(random());
                std::memset(p, fill, static_cast<size_t>(size));
                live.push_back({p, size, fill, pooled});
            }
        } else {
            size_t index = random() % live.size();
            Live victim = live[index];
            live[index] = live.back();
            live.pop_back();
            for (int32_t k = 0; k < victim.size; ++k)
                ASSERT_EQ(victim.bytes[k], victim.fill) << "block of " << victim.size << " bytes overwritten at " << k;
            ZephMemFree(victim.bytes);
            if (victim.pooled && random() % 20 == 0)
                ZephMemFree(victim.bytes); // a second release right away is ignored
        }
        ASSERT_EQ(ZephMemCheck(&manager, why, sizeof why), 0) << why;
    }
    EXPECT_GT(poolHits, 500);
    EXPECT_GT(poolOnlyMisses, 0); // the chunk limit was reached
    for (Live& block : live)
        ZephMemFree(block.bytes);
    ASSERT_EQ(ZephMemCheck(&manager, why, sizeof why), 0) << why;
    EXPECT_EQ(manager.totalBytes, 0);
    EXPECT_EQ(manager.heapCount, 0);
    EXPECT_EQ(manager.chunkCount, 6);
    for (ZephMemChunk* chunk = manager.chunkHead; chunk != nullptr; chunk = chunk->next) {
        EXPECT_EQ(chunk->physicalCount, 1);
        EXPECT_EQ(chunk->freeCount, 1);
        EXPECT_EQ(chunk->freeHead->capacity, chunkSize - ZephMemChunkOverhead);
    }
}

TEST(ZephMemPoolProperty, RandomAllocationsAndReleasesKeepEveryRule) {
    for (unsigned seed : {1u, 2u, 3u}) {
        runRandomPool(seed);
        if (HasFatalFailure())
            return;
    }
}

// --- the fault seam ------------------------------------------------------------------

TEST(AllocFaultSeam, FailsTheNthCallOnceOrFromThenOn) {
    ZephMemManager manager("m", LockMutex, 4096, 0, nullptr);
    {
        qvtest::AllocFault fault(&manager);
        fault.failAt(2);
        void* first = ZephMemAlloc(&manager, 8, 0, "a");
        void* second = ZephMemAlloc(&manager, 8, 0, "b");
        void* third = ZephMemAlloc(&manager, 8, UsePool, "c");
        EXPECT_NE(first, nullptr);
        EXPECT_EQ(second, nullptr);
        EXPECT_NE(third, nullptr);
        EXPECT_EQ(fault.calls(), 3);
        EXPECT_EQ(fault.failures(), 1);
        // Passed-through blocks are real: tracked, counted, serials in order.
        EXPECT_EQ(ZephMemBlockOf(first)->serial, 1u);
        EXPECT_EQ(ZephMemBlockOf(third)->serial, 2u);
        EXPECT_NE(ZephMemBlockOf(third)->chunk, nullptr);
        EXPECT_EQ(manager.totalBytes, 16);
        EXPECT_SOUND(&manager);

        fault.failAt(1, true);
        EXPECT_EQ(ZephMemAlloc(&manager, 8, 0, "x"), nullptr);
        EXPECT_EQ(ZephMemAlloc(&manager, 8, 0, "x"), nullptr);
        EXPECT_EQ(fault.failures(), 2);
        fault.disarm();
        void* after = ZephMemAlloc(&manager, 8, 0, "x");
        EXPECT_NE(after, nullptr);
        EXPECT_EQ(fault.calls(), 3);
        for (void* p : {first, third, after})
            ZephMemFree(p);
    }
    EXPECT_EQ(manager.allocHook, nullptr); // restored
    EXPECT_EQ(manager.totalBytes, 0);
    EXPECT_SOUND(&manager);
}

TEST(AllocFaultSeam, NestsAndDefaultsToTheGlobalManager) {
    qvtest::AllocFault outer;
    outer.failAt(3);
    {
        qvtest::AllocFault inner;
        inner.failAt(1);
        EXPECT_EQ(ZephMemAlloc(&ZephMemManagerGlobal, 4, 0, "x"), nullptr); // inner's 1st, outer never sees it
        void* p = ZephMemAlloc(&ZephMemManagerGlobal, 4, 0, "x");           // inner passes, outer's 1st
        EXPECT_NE(p, nullptr);
        ZephMemFree(p);
        EXPECT_EQ(inner.calls(), 2);
    }
    EXPECT_EQ(outer.calls(), 1);
    void* p = ZephMemAlloc(&ZephMemManagerGlobal, 4, 0, "x");
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(ZephMemAlloc(&ZephMemManagerGlobal, 4, 0, "x"), nullptr); // outer's 3rd
    ZephMemFree(p);
    EXPECT_SOUND(&ZephMemManagerGlobal);
}

} // namespace
