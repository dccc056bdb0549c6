// ShellPagesGui.cpp - TITLE, README, EULA, VENDER and ARCAVIA as real dialogs
// from the real templates and page procedures, driven by the messages a
// user's clicks and close requests produce; message boxes are answered by a
// hook as a user would answer them.
#include "AppState.h"
#include "PageDriver.h"
#include "PageProcedures.h"
#include "PageTable.h"
#include "StoredTexts.h"
#include "resource.h"
#include "win32/QvGui.h"
#include "win32/QvPages.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qvtest::BoxAnswerer;
using qvtest::BoxIcon;
using qvtest::click;
using qvtest::enabled;
using qvtest::itemText;
using qvtest::marked;

const char* const exitQuestion = "Are you sure you wish to exit this program?";

class ShellPagesGui : public qvtest::PageFixture {
protected:
    // The common buttons as the page overview lists them; "Usage..." is
    // hidden everywhere, the others are shown.
    void expectButtons(HWND page, bool about, bool readMe, bool back, bool next, bool exit) {
        EXPECT_EQ(enabled(page, IDC_ABOUT), about);
        EXPECT_EQ(enabled(page, IDC_READ_ME), readMe);
        EXPECT_EQ(enabled(page, IDC_BACK), back);
        EXPECT_EQ(enabled(page, IDC_NEXT), next);
        EXPECT_EQ(enabled(page, IDC_EXIT), exit);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_USAGE)));
        for (int id : {IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_NEXT, IDC_EXIT})
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, id))) << id;
    }
};

