// posix/ZephSysMemoryTest.cpp - pool chunks are mapped readable and writable,
// never executable. POSIX only: reads the process's own map.
#include "ZephSysMemory.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The permission text ("rw-p" ...) of the mapping that holds address.
std::string permissionsAt(const void* address) {
    auto at = reinterpret_cast<uintptr_t>(address);
    FILE* maps = std::fopen("/proc/self/maps", "r");
    if (maps == nullptr)
        return "";
    char line[512];
    std::string found;
    while (std::fgets(line, sizeof line, maps) != nullptr) {
        uintptr_t from = 0, to = 0;
        char permissions[8] = {};
        if (std::sscanf(line, "%" SCNxPTR "-%" SCNxPTR " %4s", &from, &to, permissions) == 3 && at >= from && at < to) {
            found = permissions;
            break;
        }
    }
    std::fclose(maps);
    return found;
}

TEST(ZephSysMemory, ChunksAreReadableWritableAndNeverExecutable) {
    ZephMemManager manager("m", 0, 64 * 1024, 0, nullptr);
    void* p = ZephMemAlloc(&manager, 100, PoolOnly, "chunk");
    ASSERT_NE(p, nullptr);
    ASSERT_NE(manager.chunkHead, nullptr);
    std::string permissions = permissionsAt(manager.chunkHead);
    ASSERT_EQ(permissions.size(), 4u) << "no mapping found";
    EXPECT_EQ(permissions.substr(0, 3), "rw-");
    ZephMemFree(p);
}

TEST(ZephSysMemory, RegionIsZeroedAndWholeOrNone) {
    const int32_t size = 3 * 4096 + 17;
    auto* region = static_cast<unsigned char*>(ZephSysMemoryReserve(size));
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(region[0], 0);
    EXPECT_EQ(region[size - 1], 0);
    std::memset(region, 0xEE, static_cast<size_t>(size)); // every byte committed
    EXPECT_EQ(ZephSysMemoryReserve(0), nullptr);
    EXPECT_EQ(ZephSysMemoryReserve(-1), nullptr);
}

} // namespace
