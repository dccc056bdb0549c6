// QvPages.cpp - the page fixture, the page finders and the folder browser's
// user of the GUI tests.
#include "win32/QvPages.h"

#include "PageFrame.h"
#include "PageTable.h"
#include "win32/QvGui.h"

#include <commctrl.h>
#include <shlobj.h>

namespace qvtest {

void PageFixture::SetUp() {
    ASSERT_EQ(state.init(GetModuleHandleA(nullptr), nullptr, ""), 0);
    ASSERT_NE(state.headingFont, nullptr);
}

void PageFixture::TearDown() {
    for (HWND page : pages) {
        if (IsWindow(page))
            DestroyWindow(page);
    }
    state.releaseHeld();
}

HWND PageFixture::open(int32_t pageId) {
    const PageEntry& row = PageTable[pageId];
    state.currentPage = pageId;
    state.pageDone = 7; // the page must reset it
    HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), row.templateName, nullptr,
                                   reinterpret_cast<DLGPROC>(row.procedure), reinterpret_cast<LPARAM>(&state));
    EXPECT_NE(page, nullptr) << row.templateName;
    if (page != nullptr) {
        ShowWindow(page, SW_SHOW);
        pages.push_back(page);
        EXPECT_EQ(state.pageDone, 0u) << row.templateName;
    }
    return page;
}

void PageFixture::expectLeft(HWND page, int32_t next) {
    EXPECT_EQ(state.pageDone, 1u);
    EXPECT_EQ(state.currentPage, next);
    EXPECT_FALSE(IsWindowVisible(page)) << "the dialog must have ended";
}

bool enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != 0; }

bool marked(HWND page, int id) { return SendDlgItemMessageA(page, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

namespace {

struct Search {
    HWND owner;       // ownedWindow: the owner; shownPage: none
    bool enabledOnly; // shownPage only
    HWND found;
};

// Named callbacks, not lambdas: the 32-bit build needs their stdcall convention.
BOOL CALLBACK matchPage(HWND window, LPARAM data) {
    Search& s = *reinterpret_cast<Search*>(data);
    if (IsWindowVisible(window) && (!s.enabledOnly || IsWindowEnabled(window)) &&
        windowText(window).rfind(QV_PAGE_TITLE(""), 0) == 0) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK matchOwned(HWND window, LPARAM data) {
    Search& s = *reinterpret_cast<Search*>(data);
    if (window != s.owner && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == s.owner) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

// The text of the tree's selected item: the chosen folder's own name.
std::string selectedName(HWND browser) {
    HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    if (tree == nullptr)
        return {};
    HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    char text[MAX_PATH] = {};
    TVITEMA query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = sizeof text;
    if (item == nullptr || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)))
        return {};
    return text;
}

} // namespace

HWND shownPage(bool enabledOnly) {
    Search search = {nullptr, enabledOnly, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), matchPage, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ownedWindow(HWND owner) {
    Search search = {owner, false, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), matchOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void FolderBrowserUser::browse(HWND page, int button) {
    owner_ = page;
    current_ = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, tick);
    click(page, button);
    KillTimer(nullptr, timer);
    current_ = nullptr;
}

void CALLBACK FolderBrowserUser::tick(HWND, UINT, UINT_PTR, DWORD) {
    FolderBrowserUser& user = *current_;
    HWND browser = ownedWindow(user.owner_);
    if (browser == nullptr)
        return;
    if (!user.seen) {
        user.seen = true;
        for (HWND child = GetWindow(browser, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            char name[32] = {};
            GetClassNameA(child, name, sizeof name);
            if (_stricmp(name, "Static") == 0)
                user.texts.push_back(windowText(child));
        }
        if (user.onShown)
            user.onShown(browser);
    }
    user.selected = selectedName(browser);
    if ((user.choose.empty() && !user.selected.empty()) || ++user.ticks_ > 80) {
        PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (user.choose.empty())
        return;
    const std::string name = user.choose.substr(user.choose.find_last_of("\\/") + 1);
    if (_stricmp(user.selected.c_str(), name.c_str()) == 0)
        PostMessageA(browser, WM_COMMAND, IDOK, 0);
    else
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(user.choose.c_str()));
}

} // namespace qvtest
