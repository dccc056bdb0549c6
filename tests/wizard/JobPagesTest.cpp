// JobPagesTest.cpp - the logic of SELECTPRODUCT, SETDIR, SCAN, SCANRESULTS,
// CONVERTFILES and DONE, without windows: what each page shows and enables,
// where Back and Next lead, and the job runs they start.
#include "AppState.h"
#include "JobTexts.h"
#include "PageFrame.h"
#include "PageTable.h"
#include "PatchPages.h"
#include "ProductPages.h"
#include "ProductTable.h"
#include "ScanPages.h"
#include "WizardStrings.h"
#include "resource.h"

#include "QvInstallDir.h"
#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

const int32_t commonButtons[] = {IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_NEXT, IDC_EXIT};

// A state as the pages before SELECTPRODUCT leave it.
void arriveWithChannel(AppState& state, int32_t channel) {
    state.agreed = 1;
    state.purchaseChannel = channel;
    state.productIndex = -1;
    state.product = nullptr;
}

PageView viewOf(const PageLogic& page, AppState& state) {
    PageView view;
    PageFrame::describe(page, state, view);
    return view;
}

FrameAction click(const PageLogic& page, AppState& state, int32_t id) {
    state.pageDone = 0;
    return PageFrame::command(page, state, id, 0);
}

// A working page's progress bar: done and total.
std::pair<int32_t, int32_t> progressOf(const PageLogic& page, const AppState& state) {
    PageView view;
    page.setProgress(state, view);
    EXPECT_EQ(view.progress.id, IDC_PROGRESS);
    return {view.progress.done, view.progress.total};
}

// Steps the job as the working pages' idle steps do, until its run ends.
void runJob(AppState& state) {
    for (int slices = 0; state.job.status == Running && slices < 100000; ++slices)
        state.job.step(100);
}

} // namespace

// --- SELECTPRODUCT ---------------------------------------------------------

TEST(SelectProductPage, ComingBackShowsNoProductChosen) {
    AppState state;
    arriveWithChannel(state, PurchaseChannel::BoxCopy);
    state.productIndex = 4;
    state.product = findProduct(ProductTable, 4);
    state.currentPage = PageId::SelectProduct;
    const PageView view = viewOf(selectProductPage, state);
    EXPECT_EQ(state.productIndex, -1);
    EXPECT_EQ(state.product, nullptr);
    EXPECT_STREQ(view.textOf(IDC_HEADING), "Product selection screen");
    EXPECT_STREQ(view.textOf(IDC_BODY), "Select one of the products below and click on Next.");
    EXPECT_EQ(view.enabledOf(IDC_NEXT), 0);
    for (int32_t id : {IDC_HEADING, IDC_BODY, IDC_PRODUCT_LIST, IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT})
        EXPECT_EQ(view.enabledOf(id), 1) << id;

    // Next without a product does nothing.
    EXPECT_EQ(click(selectProductPage, state, IDC_NEXT), FrameAction::None);
    EXPECT_EQ(state.currentPage, PageId::SelectProduct);
    EXPECT_EQ(state.pageDone, 0u);
}

TEST(SelectProductPage, NextFillsTheChannelsFolderEveryTime) {
    struct Case {
        int32_t channel;
        const char* directoryBefore;
        const char* directoryAfter;
    } cases[] = {
        {PurchaseChannel::BoxCopy, "", "C:\\Program Files\\Quellsoft\\Talon INT"},
        {PurchaseChannel::DownloadStore, "D:\\typed earlier", "C:\\Talon Interceptor"},
        // No folder for other channels: the directory stays.
        {PurchaseChannel::SubscriptionStore, "D:\\kept", "D:\\kept"},
        {PurchaseChannel::None, "D:\\kept", "D:\\kept"},
    };
    for (const Case& c : cases) {
        AppState state;
        arriveWithChannel(state, c.channel);
        std::snprintf(state.directory, sizeof state.directory, "%s", c.directoryBefore);
        state.currentPage = PageId::SelectProduct;
        viewOf(selectProductPage, state);
        selectProductAt(state, 2);
        EXPECT_EQ(PageFrame::command(selectProductPage, state, IDC_PRODUCT_LIST, ProductListSelectionChanged),
                  FrameAction::Refresh);
        PageView view;
        PageFrame::describeRefresh(selectProductPage, state, view);
        EXPECT_EQ(view.enabledOf(IDC_NEXT), 1);
        EXPECT_EQ(click(selectProductPage, state, IDC_NEXT), FrameAction::EndDialog);
        EXPECT_EQ(state.currentPage, PageId::SetDir);
        EXPECT_EQ(state.pageDone, 1u);
        EXPECT_STREQ(state.directory, c.directoryAfter) << "channel " << c.channel;
    }
}

