// posix/PageHost.cpp - no dialogs here: every page fails to open, so the
// driver reports it and ends. Tests put their own host in pageHost.
#include "PageHost.h"

#include <time.h>

namespace {

int runModal(AppState&, const PageEntry&) { return -1; }
void* openModeless(AppState&, const PageEntry&) { return nullptr; }
void closeModeless(void*) {}
void endDialog(void*) {}
void pump() {}

void sleepFor(uint32_t milliseconds) {
    timespec pause{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

} // namespace

const PageHost platformPageHost = {runModal, openModeless, closeModeless, endDialog, pump, sleepFor};
PageHost pageHost = platformPageHost;
