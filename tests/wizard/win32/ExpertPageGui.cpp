// ExpertPageGui.cpp - the expert page MAIN as a real dialog from the real
// template and page procedure: controls loaded from the state, the edits,
// the check box, Browse..., Report and Do it! with everything but the log
// disabled while they run, the log box following the log to its end, and
// Exit and close requests, also in the middle of a run. The page's message
// drains during a run are watched through the page host's pump; the folder
// browser and the modal loop are driven from timers. A picture of the page
// after a run goes to screenshots\expert-page beside the tests.
#include "AppPlatform.h"
#include "AppState.h"
#include "ExpertPage.h"
#include "PageHost.h"
#include "PageProcedures.h"
#include "PageTable.h"
#include "resource.h"

#include "QvBoxRecorder.h"
#include "QvTestKit.h"
#include "win32/QvGui.h"
#include "win32/QvPages.h"
#include "win32/QvScreenshot.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using qvtest::click;
using qvtest::itemText;

// The page's controls whose enabled state a run changes (all but the log
// box), and the log box, with short names for readable expectations.
const struct {
    int id;
    const char* name;
} pageControls[] = {
    {IDC_DIRECTORY, "Directory"}, {IDC_BROWSE, "Browse"}, {IDC_OLD_STRING, "Old"}, {IDC_NEW_STRING, "New"},
    {IDC_SAVE_AS_NEW, "Box"},     {IDC_REPORT, "Report"}, {IDC_DO_IT, "DoIt"},     {IDC_ABOUT, "About"},
    {IDC_EXIT, "Exit"},           {IDC_LOG, "Log"},
};
const char* const allEnabled = "Directory Browse Old New Box Report DoIt About Exit Log";

std::string enabledControls(HWND page) {
    std::string names;
    for (const auto& control : pageControls) {
        if (IsWindowEnabled(GetDlgItem(page, control.id))) {
            if (!names.empty())
                names += ' ';
            names += control.name;
        }
    }
    return names;
}

// The page's drains during a run come here: the test looks first, then the
// queue is handled as usual.
std::function<void()> onPump;
void watchedPump() {
    if (onPump)
        onPump();
    platformPageHost.pumpMessages();
}

// Every reading is 30 ms after the one before, so each scanned position
// shows the progress text and drains the queue.
uint32_t fastClock() {
    static uint32_t now = 0;
    return now += 30;
}

// The MAIN page run as the driver runs it: its table row, its own modal
// loop. atStart is called from a timer once the page is up; a watchdog ends
// the page after 10 s so that no test hangs.
struct ModalPage {
    std::function<void(HWND)> atStart;
    HWND page = nullptr;
    bool timedOut = false;
    DWORD started = 0;
    AppState* state = nullptr;

    static inline ModalPage* current = nullptr;

    static BOOL CALLBACK findPage(HWND window, LPARAM data) {
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (IsWindowVisible(window) && std::string(name) == "#32770" && qvtest::windowText(window) == AppCaption) {
            *reinterpret_cast<HWND*>(data) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        ModalPage& self = *current;
        if (self.page == nullptr) {
            EnumThreadWindows(GetCurrentThreadId(), findPage, reinterpret_cast<LPARAM>(&self.page));
            if (self.page != nullptr && self.atStart)
                self.atStart(self.page);
        }
        if (GetTickCount() - self.started > 10000 && !self.timedOut) {
            self.timedOut = true;
            self.state->pageDone = 1; // a run in progress stops too
            if (self.page != nullptr)
                EndDialog(self.page, 0);
        }
    }

    int run(AppState& onState) {
        state = &onState;
        current = this;
        started = GetTickCount();
        const UINT_PTR timer = SetTimer(nullptr, 0, 20, tick);
        const int result = platformPageHost.runModal(onState, PageTable[PageId::Main]);
        KillTimer(nullptr, timer);
        current = nullptr;
        return result;
    }
};

class ExpertPageGui : public qvtest::PageFixture {
protected:
    void SetUp() override {
        PageFixture::SetUp();
        pageHost.pumpMessages = watchedPump;
        onPump = nullptr;
    }
    void TearDown() override {
        onPump = nullptr;
        pageHost = platformPageHost;
        expertPageTickCount = nullptr;
        PageFixture::TearDown();
    }

