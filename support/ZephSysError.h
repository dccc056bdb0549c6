// ZephSysError.h - platform layer: the system's number for a failure and its
// own words for it, so that a user can be told why, not only that.
#ifndef QUORVEL_SUPPORT_ZEPHSYSERROR_H
#define QUORVEL_SUPPORT_ZEPHSYSERROR_H

#include "ZephError.h"

#include <cstdint>

// Like errno: every platform call that fails records the system's number for
// the failure here (per thread), and one the library refused itself records
// 0. Read it right after the failing call; the next failure replaces it.
int32_t ZephSysLastError();
void ZephSysSetLastError(int32_t system);

// The number this system gives for a code (EIO for ZephErrIo,
// ERROR_DISK_FULL for ZephErrNoSpace...), 0 for codes that only the library
// finds. Fault seams record it, so an injected failure reads like a real one.
int32_t ZephSysErrorNumberOf(ZephError code);

// The system's own text for its error number (strerror, FormatMessage in
// the user's language), without a line end. 0, or -1 with area "" when the
// system has no text for it. Cannot fail otherwise.
int ZephSysErrorText(int32_t system, char* area, int32_t size);

#endif
