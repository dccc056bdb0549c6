// PageHost.h - what the page driver needs of the windowing system: the one
// seam between the portable driver and the dialogs.
#ifndef QUORVEL_WIZARD_PAGEHOST_H
#define QUORVEL_WIZARD_PAGEHOST_H

#include "PageTable.h"

#include <cstdint>

struct AppState;

// The platform fills platformPageHost (wizard/win32/PageHost.cpp with
// dialogs; natively there are none, so every page fails to open). The driver
// calls through pageHost, which tests may point at their own functions and
// must restore from platformPageHost afterwards.
struct PageHost {
    // Runs row's page in its own modal loop, with state as the creation
    // parameter, until the page ends. 0; -1 when its dialog cannot be made.
    int (*runModal)(AppState& state, const PageEntry& row);
    // Creates row's page without a modal loop and shows it; its window, or
    // none when it cannot be made.
    void* (*openModeless)(AppState& state, const PageEntry& row);
    // Sends the page window the close message (synchronously) and removes it.
    void (*closeModeless)(void* window);
    // Ends a page's dialog.
    void (*endDialog)(void* window);
    // Handles the waiting messages, keys through the page's dialog
    // navigation (pumpMessages).
    void (*pumpMessages)();
    void (*sleep)(uint32_t milliseconds);
};

extern const PageHost platformPageHost;
extern PageHost pageHost;

#endif
