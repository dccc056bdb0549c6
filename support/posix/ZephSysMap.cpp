// posix/ZephSysMap.cpp - file views through mmap. POSIX only.
#include "ZephSysMap.h"

#include <cerrno>
#include <cstddef>
#include <sys/mman.h>

ZephError ZephSysMapView(int64_t handle, int64_t size, const void** view) {
    if (size < 1 || static_cast<uint64_t>(size) > static_cast<uint64_t>(SIZE_MAX) || view == nullptr)
        return ZephErrInvalid;
    void* start = mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, static_cast<int>(handle), 0);
    if (start == MAP_FAILED) {
        switch (errno) {
        case ENOMEM:
        case EOVERFLOW: return ZephErrNoMemory;
        case EACCES:
        case EBADF: return ZephErrAccess;
        case ENODEV: return ZephErrUnsupported;
        default: return ZephErrInvalid;
        }
    }
    // The readers go from front to back: let the kernel read ahead and drop
    // pages behind. Only advice; a refusal changes nothing.
    madvise(start, static_cast<size_t>(size), MADV_SEQUENTIAL);
    *view = start;
    return ZephErrNone;
}

ZephError ZephSysUnmapView(const void* view, int64_t size) {
    if (view == nullptr || size < 1)
        return ZephErrInvalid;
    return munmap(const_cast<void*>(view), static_cast<size_t>(size)) == 0 ? ZephErrNone : ZephErrInvalid;
}
