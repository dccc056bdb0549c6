// ZephDirList.cpp - directory list: search, entry blocks, name order.
#include "ZephDirList.h"

#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephSysDir.h"

#include <cstring>

namespace {

using Comparator = int (*)(const char*, const char*);

Comparator comparatorOf(uint32_t options) { return (options & ZephDirNoCase) ? ZephStrCompareNoCase : ZephStrCompare; }

uint32_t libraryAttributes(uint32_t platform) {
    static const struct {
        uint32_t platform;
        uint32_t library;
    } map[] = {
        {ZephSysAttrArchive, ZephAttrArchive},     {ZephSysAttrCompressed, ZephAttrCompressed},
        {ZephSysAttrDirectory, ZephAttrDirectory}, {ZephSysAttrHidden, ZephAttrHidden},
        {ZephSysAttrNormal, ZephAttrNormal},       {ZephSysAttrReadOnly, ZephAttrReadOnly},
        {ZephSysAttrSystem, ZephAttrSystem},       {ZephSysAttrTemporary, ZephAttrTemporary},
        {ZephSysAttrReparsePoint, ZephAttrLink},   {ZephSysAttrDevice, ZephAttrSpecial},
    };
    uint32_t bits = 0;
    for (const auto& pair : map)
        if (platform & pair.platform)
            bits |= pair.library;
    return bits;
}

} // namespace

// A block of entries: this header, then entries packed one after another.
struct ZephDirSlab {
    ZephDirSlab* next;
    int32_t used;     // bytes taken after the header
    int32_t capacity; // bytes after the header
};

namespace {

constexpr int32_t FirstSlabSize = 2048;
constexpr int32_t EntryAlignment = alignof(ZephDirEntry);

// Zeroed room for size bytes among the list's entries: in the newest block
// while it has room, else in a new one, each twice the size of the one
// before up to ZephDirSlabSize, so a small directory takes little memory.
// None when memory ran out; the list is then unchanged.
void* entryRoom(ZephDirList* list, int32_t size) {
    ZephDirSlab* slab = list->slabs;
    if (slab == nullptr || slab->capacity - slab->used < size) {
        int32_t capacity = slab == nullptr                         ? FirstSlabSize
                           : slab->capacity >= ZephDirSlabSize / 2 ? ZephDirSlabSize
                                                                   : slab->capacity * 2;
        if (capacity < size)
            capacity = size;
        slab = static_cast<ZephDirSlab*>(ZephMemAlloc(
            list->manager, static_cast<int32_t>(sizeof(ZephDirSlab)) + capacity, ZeroFill, "ZephDirEntry"));
        if (slab == nullptr)
            return nullptr;
        slab->capacity = capacity;
        slab->next = list->slabs;
        list->slabs = slab;
    }
    void* room = reinterpret_cast<char*>(slab + 1) + slab->used;
    slab->used += size;
    return room;
}

void freeSlabs(ZephDirList* list) {
    while (ZephDirSlab* slab = list->slabs) {
        list->slabs = slab->next;
        ZephMemFree(slab);
    }
}

// One zeroed entry holding its whole name: prefix (prefixLength bytes, may
// be empty), then the separator when prefix is non-empty, then name. Not
// linked. None when memory ran out or the size does not fit.
ZephDirEntry* newEntry(ZephDirList* list, const char* prefix, int32_t prefixLength, const char* name, uint32_t size,
                       uint32_t attributes, const ZephDirTime* created, const ZephDirTime* accessed,
                       const ZephDirTime* written) {
    int64_t nameLength = ZephStrLength(name);
    int64_t textLength = prefixLength > 0 ? prefixLength + 1 + nameLength : nameLength;
    int64_t roomSize = static_cast<int64_t>(sizeof(ZephDirEntry)) + textLength + 1;
    roomSize = (roomSize + EntryAlignment - 1) / EntryAlignment * EntryAlignment;
    if (roomSize > INT32_MAX - 4096)
        return nullptr;
    auto* entry = static_cast<ZephDirEntry*>(entryRoom(list, static_cast<int32_t>(roomSize)));
    if (entry == nullptr)
        return nullptr;
    entry->list = list;
    entry->name = reinterpret_cast<char*>(entry + 1);
    char* text = entry->name;
    if (prefixLength > 0) {
        std::memcpy(text, prefix, static_cast<size_t>(prefixLength));
        text += prefixLength;
        *text++ = ZephPathSeparator;
    }
    std::memcpy(text, name, static_cast<size_t>(nameLength) + 1);
    entry->size = size;
    entry->attributes = attributes;
    if (created != nullptr)
        entry->created = *created;
    if (accessed != nullptr)
        entry->accessed = *accessed;
    if (written != nullptr)
        entry->written = *written;
    return entry;
}

// Merges two sorted chains into one; a goes before b in the input, and on
// equal names a's entry stays first, so the merge is stable.
ZephDirEntry* merge(ZephDirEntry* a, ZephDirEntry* b, Comparator compare) {
    ZephDirEntry head{};
    ZephDirEntry* tail = &head;
    while (a != nullptr && b != nullptr) {
        if (compare(b->name, a->name) < 0) {
            tail->next = b;
            b = b->next;
        } else {
            tail->next = a;
            a = a->next;
        }
        tail = tail->next;
    }
    tail->next = a != nullptr ? a : b;
    return head.next;
}

// Stable bottom-up merge sort of a chain linked through next: O(n log n)
// comparisons, no memory. runs[i] holds a sorted run of 2^i entries that
// came before everything merged after it.
ZephDirEntry* sortChain(ZephDirEntry* chain, Comparator compare) {
    ZephDirEntry* runs[64] = {};
    while (chain != nullptr) {
        ZephDirEntry* run = chain;
        chain = chain->next;
        run->next = nullptr;
        int i = 0;
        for (; runs[i] != nullptr; ++i) {
            run = merge(runs[i], run, compare);
            runs[i] = nullptr;
        }
        runs[i] = run;
    }
    ZephDirEntry* sorted = nullptr;
    for (ZephDirEntry* run : runs)
        if (run != nullptr)
            sorted = sorted == nullptr ? run : merge(run, sorted, compare);
    return sorted;
}

} // namespace

