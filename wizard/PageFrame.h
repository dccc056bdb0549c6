// PageFrame.h - the common frame of the wizard pages: what a page describes
// about itself, and what the frame does with it.
//
// How a page plugs in (TITLE..ARCAVIA in IntroPages.cpp and ChannelPages.cpp
// are complete examples):
//
//  1. Portable logic, wizard/<Group>Pages.cpp, declared in wizard/<Group>Pages.h:
//     a `const PageLogic` with the page id, window title and heading controls,
//     the routines that build a PageView from the AppState (texts, radio
//     marks, enabled states) and a command routine for Back, Next and the
//     page's own controls. The routines only read and change AppState and
//     the view; they never touch a window, so native tests call them directly:
//         PageView view;
//         PageFrame::describe(selectProductPage, state, view);
//         EXPECT_EQ(view.enabledOf(IDC_NEXT), 0);
//         PageFrame::command(selectProductPage, state, IDC_BACK, 0)  // FrameAction::EndDialog, currentPage 3
//  2. Win32 glue, wizard/win32/<Group>PagesWin32.cpp: a PageGlue (the logic plus
//     optional hooks for what a view cannot say: filling a list box, reading
//     an edit's text, the folder browser) and the page procedure named in
//     PageProcedures.h, which hands every message to PageDialog::handle (see
//     wizard/win32/PageDialog.h).
//  3. The procedure's name goes into the page's row in PageTable.cpp.
//
// The frame, not the page, does: the user-data slot, the heading font, the
// place (the first page centred, each later one where the one before it
// was), the window title and icon, the first focus, "About...", "Usage..."
// (always hidden), "Read me...", "Exit" with its question, the close box,
// Enter (Next) and Esc (the close box), WM_CLOSE and WM_DESTROY, and the
// progress bar of a working page. A common button or Back/Next that the
// page's state routine disables does nothing when its command arrives
// anyway.
#ifndef QUORVEL_WIZARD_PAGEFRAME_H
#define QUORVEL_WIZARD_PAGEFRAME_H

#include "QuorvelVersion.h"

#include <cstdint>
#include <initializer_list>

struct AppState;

// A page's window title: the caption, two blanks and the page's name.
#define QV_PAGE_TITLE(name) QUORVEL_CAPTION "  " name

// What a page shows, built from the AppState by the page's routines. Texts
// are pointers: to literals, to AppState fields, or to the view's own
// `composed` areas for formatted texts, so a view must not outlive the state
// it was built from. Setting an id again replaces its entry.
struct PageView {
    static constexpr int MaxItems = 16;
    static constexpr int ComposedSize = 1024;

    struct Text {
        int32_t id;
        const char* text;
    };
    struct Flag {
        int32_t id;
        int32_t on;
    };

    Text texts[MaxItems] = {};
    int32_t textCount = 0;
    Flag marks[MaxItems] = {}; // radio buttons and check boxes: 1 marked
    int32_t markCount = 0;
    Flag states[MaxItems] = {}; // 1 enabled, 0 disabled
    int32_t stateCount = 0;
    // A working page's progress bar (id 0: none): done of total; a total of
    // 0 while it is not known yet.
    struct Progress {
        int32_t id;
        int32_t done;
        int32_t total;
    };
    Progress progress = {};
    // The results pages compose three texts: heading, directory line, verdict.
    char composed[3][ComposedSize] = {};

    void setText(int32_t id, const char* text);
    // Formats into composed[slot] (0 or 1; cut to fit, always terminated) and
    // sets it as the text of id.
    void setTextFormat(int slot, int32_t id, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 4, 5)))
#endif
        ;
    void setMark(int32_t id, bool marked);
    void setProgress(int32_t id, int32_t done, int32_t total);
    void setEnabled(int32_t id, bool enabled);
    // Several ids at once, for state routines.
    void enable(std::initializer_list<int32_t> ids);
    void disable(std::initializer_list<int32_t> ids);

    // Look-ups: none, or -1, when the view does not mention id.
    const char* textOf(int32_t id) const;
    int markOf(int32_t id) const;
    int enabledOf(int32_t id) const;
};

