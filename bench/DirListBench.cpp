// DirListBench.cpp - listing a large directory: ZephDirList::create (collect,
// one stable sort, link) against the same list built by one-at-a-time
// insertion with ZephDirList::addEntry, both reading the same directory
// through the same search calls. The directories hold empty files, made once
// per run under the system's temporary folder and removed at exit.
//
//   build/<dir>/bench/DirListBench
//
// Insertion walks the list from the start for every name, so its cost grows
// with the square of the count: it is measured at 1,000 and 10,000 names, and
// once at 100,000 only when QV_BENCH_SLOW=1 is set (that one run takes about
// a quarter of an hour on a small machine).
#include "ZephDirList.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephSysDir.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace fs = std::filesystem;

namespace {

// Directories of n empty files with mixed-case names, made on first use.
class Fixtures {
public:
    ~Fixtures() {
        std::error_code ec;
        if (!root_.empty())
            fs::remove_all(root_, ec);
    }

    const std::string& pattern(int count) {
        auto found = patterns_.find(count);
        if (found != patterns_.end())
            return found->second;
        if (root_.empty()) {
            std::random_device seed;
            root_ = fs::temp_directory_path() / ("quorvel-dirlist-bench-" + std::to_string(seed()));
            fs::create_directories(root_);
        }
        fs::path dir = root_ / std::to_string(count);
        fs::create_directory(dir);
        std::mt19937 random(count);
        for (int i = 0; i < count; ++i) {
            char name[64];
            // Distinct scrambled numbers (i times a constant, modulo a prime)
            // with an upper- or lower-case stem, so creation order, the
            // directory's own order and name order all differ.
            std::snprintf(name, sizeof name, "%s%09llu.dat", (random() & 1) ? "File_" : "file_",
                          static_cast<unsigned long long>(i) * 2654435761ull % 100000007ull);
            std::ofstream((dir / name).string());
        }
        return patterns_[count] = dir.string() + ZephPathSeparatorText + "*.*";
    }

private:
    fs::path root_;
    std::map<int, std::string> patterns_;
};

Fixtures fixtures;

// The engine's options: full paths, ignoring case, local times.
constexpr uint32_t EngineOptions = ZephDirFullPaths | ZephDirNoCase;

void BM_DirListCreate(benchmark::State& state) {
    const std::string& pattern = fixtures.pattern(static_cast<int>(state.range(0)));
    ZephMemManager manager("DirListBench", LockMutex, 0, 0, nullptr);
    for (auto _ : state) {
        ZephDirList* list = ZephDirList::create(&manager, pattern.c_str(), EngineOptions);
        if (list == nullptr || list->count != state.range(0))
            state.SkipWithError("listing failed");
        ZephDirList::destroy(&list);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The same listing, linked one entry at a time as it is found.
void BM_DirListInsertEach(benchmark::State& state) {
    const std::string& pattern = fixtures.pattern(static_cast<int>(state.range(0)));
    ZephMemManager manager("DirListBench", LockMutex, 0, 0, nullptr);
    std::string directory = pattern.substr(0, pattern.size() - 4);
    for (auto _ : state) {
        auto* list = static_cast<ZephDirList*>(ZephMemAlloc(&manager, sizeof(ZephDirList), ZeroFill, "ZephDirList"));
        list->manager = &manager;
        list->options = EngineOptions;
        ZephSysFindData found;
        int64_t search = 0;
        if (ZephSysDirs.findFirst(pattern.c_str(), &found, &search) == ZephErrNone) {
            std::string path;
            do {
                if (found.name[0] == '.' && (found.name[1] == 0 || (found.name[1] == '.' && found.name[2] == 0)))
                    continue;
                ZephDirTime times[3];
                times[0].fromFileTime(&found.created, EngineOptions);
                times[1].fromFileTime(&found.accessed, EngineOptions);
                times[2].fromFileTime(&found.written, EngineOptions);
                path = directory + found.name;
                ZephDirList::addEntry(list, path.c_str(), static_cast<uint32_t>(found.size), 0, &times[0], &times[1],
                                      &times[2]);
            } while (ZephSysDirs.findNext(search, &found) == ZephErrNone);
            ZephSysDirs.findClose(search);
        }
        if (list->count != state.range(0))
            state.SkipWithError("listing failed");
        ZephDirList::destroy(&list);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_DirListCreate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirListInsertEach)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

const bool slowRegistered = [] {
    const char* slow = std::getenv("QV_BENCH_SLOW");
    if (slow != nullptr && slow[0] == '1')
        benchmark::RegisterBenchmark("BM_DirListInsertEach/100000", BM_DirListInsertEach)
            ->Arg(100000)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    return true;
}();

} // namespace
