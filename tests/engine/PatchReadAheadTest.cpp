// PatchReadAheadTest.cpp - which files the read-ahead asks for, how many
// bytes and how far ahead, and how it backs off from a warm cache.
#include "PatchReadAhead.h"
#include "ZephDirList.h"
#include "ZephPath.h"
#include "ZephSysFile.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr uint32_t MiB = 1u << 20;

// Records every hint instead of giving it; cached decides what it answers.
class PrefetchRecorder {
public:
    PrefetchRecorder() {
        saved_ = ZephSysFiles.prefetchIn;
        ZephSysFiles.prefetchIn = &record;
        asked.clear();
        cached = [](const std::string&) { return false; };
    }
    ~PrefetchRecorder() { ZephSysFiles.prefetchIn = saved_; }
    PrefetchRecorder(const PrefetchRecorder&) = delete;
    PrefetchRecorder& operator=(const PrefetchRecorder&) = delete;

    struct Hint {
        std::string name;
        int64_t count;
        bool operator==(const Hint&) const = default;
    };
    static inline std::vector<Hint> asked;
    static inline std::function<bool(const std::string&)> cached;

private:
    static ZephError record(int64_t, const char* path, int64_t count, bool* started) {
        asked.push_back({path, count});
        *started = !cached(path);
        return ZephErrNone;
    }
    decltype(ZephSysFileTable::prefetchIn) saved_;
};

// A listing made in memory: entries in the given (name) order.
class Listing {
public:
    struct Entry {
        std::string name;
        uint32_t size;
        uint32_t attributes = ZephAttrNormal;
    };
    explicit Listing(const std::vector<Entry>& entries) {
        list_ = ZephDirList::create(nullptr, (dir_.path() + ZephPathSeparatorText + "*.*").c_str(), 0);
        EXPECT_NE(nullptr, list_);
        for (const Entry& e : entries)
            ZephDirList::addEntry(list_, e.name.c_str(), e.size, e.attributes, nullptr, nullptr, nullptr);
    }
    ~Listing() { ZephDirList::destroy(&list_); }
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    // Opens every file of a known kind in order, as a run does; returns how
    // many hints had been given before each opening returned.
    std::vector<size_t> openAll(PatchReadAhead& readAhead, const std::vector<std::string>& kinds) const {
        std::vector<size_t> after;
        for (const ZephDirEntry* e = list_->first; e != nullptr; e = e->next) {
            for (const std::string& k : kinds) {
                if (e->name == k) {
                    readAhead.opening(*e);
                    after.push_back(PrefetchRecorder::asked.size());
                }
            }
        }
        return after;
    }

private:
    qvtest::TempDir dir_;
    ZephDirList* list_ = nullptr;
};

std::string numbered(int i, const char* extension) {
    char name[32];
    std::snprintf(name, sizeof name, "f%04d%s", i, extension);
    return name;
}

} // namespace

TEST(PatchReadAhead, AsksOnlyForFilesARunOpensOnceEachInOrder) {
    PrefetchRecorder recorder;
    Listing listing({{"a.ini", 100},
                     {"b.txt", 100},
                     {"c.exe", 0, ZephAttrDirectory},
                     {"d.dll", 20 * MiB},
                     {"e.cfg", 0},
                     {"f.htm", 100, ZephAttrLink},
                     {"g.HTM", 7}});
    PatchReadAhead readAhead;
    const std::vector<size_t> after = listing.openAll(readAhead, {"a.ini", "d.dll", "e.cfg", "g.HTM"});
    // Everything is asked for at the first opening; an empty file needs no hint.
    EXPECT_EQ((std::vector<size_t>{3, 3, 3, 3}), after);
    EXPECT_EQ((std::vector<PrefetchRecorder::Hint>{{"a.ini", 100}, {"d.dll", PatchReadAhead::PerFile}, {"g.HTM", 7}}),
              PrefetchRecorder::asked);
}

TEST(PatchReadAhead, StaysWithinItsFilesAndBytesAhead) {
    struct Case {
        int files;
        uint32_t size;
        size_t askedAtFirst; // the file being opened and those ahead of it
    } cases[] = {
        {40, 1000, 1 + PatchReadAhead::FilesAhead},
        {10, 20 * MiB, 1 + static_cast<size_t>(PatchReadAhead::Window / PatchReadAhead::PerFile)},
        {3, 1000, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.files) + " files of " + std::to_string(c.size) + " bytes");
        PrefetchRecorder recorder;
        std::vector<Listing::Entry> entries;
        std::vector<std::string> names;
        for (int i = 0; i < c.files; ++i) {
            names.push_back(numbered(i, ".ini"));
            entries.push_back({names.back(), c.size});
        }
        Listing listing(entries);
        PatchReadAhead readAhead;
        const std::vector<size_t> after = listing.openAll(readAhead, names);
        EXPECT_EQ(c.askedAtFirst, after.front());
        // Then one more at each opening, until every file was asked for once.
        for (size_t i = 1; i < after.size(); ++i)
            EXPECT_EQ(std::min(after.front() + i, names.size()), after[i]) << "opening " << i;
    }
}

TEST(PatchReadAhead, CachedFilesThinTheHintsAndTheFirstOnDiskBringsThemBack) {
    PrefetchRecorder recorder;
    // The first 300 files are cached, the other 100 are not.
    PrefetchRecorder::cached = [](const std::string& name) { return name < numbered(300, ""); };
    std::vector<Listing::Entry> entries;
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i) {
        names.push_back(numbered(i, ".cfg"));
        entries.push_back({names.back(), 4096});
    }
    Listing listing(entries);
    PatchReadAhead readAhead;
    listing.openAll(readAhead, names);

    size_t warm = 0, firstCold = 0;
    for (const auto& hint : PrefetchRecorder::asked) {
        if (PrefetchRecorder::cached(hint.name))
            ++warm;
        else if (firstCold == 0)
            firstCold = static_cast<size_t>(std::stoi(hint.name.substr(1)));
    }
    // 1, 2, 4 ... files go without a hint after each cached one, at most 64.
    EXPECT_LE(warm, 12u);
    EXPECT_GE(firstCold, 300u);
    EXPECT_LE(firstCold, 300u + PatchReadAhead::MostPassedOver);
    EXPECT_EQ(warm + (400 - firstCold), PrefetchRecorder::asked.size()) << "every file after it is asked for";
}