    static void setField(char (&field)[1024], const std::string& text) {
        ASSERT_LT(text.size(), sizeof field);
        std::memcpy(field, text.c_str(), text.size() + 1);
    }
    void useDirectory(const std::string& oldString, const std::string& newString) {
        setField(state.directory, dir.path());
        setField(state.expertOldString, oldString);
        setField(state.expertNewString, newString);
    }
    std::string log() const {
        return state.logBuffer.length > 0 ? std::string(state.logBuffer.data, state.logBuffer.length) : std::string();
    }

    // The caret is after the log's last character, and that character's line
    // is inside the box's visible area.
    static void expectScrolledToEnd(HWND page) {
        HWND box = GetDlgItem(page, IDC_LOG);
        const int length = GetWindowTextLengthA(box);
        DWORD start = 0, end = 0;
        SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, static_cast<DWORD>(length));
        EXPECT_EQ(end, static_cast<DWORD>(length));
        // The line of the last character (the log ends with a line end, so
        // this is the last line with text), by its first character.
        const LRESULT lastLine = SendMessageA(box, EM_LINEFROMCHAR, length > 0 ? length - 1 : 0, 0);
        const LRESULT lastLineStart = SendMessageA(box, EM_LINEINDEX, lastLine, 0);
        const LRESULT at = SendMessageA(box, EM_POSFROMCHAR, lastLineStart, 0);
        ASSERT_NE(at, -1);
        RECT client;
        GetClientRect(box, &client);
        const int y = static_cast<short>(HIWORD(at));
        EXPECT_GE(y, 0);
        EXPECT_LT(y, client.bottom);
    }

    qvtest::TempDir dir;
    qvtest::BoxRecorder recorder;
};

} // namespace

TEST_F(ExpertPageGui, PageComesUpLoadedFromTheState) {
    setField(state.directory, "C:\\Games\\Talon");
    setField(state.expertOldString, "192.168.17.4");
    setField(state.expertNewString, "games.example");
    state.expertSaveAsNew = 1;
    // The log of the last run is shown again.
    state.logBuffer.appendFormat("REPORT for directory \"C:\\Games\\Talon\":\r\n\r\nDone!\r\n");
    HWND page = open(PageId::Main);
    ASSERT_NE(page, nullptr);

    EXPECT_EQ(qvtest::windowText(page), "Quorvel [1.0.1r-2]");
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(state.currentPage, PageId::Main);
    EXPECT_EQ(reinterpret_cast<AppState*>(GetWindowLongPtrA(page, GWLP_USERDATA)), &state);
    EXPECT_EQ(itemText(page, IDC_DESCRIPTION), ExpertDescriptionText);
    EXPECT_EQ(itemText(page, IDC_DIRECTORY), "C:\\Games\\Talon");
    EXPECT_EQ(itemText(page, IDC_OLD_STRING), "192.168.17.4");
    EXPECT_EQ(itemText(page, IDC_NEW_STRING), "games.example");
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_SAVE_AS_NEW, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(itemText(page, IDC_LOG), log());
    expectScrolledToEnd(page);
    EXPECT_EQ(enabledControls(page), allEnabled);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_USAGE)));
    for (int id : {IDC_ABOUT, IDC_EXIT, IDC_REPORT, IDC_DO_IT, IDC_LOG})
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, id))) << id;
    // No control gets the heading font.
    for (const auto& control : pageControls)
        EXPECT_NE(reinterpret_cast<void*>(SendDlgItemMessageA(page, control.id, WM_GETFONT, 0, 0)), state.headingFont)
            << control.name;
    EXPECT_NE(reinterpret_cast<void*>(SendDlgItemMessageA(page, IDC_DESCRIPTION, WM_GETFONT, 0, 0)), state.headingFont);

    // Centred on the desktop, each half rounded down.
    RECT desktop, rect;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(page, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    EXPECT_EQ(rect.left, ((desktop.right - desktop.left) >> 1) - (width >> 1));
    EXPECT_EQ(rect.top, ((desktop.bottom - desktop.top) >> 1) - (height >> 1));
}

