// JobPagesGui.cpp - SELECTPRODUCT, SETDIR, SCAN, SCANRESULTS, CONVERTFILES and
// DONE as real dialogs from the real templates and procedures. Single pages
// are driven by the messages a user's mouse and keyboard produce; whole runs
// go through the real page driver while a scripted user, woken by a thread
// timer inside the pages' message loops, acts on each page as it appears.
// Message boxes are answered by a hook, the folder browser from a timer.
// Pictures of every page go to screenshots\job-pages beside the tests.
#include "AppState.h"
#include "JobRuns.h"
#include "PageDriver.h"
#include "PageProcedures.h"
#include "PageTable.h"
#include "ProductTable.h"
#include "WizardStrings.h"
#include "ZephMem.h"
#include "ZephSysFile.h"
#include "resource.h"

#include "QvInstallDir.h"
#include "QvTestKit.h"
#include "win32/QvGui.h"
#include "win32/QvPages.h"
#include "win32/QvScreenshot.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using qvtest::BoxAnswerer;
using qvtest::click;
using qvtest::enabled;
using qvtest::itemText;
using qvtest::marked;
using qvtest::windowText;

std::string pageTitle(const char* name) { return std::string("Quorvel [1.0.1r-2]  ") + name; }
const std::string titleScreen = pageTitle("Title Screen");
const std::string eulaScreen = pageTitle("EULA Screen");
const std::string venderScreen = pageTitle("Vender Screen");
const std::string selectScreen = pageTitle("Product selection screen");
const std::string setDirScreen = pageTitle("Directory Selection");
const std::string scanScreen = pageTitle("Scanning Files");
const std::string resultsScreen = pageTitle("Scan Results");
const std::string patchingScreen = pageTitle("Patching Files");
const std::string doneScreen = pageTitle("Patch Results");

const char exitQuestion[] = "Are you sure you wish to exit this program?";

const std::string& shots() {
    static const std::string folder = qvtest::screenshotFolder("job-pages");
    return folder;
}

void shot(HWND page, const std::string& name) { qvtest::saveScreenshot(page, shots(), name); }

// Which common buttons are enabled, as "About ReadMe Back Next Exit" with the
// disabled ones left out; "Usage..." must be hidden.
std::string enabledButtons(HWND page) {
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, IDC_USAGE)));
    std::string list;
    const std::pair<int, const char*> buttons[] = {
        {IDC_ABOUT, "About"}, {IDC_READ_ME, "ReadMe"}, {IDC_BACK, "Back"}, {IDC_NEXT, "Next"}, {IDC_EXIT, "Exit"}};
    for (const auto& [id, name] : buttons) {
        if (enabled(page, id))
            list += list.empty() ? name : std::string(" ") + name;
    }
    return list;
}

// --- What a user does with mouse and keyboard ------------------------------

// Left button on a list item; a double click is down, up, double-click, up,
// as the mouse delivers it.
void clickListItem(HWND page, int item, bool doubleClick) {
    HWND list = GetDlgItem(page, IDC_PRODUCT_LIST);
    RECT rect = {};
    SendMessageA(list, LB_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect));
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list, WM_LBUTTONUP, 0, at);
    if (doubleClick && IsWindow(list)) {
        SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        if (IsWindow(list))
            SendMessageA(list, WM_LBUTTONUP, 0, at);
    }
}

// Select everything in the edit and delete it, then type text key by key.
void retypeDirectory(HWND page, const std::string& text) {
    HWND edit = GetDlgItem(page, IDC_DIRECTORY);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CLEAR, 0, 0);
    for (char c : text)
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
}

// --- Slow files, so that the working pages stay up for several slices ------

class SlowDisk {
public:
    explicit SlowDisk(DWORD openDelayMs) {
        saved_ = ZephSysFiles;
        delay_ = openDelayMs;
        ZephSysFiles.open = slowOpen;
        ZephSysFiles.openIn = slowOpenIn;
    }
    ~SlowDisk() { ZephSysFiles = saved_; }
    SlowDisk(const SlowDisk&) = delete;
    SlowDisk& operator=(const SlowDisk&) = delete;

private:
    static ZephError slowOpen(const char* path, uint32_t flags, int64_t* handle) {
        Sleep(delay_);
        return saved_.open(path, flags, handle);
    }
    static ZephError slowOpenIn(int64_t folder, const char* name, uint32_t flags, int64_t* handle) {
        Sleep(delay_);
        return saved_.openIn(folder, name, flags, handle);
    }
    static inline ZephSysFileTable saved_ = {};
    static inline DWORD delay_ = 0;
};

// --- A scripted user for runs through the page driver ----------------------

struct Step {
    std::string title; // the page this step acts on
    std::function<void(HWND page)> act;
    bool optional = false; // a page that may pass too quickly to be seen
};

// Acts on each page as it appears, one step per page window, in order; a
// step's page must be a new window (the previous step led somewhere). Past
// its time limit it ends the wizard, so a run never hangs.
class ScriptedUser {
public:
    ScriptedUser(AppState& state, std::vector<Step> steps) : state_(state), steps_(std::move(steps)) {}

    void run(const PageEntry* table, DWORD timeoutMs) {
        current_ = this;
        start_ = GetTickCount();
        timeoutMs_ = timeoutMs;
        const UINT_PTR timer = SetTimer(nullptr, 0, 25, tick);
        runPagesFrom(state_, table);
        KillTimer(nullptr, timer);
        current_ = nullptr;
    }

