// InstallFolder.cpp - the listing pattern, the entry filter and the file kinds.
#include "InstallFolder.h"

#include "ZephDirList.h"
#include "ZephPath.h"
#include "ZephStr.h"

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
    return (entry.attributes & (ZephAttrDirectory | ZephAttrLink)) != 0;
}

int InstallFolderKindOf(const ZephDirEntry& entry, int32_t* binaryFlag) {
    if (InstallFolderPassesOver(entry)) {
        if (binaryFlag != nullptr)
            *binaryFlag = 0;
        return 0;
    }
    return FileKindLookup(entry.name, binaryFlag);
}
