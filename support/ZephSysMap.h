// ZephSysMap.h - platform layer: an open file seen whole as read-only memory,
// for readers that want every byte at once without copying it. Portable code
// reaches it only through ZephSysMaps, a table tests may swap to fail a map.
#ifndef QUORVEL_SUPPORT_ZEPHSYSMAP_H
#define QUORVEL_SUPPORT_ZEPHSYSMAP_H

#include "ZephError.h"

#include <cstdint>

// A view is the file's first size bytes, readable and never writable. It
// stays valid after the file's handle is closed, until unmap. The file must
// not shrink while it is viewed: on POSIX, reading a page past a new end
// stops the process (SIGBUS); Windows refuses to cut a file that has a view.
// Callers therefore view only files they merely read, for a short while.
struct ZephSysMapTable {
    // Views size bytes (above 0) of handle, a file opened for reading through
    // ZephSysFiles. Sets *view only on success; ZephErrInvalid for a size
    // below 1 or beyond the address space, ZephErrNoMemory when no room is
    // left for the view, ZephErrUnsupported for a file that cannot be viewed.
    ZephError (*map)(int64_t handle, int64_t size, const void** view);
    // Ends a view that map gave, with the same size. Cannot fail for a view
    // that map gave; anything else is ZephErrInvalid.
    ZephError (*unmap)(const void* view, int64_t size);
};

extern ZephSysMapTable ZephSysMaps;             // what callers use
extern const ZephSysMapTable ZephSysMapsDefault; // the real platform calls

// The real calls, one definition per platform (support/posix, support/win32).
ZephError ZephSysMapView(int64_t handle, int64_t size, const void** view);
ZephError ZephSysUnmapView(const void* view, int64_t size);

#endif
