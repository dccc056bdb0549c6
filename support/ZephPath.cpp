// ZephPath.cpp - whether anything, or a folder, stands at a path.
#include "ZephPath.h"

#include "ZephStr.h"
#include "ZephSysError.h"
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

namespace {

// A failure as the system would have reported it.
ZephFailure systemFailure(ZephError code) { return ZephFailure{code, ZephSysErrorNumberOf(code)}; }

} // namespace

ZephFailure ZephPathCheckFolder(const char* path) {
    if (path == nullptr || path[0] == '\0')
        return systemFailure(ZephErrNotFound);
    ZephSysFileInfo info;
    const ZephError error = ZephSysFiles.query(path, &info);
    if (error != ZephErrNone)
        return ZephFailure{error, ZephSysLastError()};
    if (info.isDirectory)
        return ZephFailure{};
    if (!info.isLink)
        return systemFailure(ZephErrNotDirectory);
    // The query does not follow a final link; "link/." is the folder it
    // leads to, when it leads to one.
    char inside[4096];
    if (ZephStrLength(path) + 2 >= static_cast<int>(sizeof inside))
        return systemFailure(ZephErrInvalid);
    ZephStrCopy(inside, path, sizeof inside);
    ZephStrAppend(inside, ZephPathSeparatorText, sizeof inside);
    ZephStrAppend(inside, ".", sizeof inside);
    if (ZephSysFiles.query(inside, &info) == ZephErrNone && info.isDirectory)
        return ZephFailure{};
    return systemFailure(ZephErrNotDirectory);
}