TEST(SelectProductPage, DoubleClickGoesStraightOnOnlyWithAProduct) {
    AppState state;
    arriveWithChannel(state, PurchaseChannel::DownloadStore);
    state.currentPage = PageId::SelectProduct;
    viewOf(selectProductPage, state);

    // A double click beside the titles leaves no selection: the page stays.
    selectProductAt(state, -1);
    EXPECT_EQ(PageFrame::command(selectProductPage, state, IDC_PRODUCT_LIST, ProductListDoubleClicked),
              FrameAction::Refresh);
    EXPECT_EQ(state.currentPage, PageId::SelectProduct);

    selectProductAt(state, 10);
    EXPECT_EQ(PageFrame::command(selectProductPage, state, IDC_PRODUCT_LIST, ProductListDoubleClicked),
              FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::SetDir);
    EXPECT_STREQ(state.directory, "C:\\Shadow Unit Field Ops");

    // Other list notifications (focus, cancelled selection) are not the page's.
    EXPECT_EQ(PageFrame::command(selectProductPage, state, IDC_PRODUCT_LIST, 3), FrameAction::Unhandled);
}

TEST(SelectProductPage, BackLeadsToVender) {
    AppState state;
    arriveWithChannel(state, PurchaseChannel::BoxCopy);
    state.currentPage = PageId::SelectProduct;
    viewOf(selectProductPage, state);
    EXPECT_EQ(click(selectProductPage, state, IDC_BACK), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::Vender);
    EXPECT_EQ(state.purchaseChannel, PurchaseChannel::BoxCopy);
}

// --- SETDIR ----------------------------------------------------------------

TEST(SetDirPage, NextIsEnabledExactlyWithADirectory) {
    AppState state;
    arriveWithChannel(state, PurchaseChannel::BoxCopy);
    selectProductAt(state, 2);
    std::snprintf(state.directory, sizeof state.directory, "C:\\Program Files\\Quellsoft\\Talon INT");
    state.currentPage = PageId::SetDir;
    PageView view = viewOf(setDirPage, state);
    EXPECT_STREQ(view.textOf(IDC_HEADING), "Product : Talon Interceptor");
    EXPECT_STREQ(view.textOf(IDC_BODY),
                 "Select the directory where your game is installed then click on Next to scan the directory.");
    EXPECT_STREQ(view.textOf(IDC_DIRECTORY), "C:\\Program Files\\Quellsoft\\Talon INT");
    EXPECT_STREQ(view.textOf(IDC_BROWSE), "Browse...");
    EXPECT_EQ(view.enabledOf(IDC_NEXT), 1);

    // Clearing the edit disables Next, and Next then does nothing.
    EXPECT_TRUE(takeDirectoryText(state, ""));
    PageView cleared;
    PageFrame::describeRefresh(setDirPage, state, cleared);
    EXPECT_EQ(cleared.enabledOf(IDC_NEXT), 0);
    EXPECT_EQ(click(setDirPage, state, IDC_NEXT), FrameAction::None);
    EXPECT_EQ(state.currentPage, PageId::SetDir);
    EXPECT_EQ(state.job.status, Idle);

    // One character enables it again; the same text again changes nothing;
    // a change of case is a change.
    EXPECT_TRUE(takeDirectoryText(state, "c"));
    PageView typed;
    PageFrame::describeRefresh(setDirPage, state, typed);
    EXPECT_EQ(typed.enabledOf(IDC_NEXT), 1);
    EXPECT_FALSE(takeDirectoryText(state, "c"));
    EXPECT_TRUE(takeDirectoryText(state, "C"));
    EXPECT_FALSE(takeDirectoryText(state, nullptr));
    EXPECT_STREQ(state.directory, "C");
}