// Every wizard page: title, heading font, icons, its place (the first one
// centred, each later one where the one before it was moved to), the first
// focus (never About; a read-only text without a selection) and Esc, which
// asks the exit question as the close box does (DONE ends at once).
TEST_F(ShellPagesGui, EveryPageSetsUpTheFrameAndTheKeyboard) {
    struct Expected {
        int32_t pageId;
        const char* title;
        int heading;
        int focus; // 0: the page itself
        bool escAsks;
    } expected[] = {
        {PageId::Title, "Quorvel [1.0.1r-2]  Title Screen", IDC_FIRST_LINE, IDC_NEXT, true},
        {PageId::ReadMe, "Quorvel [1.0.1r-2]  Read Me Screen", IDC_HEADING, IDC_README_TEXT, true},
        {PageId::Eula, "Quorvel [1.0.1r-2]  EULA Screen", IDC_HEADING, IDC_AGREEMENT_TEXT, true},
        {PageId::Vender, "Quorvel [1.0.1r-2]  Vender Screen", IDC_HEADING, IDC_CHANNEL_DOWNLOAD, true},
        {PageId::Arcavia, "Quorvel [1.0.1r-2]  Arcavia Notice", IDC_HEADING, IDC_BACK, true},
        {PageId::SelectProduct, "Quorvel [1.0.1r-2]  Product selection screen", IDC_HEADING, IDC_PRODUCT_LIST, true},
        {PageId::SetDir, "Quorvel [1.0.1r-2]  Directory Selection", IDC_HEADING, IDC_DIRECTORY, true},
        {PageId::Scan, "Quorvel [1.0.1r-2]  Scanning Files", IDC_HEADING, IDC_BACK, true},
        {PageId::ScanResults, "Quorvel [1.0.1r-2]  Scan Results", IDC_FIRST_LINE, IDC_BACK, true},
        {PageId::ConvertFiles, "Quorvel [1.0.1r-2]  Patching Files", IDC_HEADING, 0, true},
        {PageId::Done, "Quorvel [1.0.1r-2]  Patch Results", IDC_FIRST_LINE, IDC_EXIT, false},
    };
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    bool first = true; // the first page is centred; each later one opens where the last was moved
    POINT movedTo = {0, 0};
    BoxAnswerer answerer(IDNO);
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.title);
        HWND page = open(e.pageId);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(qvtest::windowText(page), e.title);
        EXPECT_EQ(state.pageDone, 0u);
        EXPECT_EQ(reinterpret_cast<void*>(SendDlgItemMessageA(page, e.heading, WM_GETFONT, 0, 0)), state.headingFont);
        // Only the heading gets the heading font.
        EXPECT_NE(reinterpret_cast<void*>(SendDlgItemMessageA(page, IDC_NEXT, WM_GETFONT, 0, 0)), state.headingFont);
        EXPECT_NE(SendMessageA(page, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(SendMessageA(page, WM_GETICON, ICON_SMALL, 0), 0);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_USAGE)));

        RECT rect;
        GetWindowRect(page, &rect);
        if (first) {
            first = false;
            int width = rect.right - rect.left, height = rect.bottom - rect.top;
            EXPECT_EQ(rect.left, ((desktop.right - desktop.left) >> 1) - (width >> 1));
            EXPECT_EQ(rect.top, ((desktop.bottom - desktop.top) >> 1) - (height >> 1));
        } else {
            EXPECT_EQ(rect.left, movedTo.x);
            EXPECT_EQ(rect.top, movedTo.y);
        }
        // The user takes the page elsewhere, back and forth (a place left of
        // or above the screen's edge counts too): the next one opens there.
        const int step = 11 + static_cast<int>(e.pageId);
        movedTo = {rect.left + (e.pageId % 2 != 0 ? -step : step), rect.top + (e.pageId % 2 != 0 ? step : -step)};
        SetWindowPos(page, nullptr, movedTo.x, movedTo.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

        // Without a control to take it, the focus stays on the page, where
        // the dialog manager may hand it to any control: keys reach the page.
        HWND focus = GetFocus();
        if (e.focus != 0)
            EXPECT_EQ(focus, GetDlgItem(page, e.focus)) << GetDlgCtrlID(focus);
        else
            EXPECT_TRUE(focus == page || IsChild(page, focus));
        DWORD from = 1, to = 0;
        SendMessageA(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        if (e.focus == IDC_README_TEXT || e.focus == IDC_AGREEMENT_TEXT) {
            EXPECT_EQ(from, to) << "the text is selected";
            EXPECT_EQ(SendMessageA(focus, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        }

        answerer.clear();
        qvtest::pressKey(page, VK_ESCAPE);
        if (e.escAsks) {
            ASSERT_EQ(answerer.seen().size(), 1u);
            EXPECT_EQ(answerer.seen()[0].text, exitQuestion);
            EXPECT_EQ(answerer.seen()[0].owner, page);
            EXPECT_TRUE(IsWindowVisible(page));
            EXPECT_EQ(state.pageDone, 0u);
        } else {
            EXPECT_TRUE(answerer.seen().empty());
            expectLeft(page, PageId::End);
        }
        DestroyWindow(page);
    }
}

TEST_F(ShellPagesGui, TitleLeadsToTheAgreementAndBackIsDisabled) {
    HWND page = open(PageId::Title);
    EXPECT_EQ(itemText(page, IDC_FIRST_LINE), "\r\n\r\nWelcome to the Quorvel utility.");
    EXPECT_EQ(itemText(page, IDC_SECOND_LINE), "Please exit all other programs, then\r\n\r\nselect Next to continue.");
    expectButtons(page, true, true, false, true, true);
    // Next is the default button and has the focus, so Enter clicks Next.
    EXPECT_EQ(GetFocus(), GetDlgItem(page, IDC_NEXT));
    qvtest::pressKey(page, VK_RETURN);
    expectLeft(page, PageId::Eula);
    page = open(PageId::Title);
    click(page, IDC_BACK);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_TRUE(IsWindowVisible(page));
    click(page, IDC_NEXT);
    expectLeft(page, PageId::Eula);
}

TEST_F(ShellPagesGui, ReadMeOpensFromAPageAndReturnsToIt) {
    HWND title = open(PageId::Title);
    click(title, IDC_READ_ME);
    expectLeft(title, PageId::ReadMe);
    EXPECT_EQ(state.readMeReturnPage, PageId::Title);

    HWND readMe = open(PageId::ReadMe);
    EXPECT_EQ(itemText(readMe, IDC_HEADING), "Quorvel Read Me notes");
    EXPECT_EQ(itemText(readMe, IDC_README_TEXT), std::string(storedReadMeText));
    expectButtons(readMe, true, false, true, false, true);
    // Read-only: typing changes nothing, but the box scrolls.
    SendDlgItemMessageA(readMe, IDC_README_TEXT, WM_CHAR, 'x', 0);
    EXPECT_EQ(itemText(readMe, IDC_README_TEXT), std::string(storedReadMeText));
    EXPECT_NE(GetWindowLongA(GetDlgItem(readMe, IDC_README_TEXT), GWL_STYLE) & ES_READONLY, 0);
    SendDlgItemMessageA(readMe, IDC_README_TEXT, EM_LINESCROLL, 0, 30);
    EXPECT_EQ(SendDlgItemMessageA(readMe, IDC_README_TEXT, EM_GETFIRSTVISIBLELINE, 0, 0), 30);
    click(readMe, IDC_BACK);
    expectLeft(readMe, PageId::Title);

    // From the agreement, with the choice kept.
    state.agreed = 1;
    HWND eula = open(PageId::Eula);
    click(eula, IDC_READ_ME);
    expectLeft(eula, PageId::ReadMe);
    HWND again = open(PageId::ReadMe);
    click(again, IDC_BACK);
    expectLeft(again, PageId::Eula);
    HWND eulaAgain = open(PageId::Eula);
    EXPECT_TRUE(marked(eulaAgain, IDC_ACCEPT));
    EXPECT_TRUE(enabled(eulaAgain, IDC_NEXT));
}

TEST_F(ShellPagesGui, ExitAsksAndNoKeepsThePage) {
    BoxAnswerer answerer(IDNO);
    HWND page = open(PageId::Eula);
    click(page, IDC_ACCEPT);
    click(page, IDC_EXIT);
    ASSERT_EQ(answerer.seen().size(), 1u);
    const qvtest::SeenBox& box = answerer.seen()[0];
    EXPECT_EQ(box.caption, "Quorvel [1.0.1r-2]");
    EXPECT_EQ(box.text, exitQuestion);
    EXPECT_EQ(box.owner, page);
    EXPECT_EQ(box.icon, BoxIcon::None);
    EXPECT_EQ(box.buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(state.currentPage, PageId::Eula);
    EXPECT_EQ(state.agreed, 1);
    EXPECT_TRUE(marked(page, IDC_ACCEPT));

    // The close box asks the same.
    SendMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(answerer.seen().size(), 2u);
    EXPECT_EQ(answerer.seen()[1].text, exitQuestion);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(state.currentPage, PageId::Eula);
}

TEST_F(ShellPagesGui, YesFromExitOrTheCloseBoxEndsTheWizard) {
    BoxAnswerer answerer(IDYES);
    for (int32_t pageId : {PageId::Title, PageId::ReadMe, PageId::Eula, PageId::Vender, PageId::Arcavia}) {
        HWND page = open(pageId);
        click(page, IDC_EXIT);
        expectLeft(page, -1);
        HWND closed = open(pageId);
        SendMessageA(closed, WM_SYSCOMMAND, SC_CLOSE, 0);
        expectLeft(closed, -1);
    }
    EXPECT_EQ(answerer.seen().size(), 10u);
}

TEST_F(ShellPagesGui, CloseMessageEndsOnlyThePage) {
    HWND page = open(PageId::Vender);
    SendMessageA(page, WM_CLOSE, 0, 0);
    expectLeft(page, PageId::Vender);
}

TEST_F(ShellPagesGui, AboutShowsItsBoxOverThePage) {
    BoxAnswerer answerer(IDOK);
    HWND page = open(PageId::Arcavia);
    click(page, IDC_ABOUT);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].owner, page);
    EXPECT_EQ(answerer.seen()[0].caption, "Quorvel [1.0.1r-2]");
    EXPECT_EQ(answerer.seen()[0].icon, BoxIcon::Information);
    EXPECT_NE(answerer.seen()[0].text.find("Quorvel 1.0.1r-2"), std::string::npos);
    EXPECT_TRUE(IsWindowVisible(page));
    EXPECT_EQ(state.pageDone, 0u);
    // "Usage..." is hidden, but its command still answers.
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_USAGE, BN_CLICKED), 0);
    ASSERT_EQ(answerer.seen().size(), 2u);
    EXPECT_EQ(answerer.seen()[1].text.rfind("usage:  Quorvel.exe", 0), 0u);
}