    bool timedOut() const { return timedOut_; }
    // Steps not taken, by title; empty when the script ran to its end.
    std::string stepsLeft() const {
        std::string left;
        for (size_t i = next_; i < steps_.size(); ++i)
            left += steps_[i].title + "; ";
        return left;
    }
    // Every page window seen, in order.
    const std::vector<std::string>& pagesSeen() const { return seen_; }
    bool saw(const std::string& title) const { return std::find(seen_.begin(), seen_.end(), title) != seen_.end(); }

private:
    static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
        if (current_ != nullptr)
            current_->onTick();
    }

    void onTick() {
        if (busy_) // a step's own message loop (a box, a page ending) ticks too
            return;
        busy_ = true;
        HWND page = qvtest::shownPage(false);
        const std::string title = page != nullptr ? windowText(page) : std::string();
        if (page != nullptr && (page != lastSeen_ || title != lastTitle_)) {
            seen_.push_back(title);
            lastSeen_ = page;
            lastTitle_ = title;
        }
        if (GetTickCount() - start_ > timeoutMs_) {
            timedOut_ = true;
            state_.currentPage = PageId::End;
            state_.pageDone = 1;
            if (page != nullptr)
                EndDialog(page, 0);
        } else if (page != nullptr && page != acted_ && IsWindowEnabled(page)) {
            // Optional pages that were never caught give way to the next
            // required step once its page shows.
            size_t step = next_;
            while (step < steps_.size() && steps_[step].optional && steps_[step].title != title)
                ++step;
            if (step < steps_.size() && steps_[step].title == title) {
                next_ = step + 1;
                acted_ = page;
                steps_[step].act(page);
            }
        }
        busy_ = false;
    }

    AppState& state_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    HWND acted_ = nullptr;
    HWND lastSeen_ = nullptr;
    std::string lastTitle_;
    std::vector<std::string> seen_;
    DWORD start_ = 0;
    DWORD timeoutMs_ = 0;
    bool timedOut_ = false;
    bool busy_ = false;
    static inline ScriptedUser* current_ = nullptr;
};

// The real page table, except that the wizard starts at firstPage.
std::vector<PageEntry> tableStartingAt(int32_t firstPage) {
    std::vector<PageEntry> table(PageTable, PageTable + PageTableRows);
    table[0] = PageTable[firstPage];
    table[0].pageId = PageId::Title;
    return table;
}

std::string problemsText(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& p : problems)
        text += p + "\n";
    return text;
}

class JobPagesGui : public qvtest::PageFixture {
protected:
    void SetUp() override {
        PageFixture::SetUp();
        state.agreed = 1;
        state.purchaseChannel = PurchaseChannel::BoxCopy;
    }

    void setDirectory(const std::string& directory) {
        std::snprintf(state.directory, sizeof state.directory, "%s", directory.c_str());
    }

    // A run through the driver from SETDIR (directory already set) to
    // SCANRESULTS, where the verdict and Next's state are read; then Exit,
    // answered Yes.
    struct Verdict {
        std::string text;
        bool next = false;
        bool reached = false;
    };
    Verdict scanVerdictOf(const std::string& screenshotName) {
        Verdict verdict;
        BoxAnswerer answerer(IDYES);
        ScriptedUser user(state, {
                                     {setDirScreen, [](HWND page) { click(page, IDC_NEXT); }},
                                     {scanScreen, [](HWND) {}, true},
                                     {resultsScreen,
                                      [&](HWND page) {
                                          verdict.reached = true;
                                          verdict.text = itemText(page, IDC_BODY);
                                          verdict.next = enabled(page, IDC_NEXT);
                                          shot(page, screenshotName);
                                          click(page, IDC_EXIT);
                                      }},
                                 });
        const std::vector<PageEntry> table = tableStartingAt(PageId::SetDir);
        user.run(table.data(), 20000);
        EXPECT_FALSE(user.timedOut()) << user.stepsLeft();
        EXPECT_EQ(state.currentPage, PageId::End);
        return verdict;
    }
};

// --- SELECTPRODUCT ---------------------------------------------------------