TEST(SetDirPage, OverlongEditTextIsCutToTheDirectory) {
    AppState state;
    const std::string text(2000, 'd');
    EXPECT_TRUE(takeDirectoryText(state, text.c_str()));
    EXPECT_EQ(std::string(state.directory), text.substr(0, sizeof state.directory - 1));
}

TEST(SetDirPage, NextStartsACountingRunOfTheDirectory) {
    qvtest::TempDir dir;
    AppState state;
    arriveWithChannel(state, PurchaseChannel::BoxCopy);
    std::snprintf(state.directory, sizeof state.directory, "%s", dir.path().c_str());
    state.currentPage = PageId::SetDir;
    viewOf(setDirPage, state);
    EXPECT_EQ(click(setDirPage, state, IDC_NEXT), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::Scan);
    EXPECT_EQ(state.pageDone, 1u);
    EXPECT_EQ(state.job.status, Running);
    EXPECT_EQ(state.job.convert, 0);
    EXPECT_EQ(state.job.saveAsNew, 0);
    EXPECT_STREQ(state.job.directory, dir.path().c_str());
    EXPECT_STREQ(state.job.oldstring, legacyServerAddress);
    EXPECT_STREQ(state.job.newstring, serviceHostName);

    EXPECT_EQ(click(setDirPage, state, IDC_BACK), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::SelectProduct);
}

// --- SCAN ------------------------------------------------------------------

TEST(ScanPage, OnlyBackReactsAndItAbandonsTheRun) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(dir.path(), &error)) << error;
    AppState state;
    std::snprintf(state.directory, sizeof state.directory, "%s", dir.path().c_str());
    state.currentPage = PageId::SetDir;
    click(setDirPage, state, IDC_NEXT);

    const PageView view = viewOf(scanPage, state);
    EXPECT_STREQ(view.textOf(IDC_HEADING), "Scanning files...");
    EXPECT_EQ(view.enabledOf(IDC_HEADING), 1);
    EXPECT_EQ(view.enabledOf(IDC_BACK), 1);
    for (int32_t id : {IDC_ABOUT, IDC_READ_ME, IDC_NEXT, IDC_EXIT}) {
        EXPECT_EQ(view.enabledOf(id), 0) << id;
        EXPECT_EQ(click(scanPage, state, id), FrameAction::None) << id;
    }
    EXPECT_EQ(state.currentPage, PageId::Scan);
    EXPECT_EQ(PageFrame::closeRequest(scanPage, state), FrameAction::AskExit);

    // Part way through the run (one action: the listing).
    state.job.step(0);
    ASSERT_EQ(state.job.status, Running);
    EXPECT_EQ(click(scanPage, state, IDC_BACK), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::SetDir);
    EXPECT_NE(state.job.status, Running);
    EXPECT_EQ(state.job.dirList, nullptr);

    // A new Next on SETDIR scans from the beginning.
    click(setDirPage, state, IDC_NEXT);
    EXPECT_EQ(state.job.filesVisited, 0);
    runJob(state);
    EXPECT_EQ(state.job.status, Finished);
    EXPECT_EQ(state.job.filesVisited, qvtest::GameInstallEntries);
    EXPECT_EQ(state.job.filesMatched, qvtest::GameInstallMatches);
}

// --- SCANRESULTS -----------------------------------------------------------

