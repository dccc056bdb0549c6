// win32/ChannelPagesWin32.cpp - the page procedures of VENDER and ARCAVIA.
#include "ChannelPages.h"
#include "PageDialog.h"
#include "PageProcedures.h"

namespace {
const PageGlue venderGlue = {&venderPage, nullptr, nullptr};
const PageGlue arcaviaGlue = {&arcaviaPage, nullptr, nullptr};
} // namespace

intptr_t QV_PAGE_CALLBACK venderPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(venderGlue, window, message, wParam, lParam);
}

intptr_t QV_PAGE_CALLBACK arcaviaPageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PageDialog::handle(arcaviaGlue, window, message, wParam, lParam);
}