TEST_F(JobPagesGui, ProductListShowsEveryTitleAndNoEarlierChoice) {
    // Chosen on an earlier visit.
    state.productIndex = 7;
    state.product = findProduct(ProductTable, 7);
    HWND page = open(PageId::SelectProduct);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(windowText(page), selectScreen);
    EXPECT_EQ(reinterpret_cast<void*>(SendDlgItemMessageA(page, IDC_HEADING, WM_GETFONT, 0, 0)), state.headingFont);
    EXPECT_EQ(itemText(page, IDC_HEADING), "Product selection screen");
    EXPECT_EQ(itemText(page, IDC_BODY), "Select one of the products below and click on Next.");
    ASSERT_EQ(SendDlgItemMessageA(page, IDC_PRODUCT_LIST, LB_GETCOUNT, 0, 0), ProductCount);
    for (int i = 0; i < ProductCount; ++i) {
        char title[64] = {};
        SendDlgItemMessageA(page, IDC_PRODUCT_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(title));
        EXPECT_STREQ(title, ProductTable[i].title);
    }
    EXPECT_EQ(SendDlgItemMessageA(page, IDC_PRODUCT_LIST, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(state.productIndex, -1);
    EXPECT_EQ(state.product, nullptr);
    EXPECT_EQ(enabledButtons(page), "About ReadMe Back Exit");
    shot(page, "05-selectproduct");

    // Next does nothing yet; a click on a title enables it.
    click(page, IDC_NEXT);
    EXPECT_EQ(state.pageDone, 0u);
    clickListItem(page, 2, false);
    EXPECT_EQ(state.productIndex, 2);
    EXPECT_EQ(state.product, &ProductTable[2]);
    EXPECT_EQ(enabledButtons(page), "About ReadMe Back Next Exit");
    shot(page, "05-selectproduct-chosen");
    click(page, IDC_NEXT);
    expectLeft(page, PageId::SetDir);
    EXPECT_STREQ(state.directory, "C:\\Program Files\\Quellsoft\\Talon INT");

    // Back from SETDIR: nothing chosen again, though the folder stays.
    HWND again = open(PageId::SelectProduct);
    EXPECT_EQ(SendDlgItemMessageA(again, IDC_PRODUCT_LIST, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(state.product, nullptr);
    EXPECT_FALSE(enabled(again, IDC_NEXT));
    EXPECT_STREQ(state.directory, "C:\\Program Files\\Quellsoft\\Talon INT");
    click(again, IDC_BACK);
    expectLeft(again, PageId::Vender);
}

TEST_F(JobPagesGui, DoubleClickGoesStraightOnWithTheDownloadFolder) {
    state.purchaseChannel = PurchaseChannel::DownloadStore;
    setDirectory("D:\\typed before");
    HWND page = open(PageId::SelectProduct);
    ASSERT_NE(page, nullptr);
    clickListItem(page, 2, true);
    expectLeft(page, PageId::SetDir);
    EXPECT_STREQ(state.directory, "C:\\Talon Interceptor");

    // Below the last title: nothing is chosen, the page stays.
    HWND again = open(PageId::SelectProduct);
    HWND list = GetDlgItem(again, IDC_PRODUCT_LIST);
    RECT client;
    GetClientRect(list, &client);
    const LPARAM below = MAKELPARAM(10, client.bottom - 3);
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, below);
    SendMessageA(list, WM_LBUTTONUP, 0, below);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_TRUE(IsWindowVisible(again));
}

// --- SETDIR ----------------------------------------------------------------

TEST_F(JobPagesGui, DirectoryEditDecidesNext) {
    state.productIndex = 2;
    state.product = &ProductTable[2];
    setDirectory("C:\\Program Files\\Quellsoft\\Talon INT");
    HWND page = open(PageId::SetDir);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(windowText(page), setDirScreen);
    EXPECT_EQ(itemText(page, IDC_HEADING), "Product : Talon Interceptor");
    EXPECT_EQ(itemText(page, IDC_BODY),
              "Select the directory where your game is installed then click on Next to scan the directory.");
    EXPECT_EQ(itemText(page, IDC_DIRECTORY), "C:\\Program Files\\Quellsoft\\Talon INT");
    EXPECT_EQ(itemText(page, IDC_BROWSE), "Browse...");
    EXPECT_EQ(enabledButtons(page), "About ReadMe Back Next Exit");
    shot(page, "06-setdir");

    retypeDirectory(page, "");
    EXPECT_STREQ(state.directory, "");
    EXPECT_EQ(enabledButtons(page), "About ReadMe Back Exit");
    click(page, IDC_NEXT);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(state.job.status, Idle);

    retypeDirectory(page, "D");
    EXPECT_STREQ(state.directory, "D");
    EXPECT_TRUE(enabled(page, IDC_NEXT));
    retypeDirectory(page, "D:\\Games\\Talon");
    EXPECT_STREQ(state.directory, "D:\\Games\\Talon");

    // The edit holds no more than the directory can.
    const std::string tooLong(1500, 'x');
    SetDlgItemTextA(page, IDC_DIRECTORY, "");
    for (int i = 0; i < 1100; ++i)
        SendDlgItemMessageA(page, IDC_DIRECTORY, WM_CHAR, 'x', 1);
    EXPECT_EQ(std::string(state.directory), tooLong.substr(0, sizeof state.directory - 1));
    EXPECT_EQ(itemText(page, IDC_DIRECTORY), std::string(state.directory));

    click(page, IDC_BACK);
    expectLeft(page, PageId::SelectProduct);
}

TEST_F(JobPagesGui, BrowserCancelledChangesNothingAndAChoiceFillsTheEdit) {
    state.productIndex = 2;
    state.product = &ProductTable[2];
    setDirectory("D:\\kept");
    HWND page = open(PageId::SetDir);
    ASSERT_NE(page, nullptr);

    qvtest::FolderBrowserUser cancel;
    cancel.onShown = [](HWND browser) { shot(browser, "06-setdir-browser"); };
    cancel.browse(page, IDC_BROWSE);
    ASSERT_TRUE(cancel.seen) << "no folder browser came up";
    EXPECT_NE(std::find(cancel.texts.begin(), cancel.texts.end(), "Select a directory:"), cancel.texts.end());
    EXPECT_EQ(itemText(page, IDC_DIRECTORY), "D:\\kept");
    EXPECT_STREQ(state.directory, "D:\\kept");
    EXPECT_EQ(state.pageDone, 0u);

    // A folder straight under C:, which the browser's tree reaches through
    // the computer and its drive.
    char unique[64];
    std::snprintf(unique, sizeof unique, "C:\\quorvel-browse-%lu", GetCurrentProcessId());
    const std::string folder = unique;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    qvtest::FolderBrowserUser choose;
    choose.choose = folder;
    choose.browse(page, IDC_BROWSE);
    ASSERT_TRUE(choose.seen);

    // Now that the edit names a folder that exists, the browser opens there.
    qvtest::FolderBrowserUser opened;
    opened.browse(page, IDC_BROWSE);
    EXPECT_EQ(_stricmp(opened.selected.c_str(), folder.substr(3).c_str()), 0) << opened.selected;
    RemoveDirectoryA(folder.c_str());
    EXPECT_EQ(_stricmp(itemText(page, IDC_DIRECTORY).c_str(), folder.c_str()), 0)
        << itemText(page, IDC_DIRECTORY) << " for " << folder;
    EXPECT_STREQ(state.directory, itemText(page, IDC_DIRECTORY).c_str());
    EXPECT_TRUE(enabled(page, IDC_NEXT));
}

// --- SCAN, SCANRESULTS, CONVERTFILES and DONE on their own -----------------

TEST_F(JobPagesGui, WorkingPagesOfferOnlyWhatTheyShould) {
    BoxAnswerer answerer(IDNO);
    HWND scan = open(PageId::Scan);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(windowText(scan), scanScreen);
    EXPECT_EQ(itemText(scan, IDC_HEADING), "Scanning files...");
    EXPECT_EQ(reinterpret_cast<void*>(SendDlgItemMessageA(scan, IDC_HEADING, WM_GETFONT, 0, 0)), state.headingFont);
    EXPECT_EQ(enabledButtons(scan), "Back");
    shot(scan, "07-scan");
    for (int id : {IDC_ABOUT, IDC_READ_ME, IDC_NEXT, IDC_EXIT})
        click(scan, id);
    EXPECT_TRUE(answerer.seen().empty());
    EXPECT_EQ(state.pageDone, 0u);
    SendMessageA(scan, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, exitQuestion);
    EXPECT_EQ(state.pageDone, 0u);
    DestroyWindow(scan);

    answerer.clear();
    HWND patching = open(PageId::ConvertFiles);
    ASSERT_NE(patching, nullptr);
    EXPECT_EQ(windowText(patching), patchingScreen);
    EXPECT_EQ(itemText(patching, IDC_HEADING), "Patching files...");
    EXPECT_EQ(enabledButtons(patching), "");
    shot(patching, "09-convertfiles");
    for (int id : {IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_NEXT, IDC_EXIT})
        click(patching, id);
    EXPECT_TRUE(answerer.seen().empty());
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(state.currentPage, PageId::ConvertFiles);
    SendMessageA(patching, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, exitQuestion);
    EXPECT_EQ(answerer.seen()[0].owner, patching);
    EXPECT_TRUE(IsWindowVisible(patching));
    answerer.setAnswer(IDYES);
    SendMessageA(patching, WM_SYSCOMMAND, SC_CLOSE, 0);
    expectLeft(patching, PageId::End);
}

// The bar moves without a measure until the listing gives the total, then
// shows the entries looked at; the page's timer keeps it current.
TEST_F(JobPagesGui, WorkingPagesShowHowFarTheRunIs) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(dir.path(), &error)) << error;
    setDirectory(dir.path());
    for (int32_t pageId : {PageId::Scan, PageId::ConvertFiles}) {
        startWizardRun(state, pageId == PageId::ConvertFiles ? 1 : 0);
        HWND page = open(pageId);
        ASSERT_NE(page, nullptr);
        HWND bar = GetDlgItem(page, IDC_PROGRESS);
        EXPECT_NE(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE, 0) << "no total before the listing";
        state.job.step(-1);
        EXPECT_TRUE(qvtest::pumpUntil(
            [&] { return SendMessageA(bar, PBM_GETRANGE, FALSE, 0) == qvtest::GameInstallEntries; }, 2000));
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), qvtest::GameInstallEntries);
        EXPECT_EQ(GetWindowLongA(bar, GWL_STYLE) & PBS_MARQUEE, 0);
        shot(page, pageId == PageId::Scan ? "07-scan-progress" : "09-convertfiles-progress");
        DestroyWindow(page);
    }
    EXPECT_EQ(problemsText(qvtest::checkGameInstall(dir.path(), true)), "");
}

