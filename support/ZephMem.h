// ZephMem.h - the guarded memory manager: named blocks with guard words,
// tracking, counters and peaks, and optional pool chunks.
#ifndef QUORVEL_SUPPORT_ZEPHMEM_H
#define QUORVEL_SUPPORT_ZEPHMEM_H

#include "ZephMutex.h"

#include <cstddef>
#include <cstdint>

struct ZephMemChunk;
struct ZephMemManager;
struct ZephMetricManager;

// Block layout, offsets from the block's start:
//   [header ZephMemHeaderSize][front guard 4][caller's bytes size]
//   [rear guard 4][name + NUL]
// The guards hold 0xDEADBEEF. The caller's pointer is header + ZephMemUserOffset.
struct ZephMemBlock {
    ZephMemManager* manager;       // owner, or none for an untracked block
    ZephMemChunk* chunk;           // holding pool chunk, or none for a heap block
    int32_t capacity;              // bytes after the header that belong to the block
    int32_t size;                  // bytes the caller asked for
    uint32_t serial;               // 0: a free pool block, or untracked
    uint32_t id;                   // 0 at allocation; shown in guard reports
    ZephMemBlock* listPrevious;    // heap-block list, or the chunk's used/free list
    ZephMemBlock* listNext;
    ZephMemBlock* physicalPrevious; // pool blocks: all blocks of a chunk in address order
    ZephMemBlock* physicalNext;
    uint32_t allocationTick;       // tick count when the allocation started
    char* name;                    // the name copy inside the block
};

struct ZephMemChunk {
    ZephMemManager* manager;
    ZephMemChunk* previous;
    ZephMemChunk* next;
    int32_t chunkSize;
    ZephMemBlock* physicalHead;
    ZephMemBlock* physicalTail;
    int32_t physicalCount;
    ZephMemBlock* usedHead;
    ZephMemBlock* usedTail;
    int32_t usedCount;
    ZephMemBlock* freeHead;
    ZephMemBlock* freeTail;
    int32_t freeCount;
    int32_t bytesInUse;            // sum of the requested sizes of its used blocks
    int32_t peakBytesInUse;
};

// Layout constants, derived in this one place from the real record sizes.
// The 32-bit build gets the classic numbers (48, 52, 56, 57, 60, 108, 117).
// The 64-bit build pads the header so that the caller's pointer is 16-byte
// aligned (records with pointers and 64-bit fields live in blocks), and
// rounds block spans so that pool blocks stay aligned too.
inline constexpr int32_t ZephMemAlignment = sizeof(void*) == 4 ? 4 : 16;
inline constexpr int32_t zephMemRoundUp(int32_t n, int32_t to) { return (n + to - 1) / to * to; }
inline constexpr int32_t ZephMemHeaderSize =
    zephMemRoundUp(static_cast<int32_t>(sizeof(ZephMemBlock)) + 4, ZephMemAlignment) - 4;      // 48
inline constexpr int32_t ZephMemUserOffset = ZephMemHeaderSize + 4;                             // 52
inline constexpr int32_t ZephMemGuardedOffset = ZephMemHeaderSize + 8;                          // 56
inline constexpr int32_t ZephMemBlockOverhead = ZephMemHeaderSize + 9;                          // 57
inline constexpr int32_t ZephMemChunkHeaderSize =
    zephMemRoundUp(static_cast<int32_t>(sizeof(ZephMemChunk)), ZephMemAlignment);               // 60
inline constexpr int32_t ZephMemChunkOverhead = ZephMemChunkHeaderSize + ZephMemHeaderSize;     // 108
inline constexpr int32_t ZephMemMinChunkSize = ZephMemChunkOverhead + 9;                        // 117
inline constexpr uint32_t ZephMemGuardWord = 0xDEADBEEFu;

// Options of a manager.
enum : uint32_t { LockMutex = 1, ReportMetrics = 2, CheckGuards = 4 };
// Allocation flags.
enum : uint32_t { ZeroFill = 1, UsePool = 2, PoolOnly = 4 };
// State bits of a manager.
enum : uint32_t { ZephMemForcePool = 1, ZephMemReporting = 2 };

using ZephMemAllocHook = void* (*)(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name);
using ZephMemFreeHook = void (*)(ZephMemManager* manager, void* pointer);
using ZephMemWatchCallback = void (*)(intptr_t user, int32_t kind, ZephMemManager* manager, int32_t size,
                                      uint32_t flags, const char* name);

// Watcher kinds: 1 every allocation, 2 serial equals match, 3 size equals
// match, 4 match is a text equal to the block's name ignoring case.
struct ZephMemWatcher {
    int32_t kind;
    ZephMemWatchCallback callback;
    intptr_t user;
    intptr_t match;
};

inline constexpr int ZephMemMaxWatchers = 16;

// A manager tracks its blocks, counts requested bytes (not capacities) with
// peaks, and can serve blocks from pool chunks of its own. Destruction closes
// only the mutex: blocks still held are neither reported nor freed, and chunks
// stay reserved until the process ends.
struct ZephMemManager {
    char name[32];
    uint32_t options;
    int32_t chunkSize;             // never below ZephMemMinChunkSize
    int32_t maxChunks;             // 0: no limit
    ZephMutex mutex;
    ZephMetricManager* metricManager;
    uint32_t serialCounter;        // last serial handed out
    uint32_t slowestAlloc;         // ms
    ZephMemChunk* chunkHead;
    ZephMemChunk* chunkTail;
    int32_t chunkCount;
    ZephMemBlock* heapHead;
    ZephMemBlock* heapTail;
    int32_t heapCount;
    int32_t heapBytes, heapBytesPeak;
    int32_t poolBytes, poolBytesPeak;
    int32_t totalBytes, totalBytesPeak;
    char reportFile[32];           // empty: no guard reports
    uint32_t state;
    ZephMemAllocHook allocHook;
    ZephMemFreeHook freeHook;
    ZephMemWatcher watchers[ZephMemMaxWatchers];
    int32_t watcherCount;

    ZephMemManager(const char* name, uint32_t options, int32_t chunkSize, int32_t maxChunks,
                   ZephMetricManager* metricManager);
    ~ZephMemManager();
    ZephMemManager(const ZephMemManager&) = delete;
    ZephMemManager& operator=(const ZephMemManager&) = delete;

    // Closes the mutex if open, zeroes the record, stores the arguments (name
    // cut to 31 characters, chunk size raised to the minimum) and creates the
    // mutex. Does not give back chunks or blocks of an earlier life.
    void init(const char* name, uint32_t options, int32_t chunkSize, int32_t maxChunks,
              ZephMetricManager* metricManager);
};

// The caller's bytes of a new block of size bytes named name, tracked by
// manager (none: an untracked heap block). Returns none when no memory is
// to be had (or, with PoolOnly, no pool block); reports nothing.
void* ZephMemAlloc(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name);

// Gives a block back; none does nothing. A pool block released twice is
// ignored; a heap block must be released once.
void ZephMemFree(void* pointer);

// The header of a block from its caller's pointer.
inline ZephMemBlock* ZephMemBlockOf(void* pointer) {
    return reinterpret_cast<ZephMemBlock*>(static_cast<char*>(pointer) - ZephMemUserOffset);
}

// The process-wide manager: "ZephMemManagerGlobal", LockMutex only.
extern ZephMemManager ZephMemManagerGlobal;

#endif
