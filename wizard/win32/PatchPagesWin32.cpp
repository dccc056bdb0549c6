// win32/PatchPagesWin32.cpp - the page procedures of CONVERTFILES and DONE.
#include "PatchPages.h"

#include "PageDialog.h"
#include "PageProcedures.h"
#include "ResultLines.h"

namespace {

const PageGlue convertFilesGlue = {&convertFilesPage, nullptr, nullptr};
const PageGlue doneGlue = {&donePage, fitResultTexts, nullptr};

} // namespace

intptr_t QV_PAGE_CALLBACK convertFilesPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(convertFilesGlue, window, message, wParam, lParam);
}

intptr_t QV_PAGE_CALLBACK donePageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(doneGlue, window, message, wParam, lParam);
}
