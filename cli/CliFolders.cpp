// CliFolders.cpp - the folder a quorvel command works on.
#include "CliFolders.h"

#include "CliText.h"
#include "ProductTable.h"
#include "ZephDirList.h"
#include "ZephPath.h"
#include "ZephStr.h"

#include <cstring>

namespace {

void emptyArea(char* area, int size) {
    if (area != nullptr && size > 0)
        area[0] = '\0';
}

} // namespace

const ProductEntry* CliFindProduct(const char* titleOrNumber) {
    if (titleOrNumber == nullptr || titleOrNumber[0] == '\0')
        return nullptr;
    bool digitsOnly = true;
    for (const char* c = titleOrNumber; *c != '\0'; ++c)
        digitsOnly = digitsOnly && *c >= '0' && *c <= '9';
    if (digitsOnly) {
        // More digits than a row number can have name no row (and must not
        // overflow on the way).
        if (ZephStrLength(titleOrNumber) > 4)
            return nullptr;
        int32_t index = 0;
        for (const char* c = titleOrNumber; *c != '\0'; ++c)
            index = index * 10 + (*c - '0');
        return findProduct(ProductTable, index);
    }
    for (int32_t i = 0; ProductTable[i].title != nullptr; ++i) {
        if (ZephStrEqualNoCase(ProductTable[i].title, titleOrNumber))
            return &ProductTable[i];
    }
    return nullptr;
}

int CliMapIntoPrefix(const char* windowsPath, const char* prefix, char* area, int size) {
    emptyArea(area, size);
    if (area == nullptr || size < 1 || windowsPath == nullptr || prefix == nullptr || prefix[0] == '\0')
        return -1;
    char letter = static_cast<char>(ZephStrFold(static_cast<unsigned char>(windowsPath[0])));
    if (letter < 'A' || letter > 'Z' || windowsPath[1] != ':' || windowsPath[2] != '\\')
        return -1;
    char drive[16];
    if (letter == 'C') {
        ZephStrCopy(drive, "drive_c", sizeof drive);
    } else {
        // Wine's links for every drive letter, in lower case.
        ZephStrCopy(drive, "dosdevices/x:", sizeof drive);
        drive[11] = static_cast<char>(letter - 'A' + 'a');
    }
    const char* rest = windowsPath + 3;
    int32_t prefixLength = ZephStrLength(prefix);
    bool prefixEndsInSlash = prefix[prefixLength - 1] == '/';
    int64_t needed = prefixLength + (prefixEndsInSlash ? 0 : 1) + ZephStrLength(drive) +
                     (rest[0] != '\0' ? 1 + ZephStrLength(rest) : 0);
    if (needed >= size)
        return -1;
    ZephStrCopy(area, prefix, size);
    if (!prefixEndsInSlash)
        ZephStrAppend(area, "/", size);
    ZephStrAppend(area, drive, size);
    if (rest[0] != '\0') {
        int32_t start = ZephStrLength(area);
        ZephStrAppend(area, "/", size);
        ZephStrAppend(area, rest, size);
        for (char* c = area + start; *c != '\0'; ++c) {
            if (*c == '\\')
                *c = '/';
        }
    }
    return 0;
}

void CliMatchLetterCase(ZephMemManager* manager, char* path, int fixedLength) {
    if (path == nullptr)
        return;
    int32_t length = ZephStrLength(path);
    int32_t start = fixedLength < 0 ? 0 : fixedLength;
    while (start < length) {
        while (start < length && ZephPathIsSeparator(path[start]))
            ++start;
        int32_t end = start;
        while (end < length && !ZephPathIsSeparator(path[end]))
            ++end;
        if (end == start)
            return;
        const char saved = path[end];
        path[end] = '\0';
        bool exists = ZephPathExists(path);
        bool wildcard = std::strpbrk(path + start, "*?") != nullptr;
        if (!exists && !wildcard) {
            // The component as a search pattern finds the names that equal it
            // ignoring ASCII case (see ZephSysDir.h).
            ZephDirList* list = ZephDirList::create(manager, path, 0);
            const ZephDirEntry* found = nullptr;
            for (const ZephDirEntry* entry = list != nullptr ? list->first : nullptr; entry != nullptr;
                 entry = entry->next) {
                if ((entry->attributes & ZephAttrDirectory) != 0 && ZephStrEqualNoCase(entry->name, path + start) &&
                    ZephStrLength(entry->name) == end - start) {
                    found = entry;
                    break;
                }
            }
            if (found != nullptr)
                std::memcpy(path + start, found->name, static_cast<size_t>(end - start));
            if (list != nullptr)
                ZephDirList::destroy(&list);
            exists = found != nullptr;
        }
        path[end] = saved;
        if (!exists || wildcard)
            return;
        start = end;
    }
}

bool CliFolderProblem(const char* path, char* area, int32_t size) {
    const ZephFailure problem = ZephPathCheckFolder(path);
    ZephFailureText(problem, area, size);
    return problem.code != ZephErrNone;
}

void CliTrimFolder(char* folder) {
    int32_t length = ZephStrLength(folder);
    while (length > 1 && ZephPathIsSeparator(folder[length - 1]) && folder[length - 2] != ':')
        folder[--length] = '\0';
}
