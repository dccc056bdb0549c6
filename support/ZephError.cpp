// ZephError.cpp - texts of the platform error codes and of failures.
#include "ZephError.h"

#include "ZephStr.h"
#include "ZephSysError.h"

const char* ZephErrorText(ZephError error) {
    switch (error) {
    case ZephErrNone: return "no error";
    case ZephErrNotFound: return "not found";
    case ZephErrAccess: return "access denied";
    case ZephErrExists: return "already exists";
    case ZephErrNoSpace: return "no space left";
    case ZephErrIo: return "input/output error";
    case ZephErrNoMemory: return "out of memory";
    case ZephErrInvalid: return "invalid argument";
    case ZephErrBusy: return "busy";
    case ZephErrUnsupported: return "not supported";
    case ZephErrNotDirectory: return "not a directory";
    case ZephErrReadOnly: return "marked read-only";
    case ZephErrInUse: return "in use by another program";
    case ZephErrLink: return "a symbolic link";
    case ZephErrNotRegular: return "not a regular file";
    case ZephErrChanged: return "changed by another program";
    case ZephErrHardLinks: return "has other names (hard links)";
    }
    return "unknown error";
}

void ZephFailureText(const ZephFailure& failure, char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return;
    area[0] = '\0';
    if (failure.code == ZephErrNone)
        return;
    if (failure.system != 0 && ZephSysErrorText(failure.system, area, size) == 0)
        return;
    ZephStrCopy(area, ZephErrorText(failure.code), size);
}
