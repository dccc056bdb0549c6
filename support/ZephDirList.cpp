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

// One zeroed block holding the entry and its whole name: prefix (prefixLength
// bytes, may be empty), then the separator when prefix is non-empty, then
// name. Not linked. None when memory ran out or the size does not fit.
ZephDirEntry* newEntry(ZephDirList* list, const char* prefix, int32_t prefixLength, const char* name, uint32_t size,
                       uint32_t attributes, const ZephDirTime* created, const ZephDirTime* accessed,
                       const ZephDirTime* written) {
    int64_t nameLength = ZephStrLength(name);
    int64_t textLength = prefixLength > 0 ? prefixLength + 1 + nameLength : nameLength;
    int64_t blockSize = static_cast<int64_t>(sizeof(ZephDirEntry)) + textLength + 1;
    if (blockSize > INT32_MAX - 4096)
        return nullptr;
    auto* entry = static_cast<ZephDirEntry*>(
        ZephMemAlloc(list->manager, static_cast<int32_t>(blockSize), ZeroFill, "ZephDirEntry"));
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

// Frees a chain linked through next.
void freeChain(ZephDirEntry* chain) {
    while (chain != nullptr) {
        ZephDirEntry* next = chain->next;
        ZephMemFree(chain);
        chain = next;
    }
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

ZephDirList* ZephDirList::create(ZephMemManager* manager, const char* pattern, uint32_t options) {
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
    char* directory = reinterpret_cast<char*>(list + 1);
    std::memcpy(directory, pattern, static_cast<size_t>(patternLength) + 1);
    ZephStrCutLastComponent(directory);
    int32_t directoryLength = (options & ZephDirFullPaths) ? ZephStrLength(directory) : 0;

    // Entries are collected newest first, so the stable sort puts the later
    // of two equal names first, as insertion one at a time does.
    ZephDirEntry* chain = nullptr;
    int32_t count = 0;
    do {
        if (ZephStrEqual(found.name, "."))
            continue;
        if (!(options & ZephDirKeepParent) && ZephStrEqual(found.name, ".."))
            continue;
        ZephDirTime times[3];
        times[0].fromFileTime(&found.created, options);
        times[1].fromFileTime(&found.accessed, options);
        times[2].fromFileTime(&found.written, options);
        ZephDirEntry* entry = newEntry(list, directory, directoryLength, found.name, static_cast<uint32_t>(found.size),
                                       libraryAttributes(found.attributes), &times[0], &times[1], &times[2]);
        if (entry == nullptr) {
            freeChain(chain);
            ZephMemFree(list);
            ZephSysDirs.findClose(search);
            return nullptr;
        }
        entry->volume = found.volume;
        entry->file = found.file;
        entry->next = chain;
        chain = entry;
        ++count;
    } while (ZephSysDirs.findNext(search, &found) == ZephErrNone);
    ZephSysDirs.findClose(search);

    list->first = sortChain(chain, comparatorOf(options));
    ZephDirEntry* previous = nullptr;
    for (ZephDirEntry* entry = list->first; entry != nullptr; entry = entry->next) {
        entry->previous = previous;
        previous = entry;
    }
    list->last = previous;
    list->count = count;
    return list;
}

void ZephDirList::destroy(ZephDirList** list) {
    ZephDirList* doomed = *list;
    if (doomed == nullptr)
        return;
    while (ZephDirEntry* entry = doomed->last) {
        doomed->last = entry->previous;
        if (entry->previous != nullptr)
            entry->previous->next = nullptr;
        else
            doomed->first = nullptr;
        --doomed->count;
        ZephMemFree(entry);
    }
    ZephMemFree(doomed);
    *list = nullptr;
}

ZephDirEntry* ZephDirList::addEntry(ZephDirList* list, const char* name, uint32_t size, uint32_t attributes,
                                    const ZephDirTime* created, const ZephDirTime* accessed,
                                    const ZephDirTime* written) {
    if (list == nullptr || name == nullptr)
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
