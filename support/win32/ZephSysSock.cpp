// win32/ZephSysSock.cpp - Windows Sockets start-up and clean-up. Windows only.
#include "ZephSysSock.h"

#include <winsock2.h>
#include <windows.h>

namespace {
int startup(int* error) {
    WSADATA description; // filled in, never examined
    int rc = WSAStartup(MAKEWORD(1, 1), &description);
    // WSAStartup returns its error itself; the thread's last socket error is
    // not reliable before the library is up.
    *error = rc;
    return rc == 0 ? 0 : -1;
}
int cleanup(int* error) {
    if (WSACleanup() == 0) {
        *error = 0;
        return 0;
    }
    *error = WSAGetLastError();
    return -1;
}
void trace(const char* text) { OutputDebugStringA(text); }
} // namespace

// Both spelt out, so both are fixed before any code runs.
const ZephSysSockTable ZephSysSocksDefault = {startup, cleanup, trace};
ZephSysSockTable ZephSysSocks = {startup, cleanup, trace};
