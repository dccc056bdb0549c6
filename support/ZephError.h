// ZephError.h - the one error vocabulary of the platform layer.
#ifndef QUORVEL_SUPPORT_ZEPHERROR_H
#define QUORVEL_SUPPORT_ZEPHERROR_H

// Both platform layers map their native errors (errno, GetLastError) onto
// these codes, so portable code and tests never see a system error number.
enum ZephError : int {
    ZephErrNone = 0,
    ZephErrNotFound,   // no such file or directory
    ZephErrAccess,     // permission denied, read-only, sharing violation
    ZephErrExists,     // the target already exists
    ZephErrNoSpace,    // disk full or quota exceeded
    ZephErrIo,         // any other input/output failure
    ZephErrNoMemory,   // out of memory or address space
    ZephErrInvalid,    // bad argument, path too long, not a directory
    ZephErrBusy,       // locked, in use, timed out
    ZephErrUnsupported // the platform cannot do it
};

// Text for a code, for diagnostics and tests ("not found", "access denied"...).
const char* ZephErrorText(ZephError error);

#endif
