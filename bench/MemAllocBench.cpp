// MemAllocBench.cpp - cost of one allocate/release pair of 16 B, 256 B and
// 4 KiB: through ZephMemManagerGlobal (locked, standard heap), a pooled
// manager (locked and unlocked, UsePool) and plain malloc/free.
#include "ZephMem.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

// Big enough that a 4 KiB block splits off a fresh chunk every time.
constexpr int32_t kChunkSize = 1024 * 1024;

void pairs(benchmark::State& state, ZephMemManager* manager, uint32_t flags) {
    const auto size = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        void* p = ZephMemAlloc(manager, size, flags, "bench block");
        benchmark::DoNotOptimize(p);
        ZephMemFree(p);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GlobalManager(benchmark::State& state) { pairs(state, &ZephMemManagerGlobal, 0); }

void BM_PooledManager(benchmark::State& state) {
    static ZephMemManager pooled("bench pool", LockMutex, kChunkSize, 0, nullptr);
    pairs(state, &pooled, UsePool);
}

void BM_PooledManagerUnlocked(benchmark::State& state) {
    static ZephMemManager pooled("bench pool unlocked", 0, kChunkSize, 0, nullptr);
    pairs(state, &pooled, UsePool);
}

void BM_Malloc(benchmark::State& state) {
    const auto size = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        void* p = std::malloc(size);
        benchmark::DoNotOptimize(p);
        std::free(p);
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_GlobalManager)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_PooledManager)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_PooledManagerUnlocked)->Arg(16)->Arg(256)->Arg(4096);
BENCHMARK(BM_Malloc)->Arg(16)->Arg(256)->Arg(4096);
