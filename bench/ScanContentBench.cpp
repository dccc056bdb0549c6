// ScanContentBench.cpp - ScanContent's search speed in memory on 64 MiB of
// program-like and configuration-like bytes, for the wizard's strings.
//
//   build/eng-native/bench/ScanContentBench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "PatchRules.h"
#include "PatchSearch.h"
#include "WizardStrings.h"
#include "ZephBuf.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr int32_t kContentSize = 64 << 20;

struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 11);
    }
};

// Code and data tables: many zeros and 0xFF, opcode-like bytes, and now and
// then a run of text with digits and dots such as version numbers.
std::string programLike() {
    Random r;
    std::string s;
    s.reserve(kContentSize);
    static const unsigned char common[] = {0x8B, 0x89, 0xE8, 0x83, 0xC4, 0x85, 0x48, 0x24, 0x0F, 0x74, 0x75, 0x50};
    while (s.size() < static_cast<size_t>(kContentSize)) {
        uint32_t v = r.next();
        uint32_t pick = v % 100;
        if (pick < 30)
            s.push_back(0);
        else if (pick < 35)
            s.push_back(static_cast<char>(0xFF));
        else if (pick < 55)
            s.push_back(static_cast<char>(common[(v >> 8) % sizeof(common)]));
        else if (pick < 99)
            s.push_back(static_cast<char>(v >> 16));
        else {
            char text[64];
            int n = std::snprintf(text, sizeof text, "Version %u.%u.%u.%u (build 1%u)", v % 10, (v >> 4) % 100,
                                  (v >> 12) % 200, (v >> 20) % 256, (v >> 8) % 1000);
            s.append(text, static_cast<size_t>(n));
        }
    }
    s.resize(kContentSize);
    return s;
}

// Configuration text full of near misses: other addresses from the same
// ranges, host names, numbers.
std::string configLike() {
    Random r;
    std::string s;
    s.reserve(kContentSize);
    while (s.size() < static_cast<size_t>(kContentSize)) {
        uint32_t v = r.next();
        char line[128];
        int n = std::snprintf(line, sizeof line, "Server%u=198.51.%u.%u\r\nPort%u=%u\r\nHost=game%u.qv.test\r\n",
                              v % 64, (v >> 6) % 256, (v >> 14) % 256, v % 7, 28000 + (v >> 20) % 1000, (v >> 3) % 90);
        s.append(line, static_cast<size_t>(n));
    }
    s.resize(kContentSize);
    return s;
}

// A few real occurrences, spread out.
void plant(std::string& s, const char* needle) {
    std::string n = needle;
    for (size_t at = 4099; at + n.size() < s.size(); at += s.size() / 16 + 12345)
        s.replace(at, n.size(), n);
}

void scanBench(benchmark::State& state, std::string (*make)(), const char* needle) {
    std::string bytes = make();
    plant(bytes, needle);
    ZephBuf content;
    content.init(nullptr, 8192);
    content.append(bytes.data(), static_cast<int32_t>(bytes.size()));
    PatchFinder finder;
    finder.prepare(needle);
    int32_t matches = 0;
    for (auto _ : state) {
        int32_t cursor = 0;
        matches = 0;
        PatchScanContent(&content, &cursor, finder, serviceHostName, 0, 1, &matches);
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = matches;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kContentSize);
}

// One 4096-byte piece at a time, as the job's scan run sees the file: the
// probe's own speed with the bytes in the nearest cache. The argument is the
// widest probe allowed (1 SSE2, 2 AVX2, 3 AVX-512; a width the processor
// lacks runs as the widest it has), so the widths compare side by side.
void pieceBench(benchmark::State& state, std::string (*make)(), const char* needle) {
    std::string bytes = make().substr(0, 4096);
    PatchFinder finder;
    finder.prepare(needle);
    const int32_t used = PatchFinderLimitProbe(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        int32_t q = finder.find(bytes.data(), 4096, 0);
        benchmark::DoNotOptimize(q);
    }
    PatchFinderLimitProbe(PatchProbeAvx512);
    state.counters["probe"] = used;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 4096);
}

} // namespace

BENCHMARK_CAPTURE(pieceBench, program_address_4k, programLike, legacyServerAddress)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK_CAPTURE(pieceBench, config_hostname_4k, configLike, serviceHostName)->Arg(1)->Arg(2)->Arg(3);
BENCHMARK_CAPTURE(scanBench, program_address, programLike, legacyServerAddress)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scanBench, config_address, configLike, legacyServerAddress)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scanBench, program_hostname, programLike, serviceHostName)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(scanBench, config_hostname, configLike, serviceHostName)->Unit(benchmark::kMillisecond);
