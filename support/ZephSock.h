// ZephSock.h - the socket layer's start-up and clean-up for the process, and
// the table of Windows Sockets error names.
#ifndef QUORVEL_SUPPORT_ZEPHSOCK_H
#define QUORVEL_SUPPORT_ZEPHSOCK_H

#include <cstdint>

// Starts the socket library once per process: 0 when it is started, now or
// by an earlier call; -1 when the platform refuses (nothing changes then).
// On POSIX there is nothing to start and the result is 0.
int ZephSockStartup();

// Takes the socket library down when it was started. A refusal leaves it
// counted as started, so a later clean-up tries again and a later start-up
// returns 0 at once. Refusals other than "in progress", "network down" and
// "not initialised" put "WinSock error <code>." on the debug trace. Reports
// nothing to the caller.
void ZephSockCleanup();

struct ZephSockErrorName {
    int32_t code;     // the value Windows Sockets publishes for name
    const char* name; // its symbolic constant; none in the end row
};

// 49 rows, then the end row {-1, none}. The first 43 ascend by code; the
// last six are the overlapped-I/O names, which carry small system codes.
inline constexpr int ZephSockErrorNameCount = 49;
extern const ZephSockErrorName ZephSockErrorNames[ZephSockErrorNameCount + 1];

// The symbolic name of a socket error code, or none when the table has no
// row for it.
const char* ZephSockErrorNameOf(int32_t code);

#endif
