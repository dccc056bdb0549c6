// PageDriver.h - runs the wizard's pages one after the other.
#ifndef QUORVEL_WIZARD_PAGEDRIVER_H
#define QUORVEL_WIZARD_PAGEDRIVER_H

#include "PageTable.h"

#include <cstdint>

struct AppState;

// Runs the wizard from page 0 until a page leaves an id that is not in
// PageTable (always -1 in practice), a row has no procedure, or a page's
// dialog cannot be created (after "Error!  Cannot create %s dialog box!").
// Modal pages run their own loop; for a modeless page the driver drains the
// queue, calls the idle step and sleeps 1 ms until pageDone is set, then
// closes the page's window.
void runPages(AppState& state);
// The same over another table (tests).
void runPagesFrom(AppState& state, const PageEntry* table);

// Handles every message waiting in the thread's queue, without waiting for
// more; messages for a page go through its dialog navigation first (Tab,
// arrows, Enter, Esc), as in a modal page's own loop. A WM_QUIT ends only
// this drain.
void pumpMessages();

#endif
