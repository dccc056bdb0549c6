// Tests of the directory list: real directories, a scripted directory for
// exact found order, file times across time-zone changes, and failures of
// the search and of memory.
#include "ZephDirList.h"

#include "QvAllocFault.h"
#include "QvDirFault.h"
#include "QvTestKit.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephSysDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

constexpr uint64_t GiB = 1024ull * 1024 * 1024;

Names namesOf(const ZephDirList* list) {
    Names names;
    for (const ZephDirEntry* entry = list->first; entry != nullptr; entry = entry->next)
        names.emplace_back(entry->name);
    return names;
}

// Every link agrees with its neighbour, the ends and the count.
void expectConsistent(const ZephDirList* list) {
    int32_t count = 0;
    const ZephDirEntry* previous = nullptr;
    for (const ZephDirEntry* entry = list->first; entry != nullptr; entry = entry->next) {
        EXPECT_EQ(entry->previous, previous);
        EXPECT_EQ(entry->list, list);
        previous = entry;
        ++count;
    }
    EXPECT_EQ(list->last, previous);
    EXPECT_EQ(list->count, count);
}

// A list that destroys itself, so a failed assertion leaks nothing.
struct ListHolder {
    ZephDirList* list = nullptr;
    ~ListHolder() { ZephDirList::destroy(&list); }
};

// A fresh manager per test, so its counters show exactly this test's blocks.
struct Manager : ZephMemManager {
    Manager() : ZephMemManager("ZephDirListTest", 0, 0, 0, nullptr) {}
};

std::string patternIn(const std::string& directory, const char* wildcard) {
    return directory + ZephPathSeparatorText + wildcard;
}

// File time of a UTC calendar time (days from the civil calendar, 1601 base).
uint64_t fileTimeOf(int year, int month, int day, int hour, int minute, int second, int milliseconds = 0) {
    int y = year - (month <= 2 ? 1 : 0);
    int era = (y >= 0 ? y : y - 399) / 400;
    int yearOfEra = y - era * 400;
    int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    int64_t daysSince1970 = static_cast<int64_t>(era) * 146097 + dayOfEra - 719468;
    int64_t seconds = (daysSince1970 + 134774) * 86400 + hour * 3600 + minute * 60 + second;
    return static_cast<uint64_t>(seconds) * 10000000u + static_cast<uint64_t>(milliseconds) * 10000u;
}

std::string text(const ZephDirTime& t) {
    char out[40];
    std::snprintf(out, sizeof out, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.milliseconds);
    return out;
}

std::string convert(uint64_t fileTime, uint32_t options) {
    ZephDirTime time{};
    time.fromFileTime(&fileTime, options);
    return text(time);
}

// A sparse file: only its last byte is written.
bool makeSparseFile(const std::string& path, uint64_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.seekp(static_cast<std::streamoff>(size - 1));
    out.put('\0');
    return static_cast<bool>(out);
}

// Switches the current directory for a scope.
struct CurrentDirectory {
    fs::path saved = fs::current_path();
    explicit CurrentDirectory(const std::string& path) { fs::current_path(path); }
    ~CurrentDirectory() { fs::current_path(saved); }
};

// --- Real directories ----------------------------------------------------

TEST(ZephDirListSearch, MissingDirectoryAndNoMatchGiveNull) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("only.txt"), "x"));
    Manager manager;
    EXPECT_EQ(ZephDirList::create(&manager, patternIn(dir.file("missing"), "*.*").c_str(), 0), nullptr);
    EXPECT_EQ(ZephDirList::create(&manager, patternIn(dir.path(), "*.dll").c_str(), 0), nullptr);
    // A file is not a directory to search in.
    EXPECT_EQ(ZephDirList::create(&manager, patternIn(dir.file("only.txt"), "*.*").c_str(), 0), nullptr);
    EXPECT_EQ(ZephDirList::create(&manager, "", 0), nullptr);
    EXPECT_EQ(manager.heapCount, 0);
}