TEST_F(JobPagesGui, ResultsShowAFailureVerbatimAndFitALongDirectory) {
    state.productIndex = 9;
    state.product = &ProductTable[9];
    // A folder name with placeholders and an ampersand, shown as it is.
    std::string directory = "C:\\Games & 100% %s %d";
    setDirectory(directory);
    state.job.init(&ZephMemManagerGlobal);
    state.job.status = Failed;
    const std::string message = "We were unable to scan the directory \"" + directory +
                                "\"!\r\n\r\nPlease click Back and select a different directory and try again.";
    state.job.setMessage(message.c_str());
    HWND page = open(PageId::ScanResults);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(windowText(page), resultsScreen);
    EXPECT_EQ(itemText(page, IDC_FIRST_LINE), "Scan results for \"Outer Verge\":");
    EXPECT_EQ(itemText(page, IDC_SECOND_LINE), "Directory: " + directory);
    EXPECT_EQ(itemText(page, IDC_BODY), message);
    EXPECT_EQ(enabledButtons(page), "About ReadMe Back Exit");
    for (int id : {IDC_FIRST_LINE, IDC_SECOND_LINE})
        EXPECT_EQ(reinterpret_cast<void*>(SendDlgItemMessageA(page, id, WM_GETFONT, 0, 0)), state.headingFont);
    shot(page, "08-scanresults-failed");
    click(page, IDC_NEXT);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(state.job.status, Failed);

    // A directory far longer than the line: cut in the middle, its end kept,
    // and drawn inside the control.
    directory = "C:\\" + std::string(600, 'a') + "\\" + std::string(300, 'b') + "\\Shadow Unit Field Ops";
    setDirectory(directory);
    state.job.status = Finished;
    state.job.filesMatched = 2;
    state.job.filesVisited = 4;
    HWND longLine = open(PageId::ScanResults);
    const std::string line = itemText(longLine, IDC_SECOND_LINE);
    EXPECT_EQ(line.rfind("Directory: C:\\aaa", 0), 0u) << line;
    EXPECT_NE(line.find("..."), std::string::npos);
    EXPECT_EQ(line.substr(line.size() - 22), "\\Shadow Unit Field Ops");
    HWND control = GetDlgItem(longLine, IDC_SECOND_LINE);
    RECT area;
    GetClientRect(control, &area);
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, area.right, 0};
    DrawTextA(dc, line.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    EXPECT_LE(needed.right, area.right);
    EXPECT_LE(needed.bottom, area.bottom);
    EXPECT_EQ(itemText(longLine, IDC_BODY),
              "There are 2 files that need to be changed.\r\n\r\nClick on Next to begin conversions of these files.");
    EXPECT_EQ(enabledButtons(longLine), "About ReadMe Back Next Exit");
    shot(longLine, "08-scanresults-long-directory");

    // A failure naming a file deep in that directory: the path breaks across
    // lines instead of running off the right edge.
    const std::string longMessage = "Unable to open file \"" + directory + "\\SHADOW.EXE\" for reading!";
    state.job.status = Failed;
    state.job.setMessage(longMessage.c_str());
    HWND longFailure = open(PageId::ScanResults);
    EXPECT_EQ(itemText(longFailure, IDC_BODY), longMessage);
    HWND body = GetDlgItem(longFailure, IDC_BODY);
    EXPECT_NE(GetWindowLongA(body, GWL_STYLE) & SS_EDITCONTROL, 0);
    GetClientRect(body, &area);
    dc = GetDC(body);
    previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(body, WM_GETFONT, 0, 0)));
    needed = {0, 0, area.right, 0};
    DrawTextA(dc, longMessage.c_str(), -1, &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL);
    SelectObject(dc, previous);
    ReleaseDC(body, dc);
    EXPECT_LE(needed.right, area.right);
    shot(longFailure, "08-scanresults-long-failure");
}