int ZephDirTime::fromFileTime(const uint64_t* fileTime, uint32_t options) {
    *this = ZephDirTime{};
    ZephSysCalendar calendar{};
    if (fileTime == nullptr || ZephSysDirs.toCalendar(*fileTime, (options & ZephDirUtc) != 0, &calendar) != 0)
        return -1;
    day = static_cast<uint8_t>(calendar.day);
    month = static_cast<uint8_t>(calendar.month);
    year = calendar.year;
    hour = static_cast<uint8_t>(calendar.hour);
    minute = static_cast<uint8_t>(calendar.minute);
    second = static_cast<uint8_t>(calendar.second);
    milliseconds = calendar.milliseconds;
    return 0;
}

namespace {

// The copy of the pattern's directory part, kept after the list record.
char* directoryOf(ZephDirList* list) { return reinterpret_cast<char*>(list + 1); }

// Takes one found name into the unsorted chain, newest first (so the stable
// sort puts the later of two equal names first, as insertion one at a time
// does). "." and ".." (without ZephDirKeepParent) are passed over. False
// when memory ran out.
bool takeName(ZephDirList* list, const ZephSysFindData& found) {
    if (ZephStrEqual(found.name, "."))
        return true;
    if (!(list->options & ZephDirKeepParent) && ZephStrEqual(found.name, ".."))
        return true;
    ZephDirTime times[3];
    times[0].fromFileTime(&found.created, list->options);
    times[1].fromFileTime(&found.accessed, list->options);
    times[2].fromFileTime(&found.written, list->options);
    const char* directory = directoryOf(list);
    int32_t directoryLength = (list->options & ZephDirFullPaths) ? ZephStrLength(directory) : 0;
    ZephDirEntry* entry = newEntry(list, directory, directoryLength, found.name, static_cast<uint32_t>(found.size),
                                   libraryAttributes(found.attributes), &times[0], &times[1], &times[2]);
    if (entry == nullptr)
        return false;
    entry->volume = found.volume;
    entry->file = found.file;
    entry->next = list->unsorted;
    list->unsorted = entry;
    ++list->count;
    return true;
}

// The search is over: close it, sort and link.
void finish(ZephDirList* list) {
    ZephSysDirs.findClose(list->search);
    list->search = 0;
    list->reading = 0;
    list->first = sortChain(list->unsorted, comparatorOf(list->options));
    list->unsorted = nullptr;
    ZephDirEntry* previous = nullptr;
    for (ZephDirEntry* entry = list->first; entry != nullptr; entry = entry->next) {
        entry->previous = previous;
        previous = entry;
    }
    list->last = previous;
}

} // namespace