// What a page procedure's command routine tells the frame.
enum class PageReply {
    Unhandled, // not this page's command: the dialog's default handling applies
    Stay,      // handled; nothing on the page changes
    Refresh,   // handled; AppState changed: marks and states are shown anew
    Leave      // handled; currentPage is set: the page ends
};

struct PageLogic {
    int32_t pageId;
    const char* windowTitle; // QV_PAGE_TITLE("<page name>")
    int32_t headingIds[2];   // controls given headingFont; 0 = none
    int32_t exitAsks;        // 1: Exit and the close box ask first; 0: they end the wizard at once
    // The text set-up routine. May change AppState (a page that clears a
    // choice whenever it is shown does it here).
    void (*setTexts)(AppState& state, PageView& view);
    // Radio marks and check boxes; none for a page without any.
    void (*setMarks)(const AppState& state, PageView& view);
    // The control-state routine: which controls are enabled.
    void (*setStates)(const AppState& state, PageView& view);
    // Clicks on Back and Next (notification 0) and every command of the
    // page's own controls; none: Back and Next do nothing.
    PageReply (*onCommand)(AppState& state, int32_t controlId, int32_t notification);
    // The control the keyboard starts on (PageFrame::firstFocus); 0: none.
    int32_t mainControl;
    // A working page's progress bar, refreshed while the page is shown;
    // none for the other pages.
    void (*setProgress)(const AppState& state, PageView& view);
};

// What the Win32 page procedure does after the frame looked at a message.
enum class FrameAction {
    Unhandled, // left to the dialog's default handling
    None,      // handled, nothing to do
    ShowAbout, // showAbout with the page as owner; the page stays
    ShowUsage, // showUsage with the page as owner; the page stays
    AskExit,   // ask the exit question; Yes: PageFrame::endWizard, end the dialog
    Refresh,   // show marks and states anew
    EndDialog  // pageDone is 1 and currentPage set: end the dialog
};

struct PageFrame {
    // The whole view of a page being created: texts, marks, states.
    static void describe(const PageLogic& page, AppState& state, PageView& view);
    // Marks and states only, as shown after a Refresh.
    static void describeRefresh(const PageLogic& page, const AppState& state, PageView& view);

    // A WM_COMMAND with controlId and notification (high word of wParam).
    // The common buttons and Back/Next act on the click notification (0)
    // only and not while disabled. "Read me..." sets readMeReturnPage to
    // currentPage and currentPage to README; a page's Leave sets pageDone;
    // both answer EndDialog. IDOK (Enter where no push button has the
    // focus) is a click on Next; IDCANCEL (Esc) is the page's close request.
    static FrameAction command(const PageLogic& page, AppState& state, int32_t controlId, int32_t notification);
    // The system close command (close box, Alt+F4): AskExit, or on a page
    // that does not ask, endWizard and EndDialog.
    static FrameAction closeRequest(const PageLogic& page, AppState& state);
    // Yes to the exit question: currentPage -1, pageDone 1.
    static void endWizard(AppState& state);
    // WM_CLOSE, WM_DESTROY: pageDone 1, currentPage unchanged.
    static void closePage(AppState& state);
    // The page's new left (or top) edge: half the desktop's span minus half
    // the page's size, each half rounded down by a shift.
    static int32_t centredOrigin(int32_t desktopSpan, int32_t pageSize);
    // Where a page opens (its top-left corner): where the page before it
    // last stood, so a page the user moved does not jump back; the first
    // page centred on the desktop.
    static void openingOrigin(const AppState& state, int32_t desktopWidth, int32_t desktopHeight, int32_t pageWidth,
                              int32_t pageHeight, int32_t* left, int32_t* top);
    // A page now stands at left, top (it was placed or moved).
    static void keepOrigin(AppState& state, int32_t left, int32_t top);
    // The control that takes the focus when the page opens: its main
    // control while the state routine enables it, else Next, else Back
    // likewise; 0 (the page itself) when none is. Never About, so Space
    // cannot open a box.
    static int32_t firstFocus(const PageLogic& page, const AppState& state);
};

#endif
