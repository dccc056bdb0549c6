// win32/QvFileTime.cpp - modification times through GetFileTime and SetFileTime.
#include "QvFileTime.h"

#include <windows.h>

namespace qvtest {

namespace {

// FILETIME counts 100 ns from 1601-01-01.
constexpr int64_t UnixEpochAsFileTime = 116444736000000000LL;

HANDLE openForTimes(const std::string& path, DWORD access) {
    // Backup semantics let a directory be opened like a file.
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

} // namespace

bool setModificationTime(const std::string& path, int64_t time) {
    HANDLE handle = openForTimes(path, FILE_WRITE_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const uint64_t value = static_cast<uint64_t>(time + UnixEpochAsFileTime);
    FILETIME written;
    written.dwLowDateTime = static_cast<DWORD>(value);
    written.dwHighDateTime = static_cast<DWORD>(value >> 32);
    const BOOL ok = SetFileTime(handle, nullptr, nullptr, &written);
    CloseHandle(handle);
    return ok != 0;
}

int64_t modificationTime(const std::string& path) {
    HANDLE handle = openForTimes(path, FILE_READ_ATTRIBUTES);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    FILETIME written;
    const BOOL ok = GetFileTime(handle, nullptr, nullptr, &written);
    CloseHandle(handle);
    if (!ok)
        return -1;
    const uint64_t value = (static_cast<uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return static_cast<int64_t>(value) - UnixEpochAsFileTime;
}

} // namespace qvtest
