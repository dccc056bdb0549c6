// win32/ZephSysMemoryTest.cpp - pool chunks are committed PAGE_READWRITE,
// never executable. Windows only: asks VirtualQuery.
#include "ZephSysMemory.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

namespace {

TEST(ZephSysMemory, ChunksAreReadableWritableAndNeverExecutable) {
    ZephMemManager manager("m", 0, 64 * 1024, 0, nullptr);
    void* p = ZephMemAlloc(&manager, 100, PoolOnly, "chunk");
    ASSERT_NE(p, nullptr);
    ASSERT_NE(manager.chunkHead, nullptr);
    MEMORY_BASIC_INFORMATION info{};
    ASSERT_NE(VirtualQuery(manager.chunkHead, &info, sizeof info), 0u);
    EXPECT_EQ(info.State, static_cast<DWORD>(MEM_COMMIT));
    EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_READWRITE));
    EXPECT_GE(info.RegionSize, static_cast<SIZE_T>(64 * 1024));
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