TEST(ZephDirListSearch, EmptyDirectoryGivesEmptyListAndParentOnlyWhenKept) {
    qvtest::TempDir dir;
    Manager manager;
    ListHolder plain;
    plain.list = ZephDirList::create(&manager, patternIn(dir.path(), "*.*").c_str(), ZephDirFullPaths);
    ASSERT_NE(plain.list, nullptr) << "an existing empty directory is not a failure";
    EXPECT_EQ(plain.list->count, 0);
    EXPECT_EQ(plain.list->first, nullptr);
    EXPECT_EQ(plain.list->last, nullptr);

    ListHolder kept;
    kept.list = ZephDirList::create(&manager, patternIn(dir.path(), "*.*").c_str(), ZephDirKeepParent);
    ASSERT_NE(kept.list, nullptr);
    EXPECT_EQ(namesOf(kept.list), Names{".."});

    ListHolder keptFull;
    keptFull.list =
        ZephDirList::create(&manager, patternIn(dir.path(), "*.*").c_str(), ZephDirKeepParent | ZephDirFullPaths);
    ASSERT_NE(keptFull.list, nullptr);
    EXPECT_EQ(namesOf(keptFull.list), Names{dir.file("..")});
}

TEST(ZephDirListSearch, FullPathsSubdirectoriesAndPatternWithoutSeparator) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("b.ini"), "12345"));
    ASSERT_TRUE(qvtest::writeFile(dir.file("A.EXE"), ""));
    fs::create_directory(dir.file("Sub"));
    ASSERT_TRUE(qvtest::writeFile(dir.file("Sub") + ZephPathSeparatorText + "inner.cfg", ""));
    Manager manager;

    ListHolder full;
    full.list = ZephDirList::create(&manager, patternIn(dir.path(), "*.*").c_str(), ZephDirFullPaths | ZephDirNoCase);
    ASSERT_NE(full.list, nullptr);
    EXPECT_EQ(namesOf(full.list), (Names{dir.file("A.EXE"), dir.file("b.ini"), dir.file("Sub")}));
    expectConsistent(full.list);
    EXPECT_EQ(full.list->first->next->size, 5u);
    EXPECT_FALSE(full.list->first->attributes & ZephAttrDirectory);
    EXPECT_TRUE(full.list->last->attributes & ZephAttrDirectory) << "a subdirectory is flagged, not entered";

    // The directory part is used as given, even when it ends in a separator.
    ListHolder doubled;
    doubled.list = ZephDirList::create(
        &manager, (dir.path() + ZephPathSeparatorText + ZephPathSeparatorText + "*.ini").c_str(), ZephDirFullPaths);
    ASSERT_NE(doubled.list, nullptr);
    EXPECT_EQ(namesOf(doubled.list), Names{dir.path() + ZephPathSeparatorText + ZephPathSeparatorText + "b.ini"});

    CurrentDirectory inside(dir.path());
    ListHolder bare;
    bare.list = ZephDirList::create(&manager, "*.*", ZephDirFullPaths);
    ASSERT_NE(bare.list, nullptr);
    EXPECT_EQ(namesOf(bare.list), (Names{"A.EXE", "Sub", "b.ini"}));
}

TEST(ZephDirListSearch, WildcardsIgnoreAsciiCaseAndStarDotStarTakesNamesWithoutDot) {
    qvtest::TempDir dir;
    for (const char* name : {"Config.CFG", "readme", "setup.exe", "SETUP2.EXE", "x.cfg.bak"})
        ASSERT_TRUE(qvtest::writeFile(dir.file(name), ""));
    Manager manager;
    auto list = [&](const char* wildcard) {
        ListHolder holder;
        holder.list = ZephDirList::create(&manager, patternIn(dir.path(), wildcard).c_str(), ZephDirNoCase);
        return holder.list == nullptr ? Names{"<none>"} : namesOf(holder.list);
    };
    EXPECT_EQ(list("*.*"), (Names{"Config.CFG", "readme", "setup.exe", "SETUP2.EXE", "x.cfg.bak"}));
    EXPECT_EQ(list("*.cfg"), Names{"Config.CFG"});
    EXPECT_EQ(list("SETUP?.exe"), Names{"SETUP2.EXE"});
    EXPECT_EQ(list("*.cfg*"), (Names{"Config.CFG", "x.cfg.bak"}));
    EXPECT_EQ(list("README"), Names{"readme"});
    EXPECT_EQ(list("*.ini"), Names{"<none>"});
}

