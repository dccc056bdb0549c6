// win32/PageDialog.cpp - the common page frame on Win32.
#include "PageDialog.h"

#include "AppPlatform.h"
#include "AppState.h"
#include "InfoBoxes.h"
#include "resource.h"

namespace PageDialog {

namespace {

void setHeadingFonts(HWND window, const PageLogic& logic, const AppState& state) {
    if (state.headingFont == nullptr)
        return;
    for (int32_t id : logic.headingIds) {
        if (id != 0)
            SendDlgItemMessageA(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(state.headingFont), TRUE);
    }
}

// Centred on the desktop, the size kept; each half rounded down.
void centre(HWND window) {
    RECT desktop{}, page{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &page);
    int32_t desktopWidth = desktop.right - desktop.left, desktopHeight = desktop.bottom - desktop.top;
    int32_t pageWidth = page.right - page.left, pageHeight = page.bottom - page.top;
    MoveWindow(window, PageFrame::centredOrigin(desktopWidth, pageWidth),
               PageFrame::centredOrigin(desktopHeight, pageHeight), pageWidth, pageHeight, TRUE);
}

void hideUsage(HWND window) { ShowWindow(GetDlgItem(window, IDC_USAGE), SW_HIDE); }

// The page's enabled default push button, if it has one.
HWND defaultButton(HWND window) {
    LRESULT id = SendMessageA(window, DM_GETDEFID, 0, 0);
    if (HIWORD(id) != DC_HASDEFID)
        return nullptr;
    HWND button = GetDlgItem(window, LOWORD(id));
    // The style bit: the page itself is not shown yet.
    if (button == nullptr || !IsWindowEnabled(button) || !(GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE) ||
        !(SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
        return nullptr;
    return button;
}

void initialise(const PageGlue& glue, HWND window, AppState& state) {
    const PageLogic& logic = *glue.logic;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    setHeadingFonts(window, logic, state);
    state.pageDone = 0;
    centre(window);
    SetWindowTextA(window, logic.windowTitle);

    PageView view;
    if (logic.setTexts != nullptr)
        logic.setTexts(state, view);
    applyTexts(window, view);
    if (logic.setMarks != nullptr)
        logic.setMarks(state, view);
    applyMarks(window, view);
    if (glue.afterTexts != nullptr)
        glue.afterTexts(window, state);
    if (logic.setStates != nullptr)
        logic.setStates(state, view);
    applyStates(window, view);
    hideUsage(window);
}

void act(FrameAction action, const PageGlue& glue, HWND window, AppState& state) {
    switch (action) {
    case FrameAction::ShowAbout: showAbout(window); break;
    case FrameAction::ShowUsage: showUsage(window); break;
    case FrameAction::AskExit:
        if (askExit(window)) {
            PageFrame::endWizard(state);
            EndDialog(window, 0);
        }
        break;
    case FrameAction::Refresh: refresh(window, *glue.logic, state); break;
    case FrameAction::EndDialog: EndDialog(window, 0); break;
    case FrameAction::None:
    case FrameAction::Unhandled: break;
    }
}

} // namespace

AppState* stateOf(HWND window) { return reinterpret_cast<AppState*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

void applyTexts(HWND window, const PageView& view) {
    for (int32_t i = 0; i < view.textCount; ++i)
        SetDlgItemTextA(window, view.texts[i].id, view.texts[i].text != nullptr ? view.texts[i].text : "");
}

void applyMarks(HWND window, const PageView& view) {
    for (int32_t i = 0; i < view.markCount; ++i)
        SendDlgItemMessageA(window, view.marks[i].id, BM_SETCHECK, view.marks[i].on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void applyStates(HWND window, const PageView& view) {
    for (int32_t i = 0; i < view.stateCount; ++i)
        EnableWindow(GetDlgItem(window, view.states[i].id), view.states[i].on ? TRUE : FALSE);
}

void refresh(HWND window, const PageLogic& logic, AppState& state) {
    PageView view;
    PageFrame::describeRefresh(logic, state, view);
    applyMarks(window, view);
    applyStates(window, view);
    hideUsage(window);
}

void leave(HWND window, AppState& state) {
    state.pageDone = 1;
    EndDialog(window, 0);
}

bool askExit(HWND window) {
    return appMessageBox(window, "Are you sure you wish to exit this program?", AppBoxQuestion) == AppAnswerYes;
}

INT_PTR handle(const PageGlue& glue, void* opaqueWindow, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    HWND window = static_cast<HWND>(opaqueWindow);
    if (message == WM_INITDIALOG) {
        AppState* state = reinterpret_cast<AppState*>(lParam);
        if (state == nullptr) {
            EndDialog(window, -1);
            return FALSE;
        }
        initialise(glue, window, *state);
        // A page with a default button starts with the focus on it, so that
        // Enter does what the button shows; the others keep the dialog's
        // choice (the first control in tab order).
        HWND button = defaultButton(window);
        if (button != nullptr) {
            SetFocus(button);
            return FALSE;
        }
        return TRUE;
    }

    AppState* state = stateOf(window);
    if (state == nullptr)
        return FALSE; // messages before WM_INITDIALOG

    switch (message) {
    case WM_COMMAND: {
        int controlId = LOWORD(wParam);
        int notification = HIWORD(wParam);
        if (glue.onCommand != nullptr && glue.onCommand(window, *state, controlId, notification))
            return TRUE;
        FrameAction action = PageFrame::command(*glue.logic, *state, controlId, notification);
        if (action == FrameAction::Unhandled)
            return FALSE;
        act(action, glue, window, *state);
        return TRUE;
    }
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != SC_CLOSE)
            return FALSE;
        act(PageFrame::closeRequest(*glue.logic, *state), glue, window, *state);
        return TRUE;
    case WM_CLOSE:
        PageFrame::closePage(*state);
        EndDialog(window, 0);
        return TRUE;
    case WM_DESTROY:
        PageFrame::closePage(*state);
        EndDialog(window, 0);
        return FALSE;
    default: return FALSE;
    }
}

} // namespace PageDialog
