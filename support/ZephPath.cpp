// ZephPath.cpp - whether anything stands at a path.
#include "ZephPath.h"

#include "ZephSysFile.h"

bool ZephPathExists(const char* path) {
    if (path == nullptr || path[0] == '\0')
        return false;
    ZephSysFileInfo info;
    return ZephSysFiles.query(path, &info) == ZephErrNone;
}
