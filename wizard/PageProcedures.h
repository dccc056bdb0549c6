// PageProcedures.h - the dialog procedure of every page, by name.
#ifndef QUORVEL_WIZARD_PAGEPROCEDURES_H
#define QUORVEL_WIZARD_PAGEPROCEDURES_H

#include "PageTable.h"

// Each is defined in the Win32 unit of its page group (wizard/win32/) and
// named in its PageTable row (PageTable.cpp). Natively no page procedure
// exists: the table's rows carry none there. A definition looks like
//
//   intptr_t QV_PAGE_CALLBACK titlePageProc(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam)
//   {
//       return PageDialog::handle(titleGlue, window, message, wParam, lParam);
//   }
#define QV_DECLARE_PAGE_PROCEDURE(name)                                                                                \
    intptr_t QV_PAGE_CALLBACK name(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam)

QV_DECLARE_PAGE_PROCEDURE(titlePageProc);         // 0 TITLE         (IntroPagesWin32.cpp)
QV_DECLARE_PAGE_PROCEDURE(readMePageProc);        // 1 README        (IntroPagesWin32.cpp)
QV_DECLARE_PAGE_PROCEDURE(eulaPageProc);          // 2 EULA          (IntroPagesWin32.cpp)
QV_DECLARE_PAGE_PROCEDURE(venderPageProc);        // 3 VENDER        (ChannelPagesWin32.cpp)
QV_DECLARE_PAGE_PROCEDURE(arcaviaPageProc);       // 4 ARCAVIA       (ChannelPagesWin32.cpp)
QV_DECLARE_PAGE_PROCEDURE(selectProductPageProc); // 5 SELECTPRODUCT
QV_DECLARE_PAGE_PROCEDURE(setDirPageProc);        // 6 SETDIR
QV_DECLARE_PAGE_PROCEDURE(scanPageProc);          // 7 SCAN
QV_DECLARE_PAGE_PROCEDURE(scanResultsPageProc);   // 8 SCANRESULTS
QV_DECLARE_PAGE_PROCEDURE(convertFilesPageProc);  // 9 CONVERTFILES
QV_DECLARE_PAGE_PROCEDURE(donePageProc);          // 10 DONE
QV_DECLARE_PAGE_PROCEDURE(mainPageProc);          // 11 MAIN (the expert page)

#endif
