// win32/ZephSysMap.cpp - file views through CreateFileMappingA and
// MapViewOfFile. Windows only.
#include "ZephSysMap.h"

#include <windows.h>

ZephError ZephSysMapView(int64_t handle, int64_t size, const void** view) {
    if (size < 1 || static_cast<uint64_t>(size) > static_cast<uint64_t>(SIZE_MAX) || view == nullptr)
        return ZephErrInvalid;
    HANDLE file = reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
    // The mapping covers the file as it is now; a read-only mapping larger
    // than the file would be refused.
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping == nullptr) {
        DWORD error = GetLastError();
        if (error == ERROR_ACCESS_DENIED)
            return ZephErrAccess;
        if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_COMMITMENT_LIMIT)
            return ZephErrNoMemory;
        return ZephErrUnsupported;
    }
    void* start = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(size));
    // The view keeps the mapping alive; its handle is not needed any more.
    CloseHandle(mapping);
    if (start == nullptr)
        return ZephErrNoMemory;
    *view = start;
    return ZephErrNone;
}

ZephError ZephSysUnmapView(const void* view, int64_t size) {
    if (view == nullptr || size < 1)
        return ZephErrInvalid;
    return UnmapViewOfFile(view) ? ZephErrNone : ZephErrInvalid;
}
