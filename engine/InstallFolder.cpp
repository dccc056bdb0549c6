// InstallFolder.cpp - the listing pattern, the entry filter and the file kinds.
#include "InstallFolder.h"

#include "RunRestore.h"
#include "ZephDirList.h"
#include "ZephFileReplacer.h"
#include "ZephFolder.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephStr.h"
#include "ZephSysFile.h"

const FileKindEntry FileKindTable[] = {
    {".EXE", 1}, {".DLL", 1}, {".INI", 0}, {".CFG", 0}, {".HTM", 0}, {nullptr, 0},
};

int FileKindLookup(const char* path, int32_t* binaryFlag) {
    if (binaryFlag != nullptr)
        *binaryFlag = 0;
    // An empty or null text never ends with an extension.
    for (const FileKindEntry* row = FileKindTable; row->extension != nullptr; ++row) {
        if (ZephStrEndsWithNoCase(path, row->extension)) {
            if (binaryFlag != nullptr)
                *binaryFlag = row->binary;
            return 1;
        }
    }
    return 0;
}

int InstallFolderPattern(const char* directory, char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return -1;
    area[0] = '\0';
    const int64_t needed =
        int64_t{ZephStrLength(directory)} + ZephStrLength(ZephPathSeparatorText) + ZephStrLength(InstallFolderWildcard);
    if (needed >= size)
        return -1;
    ZephStrCopy(area, directory, size);
    ZephStrAppend(area, ZephPathSeparatorText, size);
    ZephStrAppend(area, InstallFolderWildcard, size);
    return 0;
}

namespace {
constexpr uint32_t ListOptions = ZephDirFullPaths | ZephDirNoCase;
} // namespace

ZephDirList* InstallFolderList(ZephMemManager* manager, const char* pattern) {
    return ZephDirList::create(manager, pattern, ListOptions);
}

ZephDirList* InstallFolderStartList(ZephMemManager* manager, const char* pattern) {
    return ZephDirList::start(manager, pattern, ListOptions);
}

bool InstallFolderPassesOver(const ZephDirEntry& entry) {
    return (entry.attributes & (ZephAttrDirectory | ZephAttrLink | ZephAttrSpecial)) != 0;
}

InstallFolderSkip InstallFolderSkipOf(const ZephDirEntry& entry) {
    if ((entry.attributes & ZephAttrDirectory) && !(entry.attributes & ZephAttrLink))
        return InstallFolderNotSkipped;
    if ((entry.attributes & (ZephAttrLink | ZephAttrSpecial)) == 0 || FileKindLookup(entry.name, nullptr) == 0)
        return InstallFolderNotSkipped;
    return (entry.attributes & ZephAttrLink) ? InstallFolderSkippedLink : InstallFolderSkippedSpecial;
}

namespace {

// Removes the temporary files of earlier runs from the open, locked folder;
// one that a writer still holds open stays (a run that took another lock,
// such as a copy under Wine beside a native one). Returns how many went.
int32_t removeStaleTemporaries(const ZephFolder& folder, const char* directory, ZephMemManager* manager) {
    char pattern[1024];
    if (InstallFolderPattern(directory, pattern, sizeof pattern) != 0)
        return 0;
    ZephDirList* list = ZephDirList::create(manager, pattern, ZephDirNoCase);
    if (list == nullptr)
        return 0;
    int32_t removed = 0;
    for (ZephDirEntry* entry = list->first; entry != nullptr; entry = entry->next) {
        if (InstallFolderPassesOver(*entry) || !ZephFileReplacer::isTemporaryName(entry->name))
            continue;
        if (ZephSysFiles.removeUnusedIn(folder.handle, entry->name) == ZephErrNone)
            ++removed;
    }
    ZephDirList::destroy(&list);
    return removed;
}

} // namespace

int InstallFolderOpen(ZephFolder* folder, const char* directory, int32_t lockWaitMs, ZephMemManager* manager,
                      int32_t* staleRemoved, RunRecovery* recovery) {
    if (staleRemoved != nullptr)
        *staleRemoved = 0;
    RunRecovery settled;
    if (recovery == nullptr)
        recovery = &settled;
    *recovery = RunRecovery{};
    if (folder->open(directory, lockWaitMs < 0 ? 0 : lockWaitMs) != 0)
        return -1;
    // After the lock, before anything else looks at the files; before the
    // stale temporaries go, since the new content of a run to complete is
    // among them.
    if (RunRecover(*folder, manager, recovery) != 0) {
        folder->failure = recovery->failure;
        folder->close();
        return -1;
    }
    const int32_t removed = removeStaleTemporaries(*folder, directory, manager);
    if (staleRemoved != nullptr)
        *staleRemoved = removed;
    return 0;
}

int InstallFolderKindOf(const ZephDirEntry& entry, int32_t* binaryFlag) {
    if (InstallFolderPassesOver(entry)) {
        if (binaryFlag != nullptr)
            *binaryFlag = 0;
        return 0;
    }
    return FileKindLookup(entry.name, binaryFlag);
}
