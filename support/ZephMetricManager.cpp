// ZephMetricManager.cpp - packed per-tag records, found by a linear walk.
#include "ZephMetricManager.h"

#include "ZephMem.h"
#include "ZephMutex.h"
#include "ZephStr.h"

#include <cstdint>
#include <cstring>

namespace {

int32_t addWrapping(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

ZephMetricField* fieldAt(char* record, int32_t offset) { return reinterpret_cast<ZephMetricField*>(record + offset); }

} // namespace

void ZephMetricManager::init(ZephMemManager* newManager) {
    manager = newManager;
    mutex = ZephMutex::newMutex(newManager);
    area = nullptr;
    capacity = used = free = records = 0;
    step = ZephMetricDefaultStep;
    events = countTotal = amountTotal = 0;
}

void ZephMetricManager::release() {
    discard();
    ZephMutex::deleteMutex(&mutex);
}

void ZephMetricManager::discard() {
    ZephMemFree(area);
    area = nullptr;
    capacity = used = free = records = 0;
    events = countTotal = amountTotal = 0;
}

int ZephMetricManager::record(const char* tag, int32_t countChange, int32_t amountChange) {
    if (tag == nullptr)
        return -1;
    bool locked = mutex != nullptr && mutex->lock(-1) == 0;
    int result = 0;

    ZephMetricField* eventsField = nullptr;
    ZephMetricField* countField = nullptr;
    ZephMetricField* amountField = nullptr;
    const char* name = nullptr;
    bool found = false;
    if (area != nullptr && used > 0) {
        // Stops at the end or at the first record that does not fit; a new
        // record then goes after the used part.
        const char* cursor = nullptr;
        while (!found && walk(cursor, &cursor, &eventsField, &countField, &amountField, &name) == 0)
            found = ZephStrEqualNoCase(name, tag) != 0;
    }

    if (found) {
        countField->add(countChange);
        amountField->add(amountChange);
        if (countChange > 0) {
            eventsField->add(1);
            events = addWrapping(events, 1);
        }
    } else {
        int64_t need = ZephMetricRecordSize(ZephStrLength(tag));
        if (capacity < used + need) {
            int64_t growth = step < 1 ? 1 : step;
            int64_t shortfall = used + need - capacity;
            int64_t newCapacity = capacity + (shortfall + growth - 1) / growth * growth;
            if (newCapacity > INT32_MAX || resize(static_cast<int32_t>(newCapacity)) != 0)
                result = -1;
        }
        if (result == 0) {
            char* record = area + used;
            fieldAt(record, ZephMetricEventsOffset)->set(1);
            fieldAt(record, ZephMetricCountOffset)->set(countChange);
            fieldAt(record, ZephMetricAmountOffset)->set(amountChange);
            fieldAt(record, ZephMetricNameLengthOffset)->set(static_cast<int32_t>(need - ZephMetricNameOffset));
            std::memcpy(record + ZephMetricNameOffset, tag, static_cast<size_t>(need - ZephMetricNameOffset));
            used += static_cast<int32_t>(need);
            ++records;
            free = capacity - used;
            if (countChange > 0)
                events = addWrapping(events, 1);
        }
    }
    if (result == 0) {
        countTotal = addWrapping(countTotal, countChange);
        amountTotal = addWrapping(amountTotal, amountChange);
    }
    if (locked)
        mutex->unlock();
    return result;
}

int ZephMetricManager::resize(int32_t newCapacity) {
    if (newCapacity < 1) {
        discard();
        return 0;
    }
    if (newCapacity < capacity)
        discard();
    auto* grown = static_cast<char*>(ZephMemAlloc(manager, newCapacity, 0, "ZephMetricManager buffer"));
    if (grown == nullptr)
        return -1;
    std::memset(grown, 0, static_cast<size_t>(newCapacity));
    if (area != nullptr && used > 0)
        std::memcpy(grown, area, static_cast<size_t>(used));
    ZephMemFree(area);
    area = grown;
    capacity = newCapacity;
    free = capacity - used;
    return 0;
}

int ZephMetricManager::walk(const char* cursor, const char** next, ZephMetricField** eventsOut,
                            ZephMetricField** countOut, ZephMetricField** amountOut, const char** name) {
    if (area == nullptr)
        return -1;
    // Addresses compare as integers: cursor may point anywhere.
    uintptr_t start = reinterpret_cast<uintptr_t>(area);
    uintptr_t at = cursor == nullptr ? start : reinterpret_cast<uintptr_t>(cursor);
    int32_t usedBytes = used < 0 ? 0 : (used > capacity ? capacity : used);
    uintptr_t end = start + static_cast<uintptr_t>(usedBytes);
    if (at < start || at >= end)
        return -1;
    uintptr_t room = end - at;
    char* record = area + (at - start);
    // Each field must lie wholly inside the used part before it is handed out.
    if (room < ZephMetricCountOffset)
        return -1;
    if (eventsOut != nullptr)
        *eventsOut = fieldAt(record, ZephMetricEventsOffset);
    if (room < ZephMetricAmountOffset)
        return -1;
    if (countOut != nullptr)
        *countOut = fieldAt(record, ZephMetricCountOffset);
    if (room < ZephMetricNameLengthOffset)
        return -1;
    if (amountOut != nullptr)
        *amountOut = fieldAt(record, ZephMetricAmountOffset);
    if (room < ZephMetricNameOffset)
        return -1;
    int32_t nameLength = fieldAt(record, ZephMetricNameLengthOffset)->get();
    if (nameLength < 1 || static_cast<uintptr_t>(nameLength) > room - ZephMetricNameOffset)
        return -1;
    if (record[ZephMetricNameOffset + nameLength - 1] != 0)
        return -1;
    if (name != nullptr)
        *name = record + ZephMetricNameOffset;
    if (next != nullptr)
        *next = record + ZephMetricNameOffset + nameLength;
    return 0;
}

// The application state is built at priority 101 and ZephMemManagerGlobal at
// 102; exit handlers run in reverse, so this one goes first at exit.
void ZephMetricManager::feed(ZephMemManager* manager, const char* name, int32_t countChange, int32_t amountChange) {
    if (manager == nullptr || manager->metricManager == nullptr)
        return;
    manager->metricManager->record(name, countChange, amountChange);
}

ZephMetricManager ZephMetricManagerGlobal __attribute__((init_priority(103)));
