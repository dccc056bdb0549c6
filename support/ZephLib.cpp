// ZephLib.cpp - library start-up and shut-down, and the time stamp.
#include "ZephLib.h"

#include "ZephMem.h"
#include "ZephMetricManager.h"
#include "ZephSock.h"
#include "ZephStr.h"
#include "ZephSysLib.h"

#include <cstdio>

namespace {

// The library's own copy; the caller's is compiled into the caller.
const char kLibraryBanner[] = ZEPH_LIB_BANNER;

struct LibraryState {
    int started;
    uint32_t startedOptions; // the options start-up carried out
    int servicesFlag;        // set by ZephLibServices; nothing in this program reads it
};
LibraryState state = {0, 0, 0};

} // namespace

int ZephLib::startup(const char* banner, uint32_t options) {
    if (!ZephStrEqual(banner, kLibraryBanner))
        return -1;
    if (state.started)
        shutdown();
    ZephMemSetMetricFeed(ZephMetricManager::feed);
    if (options & ZephLibServices) {
        state.servicesFlag = 1;
        state.startedOptions |= ZephLibServices;
    }
    if (options & ZephLibSockets) {
        if (ZephSockStartup() != 0) {
            shutdown();
            return -1;
        }
        state.startedOptions |= ZephLibSockets;
    }
    state.started = 1;
    return 0;
}

void ZephLib::shutdown() {
    ZephMemSetMetricFeed(nullptr);
    if (state.startedOptions & ZephLibSockets)
        ZephSockCleanup();
    if (state.startedOptions & ZephLibServices)
        state.servicesFlag = 0;
    state.startedOptions = 0;
    state.started = 0;
}

int ZephLib::isStarted() { return state.started; }

uint32_t ZephLib::startedOptions() { return state.startedOptions; }

void ZephTimeStamp(char* text) {
    if (text == nullptr)
        return;
    static const char weekdays[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char months[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    text[0] = 0;
    ZephSysLocalTime now{};
    if (ZephSysLocalTimeNow(&now) != 0 || now.weekday < 0 || now.weekday > 6 || now.month < 1 || now.month > 12 ||
        now.year < 1000 || now.year > 9999)
        return;
    // The layout of ctime, day with a leading zero as the Windows runtime
    // writes it; 24 characters and the terminator always fit in 26 bytes.
    auto twoDigits = [](int value) { return static_cast<unsigned>(value) % 100u; };
    std::snprintf(text, 26, "%s %s %02u %02u:%02u:%02u %04u", weekdays[now.weekday], months[now.month - 1],
                  twoDigits(now.day), twoDigits(now.hour), twoDigits(now.minute), twoDigits(now.second),
                  static_cast<unsigned>(now.year) % 10000u);
    int length = ZephStrLength(text);
    while (length > 0 && (text[length - 1] < '0' || text[length - 1] > '9'))
        text[--length] = 0;
}
