// PageDriverTest.cpp - the page table and the driver's walk through it, with
// a host that plays the pages instead of showing dialogs.
#include "PageDriver.h"
#include "AppPlatform.h"
#include "AppState.h"
#include "PageHost.h"
#include "PageTable.h"
#include "PatchPages.h"
#include "QvTestKit.h"
#include "ScanPages.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

intptr_t QV_PAGE_CALLBACK someProcedure(void*, uint32_t, uintptr_t, intptr_t) { return 0; }

// What the fake host saw, and what each page does when it runs.
struct Played {
    std::vector<std::string> events;
    std::function<void(AppState&, int32_t pageId)> page; // a modal page, or a modeless page's creation
    int idleCalls = 0;
    bool failModal = false;
    bool failModeless = false;
};
Played played;
std::vector<std::string> errorBoxes;
int fakeWindow = 0;

int fakeRunModal(AppState& state, const PageEntry& row) {
    played.events.push_back(std::string("modal ") + row.templateName);
    if (played.failModal)
        return -1;
    state.pageDone = 0;
    played.page(state, row.pageId);
    return 0;
}

void* fakeOpenModeless(AppState& state, const PageEntry& row) {
    played.events.push_back(std::string("modeless ") + row.templateName);
    if (played.failModeless)
        return nullptr;
    state.pageDone = 0;
    played.page(state, row.pageId);
    return &fakeWindow;
}

void fakeClose(void* window) {
    EXPECT_EQ(window, &fakeWindow);
    played.events.push_back("close");
}

void fakeEndDialog(void* window) {
    EXPECT_EQ(window, &fakeWindow);
    played.events.push_back("end");
}

void fakePump() { played.events.push_back("pump"); }
void fakeSleep(uint32_t milliseconds) { EXPECT_EQ(milliseconds, 1u); }

int recordError(void* owner, const char* caption, const char* text, uint32_t style) {
    EXPECT_EQ(owner, nullptr);
    EXPECT_STREQ(caption, "Quorvel [1.0.1r-2]");
    EXPECT_EQ(style, static_cast<uint32_t>(AppBoxError));
    errorBoxes.push_back(text);
    return AppAnswerOk;
}

class PageDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        played = Played{};
        errorBoxes.clear();
        pageHost = {fakeRunModal, fakeOpenModeless, fakeClose, fakeEndDialog, fakePump, fakeSleep};
        appMessageBoxHook = recordError;
    }
    void TearDown() override {
        pageHost = platformPageHost;
        appMessageBoxHook = nullptr;
    }
    AppState state;
};

// Pages 0 to 2 of a small wizard, with a modeless page 2 whose idle step
// counts; the end row follows.
void countIdle(AppState& state) {
    ++played.idleCalls;
    if (played.idleCalls == 3) {
        state.pageDone = 1;
        state.currentPage = PageId::End;
    }
}
const PageEntry smallTable[] = {
    {0, 1, "FIRST", someProcedure, noIdleStep},
    {1, 1, "SECOND", someProcedure, noIdleStep},
    {2, 0, "WORK", someProcedure, countIdle},
    {-1, 0, nullptr, nullptr, nullptr},
};

TEST(PageTableRows, TwelvePagesInIdOrderThenTheEndRow) {
    const char* names[] = {"TITLE",  "README", "EULA",        "VENDER",       "ARCAVIA", "SELECTPRODUCT",
                           "SETDIR", "SCAN",   "SCANRESULTS", "CONVERTFILES", "DONE",    "MAIN"};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(PageTable[i].pageId, i);
        EXPECT_STREQ(PageTable[i].templateName, names[i]);
        bool working = i == PageId::Scan || i == PageId::ConvertFiles;
        EXPECT_EQ(PageTable[i].modal, working ? 0 : 1) << names[i];
        IdleStep expected = i == PageId::Scan ? scanIdleStep : i == PageId::ConvertFiles ? convertIdleStep : noIdleStep;
        EXPECT_EQ(PageTable[i].idleStep, expected) << names[i];
        EXPECT_EQ(findPageEntry(PageTable, i), &PageTable[i]);
    }
    EXPECT_EQ(PageTable[12].pageId, -1);
    EXPECT_EQ(PageTable[12].templateName, nullptr);
    EXPECT_EQ(PageTable[12].procedure, nullptr);
    EXPECT_EQ(PageTable[12].idleStep, nullptr);
}