TEST(ScanResultsPage, NextOnlyWithFilesToChange) {
    struct Case {
        int32_t status, matched, visited;
        bool next;
    } cases[] = {
        {Finished, 1, 1, true},  {Finished, 2, 5, true}, {Finished, 0, 5, false},
        {Finished, 0, 0, false}, {Failed, 3, 3, false},  {Running, 3, 3, false},
    };
    for (const Case& c : cases) {
        AppState state;
        selectProductAt(state, 0);
        std::snprintf(state.directory, sizeof state.directory, "C:\\Kestrel Strike");
        state.job.status = c.status;
        state.job.filesMatched = c.matched;
        state.job.filesVisited = c.visited;
        state.currentPage = PageId::ScanResults;
        const PageView view = viewOf(scanResultsPage, state);
        EXPECT_STREQ(view.textOf(IDC_FIRST_LINE), "Scan results for \"Kestrel Strike\":");
        EXPECT_STREQ(view.textOf(IDC_SECOND_LINE), "Directory: C:\\Kestrel Strike");
        EXPECT_EQ(view.enabledOf(IDC_NEXT), c.next ? 1 : 0);
        for (int32_t id : {IDC_ABOUT, IDC_READ_ME, IDC_BACK, IDC_EXIT, IDC_BODY})
            EXPECT_EQ(view.enabledOf(id), 1);
        if (!c.next) {
            EXPECT_EQ(click(scanResultsPage, state, IDC_NEXT), FrameAction::None);
            EXPECT_EQ(state.currentPage, PageId::ScanResults);
            EXPECT_EQ(state.job.status, c.status); // no run started
        }
    }
}

TEST(ScanResultsPage, FailedRunShowsItsMessageAsItStands) {
    AppState state;
    std::snprintf(state.directory, sizeof state.directory, "%s", "C:\\100% %s Games");
    state.currentPage = PageId::SetDir;
    click(setDirPage, state, IDC_NEXT); // a directory that does not exist
    runJob(state);
    ASSERT_EQ(state.job.status, Failed);
    state.currentPage = PageId::ScanResults;
    const PageView view = viewOf(scanResultsPage, state);
    EXPECT_EQ(std::string(view.textOf(IDC_BODY)), "We were unable to scan the directory \"C:\\100% %s Games\"!\r\n\r\n"
                                                  "Please click Back and select a different directory and try again.");
    EXPECT_STREQ(view.textOf(IDC_SECOND_LINE), "Directory: C:\\100% %s Games");
    EXPECT_EQ(view.enabledOf(IDC_NEXT), 0);
    EXPECT_EQ(click(scanResultsPage, state, IDC_BACK), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::SetDir);
}

// --- CONVERTFILES and DONE -------------------------------------------------

TEST(ConvertFilesPage, NoButtonReactsAndTheCloseBoxAsks) {
    AppState state;
    state.currentPage = PageId::ConvertFiles;
    const PageView view = viewOf(convertFilesPage, state);
    EXPECT_STREQ(view.textOf(IDC_HEADING), "Patching files...");
    EXPECT_EQ(view.enabledOf(IDC_HEADING), 1);
    for (int32_t id : commonButtons) {
        EXPECT_EQ(view.enabledOf(id), 0) << id;
        EXPECT_EQ(click(convertFilesPage, state, id), FrameAction::None) << id;
    }
    EXPECT_EQ(state.currentPage, PageId::ConvertFiles);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_EQ(PageFrame::closeRequest(convertFilesPage, state), FrameAction::AskExit);
}

TEST(DonePage, ExitAndCloseEndTheWizardWithoutAsking) {
    for (bool viaCloseBox : {false, true}) {
        AppState state;
        state.job.status = Finished;
        state.job.filesMatched = 1;
        state.job.filesVisited = 1;
        state.currentPage = PageId::Done;
        const PageView view = viewOf(donePage, state);
        EXPECT_STREQ(view.textOf(IDC_EXIT), "Finished!");
        EXPECT_EQ(view.enabledOf(IDC_NEXT), 0);
        EXPECT_EQ(click(donePage, state, IDC_NEXT), FrameAction::None);
        const FrameAction action =
            viaCloseBox ? PageFrame::closeRequest(donePage, state) : click(donePage, state, IDC_EXIT);
        EXPECT_EQ(action, FrameAction::EndDialog);
        EXPECT_EQ(state.currentPage, PageId::End);
        EXPECT_EQ(state.pageDone, 1u);
    }
}

