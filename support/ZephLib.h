// ZephLib.h - bringing the support library up and down for a process, and
// the time stamp of its reports.
#ifndef QUORVEL_SUPPORT_ZEPHLIB_H
#define QUORVEL_SUPPORT_ZEPHLIB_H

#include <cstdint>

// The library's banner. A caller compiles this text into itself and hands
// it to ZephLib::startup, which compares it byte for byte with the copy the
// library was built with, so a caller built against another version of the
// library is refused.
#define ZEPH_LIB_BANNER "ZEPHX Lib Version 0.0.1 2/14/2006 - Zeph support library"

// Start-up options.
enum : uint32_t {
    ZephLibSockets = 1, // start the socket layer (ZephSock.h)
    ZephLibServices = 2 // set the process-wide services flag
};

struct ZephLib {
    // Checks banner, installs the memory manager's metric feed
    // (ZephMetricManager::feed) and starts what options ask for. A library
    // already started is shut down first. Returns 0; -1 when the banner is
    // missing or differs (the state stays as it was) or when the socket
    // layer cannot be started (the library is then fully shut down).
    static int startup(const char* banner, uint32_t options);
    // Undoes what start-up started and removes the metric feed. Safe when
    // nothing was started.
    static void shutdown();
    // 1 between a successful start-up and the next shut-down.
    static int isStarted();
    // The options that the running start-up carried out.
    static uint32_t startedOptions();
};

// Writes the current local time as "Www Mmm dd hh:mm:ss yyyy" (24
// characters, day with a leading zero, no line end) into text, which must
// hold at least 26 bytes. Writes "" when the local time cannot be had or
// its year does not have four digits; does nothing when text is none.
void ZephTimeStamp(char* text);

#endif
