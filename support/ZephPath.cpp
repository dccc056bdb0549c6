// ZephPath.cpp - whether anything, or a folder, stands at a path.
#include "ZephPath.h"

#include "ZephStr.h"
#include "ZephSysFile.h"

bool ZephPathExists(const char* path) {
    if (path == nullptr || path[0] == '\0')
        return false;
    ZephSysFileInfo info;
    return ZephSysFiles.query(path, &info) == ZephErrNone;
}

ZephError ZephPathCheckFolder(const char* path) {
    if (path == nullptr || path[0] == '\0')
        return ZephErrNotFound;
    ZephSysFileInfo info;
    ZephError error = ZephSysFiles.query(path, &info);
    if (error != ZephErrNone)
        return error;
    if (info.isDirectory)
        return ZephErrNone;
    if (!info.isLink)
        return ZephErrInvalid;
    // The query does not follow a final link; "link/." is the folder it
    // leads to, when it leads to one.
    char inside[4096];
    if (ZephStrLength(path) + 2 >= static_cast<int>(sizeof inside))
        return ZephErrInvalid;
    ZephStrCopy(inside, path, sizeof inside);
    ZephStrAppend(inside, ZephPathSeparatorText, sizeof inside);
    ZephStrAppend(inside, ".", sizeof inside);
    return ZephSysFiles.query(inside, &info) == ZephErrNone && info.isDirectory ? ZephErrNone : ZephErrInvalid;
}
