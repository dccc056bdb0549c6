// win32/ZephSysError.cpp - GetLastError numbers and FormatMessage texts.
// Windows only.
#include "ZephSysError.h"

#include <windows.h>

#include <cstring>

namespace {

thread_local int32_t lastError = 0;

} // namespace

int32_t ZephSysLastError() { return lastError; }

void ZephSysSetLastError(int32_t system) { lastError = system; }

int32_t ZephSysErrorNumberOf(ZephError code) {
    switch (code) {
    case ZephErrNotFound: return ERROR_FILE_NOT_FOUND;
    case ZephErrAccess: return ERROR_ACCESS_DENIED;
    case ZephErrExists: return ERROR_FILE_EXISTS;
    case ZephErrNoSpace: return ERROR_DISK_FULL;
    case ZephErrIo: return ERROR_IO_DEVICE;
    case ZephErrNoMemory: return ERROR_NOT_ENOUGH_MEMORY;
    case ZephErrInvalid: return ERROR_INVALID_PARAMETER;
    case ZephErrBusy: return ERROR_BUSY;
    case ZephErrUnsupported: return ERROR_NOT_SUPPORTED;
    case ZephErrNotDirectory: return ERROR_DIRECTORY;
    case ZephErrInUse: return ERROR_SHARING_VIOLATION;
    default: return 0;
    }
}

int ZephSysErrorText(int32_t system, char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return -1;
    area[0] = '\0';
    if (system == 0)
        return -1;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(system), 0, area, static_cast<DWORD>(size), nullptr);
    if (length == 0) {
        area[0] = '\0';
        return -1;
    }
    // The system ends its texts with a period and CR LF; the line end goes.
    while (length > 0 && (area[length - 1] == '\r' || area[length - 1] == '\n' || area[length - 1] == ' '))
        area[--length] = '\0';
    return 0;
}
