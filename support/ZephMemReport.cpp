// ZephMemReport.cpp - guard reports of the memory manager and the
// configuration of the report file.
#include "ZephMemReport.h"

#include "ZephFile.h"
#include "ZephLib.h"
#include "ZephMem.h"
#include "ZephStr.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The report line is composed in an area of this size.
constexpr int ReportLineSize = 512;

bool isGuardIntact(const char* at) {
    uint32_t guard;
    std::memcpy(&guard, at, 4);
    return guard == ZephMemGuardWord;
}

// Writes the report line and the dump for a block whose guard at `at` was
// found damaged.
void writeReport(ZephMemManager* manager, ZephMemBlock* block, const char* what, const char* at) {
    char* user = reinterpret_cast<char*>(block) + ZephMemUserOffset;
    // The name is read only within the bytes the block claims after its rear
    // guard, so an overrun that wiped its terminator is not followed further.
    const int64_t room = static_cast<int64_t>(block->capacity) - block->size - 8;
    const char* name = block->name;
    int32_t nameLength = 0;
    if (room > 0 && name != nullptr) {
        const void* end = std::memchr(name, 0, static_cast<size_t>(room));
        nameLength =
            end != nullptr ? static_cast<int32_t>(static_cast<const char*>(end) - name) : static_cast<int32_t>(room);
    } else {
        name = "";
    }

    char stamp[26];
    ZephTimeStamp(stamp);
    const auto userAddress = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(user));
    const auto atAddress = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(at));
    const int kilobytes = static_cast<int>((static_cast<int64_t>(block->size) + 1023) / 1024);
    const char* const format = "%s #%4u: $%16.16" PRIx64 " %8d bytes [%4dK], id=%u, \"%.*s\" MEMORY BUFFER %s!!! (at "
                               "$%16.16" PRIx64 "!!!)";
    // A name too long for the line is cut; the rest of the line never is.
    const int fixed = std::snprintf(nullptr, 0, format, stamp, block->serial, userAddress, block->size, kilobytes,
                                    block->id, 0, "", what, atAddress);
    if (fixed < 0 || fixed >= ReportLineSize)
        return;
    const int shown = nameLength < ReportLineSize - 1 - fixed ? nameLength : ReportLineSize - 1 - fixed;
    char line[ReportLineSize];
    std::snprintf(line, sizeof line, format, stamp, block->serial, userAddress, block->size, kilobytes, block->id,
                  shown, name, what, atAddress);
    ZephFileAppendLine(manager->reportFile, line);

    // The caller's bytes, the rear guard and the first four bytes of the
    // name; a name shorter than three characters ends the dump with its
    // terminator, the last byte that belongs to the block.
    const int64_t afterGuard = nameLength + 1 < 4 ? nameLength + 1 : 4;
    const int64_t dumpLength = static_cast<int64_t>(block->size) + 4 + (room > 0 ? afterGuard : 0);
    if (dumpLength <= INT32_MAX)
        ZephFileAppendHexDump(manager->reportFile, "    ", user, static_cast<int32_t>(dumpLength), 0, 32, true);
}

} // namespace

void zephMemCheckGuardsOnRelease(ZephMemManager* manager, ZephMemBlock* block) {
    if (manager == nullptr || block == nullptr || (manager->state & ZephMemReporting) != 0 ||
        manager->reportFile[0] == '\0')
        return;
    char* user = reinterpret_cast<char*>(block) + ZephMemUserOffset;
    const char* what = nullptr;
    const char* at = nullptr;
    if (!isGuardIntact(user - 4)) {
        what = "UNDERRUN";
        at = user;
    } else if (!isGuardIntact(user + block->size)) {
        what = "OVERRUN";
        at = user + block->size;
    } else {
        return;
    }
    // The report's own file operations allocate, perhaps from this manager:
    // their releases must not check again.
    manager->state |= ZephMemReporting;
    writeReport(manager, block, what, at);
    manager->state &= ~static_cast<uint32_t>(ZephMemReporting);
}

int ZephMemManager::setReportFile(const char* path) {
    if (ZephStrLength(path) >= static_cast<int>(sizeof reportFile))
        return -1;
    bool locked = (options & LockMutex) != 0 && mutex.lock(-1) == 0;
    ZephStrCopy(reportFile, path, sizeof reportFile);
    if (locked)
        mutex.unlock();
    return 0;
}
