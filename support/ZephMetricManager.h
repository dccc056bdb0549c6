// ZephMetricManager.h - per-tag allocation statistics: for every allocation
// tag, how many blocks were made, how many are alive and how many bytes they
// hold. A memory manager with ReportMetrics feeds one through the feed that
// library start-up installs; nothing attaches the process-wide one in this
// program, so it stays empty.
#ifndef QUORVEL_SUPPORT_ZEPHMETRICMANAGER_H
#define QUORVEL_SUPPORT_ZEPHMETRICMANAGER_H

#include <cstdint>
#include <cstring>

struct ZephMemManager;
struct ZephMutex;

// A 32-bit field of a packed record. Records stand back to back at any byte
// offset, so their fields may be unaligned: they are read and written only
// through this type, which has no alignment of its own.
struct ZephMetricField {
    unsigned char bytes[4];

    int32_t get() const {
        int32_t value;
        std::memcpy(&value, bytes, 4);
        return value;
    }
    void set(int32_t value) { std::memcpy(bytes, &value, 4); }
    // Adds with two's-complement wrap-around, as the 32-bit counters always did.
    void add(int32_t change) {
        set(static_cast<int32_t>(static_cast<uint32_t>(get()) + static_cast<uint32_t>(change)));
    }
};
static_assert(sizeof(ZephMetricField) == 4 && alignof(ZephMetricField) == 1);

// The record layout, the same on every platform and pointer width:
//   offset 0  events       changes with a positive count change (a new record starts at 1)
//   offset 4  count        running sum of count changes (blocks alive)
//   offset 8  amount       running sum of amount changes (bytes alive)
//   offset 12 name length  bytes of the name including its terminator
//   offset 16 name         the tag as first recorded, zero-terminated
// Records follow each other from the start of the area with no padding.
inline constexpr int32_t ZephMetricEventsOffset = 0;
inline constexpr int32_t ZephMetricCountOffset = 4;
inline constexpr int32_t ZephMetricAmountOffset = 8;
inline constexpr int32_t ZephMetricNameLengthOffset = 12;
inline constexpr int32_t ZephMetricNameOffset = 16;
// Bytes of a record whose tag has tagLength characters.
inline constexpr int64_t ZephMetricRecordSize(int64_t tagLength) { return ZephMetricNameOffset + tagLength + 1; }

inline constexpr int32_t ZephMetricDefaultStep = 4096;

// Invariants: 0 <= used <= capacity, free == capacity - used; the first used
// bytes of area are whole records; area is none exactly when capacity is 0.
// The area comes from manager, which must not feed this same metric manager
// (growing the area would record into it before it exists); none gives
// untracked heap blocks.
struct ZephMetricManager {
    ZephMemManager* manager; // source of the area and the mutex, or none
    ZephMutex* mutex;        // none: nothing is locked
    char* area;              // block "ZephMetricManager buffer", or none
    int32_t capacity;        // bytes in area
    int32_t used;            // bytes taken by records
    int32_t free;            // capacity - used
    int32_t records;         // number of records (distinct tags)
    int32_t step;            // growth step in bytes
    int32_t events;          // changes recorded with a positive count change
    int32_t countTotal;      // sum of all count changes
    int32_t amountTotal;     // sum of all amount changes

    explicit ZephMetricManager(ZephMemManager* manager = nullptr) { init(manager); }
    ~ZephMetricManager() { release(); }
    ZephMetricManager(const ZephMetricManager&) = delete;
    ZephMetricManager& operator=(const ZephMetricManager&) = delete;

    // Empties a fresh or released record: no area, step 4096, and a mutex from
    // manager (ZephMutex::newMutex; none when manager is none). Cannot fail;
    // without a mutex the record runs unlocked.
    void init(ZephMemManager* manager);
    // Frees the area and the mutex and zeroes the counters; safe twice.
    void release();

    // Adds the changes to the record of tag (found ignoring case, its name
    // kept as first written), or appends a new record, growing the area by
    // whole steps when it lacks room. Locks the mutex for the whole lookup.
    // Returns 0, or -1 for a missing tag or when the area cannot grow (the
    // change is then lost and the records stay as they were).
    int record(const char* tag, int32_t countChange, int32_t amountChange);

    // Gives the area newCapacity bytes, keeping the records. A capacity
    // below 1 discards everything (area, records and totals; step stays) and
    // returns 0; a capacity below the current one discards everything first.
    // Returns -1 when the new area cannot be had (the old one then stays,
    // unless it was discarded).
    int resize(int32_t newCapacity);

    // Steps through the records: cursor none means the first one. Returns 0
    // and sets the outputs (any may be none) for the record at cursor, with
    // *next at the record after it. Returns -1 when there is no area, at the
    // end of the records, when cursor is outside the used part, or at a record
    // that does not lie wholly inside the used part or whose name lacks its
    // terminator; outputs whose fields did fit are set even then.
    int walk(const char* cursor, const char** next, ZephMetricField** eventsOut, ZephMetricField** countOut,
             ZephMetricField** amountOut, const char** name);

    // The memory manager's metric feed (ZephMemSetMetricFeed; installed by
    // ZephLib::startup): records the change with manager's metric manager.
    // Does nothing when either is none.
    static void feed(ZephMemManager* manager, const char* name, int32_t countChange, int32_t amountChange);

private:
    void discard();
};

// The process-wide metric manager: no memory manager, so no mutex. Built
// after ZephMemManagerGlobal and torn down before it.
extern ZephMetricManager ZephMetricManagerGlobal;

#endif
