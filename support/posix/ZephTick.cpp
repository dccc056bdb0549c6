// posix/ZephTick.cpp - tick count from the monotonic clock. POSIX only.
#include "ZephTick.h"

#include <sched.h>
#include <time.h>

uint32_t ZephTickCount() {
    timespec now{};
    // The coarse clock is several times cheaper to read and still finer than
    // GetTickCount, whose resolution is about 16 ms.
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void ZephSleep(uint32_t ms) {
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec wait{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) != 0) {
    }
}
