// ZephPath.cpp - whether anything stands at a path.
#include "ZephPath.h"

#include "ZephStr.h"
#include "ZephSysFile.h"

#include <cstring>

const char* ZephPathLastName(const char* path) {
    if (path == nullptr)
        return "";
    const char* name = path;
    for (const char* c = path; *c != '\0'; ++c)
        if (ZephPathIsSeparator(*c))
            name = c + 1;
    return name;
}

int ZephPathFolderOf(const char* path, char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return -1;
    area[0] = '\0';
    if (path == nullptr)
        return -1;
    const char* name = ZephPathLastName(path);
    if (name == path) {
        if (size < 2)
            return -1;
        ZephStrCopy(area, ".", size);
        return 0;
    }
    int32_t length = static_cast<int32_t>(name - path) - 1; // without the separator
    if (length == 0 || (length == 2 && path[1] == ':'))
        ++length;
    if (length >= size)
        return -1;
    std::memcpy(area, path, static_cast<size_t>(length));
    area[length] = '\0';
    return 0;
}

bool ZephPathExists(const char* path) {
    if (path == nullptr || path[0] == '\0')
        return false;
    ZephSysFileInfo info;
    return ZephSysFiles.query(path, &info) == ZephErrNone;
}