TEST(ZephDirListSearch, FiveGibFileKeepsLowThirtyTwoBits) {
    qvtest::TempDir dir;
    std::string big = dir.file("big.bin");
    ASSERT_TRUE(makeSparseFile(big, 5 * GiB)) << "cannot make a sparse 5 GiB file here";
    Manager manager;
    ListHolder holder;
    holder.list = ZephDirList::create(&manager, patternIn(dir.path(), "*.bin").c_str(), 0);
    ASSERT_NE(holder.list, nullptr);
    ASSERT_EQ(holder.list->count, 1);
    EXPECT_EQ(holder.list->first->size, static_cast<uint32_t>(GiB));
    fs::remove(big);
}

TEST(ZephDirListSearch, WrittenTimeIsTheFilesOwnInUtc) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("now.txt"), ""));
    std::time_t now = std::time(nullptr);
    std::tm utc{};
#ifdef _WIN32
    gmtime_s(&utc, &now);
#else
    gmtime_r(&now, &utc);
#endif
    Manager manager;
    ListHolder holder;
    holder.list = ZephDirList::create(&manager, patternIn(dir.path(), "now.txt").c_str(), ZephDirUtc);
    ASSERT_NE(holder.list, nullptr);
    const ZephDirTime& written = holder.list->first->written;
    // Within a day of now: a wrong epoch or unit would be years off.
    EXPECT_EQ(written.year, utc.tm_year + 1900);
    EXPECT_LE(std::abs(written.month * 31 + written.day - ((utc.tm_mon + 1) * 31 + utc.tm_mday)), 1) << text(written);
    EXPECT_NE(holder.list->first->created.year, 0) << "creation time missing";
}

TEST(ZephDirListSearch, ReadOnlyFileIsFlagged) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("locked.dll"), ""));
    ASSERT_TRUE(qvtest::writeFile(dir.file("open.dll"), ""));
    fs::permissions(dir.file("locked.dll"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    Manager manager;
    ListHolder holder;
    holder.list = ZephDirList::create(&manager, patternIn(dir.path(), "*.dll").c_str(), 0);
    ASSERT_NE(holder.list, nullptr);
    ASSERT_EQ(holder.list->count, 2);
    EXPECT_TRUE(holder.list->first->attributes & ZephAttrReadOnly);
    EXPECT_FALSE(holder.list->last->attributes & ZephAttrReadOnly);
    EXPECT_TRUE(holder.list->last->attributes & ZephAttrArchive);
}

#ifndef _WIN32
TEST(ZephDirListSearch, SymbolicLinksAreFlaggedAndNotFollowed) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("target.exe"), "0123456789"));
    fs::create_directory(dir.file("folder"));
    fs::create_symlink(dir.file("target.exe"), dir.file("file-link.exe"));
    fs::create_directory_symlink(dir.file("folder"), dir.file("folder-link"));
    fs::create_symlink(dir.file("gone"), dir.file("dangling.exe"));
    Manager manager;
    ListHolder holder;
    holder.list = ZephDirList::create(&manager, patternIn(dir.path(), "*").c_str(), 0);
    ASSERT_NE(holder.list, nullptr);
    ASSERT_EQ(namesOf(holder.list), (Names{"dangling.exe", "file-link.exe", "folder", "folder-link", "target.exe"}));
    const ZephDirEntry* dangling = holder.list->first;
    const ZephDirEntry* fileLink = dangling->next;
    const ZephDirEntry* folder = fileLink->next;
    const ZephDirEntry* folderLink = folder->next;
    const ZephDirEntry* target = folderLink->next;
    EXPECT_TRUE(dangling->attributes & ZephAttrLink);
    EXPECT_TRUE(fileLink->attributes & ZephAttrLink);
    EXPECT_EQ(fileLink->size, 0u) << "the link itself, not its target";
    EXPECT_TRUE(folderLink->attributes & ZephAttrLink);
    EXPECT_FALSE(folderLink->attributes & ZephAttrDirectory) << "attributes are the link's own";
    EXPECT_FALSE(folder->attributes & ZephAttrLink);
    EXPECT_FALSE(target->attributes & ZephAttrLink);
    EXPECT_EQ(target->size, 10u);
}

