// ZephInstance.cpp - the probe for the lowest free instance number.
#include "ZephInstance.h"

#include "ZephSysInstance.h"
#include "ZephTick.h"

#include <cstdio>

namespace {
// A slot that answers neither taken nor busy gets this many tries, a
// millisecond apart, before its number is passed over.
constexpr int kTriesPerNumber = 10;
// Win32 refuses object names of 260 characters or more; a name too long
// for this area is refused here rather than cut.
constexpr int kNameCapacity = 512;
} // namespace

int ZephInstance::acquire(const char* programName) {
    release();
    if (programName == nullptr)
        programName = "UNNAMED";
    for (int32_t candidate = 1; candidate <= ZephInstanceMaxNumber; ++candidate) {
        char name[kNameCapacity];
        int length = std::snprintf(name, sizeof name, "semaphore:%s:%d", programName, static_cast<int>(candidate));
        // Never cut the name: two programs would then share one sequence.
        if (length < 0 || length >= kNameCapacity)
            return -1;
        int64_t slot = ZephSysInstanceOpen(name);
        if (slot == 0)
            continue;
        for (int attempt = 0; attempt < kTriesPerNumber; ++attempt) {
            ZephWaitResult result = ZephSysInstanceTryTake(slot);
            if (result == ZephWaitAcquired) {
                handle = slot;
                number = candidate;
                return 0;
            }
            if (result == ZephWaitTimeout)
                break;
            ZephSleep(1);
        }
        ZephSysInstanceClose(slot);
    }
    return -1;
}

int ZephInstance::release() {
    if (handle != 0)
        ZephSysInstanceGiveBack(handle);
    handle = 0;
    number = 0;
    return 0;
}
