// PageDialog.h - the common page frame on Win32: one handler for the
// messages every wizard page shares. Windows only.
//
// A page procedure hands every message here with its PageGlue:
//
//   const PageGlue scanGlue = {&scanPage, nullptr, nullptr};
//   intptr_t QV_PAGE_CALLBACK scanPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
//   {
//       return PageDialog::handle(scanGlue, window, message, wParam, lParam);
//   }
//
// WM_INITDIALOG (lParam: the AppState): user-data slot, heading font,
// pageDone 0, the page's place, title, icons, texts, marks, the glue's
// afterTexts, states, "Usage..." hidden, the progress bar and its timer,
// the first focus. WM_COMMAND: the glue's onCommand first, then
// PageFrame::command. WM_MOVE keeps the place for the next page. WM_TIMER
// refreshes the progress bar. WM_SYSCOMMAND/SC_CLOSE, WM_CLOSE, WM_DESTROY
// as the frame says. Everything else is left to the dialog manager.
#ifndef QUORVEL_WIZARD_WIN32_PAGEDIALOG_H
#define QUORVEL_WIZARD_WIN32_PAGEDIALOG_H

#include "PageFrame.h"

#include <windows.h>

struct AppState;

struct PageGlue {
    const PageLogic* logic;
    // Optional: creation work the view cannot describe (filling a list box),
    // run after the texts and marks, before the states.
    void (*afterTexts)(HWND window, AppState& state);
    // Optional: sees each WM_COMMAND before the frame; true when it handled
    // it (the frame then does nothing more). Use PageDialog::refresh and
    // PageDialog::leave from here.
    bool (*onCommand)(HWND window, AppState& state, int controlId, int notification);
};

namespace PageDialog {

// The page procedure's whole body.
INT_PTR handle(const PageGlue& glue, void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The AppState stored in the page's user-data slot; none before WM_INITDIALOG.
AppState* stateOf(HWND window);

// Puts a view's texts, marks or states on the page's controls. A radio
// group left without a mark keeps a tab stop on its first button.
void applyTexts(HWND window, const PageView& view);
void applyMarks(HWND window, const PageView& view);
void applyStates(HWND window, const PageView& view);
// Marks and states anew from the AppState, then "Usage..." hidden again.
void refresh(HWND window, const PageLogic& logic, AppState& state);
// pageDone 1, end the dialog (currentPage is the caller's to set).
void leave(HWND window, AppState& state);
// "Are you sure you wish to exit this program?" with Yes and No, owned by
// the page; true for Yes.
bool askExit(HWND window);

} // namespace PageDialog

#endif