TEST_F(ExpertPageGui, EditsTheBoxAndAboutWorkOnTheState) {
    HWND page = open(PageId::Main);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(itemText(page, IDC_LOG), "");

    SetDlgItemTextA(page, IDC_DIRECTORY, "D:\\Games");
    SetDlgItemTextA(page, IDC_OLD_STRING, "10.0.0.1");
    SetDlgItemTextA(page, IDC_NEW_STRING, "host.example");
    EXPECT_STREQ(state.directory, "D:\\Games");
    EXPECT_STREQ(state.expertOldString, "10.0.0.1");
    EXPECT_STREQ(state.expertNewString, "host.example");
    SetDlgItemTextA(page, IDC_NEW_STRING, "");
    EXPECT_STREQ(state.expertNewString, "");

    // Typed text stops at 1023 characters, all of them stored.
    SetDlgItemTextA(page, IDC_OLD_STRING, "");
    for (int i = 0; i < 1100; ++i)
        SendDlgItemMessageA(page, IDC_OLD_STRING, WM_CHAR, 'x', 1);
    EXPECT_EQ(std::string(state.expertOldString), std::string(1023, 'x'));
    EXPECT_EQ(itemText(page, IDC_OLD_STRING), std::string(state.expertOldString));

    click(page, IDC_SAVE_AS_NEW);
    EXPECT_EQ(state.expertSaveAsNew, 1);
    click(page, IDC_SAVE_AS_NEW);
    EXPECT_EQ(state.expertSaveAsNew, 0);

    click(page, IDC_ABOUT);
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].owner, page);
    EXPECT_EQ(recorder.boxes()[0].style, static_cast<uint32_t>(AppBoxInformation));
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(enabledControls(page), allEnabled);
}

TEST_F(ExpertPageGui, BrowseFillsTheSourceDirectoryAndCancelKeepsIt) {
    setField(state.directory, "D:\\kept");
    HWND page = open(PageId::Main);
    ASSERT_NE(page, nullptr);

    qvtest::FolderBrowserUser cancel;
    cancel.browse(page, IDC_BROWSE);
    ASSERT_TRUE(cancel.seen) << "no folder browser came up";
    EXPECT_NE(std::find(cancel.texts.begin(), cancel.texts.end(), "Select a directory:"), cancel.texts.end());
    EXPECT_STREQ(state.directory, "D:\\kept");
    EXPECT_EQ(itemText(page, IDC_DIRECTORY), "D:\\kept");

    qvtest::FolderBrowserUser choose;
    choose.choose = dir.path();
    choose.browse(page, IDC_BROWSE);
    ASSERT_TRUE(choose.seen);
    EXPECT_EQ(_stricmp(itemText(page, IDC_DIRECTORY).c_str(), dir.path().c_str()), 0)
        << itemText(page, IDC_DIRECTORY) << " for " << dir.path();
    EXPECT_STREQ(state.directory, itemText(page, IDC_DIRECTORY).c_str());
    EXPECT_EQ(state.pageDone, 0u);
}

