// win32/ExpertPageWin32.cpp - the page procedure of the expert page MAIN.
#include "ExpertPageWin32.h"

#include "AppState.h"
#include "ExpertPage.h"
#include "FolderBrowser.h"
#include "PageDialog.h"
#include "PageDriver.h"
#include "PageProcedures.h"
#include "ProductPages.h"
#include "ZephBuf.h"
#include "ZephMem.h"
#include "resource.h"

namespace {

// The run's sink on the page: its controls follow the busy flag, the log box
// follows the log (with the progress text while it is there), and the queue
// is drained so the page stays responsive and hears close requests.
class PageRunSink : public ExpertRunSink {
public:
    explicit PageRunSink(HWND window) : window_(window) {}
    void busyChanged() override { ExpertPage::updateControls(window_); }
    void showLog(const ZephBuf&) override { ExpertPage::showLog(window_); }
    void pumpMessages() override { ::pumpMessages(); }

private:
    HWND window_;
};

void limitEdits(HWND window) {
    for (int id : {IDC_DIRECTORY, IDC_OLD_STRING, IDC_NEW_STRING})
        SendDlgItemMessageA(window, id, EM_LIMITTEXT, ExpertTextLimit, 0);
}

// Creation work after the page's self-description is in: the edits take no more than their
// fields can hold, the log box takes a log of any length (putLog appends to
// it), then the controls are loaded.
void loadPage(HWND window, AppState&) {
    limitEdits(window);
    SendDlgItemMessageA(window, IDC_LOG, EM_LIMITTEXT, 0, 0);
    ExpertPage::loadControls(window);
}

// Positions in the box count characters, the log counts bytes: the same
// only where every character is one byte.
bool isSingleByteCodePage() {
    CPINFO info;
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

// Makes the box's text the length bytes of text. A run shows its log after
// every file, and an edit control may lay out its whole text again when it
// is replaced (Wine's does, which makes a long run slow down with every
// line), so only the part after what the box already shows of the log is
// replaced: usually the new lines, or the progress text that stood there.
void putLog(HWND box, const char* text, int32_t length) {
    const int shownLength = GetWindowTextLengthA(box);
    if (shownLength > 0 && length > 0 && isSingleByteCodePage()) {
        ZephBuf shown;
        shown.init(&ZephMemManagerGlobal, 8192);
        if (shown.reserve(shownLength + 1) == 0) {
            const int32_t got = GetWindowTextA(box, shown.data, shownLength + 1);
            const int32_t limit = got < length ? got : length;
            int32_t same = 0;
            while (same < limit && shown.data[same] == text[same])
                ++same;
            if (same > 0) {
                SendMessageA(box, EM_SETSEL, static_cast<WPARAM>(same), static_cast<LPARAM>(got));
                SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text + same));
                return;
            }
        }
    }
    SetWindowTextA(box, length > 0 ? text : "");
}

void takeEditText(HWND window, AppState& state, int controlId) {
    char text[ExpertFieldSize];
    text[0] = '\0';
    GetDlgItemTextA(window, controlId, text, sizeof text); // at most 1023 characters
    if (takeExpertText(state, controlId, text))
        ExpertPage::updateControls(window);
}

void takeCheckBox(HWND window, AppState& state) {
    const LRESULT check = SendDlgItemMessageA(window, IDC_SAVE_AS_NEW, BM_GETCHECK, 0, 0);
    if (takeExpertSaveAsNew(state, check == BST_CHECKED ? 1 : 0))
        ExpertPage::updateControls(window);
}

void browse(HWND window, AppState& state) {
    // The browser opens at the folder in the edit.
    char path[FolderBrowserPathSize] = {};
    GetDlgItemTextA(window, IDC_DIRECTORY, path, sizeof path);
    if (browseForFolder(window, BrowseTitle, path) != 1)
        return;
    // The edit's change notification stores it; taking it here as well keeps
    // the field right should that notification not come.
    SetDlgItemTextA(window, IDC_DIRECTORY, path);
    takeEditText(window, state, IDC_DIRECTORY);
}

// The run goes from start to end in here; close requests that arrive through
// its drains set pageDone, and the dialog ends after it returns. The run
// disables the page's controls, which takes the focus away from the button
// that started it: the button gets it back, so the keyboard goes on there.
void run(HWND window, AppState& state, int32_t doIt, int controlId) {
    PageRunSink sink(window);
    runExpert(state, doIt, &sink);
    HWND button = GetDlgItem(window, controlId);
    HWND focus = GetFocus();
    if (state.pageDone == 0 && button != nullptr && IsWindowEnabled(button) &&
        (focus == nullptr || (focus != window && !IsChild(window, focus))))
        SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
}

// The page's own controls; About..., Exit and the close requests are the
// frame's.
bool expertCommand(HWND window, AppState& state, int controlId, int notification) {
    switch (controlId) {
    case IDC_DIRECTORY:
    case IDC_OLD_STRING:
    case IDC_NEW_STRING:
        // Every notification of the edits, whatever its code.
        takeEditText(window, state, controlId);
        return true;
    case IDC_SAVE_AS_NEW: takeCheckBox(window, state); return true;
    case IDC_BROWSE:
    case IDC_REPORT:
    case IDC_DO_IT:
        if (notification != BN_CLICKED)
            return false;
        if (controlId == IDC_BROWSE)
            browse(window, state);
        else
            run(window, state, controlId == IDC_DO_IT ? 1 : 0, controlId);
        return true;
    default: return false;
    }
}

const PageGlue expertGlue = {&expertPage, loadPage, expertCommand};

} // namespace

void ExpertPage::loadControls(HWND window) {
    AppState* state = PageDialog::stateOf(window);
    if (state == nullptr)
        return;
    PageView view;
    describeExpertFields(*state, view);
    PageDialog::applyTexts(window, view);
    PageDialog::applyMarks(window, view);
    showLog(window);
}

void ExpertPage::updateControls(HWND window) {
    AppState* state = PageDialog::stateOf(window);
    if (state == nullptr)
        return;
    PageView view;
    expertPage.setStates(*state, view);
    PageDialog::applyStates(window, view);
    ShowWindow(GetDlgItem(window, IDC_USAGE), SW_HIDE);
}

void ExpertPage::showLog(HWND window) {
    AppState* state = PageDialog::stateOf(window);
    if (state == nullptr)
        return;
    const ZephBuf& log = state->logBuffer;
    const int32_t length = log.length > 0 && log.data != nullptr ? log.length : 0;
    HWND box = GetDlgItem(window, IDC_LOG);
    putLog(box, log.data, length);
    SendMessageA(box, EM_SETSEL, static_cast<WPARAM>(length), static_cast<LPARAM>(length));
    SendMessageA(box, EM_SCROLLCARET, 0, 0);
}

intptr_t QV_PAGE_CALLBACK mainPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(expertGlue, window, message, wParam, lParam);
}
