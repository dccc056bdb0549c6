// PageDriver.cpp - the page driver.
#include "PageDriver.h"

#include "AppPlatform.h"
#include "AppState.h"
#include "PageHost.h"

#include <cstdio>

namespace {

void showCannotCreate(const PageEntry& row) {
    char text[256];
    std::snprintf(text, sizeof text, "Error!  Cannot create %s dialog box!", row.templateName);
    appMessageBox(nullptr, text, AppBoxError);
}

} // namespace

void runPagesFrom(AppState& state, const PageEntry* table) {
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