TEST(PageTableRows, LookUpStopsAtTheEndRowWithoutComparingItsId) {
    EXPECT_EQ(findPageEntry(PageTable, -1), nullptr);
    EXPECT_EQ(findPageEntry(PageTable, 12), nullptr);
    EXPECT_EQ(findPageEntry(nullptr, 0), nullptr);
    const PageEntry endFirst[] = {{0, 1, nullptr, someProcedure, noIdleStep}};
    EXPECT_EQ(findPageEntry(endFirst, 0), nullptr);
}

TEST_F(PageDriverTest, WalksModalPagesUntilAPageLeavesMinusOne) {
    // FIRST leads to SECOND, which goes back once and then ends the wizard.
    int secondVisits = 0;
    played.page = [&secondVisits](AppState& s, int32_t id) {
        s.currentPage = id == 0 ? 1 : secondVisits++ == 0 ? 0 : -1;
        s.pageDone = 1;
    };
    runPagesFrom(state, smallTable);
    EXPECT_EQ(played.events, (std::vector<std::string>{"modal FIRST", "modal SECOND", "modal FIRST", "modal SECOND"}));
    EXPECT_EQ(state.currentPage, -1);
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(PageDriverTest, AnIdOutsideTheTableEndsTheWizardQuietly) {
    for (int32_t leaves : {-1, 3, 12, -7}) {
        played.events.clear();
        played.page = [leaves](AppState& s, int32_t) { s.currentPage = leaves; };
        runPagesFrom(state, smallTable);
        EXPECT_EQ(played.events, std::vector<std::string>{"modal FIRST"}) << leaves;
    }
    EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(PageDriverTest, StartsAtPageZeroWhateverCurrentPageHeld) {
    state.currentPage = 1;
    played.page = [](AppState& s, int32_t) { s.currentPage = -1; };
    runPagesFrom(state, smallTable);
    EXPECT_EQ(played.events, std::vector<std::string>{"modal FIRST"});
}

TEST_F(PageDriverTest, ARowWithoutProcedureEndsTheWizard) {
    const PageEntry table[] = {
        {0, 1, "FIRST", someProcedure, noIdleStep},
        {1, 1, "PENDING", nullptr, noIdleStep},
        {-1, 0, nullptr, nullptr, nullptr},
    };
    played.page = [](AppState& s, int32_t) { s.currentPage = 1; };
    runPagesFrom(state, table);
    EXPECT_EQ(played.events, std::vector<std::string>{"modal FIRST"});
    EXPECT_EQ(state.currentPage, 1);
    EXPECT_TRUE(errorBoxes.empty());
    // An empty table runs nothing.
    const PageEntry empty[] = {{-1, 0, nullptr, nullptr, nullptr}};
    runPagesFrom(state, empty);
    EXPECT_EQ(played.events.size(), 1u);
}

TEST_F(PageDriverTest, AModalPageThatCannotBeMadeIsReportedOnce) {
    played.failModal = true;
    runPagesFrom(state, smallTable);
    EXPECT_EQ(played.events, std::vector<std::string>{"modal FIRST"});
    EXPECT_EQ(errorBoxes, std::vector<std::string>{"Error!  Cannot create FIRST dialog box!"});
}

TEST_F(PageDriverTest, ModelessPageRunsIdleStepsUntilDoneThenIsClosed) {
    played.page = [](AppState& s, int32_t id) {
        if (id < 2) {
            s.currentPage = id + 1;
            s.pageDone = 1;
        }
    };
    runPagesFrom(state, smallTable);
    EXPECT_EQ(played.idleCalls, 3);
    // Shown, drained once, then idle step + sleep + drain per pass.
    EXPECT_EQ(played.events, (std::vector<std::string>{"modal FIRST", "modal SECOND", "modeless WORK", "pump", "pump",
                                                       "pump", "pump", "close"}));
    EXPECT_EQ(state.modelessPage, nullptr);
    EXPECT_EQ(state.currentPage, -1);
}

TEST_F(PageDriverTest, ModelessPageEndedAtCreationGetsNoIdleStep) {
    played.page = [](AppState& s, int32_t id) {
        s.currentPage = id == 2 ? -1 : id + 1;
        s.pageDone = 1;
    };
    runPagesFrom(state, smallTable);
    EXPECT_EQ(played.idleCalls, 0);
    EXPECT_EQ(played.events.back(), "close");
}

TEST_F(PageDriverTest, ModelessPageThatCannotBeMadeEndsTheWizardWithItsName) {
    played.failModeless = true;
    played.page = [](AppState& s, int32_t id) { s.currentPage = id + 1; };
    runPagesFrom(state, smallTable);
    EXPECT_EQ(errorBoxes, std::vector<std::string>{"Error!  Cannot create WORK dialog box!"});
    EXPECT_EQ(state.modelessPage, nullptr);
}

// The working pages' idle steps over a real job.
class IdleStepTest : public PageDriverTest {
protected:
    void startJob(const std::string& directory, int convert) {
        state.job.init(&ZephMemManagerGlobal);
        state.job.setDirectory(directory.c_str());
        state.job.setOldString("198.51.100.117");
        state.job.setNewString("games.qv.test");
        state.job.convert = convert;
        state.job.start();
        state.modelessPage = &fakeWindow;
        state.pageDone = 0;
        state.currentPage = convert ? PageId::ConvertFiles : PageId::Scan;
    }
    void TearDown() override {
        state.job.clear();
        PageDriverTest::TearDown();
    }
};

TEST_F(IdleStepTest, ScanEndsThePageForScanResultsWhenTheRunEnds) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("GAME.INI"), "server=198.51.100.117\r\n"));
    startJob(dir.path(), 0);
    int passes = 0;
    while (state.pageDone == 0 && passes < 1000) {
        scanIdleStep(state);
        ++passes;
    }
    EXPECT_EQ(state.pageDone, 1u);
    EXPECT_EQ(state.currentPage, PageId::ScanResults);
    EXPECT_EQ(state.job.status, Finished);
    EXPECT_EQ(state.job.filesMatched, 1);
    EXPECT_EQ(played.events, std::vector<std::string>{"end"});
}