TEST(ZephDirListSearch, DotNamesAreHidden) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file(".profile"), ""));
    ASSERT_TRUE(qvtest::writeFile(dir.file("shown"), ""));
    Manager manager;
    ListHolder holder;
    holder.list = ZephDirList::create(&manager, patternIn(dir.path(), "*.*").c_str(), ZephDirKeepParent);
    ASSERT_NE(holder.list, nullptr);
    ASSERT_EQ(namesOf(holder.list), (Names{"..", ".profile", "shown"}));
    EXPECT_FALSE(holder.list->first->attributes & ZephAttrHidden);
    EXPECT_TRUE(holder.list->first->next->attributes & ZephAttrHidden);
    EXPECT_FALSE(holder.list->last->attributes & ZephAttrHidden);
}

// A directory part far beyond any fixed work area: every stored path must
// still name the file that was listed.
TEST(ZephDirListSearch, LongDirectoryPathIsStoredWhole) {
    qvtest::TempDir dir;
    std::string deep = dir.path();
    while (deep.size() < 1500) {
        deep += "/" + std::string(200, 'd');
        ASSERT_TRUE(fs::create_directory(deep));
    }
    ASSERT_TRUE(qvtest::writeFile(deep + "/payload.ini", "found"));
    Manager manager;
    ListHolder holder;
    holder.list = ZephDirList::create(&manager, (deep + "/*.*").c_str(), ZephDirFullPaths);
    ASSERT_NE(holder.list, nullptr);
    ASSERT_EQ(holder.list->count, 1);
    EXPECT_EQ(std::string(holder.list->first->name), deep + "/payload.ini");
    EXPECT_EQ(qvtest::readFile(holder.list->first->name), "found");
}
#endif