TEST_F(JobPagesGui, DoneEndsWithoutAskingAndBackStartsOverAtTheChannel) {
    BoxAnswerer answerer(IDNO);
    state.productIndex = 0;
    state.product = &ProductTable[0];
    setDirectory("C:\\Kestrel Strike");
    state.job.init(&ZephMemManagerGlobal);
    state.job.status = Finished;
    state.job.filesMatched = 1;
    state.job.filesVisited = 3;
    HWND page = open(PageId::Done);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(windowText(page), doneScreen);
    EXPECT_EQ(itemText(page, IDC_FIRST_LINE), "Patch results for \"Kestrel Strike\":");
    EXPECT_EQ(itemText(page, IDC_SECOND_LINE), "Directory: C:\\Kestrel Strike");
    EXPECT_EQ(itemText(page, IDC_BODY), "Product patching complete!\r\n\r\n1 file patched.\r\n\r\n"
                                        "Click on Back to patch other products, or click on Finished! to quit.");
    EXPECT_EQ(itemText(page, IDC_EXIT), "Finished!");
    EXPECT_EQ(enabledButtons(page), "About ReadMe Back Exit");
    shot(page, "10-done-one-file");
    click(page, IDC_NEXT);
    EXPECT_EQ(state.pageDone, 0u);
    click(page, IDC_EXIT);
    EXPECT_TRUE(answerer.seen().empty());
    expectLeft(page, PageId::End);

    // The close box ends it the same way; a run without changes keeps "Exit".
    state.job.filesMatched = 0;
    HWND nothing = open(PageId::Done);
    EXPECT_EQ(itemText(nothing, IDC_BODY),
              "No patching has occurred.\r\n\r\nClick on Back and select a different directory and try again.");
    EXPECT_EQ(itemText(nothing, IDC_EXIT), "Exit");
    SendMessageA(nothing, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(answerer.seen().empty());
    expectLeft(nothing, PageId::End);

    state.purchaseChannel = PurchaseChannel::DownloadStore;
    HWND back = open(PageId::Done);
    click(back, IDC_BACK);
    expectLeft(back, PageId::Vender);
    EXPECT_EQ(state.purchaseChannel, PurchaseChannel::None);
    EXPECT_EQ(state.productIndex, -1);
    EXPECT_EQ(state.product, nullptr);
    EXPECT_EQ(state.agreed, 1);
    EXPECT_STREQ(state.directory, "C:\\Kestrel Strike");
}

// --- Runs through the page driver ------------------------------------------

TEST_F(JobPagesGui, WholeWizardPatchesAGeneratedInstall) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(dir.path(), &error)) << error;
    state.agreed = 0;
    state.purchaseChannel = PurchaseChannel::None;

    std::string defaultFolder, verdict, directoryLine, outcome, exitLabel;
    bool venderClean = false;
    int32_t agreedOnVender = -1;
    SlowDisk slow(60); // so the working pages stay up long enough to be seen
    BoxAnswerer answerer(IDYES);
    ScriptedUser user(state, {
                                 {titleScreen,
                                  [](HWND page) {
                                      shot(page, "00-title");
                                      click(page, IDC_NEXT);
                                  }},
                                 {eulaScreen,
                                  [](HWND page) {
                                      click(page, IDC_ACCEPT);
                                      shot(page, "02-eula");
                                      click(page, IDC_NEXT);
                                  }},
                                 {venderScreen,
                                  [](HWND page) {
                                      click(page, IDC_CHANNEL_BOX_COPY);
                                      shot(page, "03-vender");
                                      click(page, IDC_NEXT);
                                  }},
                                 {selectScreen,
                                  [](HWND page) {
                                      clickListItem(page, 2, false);
                                      click(page, IDC_NEXT);
                                  }},
                                 {setDirScreen,
                                  [&](HWND page) {
                                      defaultFolder = itemText(page, IDC_DIRECTORY);
                                      retypeDirectory(page, dir.path());
                                      shot(page, "06-setdir-typed");
                                      click(page, IDC_NEXT);
                                  }},
                                 {scanScreen, [](HWND page) { shot(page, "07-scan-running"); }},
                                 {resultsScreen,
                                  [&](HWND page) {
                                      verdict = itemText(page, IDC_BODY);
                                      directoryLine = itemText(page, IDC_SECOND_LINE);
                                      shot(page, "08-scanresults");
                                      click(page, IDC_NEXT);
                                  }},
                                 {patchingScreen, [](HWND page) { shot(page, "09-convertfiles-running"); }},
                                 {doneScreen,
                                  [&](HWND page) {
                                      outcome = itemText(page, IDC_BODY);
                                      exitLabel = itemText(page, IDC_EXIT);
                                      shot(page, "10-done");
                                      click(page, IDC_BACK);
                                  }},
                                 {venderScreen,
                                  [&](HWND page) {
                                      venderClean = !marked(page, IDC_CHANNEL_BOX_COPY) &&
                                                    !marked(page, IDC_CHANNEL_DOWNLOAD) &&
                                                    !marked(page, IDC_CHANNEL_SUBSCRIPTION) && !enabled(page, IDC_NEXT);
                                      agreedOnVender = state.agreed;
                                      shot(page, "03-vender-after-done");
                                      click(page, IDC_EXIT);
                                  }},
                             });
    user.run(PageTable, 60000);
    ASSERT_FALSE(user.timedOut()) << "left: " << user.stepsLeft();
    EXPECT_EQ(user.stepsLeft(), "");
    EXPECT_EQ(state.currentPage, PageId::End);

    EXPECT_EQ(defaultFolder, "C:\\Program Files\\Quellsoft\\Talon INT");
    EXPECT_EQ(verdict,
              "There are 5 files that need to be changed.\r\n\r\nClick on Next to begin conversions of these files.");
    EXPECT_EQ(directoryLine, "Directory: " + dir.path());
    EXPECT_EQ(outcome, "Product patching complete!\r\n\r\n5 files patched.\r\n\r\n"
                       "Click on Back to patch other products, or click on Finished! to quit.");
    EXPECT_EQ(exitLabel, "Finished!");
    EXPECT_TRUE(venderClean) << "VENDER after DONE's Back must show no channel and a disabled Next";
    EXPECT_EQ(agreedOnVender, 1);
    ASSERT_EQ(answerer.seen().size(), 1u); // only the Exit on VENDER asked
    EXPECT_EQ(answerer.seen()[0].text, exitQuestion);
    EXPECT_TRUE(user.saw(scanScreen));
    EXPECT_TRUE(user.saw(patchingScreen));
    EXPECT_EQ(problemsText(qvtest::checkGameInstall(dir.path(), true)), "");
}

