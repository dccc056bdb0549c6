// win32/ScanPagesWin32.cpp - the page procedures of SCAN and SCANRESULTS.
#include "ScanPages.h"

#include "AppState.h"
#include "PageDialog.h"
#include "PageProcedures.h"
#include "ResultLines.h"
#include "resource.h"

namespace {

void fitPathTexts(HWND window, AppState& state)
{
    showDirectoryLine(GetDlgItem(window, IDC_SECOND_LINE), state.directory);
    breakLongWords(GetDlgItem(window, IDC_BODY));
}

const PageGlue scanGlue = {&scanPage, nullptr, nullptr};
const PageGlue scanResultsGlue = {&scanResultsPage, fitPathTexts, nullptr};

} // namespace

intptr_t QV_PAGE_CALLBACK scanPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return PageDialog::handle(scanGlue, window, message, wParam, lParam);
}

intptr_t QV_PAGE_CALLBACK scanResultsPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
{
    return PageDialog::handle(scanResultsGlue, window, message, wParam, lParam);
}