ZephDirList* ZephDirList::create(ZephMemManager* manager, const char* pattern, uint32_t options) {
    ZephDirList* list = start(manager, pattern, options);
    if (list != nullptr)
        readMore(&list, INT32_MAX);
    return list;
}

ZephDirList* ZephDirList::start(ZephMemManager* manager, const char* pattern, uint32_t options) {
    ZephSysFindData found;
    int64_t search = 0;
    if (ZephSysDirs.findFirst(pattern, &found, &search) != ZephErrNone)
        return nullptr;

    // The directory part is cut from a copy of the whole pattern, however
    // long, so stored paths always name the directory that was searched. The
    // copy lives after the list record, in the list's own block.
    int32_t patternLength = ZephStrLength(pattern);
    auto* list = static_cast<ZephDirList*>(
        ZephMemAlloc(manager, static_cast<int32_t>(sizeof(ZephDirList)) + patternLength + 1, ZeroFill, "ZephDirList"));
    if (list == nullptr) {
        ZephSysDirs.findClose(search);
        return nullptr;
    }
    list->manager = manager;
    list->options = options;
    list->search = search;
    list->reading = 1;
    char* directory = directoryOf(list);
    std::memcpy(directory, pattern, static_cast<size_t>(patternLength) + 1);
    ZephStrCutLastComponent(directory);
    if (!takeName(list, found))
        destroy(&list);
    return list;
}

int ZephDirList::readMore(ZephDirList** listRef, int32_t maxNames) {
    ZephDirList* list = *listRef;
    if (list == nullptr)
        return -1;
    if (!list->reading)
        return 0;
    for (int32_t taken = 0; taken < maxNames; ++taken) {
        ZephSysFindData found;
        if (ZephSysDirs.findNext(list->search, &found) != ZephErrNone) {
            finish(list);
            return 0;
        }
        if (!takeName(list, found)) {
            destroy(listRef);
            return -1;
        }
    }
    return 1;
}

void ZephDirList::destroy(ZephDirList** list) {
    ZephDirList* doomed = *list;
    if (doomed == nullptr)
        return;
    if (doomed->reading)
        ZephSysDirs.findClose(doomed->search);
    freeSlabs(doomed);
    ZephMemFree(doomed);
    *list = nullptr;
}

ZephDirEntry* ZephDirList::addEntry(ZephDirList* list, const char* name, uint32_t size, uint32_t attributes,
                                    const ZephDirTime* created, const ZephDirTime* accessed,
                                    const ZephDirTime* written) {
    if (list == nullptr || name == nullptr || list->reading)
        return nullptr;
    ZephDirEntry* entry = newEntry(list, nullptr, 0, name, size, attributes, created, accessed, written);
    if (entry == nullptr)
        return nullptr;
    Comparator compare = comparatorOf(list->options);
    ZephDirEntry* before = list->first;
    while (before != nullptr && compare(before->name, name) < 0)
        before = before->next;
    entry->next = before;
    entry->previous = before != nullptr ? before->previous : list->last;
    if (entry->previous != nullptr)
        entry->previous->next = entry;
    else
        list->first = entry;
    if (before != nullptr)
        before->previous = entry;
    else
        list->last = entry;
    ++list->count;
    return entry;
}