TEST_F(JobPagesGui, ScanVerdictsForMissingEmptyAndUnmatchedDirectories) {
    state.productIndex = 3;
    state.product = &ProductTable[3];

    setDirectory("C:\\quorvel-no-such-folder\\Stormcrow 100% %s");
    Verdict missing = scanVerdictOf("08-scanresults-missing");
    EXPECT_TRUE(missing.reached);
    EXPECT_EQ(missing.text, "We were unable to scan the directory \"C:\\quorvel-no-such-folder\\Stormcrow 100% %s\"!"
                            "\r\n\r\nPlease click Back and select a different directory and try again.");
    EXPECT_FALSE(missing.next);

    qvtest::TempDir empty;
    setDirectory(empty.path());
    Verdict none = scanVerdictOf("08-scanresults-empty");
    EXPECT_EQ(none.text, "No files were found in this directory.\r\n\r\n"
                         "Click on Back and select a different directory or product and try again.");
    EXPECT_FALSE(none.next);

    qvtest::TempDir clean;
    ASSERT_TRUE(qvtest::writeFile(clean.file("GAME.EXE"), std::string(5000, 'x')));
    ASSERT_TRUE(qvtest::writeFile(clean.file("notes.txt"), qvtest::addressBytes()));
    setDirectory(clean.path());
    Verdict unmatched = scanVerdictOf("08-scanresults-nothing-to-patch");
    EXPECT_EQ(unmatched.text,
              "We have determined that no patching is required for this product in this directory.\r\n\r\n"
              "Click on Back and select a different directory or product and try again.");
    EXPECT_FALSE(unmatched.next);
}

