// ZephSysMemory.h - platform layer: whole regions of memory for pool chunks.
#ifndef QUORVEL_SUPPORT_ZEPHSYSMEMORY_H
#define QUORVEL_SUPPORT_ZEPHSYSMEMORY_H

#include <cstdint>

// Reserves bytes of address space and commits all of them at once, readable
// and writable and never executable, zero-filled, aligned to the system's
// page size. Returns none when bytes < 1 or the system refuses. The memory
// manager never gives a region back, so there is no release.
void* ZephSysMemoryReserve(int32_t bytes);

#endif
