// ZephTick.h - the millisecond tick count and the sleep.
#ifndef QUORVEL_SUPPORT_ZEPHTICK_H
#define QUORVEL_SUPPORT_ZEPHTICK_H

#include <cstdint>

// Milliseconds from a monotonic clock as a 32-bit count that wraps after
// about 49.7 days, like GetTickCount. Intervals are always computed as the
// unsigned difference later - earlier, which stays right across the wrap.
uint32_t ZephTickCount();

// Elapsed milliseconds since a tick taken earlier, wrap included.
inline uint32_t ZephTickSince(uint32_t start) { return ZephTickCount() - start; }

// Gives up the processor for at least ms milliseconds; 0 only yields.
void ZephSleep(uint32_t ms);

#endif