TEST_F(ShellPagesGui, AgreementAcceptAndDecline) {
    HWND page = open(PageId::Eula);
    EXPECT_EQ(itemText(page, IDC_HEADING), "End User License Agreement");
    EXPECT_EQ(itemText(page, IDC_AGREEMENT_TEXT), std::string(storedUserAgreementText));
    EXPECT_EQ(itemText(page, IDC_DECLINE), "No, I do not agree to the terms and conditions listed above.");
    EXPECT_EQ(itemText(page, IDC_ACCEPT), "Yes, I agree to the terms and conditions listed above.");
    EXPECT_TRUE(marked(page, IDC_DECLINE));
    EXPECT_FALSE(marked(page, IDC_ACCEPT));
    expectButtons(page, true, true, true, false, true);
    click(page, IDC_NEXT);
    EXPECT_EQ(state.pageDone, 0u) << "Next is disabled until the agreement is accepted";

    click(page, IDC_ACCEPT);
    EXPECT_EQ(state.agreed, 1);
    EXPECT_TRUE(marked(page, IDC_ACCEPT));
    EXPECT_FALSE(marked(page, IDC_DECLINE));
    EXPECT_TRUE(enabled(page, IDC_NEXT));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_USAGE)));
    click(page, IDC_ACCEPT);
    EXPECT_EQ(state.agreed, 1);

    click(page, IDC_DECLINE);
    EXPECT_EQ(state.agreed, 0);
    EXPECT_TRUE(marked(page, IDC_DECLINE));
    EXPECT_FALSE(enabled(page, IDC_NEXT));

    click(page, IDC_ACCEPT);
    click(page, IDC_NEXT);
    expectLeft(page, PageId::Vender);

    // Tab goes round the page and back into the agreement, which takes the
    // focus without a selection; Down then Enter accept and go on.
    state.agreed = 0;
    HWND keys = open(PageId::Eula);
    HWND text = GetDlgItem(keys, IDC_AGREEMENT_TEXT);
    qvtest::pressKey(keys, VK_TAB);
    EXPECT_EQ(GetFocus(), GetDlgItem(keys, IDC_DECLINE));
    for (int tabs = 0; tabs < 10 && GetFocus() != text; ++tabs)
        qvtest::pressKey(keys, VK_TAB);
    ASSERT_EQ(GetFocus(), text);
    DWORD from = 1, to = 0;
    SendMessageA(text, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, to);
    EXPECT_EQ(SendMessageA(text, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    qvtest::pressKey(keys, VK_TAB);
    qvtest::pressKey(keys, VK_DOWN);
    EXPECT_EQ(state.agreed, 1);
    qvtest::pressKey(keys, VK_RETURN);
    expectLeft(keys, PageId::Vender);

    HWND back = open(PageId::Eula);
    click(back, IDC_BACK);
    expectLeft(back, PageId::Title);
    EXPECT_EQ(state.agreed, 1);
}

TEST_F(ShellPagesGui, ChannelButtonsAndWhereNextLeads) {
    state.agreed = 1;
    HWND page = open(PageId::Vender);
    EXPECT_EQ(itemText(page, IDC_HEADING), "Vender selection screen");
    EXPECT_EQ(itemText(page, IDC_BODY), "Which method did you use to purchase your Quellsoft product?");
    EXPECT_EQ(itemText(page, IDC_CHANNEL_BOX_COPY), "I purchased a box copy of the game.");
    EXPECT_EQ(itemText(page, IDC_CHANNEL_DOWNLOAD), "I purchased the game through Dealwise.");
    EXPECT_EQ(itemText(page, IDC_CHANNEL_SUBSCRIPTION), "I purchased the game through Arcavia.");
    const int ids[] = {IDC_CHANNEL_BOX_COPY, IDC_CHANNEL_DOWNLOAD, IDC_CHANNEL_SUBSCRIPTION};
    for (int id : ids)
        EXPECT_FALSE(marked(page, id));
    expectButtons(page, true, true, true, false, true);
    // With no mark the group still has a tab stop, so Tab reaches it.
    EXPECT_NE(GetWindowLongA(GetDlgItem(page, IDC_CHANNEL_DOWNLOAD), GWL_STYLE) & WS_TABSTOP, 0);

    // Top to bottom on the screen: download store, subscription, box copy.
    RECT top, middle, bottom;
    GetWindowRect(GetDlgItem(page, IDC_CHANNEL_DOWNLOAD), &top);
    GetWindowRect(GetDlgItem(page, IDC_CHANNEL_SUBSCRIPTION), &middle);
    GetWindowRect(GetDlgItem(page, IDC_CHANNEL_BOX_COPY), &bottom);
    EXPECT_LT(top.top, middle.top);
    EXPECT_LT(middle.top, bottom.top);

    for (int channel = 1; channel <= 3; ++channel) {
        click(page, ids[channel - 1]);
        EXPECT_EQ(state.purchaseChannel, channel);
        for (int other = 1; other <= 3; ++other)
            EXPECT_EQ(marked(page, ids[other - 1]), other == channel) << channel << " " << other;
        EXPECT_TRUE(enabled(page, IDC_NEXT));
    }
    click(page, IDC_NEXT);
    expectLeft(page, PageId::Arcavia);

    for (int channel : {1, 2}) {
        state.purchaseChannel = channel;
        HWND again = open(PageId::Vender);
        EXPECT_TRUE(marked(again, ids[channel - 1]));
        EXPECT_EQ(GetFocus(), GetDlgItem(again, ids[channel - 1])) << "the focus starts on the marked choice";
        click(again, IDC_NEXT);
        expectLeft(again, PageId::SelectProduct);
    }

    // The keyboard alone: Space marks the top choice, Down the next one,
    // Enter goes on.
    state.purchaseChannel = PurchaseChannel::None;
    HWND keys = open(PageId::Vender);
    qvtest::pressKey(keys, VK_SPACE);
    EXPECT_EQ(state.purchaseChannel, PurchaseChannel::DownloadStore);
    qvtest::pressKey(keys, VK_DOWN);
    EXPECT_EQ(state.purchaseChannel, PurchaseChannel::SubscriptionStore);
    EXPECT_TRUE(marked(keys, IDC_CHANNEL_SUBSCRIPTION));
    qvtest::pressKey(keys, VK_RETURN);
    expectLeft(keys, PageId::Arcavia);
}

TEST_F(ShellPagesGui, ChannelBackResetsTheAgreement) {
    state.agreed = 1;
    state.purchaseChannel = 2;
    HWND page = open(PageId::Vender);
    click(page, IDC_BACK);
    expectLeft(page, PageId::Eula);
    EXPECT_EQ(state.agreed, 0);
    HWND eula = open(PageId::Eula);
    EXPECT_TRUE(marked(eula, IDC_DECLINE));
    EXPECT_FALSE(enabled(eula, IDC_NEXT));
    click(eula, IDC_ACCEPT);
    click(eula, IDC_NEXT);
    HWND vender = open(PageId::Vender);
    EXPECT_TRUE(marked(vender, IDC_CHANNEL_DOWNLOAD)) << "the channel chosen before stays";
    EXPECT_TRUE(enabled(vender, IDC_NEXT));
}

TEST_F(ShellPagesGui, StoreNoticeIsADeadEnd) {
    state.purchaseChannel = 3;
    HWND page = open(PageId::Arcavia);
    EXPECT_EQ(itemText(page, IDC_HEADING), "Arcavia");
    EXPECT_EQ(itemText(page, IDC_BODY),
              "Arcavia versions do not support online play, therefore do not require patching.");
    expectButtons(page, true, true, true, false, true);
    click(page, IDC_NEXT);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_TRUE(IsWindowVisible(page));
    click(page, IDC_BACK);
    expectLeft(page, PageId::Vender);
    HWND vender = open(PageId::Vender);
    EXPECT_TRUE(marked(vender, IDC_CHANNEL_SUBSCRIPTION));
}

// --- The driver over the real table ---------------------------------------

// A user who acts on each page as it comes: every 30 ms a thread timer looks
// at the page shown and, when it is the one the next step expects, posts
// that step's click or close request. Message boxes are answered by a
// BoxAnswerer whose answer each step sets.
struct Step {
    const char* title; // the page expected
    int control;       // button to click; 0: the close box
    int answer;        // for a box this step opens
};
const Step* script = nullptr;
size_t scriptLength = 0, scriptAt = 0;
std::vector<std::string> titlesSeen;
BoxAnswerer* scriptAnswerer = nullptr;
DWORD scriptStart = 0;
bool timedOut = false;

void CALLBACK userTick(HWND, UINT, UINT_PTR, DWORD) {
    HWND page = qvtest::shownPage(true);
    if (GetTickCount() - scriptStart > 20000) {
        // Never hang: end whatever page is up.
        timedOut = true;
        if (page != nullptr) {
            AppStateGlobal.currentPage = -1;
            PostMessageA(page, WM_CLOSE, 0, 0);
        }
        return;
    }
    if (page == nullptr || scriptAt >= scriptLength)
        return;
    std::string title = qvtest::windowText(page);
    if (titlesSeen.empty() || titlesSeen.back() != title)
        titlesSeen.push_back(title);
    const Step& step = script[scriptAt];
    if (title != step.title)
        return;
    ++scriptAt;
    scriptAnswerer->setAnswer(step.answer);
    if (step.control != 0)
        qvtest::postClick(page, step.control);
    else
        PostMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST_F(ShellPagesGui, DriverRunsThePagesAsAUserClicksThrough) {
    const char* title = "Quorvel [1.0.1r-2]  Title Screen";
    const char* readMe = "Quorvel [1.0.1r-2]  Read Me Screen";
    const char* eula = "Quorvel [1.0.1r-2]  EULA Screen";
    const char* vender = "Quorvel [1.0.1r-2]  Vender Screen";
    const char* arcavia = "Quorvel [1.0.1r-2]  Arcavia Notice";
    const Step steps[] = {
        {title, IDC_READ_ME, IDOK}, {readMe, IDC_BACK, IDOK},  {title, IDC_NEXT, IDOK},
        {eula, IDC_ACCEPT, IDOK},   {eula, IDC_NEXT, IDOK},    {vender, IDC_CHANNEL_SUBSCRIPTION, IDOK},
        {vender, IDC_NEXT, IDOK},   {arcavia, IDC_NEXT, IDOK},                  // does nothing
        {arcavia, IDC_BACK, IDOK},  {vender, IDC_BACK, IDOK},  {eula, 0, IDNO}, // the close box, answered No
        {eula, IDC_EXIT, IDYES},
    };
    AppState& app = AppStateGlobal;
    ASSERT_EQ(app.init(GetModuleHandleA(nullptr), nullptr, ""), 0);
    BoxAnswerer answerer(IDOK);
    script = steps;
    scriptLength = std::size(steps);
    scriptAt = 0;
    titlesSeen.clear();
    scriptAnswerer = &answerer;
    scriptStart = GetTickCount();
    timedOut = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, userTick);

    runPages(app);

    KillTimer(nullptr, timer);
    EXPECT_FALSE(timedOut) << "stuck after step " << scriptAt;
    EXPECT_EQ(scriptAt, scriptLength);
    EXPECT_EQ(app.currentPage, -1);
    EXPECT_EQ(app.agreed, 0) << "Back on VENDER cleared the agreement";
    EXPECT_EQ(app.purchaseChannel, 3);
    EXPECT_EQ(titlesSeen, (std::vector<std::string>{title, readMe, title, eula, vender, arcavia, vender, eula}));
    ASSERT_EQ(answerer.seen().size(), 2u);
    EXPECT_EQ(answerer.seen()[0].text, exitQuestion);
    EXPECT_EQ(answerer.seen()[1].text, exitQuestion);
    app.releaseHeld();
}

} // namespace
