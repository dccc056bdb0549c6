// win32/PageDialog.cpp - the common page frame on Win32.
#include "PageDialog.h"

#include "AppPlatform.h"
#include "AppState.h"
#include "InfoBoxes.h"
#include "resource.h"

#include <commctrl.h>

namespace PageDialog {

namespace {

// The timer that refreshes a working page's progress bar between slices.
constexpr UINT_PTR ProgressTimer = 1;
constexpr UINT ProgressIntervalMs = 100;
constexpr UINT_PTR ReadOnlyTextSubclass = 1;

void setHeadingFonts(HWND window, const PageLogic& logic, const AppState& state) {
    if (state.headingFont == nullptr)
        return;
    for (int32_t id : logic.headingIds) {
        if (id != 0)
            SendDlgItemMessageA(window, id, WM_SETFONT, reinterpret_cast<WPARAM>(state.headingFont), TRUE);
    }
}

// Where the page before stood (the first page centred), the size kept.
void place(HWND window, const AppState& state) {
    RECT desktop{}, page{};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &page);
    int32_t pageWidth = page.right - page.left, pageHeight = page.bottom - page.top;
    int32_t left = 0, top = 0;
    PageFrame::openingOrigin(state, desktop.right - desktop.left, desktop.bottom - desktop.top, pageWidth, pageHeight,
                             &left, &top);
    MoveWindow(window, left, top, pageWidth, pageHeight, TRUE);
}

// The program's icon in the title bar and the task switcher, in the sizes
// the system asks for. Shared icons: the system keeps and frees them.
void setIcons(HWND window) {
    HINSTANCE module = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    const struct {
        WPARAM which;
        int width, height;
    } sizes[] = {{ICON_BIG, SM_CXICON, SM_CYICON}, {ICON_SMALL, SM_CXSMICON, SM_CYSMICON}};
    for (const auto& size : sizes) {
        HANDLE icon = LoadImageA(module, IDI_APP, IMAGE_ICON, GetSystemMetrics(size.width),
                                 GetSystemMetrics(size.height), LR_SHARED);
        if (icon != nullptr)
            SendMessageA(window, WM_SETICON, size.which, reinterpret_cast<LPARAM>(icon));
    }
}

void hideUsage(HWND window) { ShowWindow(GetDlgItem(window, IDC_USAGE), SW_HIDE); }

bool hasStyle(HWND control, LONG bits) { return (GetWindowLongA(control, GWL_STYLE) & bits) == bits; }

bool isAutoRadio(HWND control) { return (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON; }

// The marked button of a radio group, or none.
HWND markedInGroup(HWND window, HWND member) {
    HWND button = member;
    do {
        if (isAutoRadio(button) && SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
            return button;
        button = GetNextDlgGroupItem(window, button, FALSE);
    } while (button != nullptr && button != member);
    return nullptr;
}

// The button control takes an unmarked radio button out of the tab order,
// so a group with no mark could not be reached with Tab: the first button
// of such a group keeps its tab stop until one is marked.
void keepGroupsReachable(HWND window, const PageView& view) {
    for (int32_t i = 0; i < view.markCount; ++i) {
        HWND button = GetDlgItem(window, view.marks[i].id);
        if (button != nullptr && isAutoRadio(button) && hasStyle(button, WS_GROUP) &&
            markedInGroup(window, button) == nullptr)
            SetWindowLongA(button, GWL_STYLE, GetWindowLongA(button, GWL_STYLE) | WS_TABSTOP);
    }
}

// A read-only text box takes the focus without the dialog manager's
// select-all (which would scroll it to its end, all highlighted), and leaves
// Enter and Esc to the page: a multi-line edit in a dialog otherwise takes
// them, and Esc there posts WM_CLOSE, which ends the page.
LRESULT CALLBACK readOnlyTextProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_GETDLGCODE) {
        LRESULT code = DefSubclassProc(box, message, wParam, lParam) & ~DLGC_HASSETSEL;
        const MSG* key = reinterpret_cast<const MSG*>(lParam);
        if (key != nullptr && key->message == WM_KEYDOWN && (key->wParam == VK_ESCAPE || key->wParam == VK_RETURN))
            code &= ~DLGC_WANTALLKEYS;
        return code;
    }
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(box, readOnlyTextProc, ReadOnlyTextSubclass);
    return DefSubclassProc(box, message, wParam, lParam);
}

void tameReadOnlyTexts(HWND window) {
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[16] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Edit") == 0 && hasStyle(child, ES_MULTILINE | ES_READONLY))
            SetWindowSubclass(child, readOnlyTextProc, ReadOnlyTextSubclass, 0);
    }
}

// A total not known yet (the listing is still read) shows a bar that moves
// without a measure; then files done of total.
void applyProgress(HWND window, const PageView& view) {
    HWND bar = view.progress.id != 0 ? GetDlgItem(window, view.progress.id) : nullptr;
    if (bar == nullptr)
        return;
    const bool known = view.progress.total > 0;
    const LONG style = GetWindowLongA(bar, GWL_STYLE);
    if (!known && !(style & PBS_MARQUEE)) {
        SetWindowLongA(bar, GWL_STYLE, style | PBS_MARQUEE);
        SendMessageA(bar, PBM_SETMARQUEE, TRUE, 30);
    } else if (known) {
        if (style & PBS_MARQUEE) {
            SendMessageA(bar, PBM_SETMARQUEE, FALSE, 0);
            SetWindowLongA(bar, GWL_STYLE, style & ~PBS_MARQUEE);
        }
        SendMessageA(bar, PBM_SETRANGE32, 0, view.progress.total);
        SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(view.progress.done), 0);
    }
}

void showProgress(HWND window, const PageLogic& logic, const AppState& state) {
    PageView view;
    logic.setProgress(state, view);
    applyProgress(window, view);
}

// The first focus (PageFrame::firstFocus); a radio button passes it on to
// the marked button of its group. The dialog manager's own move, so the
// default button follows.
void giveFirstFocus(HWND window, const PageLogic& logic, const AppState& state) {
    const int32_t id = PageFrame::firstFocus(logic, state);
    HWND control = id != 0 ? GetDlgItem(window, id) : nullptr;
    if (control != nullptr && isAutoRadio(control)) {
        if (HWND marked = markedInGroup(window, control))
            control = marked;
    }
    if (control != nullptr)
        SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    else
        SetFocus(window); // keys still reach the page: Esc is its close request
}

void initialise(const PageGlue& glue, HWND window, AppState& state) {
    const PageLogic& logic = *glue.logic;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    setHeadingFonts(window, logic, state);
    state.pageDone = 0;
    place(window, state);
    SetWindowTextA(window, logic.windowTitle);
    setIcons(window);
    tameReadOnlyTexts(window);

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
    if (logic.setProgress != nullptr) {
        showProgress(window, logic, state);
        SetTimer(window, ProgressTimer, ProgressIntervalMs, nullptr);
    }
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
    keepGroupsReachable(window, view);
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
        giveFirstFocus(window, *glue.logic, *state);
        return FALSE;
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
    case WM_MOVE:
        // Wherever the user takes the page, the next one opens there; a
        // minimised page keeps its last place.
        if (!IsIconic(window)) {
            RECT page{};
            GetWindowRect(window, &page);
            PageFrame::keepOrigin(*state, page.left, page.top);
        }
        return FALSE;
    case WM_TIMER:
        if (wParam != ProgressTimer || glue.logic->setProgress == nullptr)
            return FALSE;
        showProgress(window, *glue.logic, *state);
        return TRUE;
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
