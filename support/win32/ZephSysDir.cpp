// win32/ZephSysDir.cpp - directory search and file times through
// FindFirstFileW and friends, with the "\\?\" form of the pattern so that
// folders of any length Windows allows are listed. Windows only.
#include "ZephSysDir.h"

#include "ZephSysError.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

// Defined in win32/ZephSysFile.cpp: path as a new full wide "\\?\" path.
wchar_t* ZephSysWidePath(const char* path);

namespace {

HANDLE fromHandle(int64_t handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }

uint64_t fromFileTime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

ZephError fromLastError(DWORD error) {
    ZephSysSetLastError(static_cast<int32_t>(error));
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

void copyMatch(const WIN32_FIND_DATAW& found, ZephSysFindData* data) {
    std::memset(data, 0, sizeof *data);
    // Names are texts of the ANSI code page inside the program.
    if (WideCharToMultiByte(CP_ACP, 0, found.cFileName, -1, data->name, sizeof data->name - 1, nullptr, nullptr) == 0)
        data->name[0] = 0;
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
    wchar_t* wide = ZephSysWidePath(pattern);
    if (wide == nullptr)
        return fromLastError(static_cast<DWORD>(ZephSysLastError()));
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide, &found);
    DWORD error = GetLastError();
    std::free(wide);
    if (search == INVALID_HANDLE_VALUE)
        return fromLastError(error);
    copyMatch(found, data);
    *handle = static_cast<int64_t>(reinterpret_cast<intptr_t>(search));
    return ZephErrNone;
}

ZephError ZephSysFindNext(int64_t handle, ZephSysFindData* data) {
    WIN32_FIND_DATAW found;
    if (!FindNextFileW(fromHandle(handle), &found))
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