TEST_F(JobPagesGui, OneAndTwoMatchingFilesAreCountedAndPatched) {
    state.productIndex = 6;
    state.product = &ProductTable[6];
    for (int files : {1, 2}) {
        SCOPED_TRACE(files);
        qvtest::TempDir dir;
        for (int i = 0; i < files; ++i)
            ASSERT_TRUE(qvtest::writeFile(dir.file("part" + std::to_string(i) + ".ini"),
                                          "host=" + qvtest::addressBytes() + "\r\n"));
        ASSERT_TRUE(qvtest::writeFile(dir.file("other.ini"), "host=localhost\r\n"));
        setDirectory(dir.path());

        std::string verdict, outcome, label;
        BoxAnswerer answerer(IDNO);
        ScriptedUser user(state, {
                                     {setDirScreen, [](HWND page) { click(page, IDC_NEXT); }},
                                     {scanScreen, [](HWND) {}, true},
                                     {resultsScreen,
                                      [&](HWND page) {
                                          verdict = itemText(page, IDC_BODY);
                                          shot(page, "08-scanresults-" + std::to_string(files) + "-files");
                                          click(page, IDC_NEXT);
                                      }},
                                     {patchingScreen, [](HWND) {}, true},
                                     {doneScreen,
                                      [&](HWND page) {
                                          outcome = itemText(page, IDC_BODY);
                                          label = itemText(page, IDC_EXIT);
                                          shot(page, "10-done-" + std::to_string(files) + "-files");
                                          click(page, IDC_EXIT);
                                      }},
                                 });
        const std::vector<PageEntry> table = tableStartingAt(PageId::SetDir);
        user.run(table.data(), 20000);
        ASSERT_FALSE(user.timedOut()) << user.stepsLeft();
        EXPECT_EQ(state.currentPage, PageId::End);
        EXPECT_TRUE(answerer.seen().empty()) << "Finished! must not ask";
        if (files == 1) {
            EXPECT_EQ(verdict, "There is 1 file that need to be changed.\r\n\r\n"
                               "Click on Next to begin conversions of this file.");
            EXPECT_EQ(outcome, "Product patching complete!\r\n\r\n1 file patched.\r\n\r\n"
                               "Click on Back to patch other products, or click on Finished! to quit.");
        } else {
            EXPECT_EQ(verdict, "There are 2 files that need to be changed.\r\n\r\n"
                               "Click on Next to begin conversions of these files.");
            EXPECT_EQ(outcome, "Product patching complete!\r\n\r\n2 files patched.\r\n\r\n"
                               "Click on Back to patch other products, or click on Finished! to quit.");
        }
        EXPECT_EQ(label, "Finished!");
        for (int i = 0; i < files; ++i)
            EXPECT_EQ(qvtest::readFile(dir.file("part" + std::to_string(i) + ".ini")),
                      std::string("host=") + serviceHostName + "\r\n");
        EXPECT_EQ(qvtest::readFile(dir.file("other.ini")), "host=localhost\r\n");
    }
}

TEST_F(JobPagesGui, ReadOnlyFileStopsTheRewriteAndDoneSaysWhy) {
    qvtest::TempDir dir;
    const std::string original = "server=" + qvtest::addressBytes() + "\r\n";
    for (const char* name : {"A.INI", "B.INI", "C.INI"})
        ASSERT_TRUE(qvtest::writeFile(dir.file(name), original));
    ASSERT_TRUE(SetFileAttributesA(dir.file("B.INI").c_str(), FILE_ATTRIBUTE_READONLY));
    setDirectory(dir.path());
    state.productIndex = 1;
    state.product = &ProductTable[1];

    std::string verdict, outcome, label;
    BoxAnswerer answerer(IDNO);
    ScriptedUser user(state, {
                                 {setDirScreen, [](HWND page) { click(page, IDC_NEXT); }},
                                 {scanScreen, [](HWND) {}, true},
                                 {resultsScreen,
                                  [&](HWND page) {
                                      verdict = itemText(page, IDC_BODY);
                                      click(page, IDC_NEXT);
                                  }},
                                 {patchingScreen, [](HWND) {}, true},
                                 {doneScreen,
                                  [&](HWND page) {
                                      outcome = itemText(page, IDC_BODY);
                                      label = itemText(page, IDC_EXIT);
                                      shot(page, "10-done-read-only-file");
                                      click(page, IDC_EXIT);
                                  }},
                             });
    const std::vector<PageEntry> table = tableStartingAt(PageId::SetDir);
    user.run(table.data(), 20000);
    SetFileAttributesA(dir.file("B.INI").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_FALSE(user.timedOut()) << user.stepsLeft();
    EXPECT_TRUE(answerer.seen().empty()) << "Exit on DONE must not ask";
    EXPECT_EQ(state.currentPage, PageId::End);

    EXPECT_EQ(verdict, "There are 3 files that need to be changed.\r\n\r\n"
                       "Click on Next to begin conversions of these files.");
    EXPECT_EQ(outcome, "Unable to open file \"" + dir.file("B.INI") + "\" for writing!");
    EXPECT_EQ(label, "Exit");
    EXPECT_EQ(qvtest::readFile(dir.file("A.INI")), original) << "all or nothing: A.INI waited for B.INI";
    EXPECT_EQ(qvtest::readFile(dir.file("B.INI")), original);
    EXPECT_EQ(qvtest::readFile(dir.file("C.INI")), original);
    int entries = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir.path() + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
            ++entries;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(entries, 3) << "no temporary file may stay behind";
}

TEST_F(JobPagesGui, BackDuringALongScanThenANewScanFromTheStart) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(dir.path(), &error)) << error;
    setDirectory(dir.path());
    state.productIndex = 8;
    state.product = &ProductTable[8];

    int32_t statusOnScan = 0, statusAfterBack = 0, visitedBeforeBack = -1, matchedBeforeBack = -1;
    std::string verdict;
    SlowDisk slow(150); // seven files to open: about a second of scanning
    BoxAnswerer answerer(IDYES);
    ScriptedUser user(state, {
                                 {setDirScreen, [](HWND page) { click(page, IDC_NEXT); }},
                                 {scanScreen,
                                  [&](HWND page) {
                                      statusOnScan = state.job.status;
                                      visitedBeforeBack = state.job.filesVisited;
                                      matchedBeforeBack = state.job.filesMatched;
                                      click(page, IDC_BACK);
                                  }},
                                 {setDirScreen,
                                  [&](HWND page) {
                                      statusAfterBack = state.job.status;
                                      click(page, IDC_NEXT);
                                  }},
                                 {scanScreen, [](HWND) {}, true},
                                 {resultsScreen,
                                  [&](HWND page) {
                                      verdict = itemText(page, IDC_BODY);
                                      click(page, IDC_EXIT);
                                  }},
                             });
    const std::vector<PageEntry> table = tableStartingAt(PageId::SetDir);
    user.run(table.data(), 30000);
    ASSERT_FALSE(user.timedOut()) << user.stepsLeft();

    EXPECT_EQ(statusOnScan, Running) << "the scan had ended before Back could be clicked";
    EXPECT_LT(visitedBeforeBack, qvtest::GameInstallEntries);
    EXPECT_LT(matchedBeforeBack, qvtest::GameInstallMatches);
    EXPECT_NE(statusAfterBack, Running) << "Back must abandon the run";
    EXPECT_EQ(verdict,
              "There are 5 files that need to be changed.\r\n\r\nClick on Next to begin conversions of these files.");
    EXPECT_EQ(state.job.filesVisited, qvtest::GameInstallEntries);
    EXPECT_EQ(state.job.filesMatched, qvtest::GameInstallMatches);
    EXPECT_EQ(problemsText(qvtest::checkGameInstall(dir.path(), false)), "");
}

