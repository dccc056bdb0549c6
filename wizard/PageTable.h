// PageTable.h - the wizard's pages: ids, template names, modal flags, page
// procedures and idle steps.
#ifndef QUORVEL_WIZARD_PAGETABLE_H
#define QUORVEL_WIZARD_PAGETABLE_H

#include <cstdint>

struct AppState;

// Page ids; the row index of PageTable equals the id. End (-1) ends the wizard.
struct PageId {
    enum : int32_t {
        End = -1,
        Title = 0,
        ReadMe = 1,
        Eula = 2,
        Vender = 3,
        Arcavia = 4,
        SelectProduct = 5,
        SetDir = 6,
        Scan = 7,
        ScanResults = 8,
        ConvertFiles = 9,
        Done = 10,
        Main = 11
    };
};

// A page's dialog procedure. Window and parameters are the platform's (HWND,
// UINT, WPARAM, LPARAM on Windows, with the CALLBACK convention); the portable
// table holds it without knowing them.
#if defined(_WIN32) && !defined(_WIN64)
#define QV_PAGE_CALLBACK __stdcall
#else
#define QV_PAGE_CALLBACK
#endif
typedef intptr_t(QV_PAGE_CALLBACK* PageProcedure)(void* window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Called once per pass of the driver's loop while a modeless page is shown.
// The working pages' steps live with their pages (ScanPages.h, PatchPages.h).
typedef void (*IdleStep)(AppState& state);

// The idle step of every modal page: does nothing (the driver never calls it).
void noIdleStep(AppState& state);

struct PageEntry {
    int32_t pageId;           // PageId; -1 in the end row
    int32_t modal;            // 1: own modal loop; 0: the driver's loop with the idle step
    const char* templateName; // dialog template resource; none in the end row
    PageProcedure procedure;  // none in the end row, and for a page not in this build
    IdleStep idleStep;        // none in the end row
};

// Twelve pages (ids 0 to 11) and the end row.
inline constexpr int PageTableRows = 13;
extern const PageEntry PageTable[PageTableRows];

// The row for pageId: rows are compared from the first on, and a row without
// template name ends the search (the end row's id is never compared). None
// when no row matches or table is none.
const PageEntry* findPageEntry(const PageEntry* table, int32_t pageId);

#endif
