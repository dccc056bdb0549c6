// win32/ZephSysDir.cpp - directory search and file times through
// FindFirstFileA and friends. Windows only.
#include "ZephSysDir.h"

#include <windows.h>

#include <cstring>

namespace {

HANDLE fromHandle(int64_t handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }

uint64_t fromFileTime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ZephError fromLastError(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_NO_MORE_FILES:
    case ERROR_BAD_NETPATH:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY: return ZephErrNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION: return ZephErrAccess;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return ZephErrNoMemory;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_PARAMETER: return ZephErrInvalid;
    default: return ZephErrIo;
    }
}

void copyMatch(const WIN32_FIND_DATAA& found, ZephSysFindData* data) {
    std::memset(data, 0, sizeof *data);
    std::strncpy(data->name, found.cFileName, sizeof data->name - 1);
    data->attributes = found.dwFileAttributes;
    data->size = (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    data->created = fromFileTime(found.ftCreationTime);
    data->accessed = fromFileTime(found.ftLastAccessTime);
    data->written = fromFileTime(found.ftLastWriteTime);
}

} // namespace

ZephError ZephSysFindFirst(const char* pattern, ZephSysFindData* data, int64_t* handle) {
    *handle = 0;
    if (pattern == nullptr || *pattern == 0)
        return ZephErrNotFound;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return fromLastError(GetLastError());
    copyMatch(found, data);
    *handle = static_cast<int64_t>(reinterpret_cast<intptr_t>(search));
    return ZephErrNone;
}

ZephError ZephSysFindNext(int64_t handle, ZephSysFindData* data) {
    WIN32_FIND_DATAA found;
    if (!FindNextFileA(fromHandle(handle), &found))
        return fromLastError(GetLastError());
    copyMatch(found, data);
    return ZephErrNone;
}

void ZephSysFindClose(int64_t handle) {
    if (handle != 0)
        FindClose(fromHandle(handle));
}

int ZephSysFileTimeToCalendar(uint64_t fileTime, bool utc, ZephSysCalendar* out) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(fileTime);
    time.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
    SYSTEMTIME calendar;
    if (!FileTimeToSystemTime(&time, &calendar))
        return -1;
    if (!utc) {
        SYSTEMTIME local;
        if (!SystemTimeToTzSpecificLocalTime(nullptr, &calendar, &local))
            return -1;
        calendar = local;
    }
    out->year = calendar.wYear;
    out->month = calendar.wMonth;
    out->day = calendar.wDay;
    out->hour = calendar.wHour;
    out->minute = calendar.wMinute;
    out->second = calendar.wSecond;
    out->milliseconds = calendar.wMilliseconds;
    return 0;
}
