// win32/ProductPagesWin32.cpp - the page procedures of SELECTPRODUCT and SETDIR.
#include "ProductPages.h"

#include "AppState.h"
#include "FolderBrowser.h"
#include "PageDialog.h"
#include "PageProcedures.h"
#include "ProductTable.h"
#include "resource.h"

namespace {

// --- SELECTPRODUCT ---------------------------------------------------------

// The list holds every title in table order (it is not sorted, so a title's
// position is its row) and no selection.
void fillProductList(HWND window, AppState&) {
    HWND list = GetDlgItem(window, IDC_PRODUCT_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int32_t i = 0; const ProductEntry* product = findProduct(ProductTable, i); ++i)
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(product->title));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

// Takes the list's selection into the state on the notifications the page
// reacts to; the page's own command routine then decides (refresh, or on a
// double click go on as Next does).
bool productListCommand(HWND window, AppState& state, int controlId, int notification) {
    if (controlId == IDC_PRODUCT_LIST && (notification == LBN_SELCHANGE || notification == LBN_DBLCLK)) {
        const LRESULT selection = SendDlgItemMessageA(window, IDC_PRODUCT_LIST, LB_GETCURSEL, 0, 0);
        selectProductAt(state, selection == LB_ERR ? -1 : static_cast<int32_t>(selection));
    }
    return false;
}

const PageGlue selectProductGlue = {&selectProductPage, fillProductList, productListCommand};

// --- SETDIR ----------------------------------------------------------------

// The edit takes no more than directory can hold, so what the user sees is
// what the scan gets.
void limitDirectoryEdit(HWND window, AppState& state) {
    SendDlgItemMessageA(window, IDC_DIRECTORY, EM_LIMITTEXT, sizeof state.directory - 1, 0);
}

void takeEditText(HWND window, AppState& state) {
    char text[sizeof state.directory];
    text[0] = '\0';
    SendDlgItemMessageA(window, IDC_DIRECTORY, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    if (takeDirectoryText(state, text))
        PageDialog::refresh(window, setDirPage, state);
}

bool setDirCommand(HWND window, AppState& state, int controlId, int notification) {
    if (controlId == IDC_DIRECTORY) {
        // Every notification of the edit, whatever its code.
        takeEditText(window, state);
        return true;
    }
    if (controlId == IDC_BROWSE && notification == BN_CLICKED) {
        // The browser opens at the folder in the edit.
        char path[FolderBrowserPathSize] = {};
        GetDlgItemTextA(window, IDC_DIRECTORY, path, sizeof path);
        if (browseForFolder(window, BrowseTitle, path) == 1) {
            SetDlgItemTextA(window, IDC_DIRECTORY, path);
            // The edit's change notification normally stores it already.
            takeEditText(window, state);
        }
        return true;
    }
    return false;
}

const PageGlue setDirGlue = {&setDirPage, limitDirectoryEdit, setDirCommand};

} // namespace

intptr_t QV_PAGE_CALLBACK selectProductPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(selectProductGlue, window, message, wParam, lParam);
}

intptr_t QV_PAGE_CALLBACK setDirPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(setDirGlue, window, message, wParam, lParam);
}