TEST_F(ExpertPageGui, RunsDisableEverythingButTheLogAndTheLogFollowsToItsEnd) {
    // Enough files for a log much longer than the box.
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(qvtest::writeFile(dir.file("File" + std::to_string(100 + i) + ".ini"), "a=ALPHA\r\nb=beta\r\n"));
    ASSERT_TRUE(qvtest::writeFile(dir.file("Game.exe"), std::string("MZ\0\0alpha\0\0", 11)));
    ASSERT_TRUE(qvtest::writeFile(dir.file("notes.doc"), "alpha"));
    useDirectory("alpha", "omega");
    HWND page = open(PageId::Main);
    ASSERT_NE(page, nullptr);

    for (int doIt = 0; doIt <= 1; ++doIt) {
        SCOPED_TRACE(doIt != 0 ? "Do it!" : "Report");
        std::vector<std::string> whileBusy;
        int usageShown = 0;
        std::vector<std::string> boxNotTheLog;
        onPump = [&] {
            if (state.expertBusy != 0)
                whileBusy.push_back(enabledControls(page));
            if (IsWindowVisible(GetDlgItem(page, IDC_USAGE)))
                ++usageShown;
            // At every drain the box shows the log as it stands (a progress
            // text after it at most).
            const std::string shown = itemText(page, IDC_LOG), text = log();
            if (shown != text && !(shown.rfind(text, 0) == 0 && shown.find("% Complete...") != std::string::npos))
                boxNotTheLog.push_back(shown);
        };
        // A click gives the button the focus; the run disables it meanwhile.
        HWND starter = GetDlgItem(page, doIt != 0 ? IDC_DO_IT : IDC_REPORT);
        SetFocus(starter);
        ASSERT_EQ(GetFocus(), starter);
        click(page, doIt != 0 ? IDC_DO_IT : IDC_REPORT);
        onPump = nullptr;
        EXPECT_EQ(GetFocus(), starter) << "the button that started the run gets the focus back";

        ASSERT_FALSE(whileBusy.empty()) << "the run never drained the queue";
        for (const std::string& enabled : whileBusy)
            EXPECT_EQ(enabled, "Log");
        EXPECT_EQ(usageShown, 0);
        EXPECT_TRUE(boxNotTheLog.empty()) << boxNotTheLog.front();
        EXPECT_EQ(state.expertBusy, 0);
        EXPECT_EQ(enabledControls(page), allEnabled);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_USAGE)));
        EXPECT_EQ(state.pageDone, 0u);

        const std::string text = log();
        EXPECT_EQ(itemText(page, IDC_LOG), text);
        EXPECT_EQ(text.rfind(std::string(doIt != 0 ? "DO IT" : "REPORT") + " for directory \"" + dir.path() +
                                 "\":\r\n\r\nScanning TEXT file \"File100.ini\"...\r\n",
                             0),
                  0u)
            << text;
        EXPECT_NE(text.find("Scanning BINARY file \"Game.exe\"...\r\n"), std::string::npos);
        EXPECT_EQ(text.find("notes.doc"), std::string::npos);
        EXPECT_EQ(text.size() - text.rfind("Done!\r\n"), 7u);
        EXPECT_EQ(text.find("Saving") != std::string::npos, doIt != 0);
        EXPECT_GT(SendDlgItemMessageA(page, IDC_LOG, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        expectScrolledToEnd(page);
    }
    EXPECT_EQ(qvtest::readFile(dir.file("File100.ini")), "a=omega\r\nb=beta\r\n");
    EXPECT_EQ(qvtest::readFile(dir.file("Game.exe")), std::string("MZ\0\0omega\0\0", 11));
    EXPECT_EQ(qvtest::readFile(dir.file("notes.doc")), "alpha");
    EXPECT_TRUE(recorder.boxes().empty());
    qvtest::saveScreenshot(page, qvtest::screenshotFolder("expert-page"), "main-after-do-it");
}

TEST_F(ExpertPageGui, ProgressIsSeenInTheLogBoxButNeverStaysInTheLog) {
    ASSERT_TRUE(qvtest::writeFile(dir.file("a.ini"), "alpha alpha alpha alpha"));
    useDirectory("alpha", "omega");
    expertPageTickCount = fastClock;
    HWND page = open(PageId::Main);
    ASSERT_NE(page, nullptr);
    std::vector<std::string> progressSeen;
    onPump = [&] {
        const std::string shown = itemText(page, IDC_LOG);
        const size_t at = shown.rfind("% Complete...");
        if (at != std::string::npos && at + 13 == shown.size())
            progressSeen.push_back(shown.substr(shown.rfind("\n") + 1));
    };
    click(page, IDC_REPORT);
    ASSERT_FALSE(progressSeen.empty());
    EXPECT_EQ(progressSeen[0], "20% Complete...");
    EXPECT_EQ(log().find("Complete"), std::string::npos);
    EXPECT_EQ(itemText(page, IDC_LOG), log());
}

