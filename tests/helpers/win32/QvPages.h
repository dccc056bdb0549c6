// QvPages.h - what the GUI tests of the wizard's pages share: a fixture that
// creates pages from the real templates and procedures, finding the page or
// window a user would act on, and a user for the folder browser. Windows
// only; include as "win32/QvPages.h".
#ifndef QUORVEL_TESTS_WIN32_QVPAGES_H
#define QUORVEL_TESTS_WIN32_QVPAGES_H

#include "AppState.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qvtest {

// A state set up as the program sets it up (AppState::init on this module,
// so the templates are this test program's), and the pages a test opened,
// destroyed afterwards.
class PageFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The page of pageId as the driver creates it, without its modal loop,
    // so the test can look at it between messages; shown like a real page.
    // The page must reset pageDone to 0.
    HWND open(int32_t pageId);
    // The page ended its dialog and asked for page next.
    void expectLeft(HWND page, int32_t next);

    AppState state;
    std::vector<HWND> pages;
};

// Whether a page's control is enabled; whether its radio button or check box
// is marked.
bool enabled(HWND page, int id);
bool marked(HWND page, int id);

// The visible page of this thread (a window titled with the caption, two
// blanks and a page name); with enabledOnly, only one that takes input (no
// box over it). None when no page is shown.
HWND shownPage(bool enabledOnly);
// A visible window of this thread owned by owner (a box, the browser); none.
HWND ownedWindow(HWND owner);

// The folder browser behind a "Browse..." button, answered from a timer
// while its modal loop runs. The browser fills its tree after it shows, so
// a chosen folder is selected again on each tick until the tree's
// selection is that folder; then OK. An empty choice cancels once the tree
// has a selection, and every browser that stays up for about 4 s is
// cancelled.
struct FolderBrowserUser {
    std::string choose;                // the folder to choose; empty: cancel
    std::function<void(HWND)> onShown; // called once with the browser
    bool seen = false;                 // a browser came up
    std::vector<std::string> texts;    // its static controls' texts
    std::string selected;              // the tree's selected folder name when answered

    // Clicks button on page and answers the browser it opens.
    void browse(HWND page, int button);

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD);
    HWND owner_ = nullptr;
    int ticks_ = 0;
    static inline FolderBrowserUser* current_ = nullptr;
};

} // namespace qvtest

#endif
