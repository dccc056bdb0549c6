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
// A block's need (zephMemNeed) is the bytes after the header that it takes:
// guards, caller's bytes and name, rounded up so that blocks laid end to end
// in a pool chunk keep the caller's pointers aligned.
struct ZephMemBlock {
    ZephMemManager* manager;    // owner, or none for an untracked block
    ZephMemChunk* chunk;        // holding pool chunk, or none for a heap block
    int32_t capacity;           // bytes after the header that belong to the block
    int32_t size;               // bytes the caller asked for
    uint32_t serial;            // 0: a free pool block, or untracked
    uint32_t id;                // 0 at allocation; shown in guard reports
    ZephMemBlock* listPrevious; // heap-block list, or the chunk's used/free list
    ZephMemBlock* listNext;
    ZephMemBlock* physicalPrevious; // pool blocks: all blocks of a chunk in address order
    ZephMemBlock* physicalNext;
    uint32_t allocationTick; // tick count when the allocation started
    char* name;              // the name copy inside the block
};

// A pool chunk: one region reserved and committed (readable and writable,
// never executable) whole from the system, never given back. Its blocks tile
// it without gaps: chunk header, then for each block in address order its
// header and capacity bytes. Every block is on the physical list and on
// exactly one of the used list (serial != 0, in allocation order) and the
// free list (serial 0, in address order, never two neighbours in a row:
// they are merged on release).
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
    int32_t bytesInUse; // sum of the requested sizes of its used blocks
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
    zephMemRoundUp(static_cast<int32_t>(sizeof(ZephMemBlock)) + 4, ZephMemAlignment) - 4; // 48
inline constexpr int32_t ZephMemUserOffset = ZephMemHeaderSize + 4;                       // 52
inline constexpr int32_t ZephMemGuardedOffset = ZephMemHeaderSize + 8;                    // 56
inline constexpr int32_t ZephMemBlockOverhead = ZephMemHeaderSize + 9;                    // 57
inline constexpr int32_t ZephMemChunkHeaderSize =
    zephMemRoundUp(static_cast<int32_t>(sizeof(ZephMemChunk)), ZephMemAlignment);           // 60
inline constexpr int32_t ZephMemChunkOverhead = ZephMemChunkHeaderSize + ZephMemHeaderSize; // 108
inline constexpr int32_t ZephMemMinChunkSize = ZephMemChunkOverhead + 9;                    // 117
inline constexpr uint32_t ZephMemGuardWord = 0xDEADBEEFu;

static_assert(sizeof(void*) != 4 || (ZephMemHeaderSize == 48 && ZephMemUserOffset == 52 && ZephMemGuardedOffset == 56 &&
                                     ZephMemBlockOverhead == 57 && ZephMemChunkHeaderSize == 60 &&
                                     ZephMemChunkOverhead == 108 && ZephMemMinChunkSize == 117),
              "the 32-bit layout must keep the classic block and chunk sizes");
static_assert((ZephMemHeaderSize + 4) % ZephMemAlignment == 0 && ZephMemChunkHeaderSize % ZephMemAlignment == 0,
              "caller's pointers of heap and pool blocks must be aligned");

// The need of a block: size + name length + 9 (guards and the name's zero),
// rounded so that header + need is a multiple of ZephMemAlignment (on 32-bit:
// rounded up to 4). 64-bit arithmetic, so callers can refuse results that do
// not fit a block.
inline constexpr int64_t zephMemNeed(int64_t size, int64_t nameLength) {
    int64_t span = ZephMemHeaderSize + size + nameLength + 9;
    return (span + ZephMemAlignment - 1) / ZephMemAlignment * ZephMemAlignment - ZephMemHeaderSize;
}

// Options of a manager.
enum : uint32_t { LockMutex = 1, ReportMetrics = 2, CheckGuards = 4 };
// Allocation flags.
enum : uint32_t { ZeroFill = 1, UsePool = 2, PoolOnly = 4 };
// State bits of a manager.
enum : uint32_t { ZephMemForcePool = 1, ZephMemReporting = 2 };

// An allocation hook takes over ZephMemAlloc entirely (the manager's lock is
// held; ZeroFill is applied to its result afterwards); a release hook takes
// over ZephMemFree for every block of the manager.
using ZephMemAllocHook = void* (*)(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name);
using ZephMemFreeHook = void (*)(ZephMemManager* manager, void* pointer);
using ZephMemWatchCallback = void (*)(intptr_t user, int32_t kind, ZephMemManager* manager, int32_t size,
                                      uint32_t flags, const char* name);
// The metric feed: ZephMemAlloc calls it with (+1, +size) after its
// bookkeeping and before the watchers, ZephMemFree with (-1, -size) after the
// counters drop; only for a manager with ReportMetrics and a metric manager,
// under the manager's lock.
using ZephMemMetricFeed = void (*)(ZephMemManager* manager, const char* name, int32_t countChange,
                                   int32_t amountChange);