TEST_F(IdleStepTest, ConvertEndsThePageForDone) {
    qvtest::TempDir dir;
    ASSERT_TRUE(qvtest::writeFile(dir.file("GAME.CFG"), "198.51.100.117"));
    startJob(dir.path(), 1);
    for (int passes = 0; state.pageDone == 0 && passes < 1000; ++passes)
        convertIdleStep(state);
    EXPECT_EQ(state.currentPage, PageId::Done);
    EXPECT_EQ(qvtest::readFile(dir.file("GAME.CFG")), "games.qv.test");
}

TEST_F(IdleStepTest, AJobThatNeverStartedEndsTheScanAtTheFirstStep) {
    startJob("", 0); // the start fails: no directory
    ASSERT_EQ(state.job.status, Failed);
    scanIdleStep(state);
    EXPECT_EQ(state.pageDone, 1u);
    EXPECT_EQ(state.currentPage, PageId::ScanResults);
    EXPECT_STREQ(state.job.message, "<directory> member is empty!");
}

TEST_F(IdleStepTest, NoIdleStepChangesNothing) {
    state.currentPage = 4;
    noIdleStep(state);
    EXPECT_EQ(state.currentPage, 4);
    EXPECT_EQ(state.pageDone, 0u);
    EXPECT_TRUE(played.events.empty());
}

} // namespace
