// ExpertPage.h - the expert page MAIN (page 11): any directory, any Old and
// New String, a read-only "Report" or a rewriting "Do it!" run, and the run's
// log. No wizard page leads to it.
//
// The run itself is ExpertRun (engine/ExpertRun.h); this unit lends it the
// page's fields of AppState and holds what the page decides without a
// window: which controls a run disables, when an edit's text or the check
// box changes a field. The dialog glue is wizard/win32/ExpertPageWin32.cpp.
#ifndef QUORVEL_WIZARD_EXPERTPAGE_H
#define QUORVEL_WIZARD_EXPERTPAGE_H

#include "ExpertRun.h"
#include "PageFrame.h"

#include <cstdint>

struct AppState;

// Title without a page name, no heading font, Exit and the close box end the
// program without a question. Texts: the page's self-description (ExpertDescriptionText); states: while
// expertBusy is set every control but the log box is disabled ("Usage..."
// included; the frame hides it anyway).
extern const PageLogic expertPage;

// What the page says about itself. It names more kinds than a run handles
// (only the wizard's five are processed); the text is the page's own.
inline constexpr char ExpertDescriptionText[] =
    "This program scans <Source Directory> for files ending in .EXE, .DLL, .BIN, .PFF, .INI, .CFG, .TXT, .HTM, "
    ".LOG, and .WIZ.\r\n  It searches these files for all occurences of <Old String> and replaces them with <New "
    "String>.\r\n  Binary Files [.EXE/.DLL/.BIN/.PFF] file lengths are preserved.  REPORT does not modify the files.";

// The edits hold at most this many characters, so what a field stores is
// what its edit shows.
inline constexpr int32_t ExpertTextLimit = ExpertFieldSize - 1;

// The controls loaded from the state: the three edits' texts and the ".NEW"
// check box's mark.
void describeExpertFields(const AppState& state, PageView& view);

// An edit's text (Source Directory, Old String or New String by control id)
// is now text: when it differs from its field (exactly, case included) the
// field takes it, cut to its 1024 bytes, and the result is true. False for
// other ids.
bool takeExpertText(AppState& state, int32_t controlId, const char* text);

// The check box's state is now checked (0 or 1): true when expertSaveAsNew
// changed.
bool takeExpertSaveAsNew(AppState& state, int32_t checked);

// Where the page's runs read the time; none: the tick count. Tests set a
// clock here so that a run shows its progress when they want it to.
extern uint32_t (*expertPageTickCount)();

// Runs Report (doIt 0) or Do it! (doIt 1) over the state's fields: the
// directory, both strings and the check box as set, expertBusy as the busy
// flag, pageDone as the stop flag, both text buffers. sink hears of every
// change (the page: its controls, its log box and its message drain).
void runExpert(AppState& state, int32_t doIt, ExpertRunSink* sink);

#endif