// Watcher kinds, tested after every tracked allocation: 1 every allocation,
// 2 the block's serial equals match, 3 size equals match, 4 match points to a
// text equal to the block's name ignoring case. Other kinds never match.
enum : int32_t { ZephWatchAll = 1, ZephWatchSerial = 2, ZephWatchSize = 3, ZephWatchName = 4 };

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
//
// The byte counters are 32-bit as laid out; they wrap (never trap) when the
// live total passes 2^31 - 1.
struct ZephMemManager {
    char name[32];
    uint32_t options;
    int32_t chunkSize; // never below ZephMemMinChunkSize
    int32_t maxChunks; // 0: no limit
    ZephMutex mutex;
    ZephMetricManager* metricManager;
    uint32_t serialCounter; // last serial handed out
    uint32_t slowestAlloc;  // ms
    ZephMemChunk* chunkHead;
    ZephMemChunk* chunkTail;
    int32_t chunkCount;
    ZephMemBlock* heapHead;
    ZephMemBlock* heapTail;
    int32_t heapCount;
    int32_t heapBytes, heapBytesPeak;
    int32_t poolBytes, poolBytesPeak;
    int32_t totalBytes, totalBytesPeak;
    char reportFile[32]; // empty: no guard reports
    uint32_t state;      // ZephMemForcePool, ZephMemReporting
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

    // The configuration's ways to set hooks, watchers and forcePool; each
    // takes the lock (with LockMutex), so it is safe while other threads
    // allocate. Nothing in the program itself calls them.

    // Installs both hooks; none removes one. Cannot fail.
    void setHooks(ZephMemAllocHook allocation, ZephMemFreeHook release);
    // Adds a watcher (see the kinds above; for ZephWatchName, match is a
    // const char* that must outlive the watcher). Returns 0, or -1 when all
    // ZephMemMaxWatchers entries are in use.
    int addWatcher(int32_t kind, ZephMemWatchCallback callback, intptr_t user, intptr_t match);
    // Removes every watcher.
    void clearWatchers();
    // On: every allocation behaves as if UsePool were given.
    void setForcePool(bool on);
    // Names the file that CheckGuards writes its reports to (appended, made
    // when missing); none or "" turns the reports off. A path of 32
    // characters or more is refused with -1 and nothing changes, since a cut
    // one would name another file. Otherwise 0.
    int setReportFile(const char* path);
};

// The caller's bytes of a new block of size bytes named name, tracked by
// manager (none: an untracked heap block). A negative size is served as 0, a
// missing name as "". Returns none when no memory is to be had, when size
// with the block's overhead would not fit 32 bits, or with PoolOnly when no
// pool block can be had; reports nothing. Thread-safe with LockMutex.
void* ZephMemAlloc(ZephMemManager* manager, int32_t size, uint32_t flags, const char* name);

// Gives a block back; none does nothing. A pool block released twice is
// ignored; a heap block must be released once.
void ZephMemFree(void* pointer);

// The metric manager sits above the memory manager (its records live in
// blocks), so the memory manager only calls the feed it is given: library
// start-up (ZephLib::startup) installs ZephMetricManager::feed and shutdown
// removes it. While none is installed ReportMetrics feeds nothing. Meant to
// be set while no other thread allocates. Cannot fail.
void ZephMemSetMetricFeed(ZephMemMetricFeed feed);
ZephMemMetricFeed ZephMemGetMetricFeed();

// The header of a block from its caller's pointer.
inline ZephMemBlock* ZephMemBlockOf(void* pointer) {
    return reinterpret_cast<ZephMemBlock*>(static_cast<char*>(pointer) - ZephMemUserOffset);
}

// Walks every chunk, every pool block and every tracked heap block of
// manager (under its lock with LockMutex) and tests the manager's rules:
// chunks and blocks point back to their owners; each chunk is tiled by its
// blocks without gap or overlap, header and capacity bytes adding up to the
// chunk size; used and free lists hold exactly the used and free blocks,
// the free list in address order with no two free blocks adjacent; each used
// or heap block has intact guards, its name inside its capacity; the chunk,
// pool, heap and total counters equal the sums of the live sizes and no peak
// lies below its counter. Returns 0 when all hold (also for none), else -1
// with the first broken rule described in why (bounded, always terminated
// when whySize > 0; why may be none). Allocates nothing. Meant for tests and
// diagnostics: it costs a walk of every block.
int ZephMemCheck(ZephMemManager* manager, char* why, int whySize);

// The process-wide manager: "ZephMemManagerGlobal", LockMutex only, chunk
// size 0 (the minimum), no chunk limit, no metric manager.
//
// Static construction order: the application state is built first (its
// object carries init_priority(101)), then this manager (init_priority(102)),
// then ZephMetricManagerGlobal (init_priority(103)). Objects without a
// priority come after all three, so any static object may allocate from
// this manager. Destructors run in the reverse order at exit; once this one
// has run its mutex is closed and late releases run unlocked.
extern ZephMemManager ZephMemManagerGlobal;

#endif
