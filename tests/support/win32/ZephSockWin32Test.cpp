// ZephSockWin32Test.cpp - the error name table against the platform's own
// Windows Sockets constants.
#include "ZephSock.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

TEST(ZephSockErrorNamesWin32, CodesAreThePublishedValues) {
#define QV_ROW(name)                                                                                                   \
    { #name, name }
    const struct {
        const char* name;
        long code;
    } published[] = {
        QV_ROW(WSAEINTR),
        QV_ROW(WSAEACCES),
        QV_ROW(WSAEFAULT),
        QV_ROW(WSAEINVAL),
        QV_ROW(WSAEMFILE),
        QV_ROW(WSAEWOULDBLOCK),
        QV_ROW(WSAEINPROGRESS),
        QV_ROW(WSAEALREADY),
        QV_ROW(WSAENOTSOCK),
        QV_ROW(WSAEDESTADDRREQ),
        QV_ROW(WSAEMSGSIZE),
        QV_ROW(WSAEPROTOTYPE),
        QV_ROW(WSAENOPROTOOPT),
        QV_ROW(WSAEPROTONOSUPPORT),
        QV_ROW(WSAESOCKTNOSUPPORT),
        QV_ROW(WSAEOPNOTSUPP),
        QV_ROW(WSAEPFNOSUPPORT),
        QV_ROW(WSAEAFNOSUPPORT),
        QV_ROW(WSAEADDRINUSE),
        QV_ROW(WSAEADDRNOTAVAIL),
        QV_ROW(WSAENETDOWN),
        QV_ROW(WSAENETUNREACH),
        QV_ROW(WSAENETRESET),
        QV_ROW(WSAECONNABORTED),
        QV_ROW(WSAECONNRESET),
        QV_ROW(WSAENOBUFS),
        QV_ROW(WSAEISCONN),
        QV_ROW(WSAENOTCONN),
        QV_ROW(WSAESHUTDOWN),
        QV_ROW(WSAETIMEDOUT),
        QV_ROW(WSAECONNREFUSED),
        QV_ROW(WSAEHOSTDOWN),
        QV_ROW(WSAEHOSTUNREACH),
        QV_ROW(WSAEPROCLIM),
        QV_ROW(WSASYSNOTREADY),
        QV_ROW(WSAVERNOTSUPPORTED),
        QV_ROW(WSANOTINITIALISED),
        QV_ROW(WSAEDISCON),
        QV_ROW(WSATYPE_NOT_FOUND),
        QV_ROW(WSAHOST_NOT_FOUND),
        QV_ROW(WSATRY_AGAIN),
        QV_ROW(WSANO_RECOVERY),
        QV_ROW(WSANO_DATA),
        QV_ROW(WSA_INVALID_HANDLE),
        QV_ROW(WSA_INVALID_PARAMETER),
        QV_ROW(WSA_IO_INCOMPLETE),
        QV_ROW(WSA_IO_PENDING),
        QV_ROW(WSA_NOT_ENOUGH_MEMORY),
        QV_ROW(WSA_OPERATION_ABORTED),
    };
#undef QV_ROW
    ASSERT_EQ(sizeof published / sizeof published[0], static_cast<size_t>(ZephSockErrorNameCount));
    for (int i = 0; i < ZephSockErrorNameCount; ++i) {
        EXPECT_STREQ(ZephSockErrorNames[i].name, published[i].name);
        EXPECT_EQ(ZephSockErrorNames[i].code, published[i].code) << published[i].name;
    }
}