TEST_F(ExpertPageGui, ExitAndCloseRequestsEndThePageWithoutAQuestion) {
    struct Case {
        const char* name;
        std::function<void(HWND)> request;
        int32_t currentPageAfter;
    } cases[] = {
        {"Exit", [](HWND page) { qvtest::postClick(page, IDC_EXIT); }, PageId::End},
        {"close box", [](HWND page) { PostMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0); }, PageId::End},
        {"WM_CLOSE", [](HWND page) { PostMessageA(page, WM_CLOSE, 0, 0); }, PageId::Main},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.currentPage = PageId::Main;
        state.pageDone = 0;
        ModalPage modal;
        modal.atStart = c.request;
        EXPECT_EQ(modal.run(state), 0);
        EXPECT_FALSE(modal.timedOut);
        EXPECT_NE(modal.page, nullptr);
        EXPECT_FALSE(IsWindow(modal.page));
        EXPECT_EQ(state.pageDone, 1u);
        EXPECT_EQ(state.currentPage, c.currentPageAfter);
        EXPECT_TRUE(recorder.boxes().empty());
    }
}

TEST_F(ExpertPageGui, ClosingDuringARunFinishesThatFileThenSaysDone) {
    const std::string fileA = dir.file("a.ini"), fileB = dir.file("b.ini");
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        int32_t currentPageAfter;
    } cases[] = {
        {"WM_CLOSE", WM_CLOSE, 0, PageId::Main},
        {"close box", WM_SYSCOMMAND, SC_CLOSE, PageId::End},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(qvtest::writeFile(fileA, "alpha alpha alpha"));
        ASSERT_TRUE(qvtest::writeFile(fileB, "alpha"));
        useDirectory("alpha", "omega");
        expertPageTickCount = fastClock;
        state.currentPage = PageId::Main;

        ModalPage modal;
        bool requested = false;
        std::vector<std::string> whileBusy;
        // The close request comes at the first drain after a match: the scan
        // of a.ini is under way.
        onPump = [&] {
            if (state.expertBusy != 0 && modal.page != nullptr)
                whileBusy.push_back(enabledControls(modal.page));
            if (!requested && log().find("Match:") != std::string::npos) {
                requested = true;
                PostMessageA(modal.page, c.message, c.wParam, 0);
            }
        };
        modal.atStart = [](HWND page) {
            PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_DO_IT, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_DO_IT)));
        };
        EXPECT_EQ(modal.run(state), 0);
        onPump = nullptr;
        EXPECT_FALSE(modal.timedOut);
        EXPECT_TRUE(requested);
        for (const std::string& enabled : whileBusy)
            EXPECT_EQ(enabled, "Log");

        EXPECT_EQ(log(), "DO IT for directory \"" + dir.path() +
                             "\":\r\n\r\n"
                             "Scanning TEXT file \"a.ini\"...\r\n"
                             "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                             "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                             "    1 entry found total.\r\n"
                             "    Saving \"" +
                             fileA + "\".\r\nDone!\r\n");
        EXPECT_EQ(qvtest::readFile(fileA), "omega alpha alpha");
        EXPECT_EQ(qvtest::readFile(fileB), "alpha");
        EXPECT_EQ(state.expertBusy, 0);
        EXPECT_EQ(state.pageDone, 1u);
        EXPECT_EQ(state.currentPage, c.currentPageAfter);
        EXPECT_TRUE(recorder.boxes().empty());
    }
}
