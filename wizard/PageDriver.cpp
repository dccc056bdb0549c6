// PageDriver.cpp - the page driver and the idle steps.
#include "PageDriver.h"

#include "AppPlatform.h"
#include "AppState.h"
#include "PageHost.h"

#include <cstdio>

namespace {

void showCannotCreate(const PageEntry& row)
{
    char text[256];
    std::snprintf(text, sizeof text, "Error!  Cannot create %s dialog box!", row.templateName);
    appMessageBox(nullptr, text, AppBoxError);
}

// One slice of the job; once its run has ended, the page gives way to next.
void stepJobOrLeave(AppState& state, int32_t next)
{
    state.job.step(IdleSliceMs);
    if (state.job.status == Running)
        return;
    state.pageDone = 1;
    state.currentPage = next;
    pageHost.endDialog(state.modelessPage);
}

} // namespace

void runPagesFrom(AppState& state, const PageEntry* table)
{
    state.currentPage = PageId::Title;
    for (;;) {
        if (table == nullptr || table[0].templateName == nullptr)
            return;
        const PageEntry* row = findPageEntry(table, state.currentPage);
        if (row == nullptr || row->procedure == nullptr || row->templateName == nullptr)
            return;
        state.modelessPage = nullptr;

        if (row->modal) {
            // A page that cannot be made would be tried again for ever, as
            // currentPage still names it: say so and end instead.
            if (pageHost.runModal(state, *row) < 0) {
                showCannotCreate(*row);
                return;
            }
            continue;
        }

        state.modelessPage = pageHost.openModeless(state, *row);
        if (state.modelessPage == nullptr) {
            showCannotCreate(*row);
            return;
        }
        pageHost.pumpMessages();
        while (state.pageDone == 0) {
            if (row->idleStep != nullptr)
                row->idleStep(state);
            pageHost.sleep(1);
            pageHost.pumpMessages();
        }
        if (state.modelessPage != nullptr) {
            pageHost.closeModeless(state.modelessPage);
            state.modelessPage = nullptr;
        }
    }
}

void runPages(AppState& state) { runPagesFrom(state, PageTable); }

void pumpMessages() { pageHost.pumpMessages(); }

void noIdleStep(AppState&) {}

void scanIdleStep(AppState& state) { stepJobOrLeave(state, PageId::ScanResults); }

void convertIdleStep(AppState& state) { stepJobOrLeave(state, PageId::Done); }
