// posix/ZephSysMemory.cpp - pool chunks from anonymous mappings. POSIX only.
#include "ZephSysMemory.h"

#include <sys/mman.h>

void* ZephSysMemoryReserve(int32_t bytes) {
    if (bytes < 1)
        return nullptr;
    void* region =
        mmap(nullptr, static_cast<size_t>(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return region == MAP_FAILED ? nullptr : region;
}