TEST_F(JobPagesGui, CloseBoxOnPatchingAsksFirst) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(dir.path(), &error)) << error;
    setDirectory(dir.path());
    state.productIndex = 5;
    state.product = &ProductTable[5];

    // No: the rewrite goes on to DONE.
    {
        SlowDisk slow(100);
        BoxAnswerer answerer(IDNO);
        std::string outcome;
        size_t boxesOnPatching = 0;
        bool stayed = false;
        ScriptedUser user(state, {
                                     {setDirScreen, [](HWND page) { click(page, IDC_NEXT); }},
                                     {scanScreen, [](HWND) {}, true},
                                     {resultsScreen, [](HWND page) { click(page, IDC_NEXT); }},
                                     {patchingScreen,
                                      [&](HWND page) {
                                          SendMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
                                          boxesOnPatching = answerer.seen().size();
                                          stayed = IsWindowVisible(page) && state.pageDone == 0;
                                      }},
                                     {doneScreen,
                                      [&](HWND page) {
                                          outcome = itemText(page, IDC_BODY);
                                          click(page, IDC_EXIT);
                                      }},
                                 });
        const std::vector<PageEntry> table = tableStartingAt(PageId::SetDir);
        user.run(table.data(), 30000);
        ASSERT_FALSE(user.timedOut()) << user.stepsLeft();
        ASSERT_EQ(boxesOnPatching, 1u);
        EXPECT_EQ(answerer.seen()[0].text, exitQuestion);
        EXPECT_TRUE(stayed);
        EXPECT_EQ(outcome, "Product patching complete!\r\n\r\n5 files patched.\r\n\r\n"
                           "Click on Back to patch other products, or click on Finished! to quit.");
        EXPECT_EQ(problemsText(qvtest::checkGameInstall(dir.path(), true)), "");
    }

    // Yes: the wizard ends between two slices; the entry routine's clean-up
    // leaves every file whole, old or new, and no temporary file.
    qvtest::TempDir second;
    ASSERT_TRUE(qvtest::makeGameInstall(second.path(), &error)) << error;
    setDirectory(second.path());
    {
        SlowDisk slow(100);
        BoxAnswerer answerer(IDYES);
        int32_t statusWhenClosed = 0;
        ScriptedUser user(state, {
                                     {setDirScreen, [](HWND page) { click(page, IDC_NEXT); }},
                                     {scanScreen, [](HWND) {}, true},
                                     {resultsScreen, [](HWND page) { click(page, IDC_NEXT); }},
                                     {patchingScreen,
                                      [&](HWND page) {
                                          statusWhenClosed = state.job.status;
                                          SendMessageA(page, WM_SYSCOMMAND, SC_CLOSE, 0);
                                      }},
                                 });
        const std::vector<PageEntry> table = tableStartingAt(PageId::SetDir);
        user.run(table.data(), 30000);
        ASSERT_FALSE(user.timedOut()) << user.stepsLeft();
        EXPECT_EQ(statusWhenClosed, Running);
        EXPECT_EQ(answerer.seen().size(), 1u);
        EXPECT_EQ(state.currentPage, PageId::End);
    }
    state.releaseHeld();
    int whole = 0;
    for (const qvtest::InstallFile& file : qvtest::gameInstallFiles()) {
        if (file.name == "Maps")
            continue;
        const std::string bytes = qvtest::readFile(second.file(file.name));
        EXPECT_TRUE(bytes == file.bytes || bytes == qvtest::patchedBytes(file)) << file.name;
        ++whole;
    }
    EXPECT_EQ(whole, qvtest::GameInstallEntries - 1);
    int entries = 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((second.path() + "\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
            ++entries;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    EXPECT_EQ(entries, qvtest::GameInstallEntries);
}

} // namespace
