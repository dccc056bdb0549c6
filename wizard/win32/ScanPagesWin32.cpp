// win32/ScanPagesWin32.cpp - the page procedures of SCAN and SCANRESULTS.
#include "ScanPages.h"

#include "PageDialog.h"
#include "PageProcedures.h"
#include "ResultLines.h"

namespace {

const PageGlue scanGlue = {&scanPage, nullptr, nullptr};
const PageGlue scanResultsGlue = {&scanResultsPage, fitResultTexts, nullptr};

} // namespace

intptr_t QV_PAGE_CALLBACK scanPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(scanGlue, window, message, wParam, lParam);
}

intptr_t QV_PAGE_CALLBACK scanResultsPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(scanResultsGlue, window, message, wParam, lParam);
}
