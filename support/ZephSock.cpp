// ZephSock.cpp - socket layer bookkeeping and the error name table.
#include "ZephSock.h"

#include "ZephSysSock.h"

#include <cstdio>

namespace {
int socketsStarted = 0; // one start-up per process; cleared only by a clean-up that worked

constexpr int kInProgress = 10036;
constexpr int kNetworkDown = 10050;
constexpr int kNotInitialised = 10093;
} // namespace

int ZephSockStartup() {
    if (socketsStarted)
        return 0;
    int error = 0;
    if (ZephSysSocks.startup(&error) != 0)
        return -1;
    socketsStarted = 1;
    return 0;
}

void ZephSockCleanup() {
    if (!socketsStarted)
        return;
    int error = 0;
    if (ZephSysSocks.cleanup(&error) == 0) {
        socketsStarted = 0;
        return;
    }
    if (error == kInProgress || error == kNetworkDown || error == kNotInitialised)
        return;
    char text[512];
    std::snprintf(text, sizeof text, "WinSock error %d.", error);
    ZephSysSocks.trace(text);
}

const ZephSockErrorName ZephSockErrorNames[ZephSockErrorNameCount + 1] = {
    {10004, "WSAEINTR"},
    {10013, "WSAEACCES"},
    {10014, "WSAEFAULT"},
    {10022, "WSAEINVAL"},
    {10024, "WSAEMFILE"},
    {10035, "WSAEWOULDBLOCK"},
    {10036, "WSAEINPROGRESS"},
    {10037, "WSAEALREADY"},
    {10038, "WSAENOTSOCK"},
    {10039, "WSAEDESTADDRREQ"},
    {10040, "WSAEMSGSIZE"},
    {10041, "WSAEPROTOTYPE"},
    {10042, "WSAENOPROTOOPT"},
    {10043, "WSAEPROTONOSUPPORT"},
    {10044, "WSAESOCKTNOSUPPORT"},
    {10045, "WSAEOPNOTSUPP"},
    {10046, "WSAEPFNOSUPPORT"},
    {10047, "WSAEAFNOSUPPORT"},
    {10048, "WSAEADDRINUSE"},
    {10049, "WSAEADDRNOTAVAIL"},
    {10050, "WSAENETDOWN"},
    {10051, "WSAENETUNREACH"},
    {10052, "WSAENETRESET"},
    {10053, "WSAECONNABORTED"},
    {10054, "WSAECONNRESET"},
    {10055, "WSAENOBUFS"},
    {10056, "WSAEISCONN"},
    {10057, "WSAENOTCONN"},
    {10058, "WSAESHUTDOWN"},
    {10060, "WSAETIMEDOUT"},
    {10061, "WSAECONNREFUSED"},
    {10064, "WSAEHOSTDOWN"},
    {10065, "WSAEHOSTUNREACH"},
    {10067, "WSAEPROCLIM"},
    {10091, "WSASYSNOTREADY"},
    {10092, "WSAVERNOTSUPPORTED"},
    {10093, "WSANOTINITIALISED"},
    {10101, "WSAEDISCON"},
    {10109, "WSATYPE_NOT_FOUND"},
    {11001, "WSAHOST_NOT_FOUND"},
    {11002, "WSATRY_AGAIN"},
    {11003, "WSANO_RECOVERY"},
    {11004, "WSANO_DATA"},
    {6, "WSA_INVALID_HANDLE"},
    {87, "WSA_INVALID_PARAMETER"},
    {996, "WSA_IO_INCOMPLETE"},
    {997, "WSA_IO_PENDING"},
    {8, "WSA_NOT_ENOUGH_MEMORY"},
    {995, "WSA_OPERATION_ABORTED"},
    {-1, nullptr},
};

const char* ZephSockErrorNameOf(int32_t code) {
    for (const ZephSockErrorName* row = ZephSockErrorNames; row->name != nullptr; ++row)
        if (row->code == code)
            return row->name;
    return nullptr;
}
