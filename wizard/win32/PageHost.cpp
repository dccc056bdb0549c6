// win32/PageHost.cpp - pages as dialogs from the templates of the program's
// module.
#include "PageHost.h"

#include "AppState.h"

#include <windows.h>

namespace {

DLGPROC dialogProcedure(const PageEntry& row) {
    // PageProcedure has the DLGPROC calling convention and parameter sizes;
    // only the handle types are opaque in the portable table.
    return reinterpret_cast<DLGPROC>(row.procedure);
}

int runModal(AppState& state, const PageEntry& row) {
    INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(state.instanceHandle), row.templateName, nullptr,
                                     dialogProcedure(row), reinterpret_cast<LPARAM>(&state));
    return result == -1 ? -1 : 0;
}

void* openModeless(AppState& state, const PageEntry& row) {
    HWND window = CreateDialogParamA(static_cast<HINSTANCE>(state.instanceHandle), row.templateName, nullptr,
                                     dialogProcedure(row), reinterpret_cast<LPARAM>(&state));
    if (window != nullptr)
        ShowWindow(window, SW_SHOW);
    return window;
}

// The page has ended; its window is destroyed so no hidden window stays behind.
void closeModeless(void* window) {
    HWND page = static_cast<HWND>(window);
    SendMessageA(page, WM_CLOSE, 0, 0);
    if (IsWindow(page))
        DestroyWindow(page);
}

void endDialog(void* window) {
    if (window != nullptr)
        EndDialog(static_cast<HWND>(window), 0);
}

// The dialog class (WC_DIALOG): only the pages are dialogs here.
bool isDialog(HWND window) { return GetClassLongPtrA(window, GCW_ATOM) == 0x8002; }

// Keys for a page go through the dialog manager first, as a modal page's own
// loop does, so Tab, the arrows, Enter and Esc work on the working pages too.
void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT)
            return;
        HWND page = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (page != nullptr && isDialog(page) && IsDialogMessageA(page, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void sleepFor(uint32_t milliseconds) { Sleep(milliseconds); }

} // namespace

const PageHost platformPageHost = {runModal, openModeless, closeModeless, endDialog, pump, sleepFor};
PageHost pageHost = platformPageHost;
