// ZephError.h - the one error vocabulary of the platform layer, and a failure
// as the system reported it.
#ifndef QUORVEL_SUPPORT_ZEPHERROR_H
#define QUORVEL_SUPPORT_ZEPHERROR_H

#include <cstdint>

// Both platform layers map their native errors (errno, GetLastError) onto
// these codes, so portable code and tests never decide by a system error
// number. The last six are also found by the library itself: they name what
// a safe rewrite refuses.
enum ZephError : int {
    ZephErrNone = 0,
    ZephErrNotFound,     // no such file or directory
    ZephErrAccess,       // permission denied
    ZephErrExists,       // the target already exists
    ZephErrNoSpace,      // disk full or quota exceeded
    ZephErrIo,           // any other input/output failure
    ZephErrNoMemory,     // out of memory or address space
    ZephErrInvalid,      // bad argument, path too long, not a directory
    ZephErrBusy,         // locked by another run, timed out
    ZephErrUnsupported,  // the platform cannot do it
    ZephErrNotDirectory, // a folder was wanted, something else is there
    ZephErrReadOnly,     // a read-only file, folder or file system
    ZephErrInUse,        // held open by another program (sharing violation, running program)
    ZephErrLink,         // a symbolic link (or reparse point), never followed
    ZephErrNotRegular,   // a FIFO, socket or device: never read or written
    ZephErrChanged,      // another program changed the file since it was read
    ZephErrHardLinks     // the file has other names that a replacement would split off
};

// Text for a code ("not found", "changed by another program"...).
const char* ZephErrorText(ZephError error);

// A failure: the library's code and the system's own error number for it
// (errno, GetLastError), 0 when the library itself found the fault.
struct ZephFailure {
    ZephError code = ZephErrNone;
    int32_t system = 0;
};

// Writes the cause of failure into area (size bytes, always terminated): the
// system's own words for its number (strerror, FormatMessage) when it has
// one, otherwise ZephErrorText of the code. "" for no failure.
void ZephFailureText(const ZephFailure& failure, char* area, int32_t size);

#endif
