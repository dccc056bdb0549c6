// posix/ZephSysError.cpp - errno numbers and strerror texts. POSIX only.
#include "ZephSysError.h"

#include <cerrno>
#include <cstring>

namespace {

thread_local int32_t lastError = 0;

} // namespace

int32_t ZephSysLastError() { return lastError; }

void ZephSysSetLastError(int32_t system) { lastError = system; }

int32_t ZephSysErrorNumberOf(ZephError code) {
    switch (code) {
    case ZephErrNotFound: return ENOENT;
    case ZephErrAccess: return EACCES;
    case ZephErrExists: return EEXIST;
    case ZephErrNoSpace: return ENOSPC;
    case ZephErrIo: return EIO;
    case ZephErrNoMemory: return ENOMEM;
    case ZephErrInvalid: return EINVAL;
    case ZephErrBusy: return EWOULDBLOCK;
    case ZephErrUnsupported: return EOPNOTSUPP;
    case ZephErrNotDirectory: return ENOTDIR;
    case ZephErrInUse: return ETXTBSY;
    case ZephErrLink: return ELOOP;
    default: return 0;
    }
}

int ZephSysErrorText(int32_t system, char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return -1;
    area[0] = '\0';
    if (system <= 0)
        return -1;
    // The GNU strerror_r returns the text, which may or may not be the area.
    char scratch[256];
    const char* text = strerror_r(system, scratch, sizeof scratch);
    if (text == nullptr || text[0] == '\0')
        return -1;
    std::strncpy(area, text, static_cast<size_t>(size) - 1);
    area[size - 1] = '\0';
    return 0;
}
