// ExpertPageWin32.h - the expert page's work on its own window: loading the
// controls from the state, enabling them, showing the log. Windows only.
//
// The page procedure, mainPageProc (PageProcedures.h), runs the common frame
// (PageDialog) with these: on WM_INITDIALOG the frame stores the AppState in
// the user-data slot, puts in the page's self-description, sets pageDone 0, centres the
// page and sets the title, the bare caption; then loadControls and
// updateControls. Each routine finds the AppState in the user-data slot and
// does nothing before it is there.
#ifndef QUORVEL_WIZARD_WIN32_EXPERTPAGEWIN32_H
#define QUORVEL_WIZARD_WIN32_EXPERTPAGEWIN32_H

#include <windows.h>

struct ExpertPage {
    // The Source Directory, Old String and New String edits and the ".NEW"
    // check box from the state, then showLog.
    static void loadControls(HWND window);
    // Every control but the log box enabled when expertBusy is 0, disabled
    // otherwise; the log box always enabled; "Usage..." hidden.
    static void updateControls(HWND window);
    // The log box shows logBuffer (empty text when the buffer holds none),
    // with the caret after its last character and scrolled into view.
    static void showLog(HWND window);
};

#endif