TEST(ZephDirListSearch, BlocksComeFromTheManagerWithTheirTags) {
    qvtest::TempDir dir;
    for (const char* name : {"one", "two", "three"})
        ASSERT_TRUE(qvtest::writeFile(dir.file(name), ""));
    Manager manager;
    ZephDirList* list = ZephDirList::create(&manager, patternIn(dir.path(), "*").c_str(), 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(manager.heapCount, 2) << "the list and one block of entries";
    EXPECT_STREQ(ZephMemBlockOf(list)->name, "ZephDirList");
    ASSERT_NE(list->slabs, nullptr);
    EXPECT_STREQ(ZephMemBlockOf(list->slabs)->name, "ZephDirEntry");
    ZephDirList::destroy(&list);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(manager.heapCount, 0);
    ZephDirList::destroy(&list); // already none: nothing happens

    // Without a manager the blocks are untracked heap blocks.
    list = ZephDirList::create(nullptr, patternIn(dir.path(), "*").c_str(), 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 3);
    ZephDirList::destroy(&list);
}

// The matcher the POSIX search applies to each name (the Windows build
// leaves matching to FindFirstFileA, but the rules are portable).
TEST(ZephSysWildcard, StarsBacktrackAndFinalDotStarIsOptional) {
    EXPECT_TRUE(ZephSysWildcardMatch("*a*b", "xaxaxb"));
    EXPECT_FALSE(ZephSysWildcardMatch("*a*b", "xaxbx"));
    EXPECT_TRUE(ZephSysWildcardMatch("*.exe", "setup.exe.exe"));
    EXPECT_TRUE(ZephSysWildcardMatch("**?", "x"));
    EXPECT_FALSE(ZephSysWildcardMatch("?", ""));
    EXPECT_FALSE(ZephSysWildcardMatch("", "a"));
    EXPECT_TRUE(ZephSysWildcardMatch("gAmE?.Ini", "GAME1.INI"));
    EXPECT_FALSE(ZephSysWildcardMatch("\xE9", "\xC9")) << "only ASCII letters fold";
    EXPECT_TRUE(ZephSysWildcardMatch("*.*", "Makefile"));
    EXPECT_TRUE(ZephSysWildcardMatch("*.*", ".."));
    EXPECT_TRUE(ZephSysWildcardMatch("readme.*", "README"));
    EXPECT_TRUE(ZephSysWildcardMatch("readme.*", "readme.txt"));
    EXPECT_FALSE(ZephSysWildcardMatch("readme.*", "readmes"));
    EXPECT_FALSE(ZephSysWildcardMatch("*.", "name")) << "the DOS meaning of a final dot is not reproduced";
    EXPECT_FALSE(ZephSysWildcardMatch(nullptr, "a"));
}

// --- Name order, from a scripted directory with a known found order --------

qvtest::ScriptedMatch named(const std::string& name, uint64_t size = 0) {
    qvtest::ScriptedMatch match;
    match.name = name;
    match.size = size;
    return match;
}

TEST(ZephDirListOrder, EqualNamesAreAdjacentWithTheLaterFoundFirst) {
    qvtest::ScriptedDir script(
        {named("readme.txt", 1), named("Alpha", 2), named("README.TXT", 3), named("beta", 4), named("ReadMe.txt", 5)});
    Manager manager;
    ListHolder holder;
    holder.list = ZephDirList::create(&manager, "x/*.*", ZephDirNoCase);
    ASSERT_NE(holder.list, nullptr);
    EXPECT_EQ(namesOf(holder.list), (Names{"Alpha", "beta", "ReadMe.txt", "README.TXT", "readme.txt"}));
    expectConsistent(holder.list);
    EXPECT_EQ(script.openSearches(), 0);
}

TEST(ZephDirListOrder, UnderscoreSortsAfterLettersOnlyWithoutCase) {
    Names found{"_setup.ini", "zeta.ini", "Zulu.ini", "alpha.ini", "Alpha.ini"};
    std::vector<qvtest::ScriptedMatch> matches;
    for (const std::string& name : found)
        matches.push_back(named(name));
    qvtest::ScriptedDir script(matches);
    Manager manager;
    ListHolder noCase, bytes;
    noCase.list = ZephDirList::create(&manager, "x/*.*", ZephDirNoCase);
    bytes.list = ZephDirList::create(&manager, "x/*.*", 0);
    ASSERT_NE(noCase.list, nullptr);
    ASSERT_NE(bytes.list, nullptr);
    EXPECT_EQ(namesOf(noCase.list), (Names{"Alpha.ini", "alpha.ini", "zeta.ini", "Zulu.ini", "_setup.ini"}));
    EXPECT_EQ(namesOf(bytes.list), (Names{"Alpha.ini", "Zulu.ini", "_setup.ini", "alpha.ini", "zeta.ini"}));
}

// Reads a listing a slice of maxNames at a time; none as start gives it.
ZephDirList* readInSlices(ZephMemManager* manager, const char* pattern, uint32_t options, int32_t maxNames) {
    ZephDirList* list = ZephDirList::start(manager, pattern, options);
    for (int more = list != nullptr ? 1 : 0; more == 1;) {
        const int32_t before = list->count;
        EXPECT_EQ(list->first, nullptr) << "walkable while still reading";
        more = ZephDirList::readMore(&list, maxNames);
        if (more == 1) {
            EXPECT_LE(list->count - before, maxNames);
        }
    }
    return list;
}

// The sorted build must give exactly the order of one-at-a-time insertion,
// ties included, on many names with case twins and byte-equal duplicates,
// whether read whole or a slice at a time.
TEST(ZephDirListOrder, CreateMatchesOneAtATimeInsertion) {
    std::mt19937 random(20070325);
    const char alphabet[] = {'a', 'A', 'b', 'B', '_', '.', 'z', '\xE9', '\xC9'};
    std::vector<qvtest::ScriptedMatch> matches;
    for (uint64_t i = 0; i < 3000; ++i) {
        std::string name;
        for (int length = 1 + static_cast<int>(random() % 4); length > 0; --length)
            name += alphabet[random() % sizeof alphabet];
        if (name != "." && name != "..")
            matches.push_back(named(name, i));
    }
    qvtest::ScriptedDir script(matches);
    for (uint32_t options : {0u, static_cast<uint32_t>(ZephDirNoCase)}) {
        for (int32_t slice : {0, 1, 7, 1000}) {
            SCOPED_TRACE("slices of " + std::to_string(slice));
            Manager manager;
            ListHolder built;
            built.list = slice == 0 ? ZephDirList::create(&manager, "x/*.*", options)
                                    : readInSlices(&manager, "x/*.*", options, slice);
            ASSERT_NE(built.list, nullptr);
            EXPECT_FALSE(built.list->isReading());
            EXPECT_EQ(script.openSearches(), 0);
            expectConsistent(built.list);

            ListHolder inserted;
            inserted.list =
                static_cast<ZephDirList*>(ZephMemAlloc(&manager, sizeof(ZephDirList), ZeroFill, "ZephDirList"));
            inserted.list->manager = &manager;
            inserted.list->options = options;
            for (const qvtest::ScriptedMatch& match : matches)
                ASSERT_NE(ZephDirList::addEntry(inserted.list, match.name.c_str(), static_cast<uint32_t>(match.size), 0,
                                                nullptr, nullptr, nullptr),
                          nullptr);
            expectConsistent(inserted.list);

            ASSERT_EQ(built.list->count, inserted.list->count);
            const ZephDirEntry* a = built.list->first;
            const ZephDirEntry* b = inserted.list->first;
            for (int position = 0; a != nullptr && b != nullptr; ++position, a = a->next, b = b->next)
                ASSERT_EQ(a->size, b->size)
                    << "options " << options << ", position " << position << ": " << a->name << " vs " << b->name;
        }
    }
}

TEST(ZephDirListOrder, AddEntryRefusesWithoutListOrNameAndKeepsTheList) {
    Manager manager;
    ListHolder holder;
    holder.list = static_cast<ZephDirList*>(ZephMemAlloc(&manager, sizeof(ZephDirList), ZeroFill, "ZephDirList"));
    holder.list->manager = &manager;
    EXPECT_EQ(ZephDirList::addEntry(nullptr, "a", 0, 0, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(ZephDirList::addEntry(holder.list, nullptr, 0, 0, nullptr, nullptr, nullptr), nullptr);
    ZephDirTime when{25, 3, 2007, 1, 2, 3, 4};
    ZephDirEntry* entry = ZephDirList::addEntry(holder.list, "b", 7, ZephAttrHidden, nullptr, &when, nullptr);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(text(entry->accessed), "2007-03-25 01:02:03.004");
    EXPECT_EQ(text(entry->created), "0000-00-00 00:00:00.000");
    {
        qvtest::AllocFault fault(&manager);
        fault.failAt(1);
        // Too long for the room left in the entries' block: it needs a new one.
        const std::string longName(3000, 'a');
        EXPECT_EQ(ZephDirList::addEntry(holder.list, longName.c_str(), 0, 0, nullptr, nullptr, nullptr), nullptr);
        EXPECT_TRUE(fault.fired());
    }
    EXPECT_EQ(namesOf(holder.list), Names{"b"});
    expectConsistent(holder.list);
}

TEST(ZephDirListOrder, PlatformAttributesMapToLibraryBits) {
    const struct {
        uint32_t platform, library;
    } cases[] = {
        {ZephSysAttrArchive, ZephAttrArchive},
        {ZephSysAttrCompressed, ZephAttrCompressed},
        {ZephSysAttrDirectory, ZephAttrDirectory},
        {ZephSysAttrHidden, ZephAttrHidden},
        {ZephSysAttrNormal, ZephAttrNormal},
        {ZephSysAttrReadOnly, ZephAttrReadOnly},
        {ZephSysAttrSystem, ZephAttrSystem},
        {ZephSysAttrTemporary, ZephAttrTemporary},
        {ZephSysAttrReparsePoint, ZephAttrLink},
        {ZephSysAttrDevice, ZephAttrSpecial},
        {0x200 | 0x1000 | 0x2000, 0}, /* sparse, offline... */
    };
    std::vector<qvtest::ScriptedMatch> matches;
    for (size_t i = 0; i < std::size(cases); ++i) {
        matches.push_back(named(std::string(1, static_cast<char>('a' + i))));
        matches.back().attributes = cases[i].platform;
    }
    qvtest::ScriptedDir script(matches);
    Manager manager;
    ListHolder holder;
    holder.list = ZephDirList::create(&manager, "x/*.*", 0);
    ASSERT_NE(holder.list, nullptr);
    size_t i = 0;
    for (const ZephDirEntry* entry = holder.list->first; entry != nullptr; entry = entry->next, ++i)
        EXPECT_EQ(entry->attributes, cases[i].library) << "platform bits " << std::hex << cases[i].platform;
}

// --- File times ----------------------------------------------------------

TEST(ZephDirTimeConversion, UtcEdges) {
    EXPECT_EQ(convert(0, ZephDirUtc), "1601-01-01 00:00:00.000");
    EXPECT_EQ(convert(fileTimeOf(2007, 3, 25, 1, 2, 3, 456), ZephDirUtc), "2007-03-25 01:02:03.456");
    EXPECT_EQ(convert(fileTimeOf(2000, 2, 29, 23, 59, 59, 999), ZephDirUtc | ZephDirNoCase), "2000-02-29 23:59:59.999");

    ZephDirTime time{1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(time.fromFileTime(nullptr, ZephDirUtc), -1);
    EXPECT_EQ(text(time), "0000-00-00 00:00:00.000");
    uint64_t beyondCalendar = 0x8000000000000000ull;
    time = ZephDirTime{1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(time.fromFileTime(&beyondCalendar, ZephDirUtc), -1);
    EXPECT_EQ(text(time), "0000-00-00 00:00:00.000");
}

// Local time in a zone with daylight saving: both changes of 2007, and a
// date whose rule differs from today's (until 1995 summer time in Germany
// ended on the last Sunday of September).
#ifndef _WIN32
struct BerlinTime {
    std::string saved;
    bool had;
    BerlinTime() {
        const char* old = std::getenv("TZ");
        had = old != nullptr;
        saved = had ? old : "";
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    ~BerlinTime() {
        if (had)
            setenv("TZ", saved.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
};

TEST(ZephDirTimeConversion, LocalTimeFollowsTheZonesRulesAtEachDate) {
    BerlinTime zone;
    EXPECT_EQ(convert(fileTimeOf(2007, 1, 15, 12, 0, 0), 0), "2007-01-15 13:00:00.000");
    EXPECT_EQ(convert(fileTimeOf(2007, 3, 25, 0, 59, 59, 500), 0), "2007-03-25 01:59:59.500");
    EXPECT_EQ(convert(fileTimeOf(2007, 3, 25, 1, 0, 0), 0), "2007-03-25 03:00:00.000");
    EXPECT_EQ(convert(fileTimeOf(2007, 10, 28, 0, 59, 59), 0), "2007-10-28 02:59:59.000");
    EXPECT_EQ(convert(fileTimeOf(2007, 10, 28, 1, 0, 0), 0), "2007-10-28 02:00:00.000");
    EXPECT_EQ(convert(fileTimeOf(1995, 10, 1, 12, 0, 0), 0), "1995-10-01 13:00:00.000");
    EXPECT_EQ(convert(fileTimeOf(2007, 10, 28, 1, 0, 0), ZephDirUtc), "2007-10-28 01:00:00.000");

    // The list converts all three times with its own options.
    qvtest::ScriptedMatch match = named("summer.txt");
    match.created = fileTimeOf(2007, 7, 1, 10, 0, 0);
    match.accessed = fileTimeOf(2007, 12, 1, 10, 0, 0);
    match.written = 0;
    qvtest::ScriptedDir script({match});
    Manager manager;
    ListHolder local, utc;
    local.list = ZephDirList::create(&manager, "x/*.*", 0);
    utc.list = ZephDirList::create(&manager, "x/*.*", ZephDirUtc);
    ASSERT_NE(local.list, nullptr);
    ASSERT_NE(utc.list, nullptr);
    EXPECT_EQ(text(local.list->first->created), "2007-07-01 12:00:00.000");
    EXPECT_EQ(text(local.list->first->accessed), "2007-12-01 11:00:00.000");
    EXPECT_EQ(text(utc.list->first->created), "2007-07-01 10:00:00.000");
    EXPECT_EQ(text(utc.list->first->written), "1601-01-01 00:00:00.000");
}
#else
// Windows converts with the current zone's rules for every year. The test
// runs only where that zone is Central European (under Wine: TZ=Europe/Berlin).
TEST(ZephDirTimeConversion, LocalTimeFollowsTheZonesRulesAtEachDate) {
    if (convert(fileTimeOf(2007, 1, 15, 12, 0, 0), 0) != "2007-01-15 13:00:00.000" ||
        convert(fileTimeOf(2007, 7, 15, 12, 0, 0), 0) != "2007-07-15 14:00:00.000")
        GTEST_SKIP() << "needs the Central European time zone";
    EXPECT_EQ(convert(fileTimeOf(2007, 3, 25, 0, 59, 59, 500), 0), "2007-03-25 01:59:59.500");
    EXPECT_EQ(convert(fileTimeOf(2007, 3, 25, 1, 0, 0), 0), "2007-03-25 03:00:00.000");
    EXPECT_EQ(convert(fileTimeOf(2007, 10, 28, 0, 59, 59), 0), "2007-10-28 02:59:59.000");
    EXPECT_EQ(convert(fileTimeOf(2007, 10, 28, 1, 0, 0), 0), "2007-10-28 02:00:00.000");
    // Today's rule applied to 1995, where the zone then had standard time.
    EXPECT_EQ(convert(fileTimeOf(1995, 10, 1, 12, 0, 0), 0), "1995-10-01 14:00:00.000");
}
#endif

// --- Failures ------------------------------------------------------------

TEST(ZephDirListFaults, FailedSearchStartAllocatesNothing) {
    qvtest::ScriptedDir script({named("a"), named("b")});
    qvtest::DirFault fault(qvtest::DirFault::FindFirst, 1, ZephErrAccess);
    Manager manager;
    EXPECT_EQ(ZephDirList::create(&manager, "x/*.*", 0), nullptr);
    EXPECT_EQ(fault.failures(), 1);
    EXPECT_EQ(manager.heapCount, 0);
    EXPECT_EQ(script.openSearches(), 0);
}

TEST(ZephDirListFaults, FailedNextMatchEndsQuietlyWithTheNamesRead) {
    qvtest::ScriptedDir script({named("e"), named("d"), named("c"), named("b"), named("a")});
    Manager manager;
    for (int failAt = 1; failAt <= 4; ++failAt) {
        qvtest::DirFault fault(qvtest::DirFault::FindNext, failAt, ZephErrIo, true);
        ListHolder holder;
        holder.list = ZephDirList::create(&manager, "x/*.*", 0);
        ASSERT_NE(holder.list, nullptr);
        EXPECT_EQ(holder.list->count, failAt) << "the first match and " << failAt - 1 << " more";
        EXPECT_EQ(holder.list->first->name, std::string(1, static_cast<char>('e' - failAt + 1)));
        expectConsistent(holder.list);
        EXPECT_EQ(script.openSearches(), 0);
    }
}

// Fails the n-th allocation for n = 1, 2, ... until the listing needs no
// more: every failure gives null with no block left and the search closed.
// Long names, so that the entries fill two blocks.
TEST(ZephDirListFaults, AllocationFailureAnywhereLeavesNothing) {
    const std::string pad(700, '-');
    qvtest::ScriptedDir script(
        {named("f" + pad), named(".."), named("e" + pad), named("."), named("d" + pad), named("c" + pad)});
    Manager manager;
    qvtest::AllocFault fault(&manager);
    for (int32_t slice : {0, 1}) {
        for (bool persistent : {false, true}) {
            for (int n = 1;; ++n) {
                fault.failAt(n, persistent);
                ZephDirList* list = slice == 0 ? ZephDirList::create(&manager, "x/*.*", ZephDirKeepParent)
                                               : readInSlices(&manager, "x/*.*", ZephDirKeepParent, slice);
                fault.disarm();
                EXPECT_EQ(script.openSearches(), 0);
                if (!fault.fired()) {
                    ASSERT_NE(list, nullptr);
                    EXPECT_EQ(namesOf(list), (Names{"..", "c" + pad, "d" + pad, "e" + pad, "f" + pad}));
                    ZephDirList::destroy(&list);
                    EXPECT_EQ(n, 4) << "one list and two blocks of entries";
                    break;
                }
                EXPECT_EQ(list, nullptr) << "allocation " << n;
                EXPECT_EQ(manager.heapCount, 0) << "allocation " << n;
                ZephDirList::destroy(&list);
            }
        }
    }
    EXPECT_EQ(manager.heapCount, 0);
}

} // namespace
