// PageTable.cpp - the wizard's twelve pages and the end row.
#include "PageTable.h"

#include "PageProcedures.h"
#include "PatchPages.h"
#include "ScanPages.h"
#include "resource.h"

// Page procedures exist on Windows only; natively every row has none.
#ifdef _WIN32
#define QV_PAGE(procedure) procedure
#else
#define QV_PAGE(procedure) nullptr
#endif

const PageEntry PageTable[PageTableRows] = {
    {PageId::Title, 1, IDD_TITLE, QV_PAGE(titlePageProc), noIdleStep},
    {PageId::ReadMe, 1, IDD_README, QV_PAGE(readMePageProc), noIdleStep},
    {PageId::Eula, 1, IDD_EULA, QV_PAGE(eulaPageProc), noIdleStep},
    {PageId::Vender, 1, IDD_VENDER, QV_PAGE(venderPageProc), noIdleStep},
    {PageId::Arcavia, 1, IDD_ARCAVIA, QV_PAGE(arcaviaPageProc), noIdleStep},
    {PageId::SelectProduct, 1, IDD_SELECTPRODUCT, QV_PAGE(selectProductPageProc), noIdleStep},
    {PageId::SetDir, 1, IDD_SETDIR, QV_PAGE(setDirPageProc), noIdleStep},
    {PageId::Scan, 0, IDD_SCAN, QV_PAGE(scanPageProc), scanIdleStep},
    {PageId::ScanResults, 1, IDD_SCANRESULTS, QV_PAGE(scanResultsPageProc), noIdleStep},
    {PageId::ConvertFiles, 0, IDD_CONVERTFILES, QV_PAGE(convertFilesPageProc), convertIdleStep},
    {PageId::Done, 1, IDD_DONE, QV_PAGE(donePageProc), noIdleStep},
    {PageId::Main, 1, IDD_MAIN, QV_PAGE(mainPageProc), noIdleStep},
    {PageId::End, 0, nullptr, nullptr, nullptr},
};

void noIdleStep(AppState&) {}

const PageEntry* findPageEntry(const PageEntry* table, int32_t pageId) {
    if (table == nullptr)
        return nullptr;
    for (const PageEntry* row = table; row->templateName != nullptr; ++row) {
        if (row->pageId == pageId)
            return row;
    }
    return nullptr;
}