TEST(DonePage, BackClearsChannelAndProductOnly) {
    AppState state;
    state.agreed = 1;
    state.purchaseChannel = PurchaseChannel::DownloadStore;
    selectProductAt(state, 3);
    std::snprintf(state.directory, sizeof state.directory, "C:\\Stormcrow");
    state.job.status = Failed;
    state.job.setMessage("Unable to open file \"C:\\Stormcrow\\B.INI\" for writing!");
    state.currentPage = PageId::Done;
    const PageView view = viewOf(donePage, state);
    EXPECT_STREQ(view.textOf(IDC_FIRST_LINE), "Patch results for \"Stormcrow\":");
    EXPECT_STREQ(view.textOf(IDC_BODY), "Unable to open file \"C:\\Stormcrow\\B.INI\" for writing!");
    EXPECT_STREQ(view.textOf(IDC_EXIT), "Exit");

    EXPECT_EQ(click(donePage, state, IDC_BACK), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::Vender);
    EXPECT_EQ(state.purchaseChannel, PurchaseChannel::None);
    EXPECT_EQ(state.productIndex, -1);
    EXPECT_EQ(state.product, nullptr);
    EXPECT_EQ(state.agreed, 1);
    EXPECT_STREQ(state.directory, "C:\\Stormcrow");
}

// --- The pages' logic in the wizard's order, over a generated directory ----

TEST(JobPagesRoad, ProductToDoneRewritesTheInstall) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(dir.path(), &error)) << error;

    AppState state;
    arriveWithChannel(state, PurchaseChannel::BoxCopy);
    state.currentPage = PageId::SelectProduct;
    viewOf(selectProductPage, state);
    selectProductAt(state, 5);
    ASSERT_EQ(click(selectProductPage, state, IDC_NEXT), FrameAction::EndDialog);
    ASSERT_EQ(state.currentPage, PageId::SetDir);

    viewOf(setDirPage, state);
    takeDirectoryText(state, dir.path().c_str());
    ASSERT_EQ(click(setDirPage, state, IDC_NEXT), FrameAction::EndDialog);
    ASSERT_EQ(state.currentPage, PageId::Scan);
    const std::pair<int32_t, int32_t> unknown{0, 0}, whole{qvtest::GameInstallEntries, qvtest::GameInstallEntries};
    EXPECT_EQ(progressOf(scanPage, state), unknown) << "no total before the listing";
    runJob(state);
    EXPECT_EQ(progressOf(scanPage, state), whole);
    state.currentPage = PageId::ScanResults; // what scanIdleStep does once the run ended

    PageView results = viewOf(scanResultsPage, state);
    EXPECT_EQ(std::string(results.textOf(IDC_BODY)),
              "There are 5 files that need to be changed.\r\n\r\nClick on Next to begin conversions of these files.");
    EXPECT_TRUE(qvtest::checkGameInstall(dir.path(), false).empty()); // counting changes nothing
    ASSERT_EQ(click(scanResultsPage, state, IDC_NEXT), FrameAction::EndDialog);
    ASSERT_EQ(state.currentPage, PageId::ConvertFiles);
    EXPECT_EQ(state.job.convert, 1);
    EXPECT_EQ(state.job.filesMatched, 0); // the scan's counts are gone
    EXPECT_EQ(progressOf(convertFilesPage, state), unknown);
    runJob(state);
    EXPECT_EQ(progressOf(convertFilesPage, state), whole);
    state.currentPage = PageId::Done;

    PageView done = viewOf(donePage, state);
    EXPECT_STREQ(done.textOf(IDC_FIRST_LINE), "Patch results for \"Shadow Unit\":");
    EXPECT_EQ(std::string(done.textOf(IDC_BODY)),
              "Product patching complete!\r\n\r\n5 files patched.\r\n\r\n"
              "Click on Back to patch other products, or click on Finished! to quit.");
    EXPECT_STREQ(done.textOf(IDC_EXIT), "Finished!");
    std::string problems;
    for (const std::string& p : qvtest::checkGameInstall(dir.path(), true))
        problems += p + "\n";
    EXPECT_EQ(problems, "");
}
