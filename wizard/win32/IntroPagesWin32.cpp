// win32/IntroPagesWin32.cpp - the page procedures of TITLE, README and EULA.
#include "IntroPages.h"
#include "PageDialog.h"
#include "PageProcedures.h"

namespace {
const PageGlue titleGlue = {&titlePage, nullptr, nullptr};
const PageGlue readMeGlue = {&readMePage, nullptr, nullptr};
const PageGlue eulaGlue = {&eulaPage, nullptr, nullptr};
} // namespace

intptr_t QV_PAGE_CALLBACK titlePageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(titleGlue, window, message, wParam, lParam);
}

intptr_t QV_PAGE_CALLBACK readMePageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(readMeGlue, window, message, wParam, lParam);
}

intptr_t QV_PAGE_CALLBACK eulaPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(eulaGlue, window, message, wParam, lParam);
}
