// ExpertPageTest.cpp - the expert page's logic without a window: what it
// enables while a run goes, what its edits and check box store, how Exit and
// the close box end it, and that its runs work on the application state's
// own fields (pageDone stopping them).
#include "ExpertPage.h"
#include "AppState.h"
#include "PageFrame.h"
#include "PageTable.h"
#include "ZephBuf.h"
#include "ZephMem.h"
#include "resource.h"

#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

const int32_t runControls[] = {IDC_DIRECTORY, IDC_BROWSE, IDC_OLD_STRING, IDC_NEW_STRING, IDC_SAVE_AS_NEW,
                               IDC_REPORT,    IDC_DO_IT,  IDC_ABOUT,      IDC_USAGE,      IDC_EXIT};

PageView viewOf(AppState& state) {
    PageView view;
    PageFrame::describe(expertPage, state, view);
    return view;
}

// The page as the glue drives it: the log as shown, the busy flag at every
// change, and a hook where the page would drain its messages.
class PageSink : public ExpertRunSink {
public:
    explicit PageSink(const AppState& state) : state_(state) {}
    std::vector<int32_t> busy;
    std::string shown;
    std::function<void()> onPump;

    void busyChanged() override { busy.push_back(state_.expertBusy); }
    void showLog(const ZephBuf& log) override { shown.assign(log.data, static_cast<size_t>(log.length)); }
    void pumpMessages() override {
        if (onPump)
            onPump();
    }

private:
    const AppState& state_;
};

class ExpertPageRun : public ::testing::Test {
protected:
    void SetUp() override {
        state.workBuffer.init(&ZephMemManagerGlobal, 8192);
        state.logBuffer.init(&ZephMemManagerGlobal, 8192);
        state.currentPage = PageId::Main;
        setField(state.directory, dir.path());
        setField(state.expertOldString, "alpha");
        setField(state.expertNewString, "omega");
    }
    void TearDown() override {
        expertPageTickCount = nullptr;
        state.releaseHeld();
    }
    static void setField(char (&field)[1024], const std::string& text) {
        ASSERT_LT(text.size(), sizeof field);
        std::copy(text.begin(), text.end(), field);
        field[text.size()] = '\0';
    }
    std::string log() const { return std::string(state.logBuffer.data, static_cast<size_t>(state.logBuffer.length)); }

    qvtest::TempDir dir;
    AppState state;
};

// Every reading is 30 ms after the one before: each scanned position shows
// the progress and drains the messages.
uint32_t fastClock() {
    static uint32_t now = 0;
    return now += 30;
}

} // namespace

TEST(ExpertPageView, TitleHasNoPageNameAndNoHeadingFont) {
    AppState state;
    const PageView view = viewOf(state);
    EXPECT_STREQ(expertPage.windowTitle, "Quorvel [1.0.1r-2]");
    EXPECT_EQ(expertPage.headingIds[0], 0);
    EXPECT_EQ(expertPage.headingIds[1], 0);
    EXPECT_STREQ(view.textOf(IDC_DESCRIPTION), ExpertDescriptionText);
}

TEST(ExpertPageView, ARunDisablesEverythingButTheLog) {
    AppState state;
    PageView idle = viewOf(state);
    for (int32_t id : runControls)
        EXPECT_EQ(idle.enabledOf(id), 1) << id;
    EXPECT_EQ(idle.enabledOf(IDC_LOG), 1);

    state.expertBusy = 1;
    PageView busy = viewOf(state);
    for (int32_t id : runControls)
        EXPECT_EQ(busy.enabledOf(id), 0) << id;
    EXPECT_EQ(busy.enabledOf(IDC_LOG), 1);
}

TEST(ExpertPageView, ControlsLoadFromTheState) {
    AppState state;
    std::strcpy(state.directory, "C:\\Games\\Old");
    std::strcpy(state.expertOldString, "10.0.0.1");
    std::strcpy(state.expertNewString, "games.example");
    PageView view;
    describeExpertFields(state, view);
    EXPECT_STREQ(view.textOf(IDC_DIRECTORY), "C:\\Games\\Old");
    EXPECT_STREQ(view.textOf(IDC_OLD_STRING), "10.0.0.1");
    EXPECT_STREQ(view.textOf(IDC_NEW_STRING), "games.example");
    EXPECT_EQ(view.markOf(IDC_SAVE_AS_NEW), 0);
    state.expertSaveAsNew = 1;
    PageView checked;
    describeExpertFields(state, checked);
    EXPECT_EQ(checked.markOf(IDC_SAVE_AS_NEW), 1);
}

TEST(ExpertPageCommands, EditsStoreTheirTextOnlyWhenItChanges) {
    AppState state;
    EXPECT_TRUE(takeExpertText(state, IDC_OLD_STRING, "Alpha"));
    EXPECT_STREQ(state.expertOldString, "Alpha");
    EXPECT_FALSE(takeExpertText(state, IDC_OLD_STRING, "Alpha"));
    // Exact comparison: a change of letter case is a change.
    EXPECT_TRUE(takeExpertText(state, IDC_OLD_STRING, "ALPHA"));
    EXPECT_TRUE(takeExpertText(state, IDC_NEW_STRING, "omega"));
    EXPECT_TRUE(takeExpertText(state, IDC_DIRECTORY, "D:\\x"));
    EXPECT_STREQ(state.expertNewString, "omega");
    EXPECT_STREQ(state.directory, "D:\\x");
    // Emptying an edit empties its field.
    EXPECT_TRUE(takeExpertText(state, IDC_NEW_STRING, ""));
    EXPECT_STREQ(state.expertNewString, "");
    // Other controls store nothing.
    EXPECT_FALSE(takeExpertText(state, IDC_LOG, "text"));
    EXPECT_FALSE(takeExpertText(state, IDC_OLD_STRING, nullptr));

    // 1023 characters fit whole; more are cut to the field.
    const std::string full(1023, 'x');
    EXPECT_TRUE(takeExpertText(state, IDC_OLD_STRING, full.c_str()));
    EXPECT_EQ(std::string(state.expertOldString), full);
    const std::string longer(1500, 'y');
    EXPECT_TRUE(takeExpertText(state, IDC_NEW_STRING, longer.c_str()));
    EXPECT_EQ(std::string(state.expertNewString), std::string(1023, 'y'));

    EXPECT_TRUE(takeExpertSaveAsNew(state, 1));
    EXPECT_EQ(state.expertSaveAsNew, 1);
    EXPECT_FALSE(takeExpertSaveAsNew(state, 1));
    EXPECT_TRUE(takeExpertSaveAsNew(state, 0));
    EXPECT_EQ(state.expertSaveAsNew, 0);
}

TEST(ExpertPageCommands, ExitAndTheCloseBoxEndTheProgramWithoutAQuestion) {
    AppState state;
    state.currentPage = PageId::Main;
    EXPECT_EQ(PageFrame::command(expertPage, state, IDC_EXIT, 0), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::End);
    EXPECT_EQ(state.pageDone, 1u);

    state.currentPage = PageId::Main;
    state.pageDone = 0;
    EXPECT_EQ(PageFrame::closeRequest(expertPage, state), FrameAction::EndDialog);
    EXPECT_EQ(state.currentPage, PageId::End);
    EXPECT_EQ(state.pageDone, 1u);

    // A close message ends the page and leaves currentPage alone.
    state.currentPage = PageId::Main;
    state.pageDone = 0;
    PageFrame::closePage(state);
    EXPECT_EQ(state.currentPage, PageId::Main);
    EXPECT_EQ(state.pageDone, 1u);

    // While a run goes the buttons are disabled and do nothing.
    state.pageDone = 0;
    state.expertBusy = 1;
    EXPECT_EQ(PageFrame::command(expertPage, state, IDC_EXIT, 0), FrameAction::None);
    EXPECT_EQ(PageFrame::command(expertPage, state, IDC_ABOUT, 0), FrameAction::None);
    EXPECT_EQ(state.pageDone, 0u);
    state.expertBusy = 0;
    EXPECT_EQ(PageFrame::command(expertPage, state, IDC_ABOUT, 0), FrameAction::ShowAbout);
    // The page's own controls are the glue's.
    EXPECT_EQ(PageFrame::command(expertPage, state, IDC_REPORT, 0), FrameAction::Unhandled);
    EXPECT_EQ(PageFrame::command(expertPage, state, IDC_DIRECTORY, 0x300), FrameAction::Unhandled);
}

TEST_F(ExpertPageRun, RunsOverTheStateFieldsWithTheBoxAndTheBusyFlag) {
    ASSERT_TRUE(qvtest::writeFile(dir.file("a.ini"), "x alpha y"));
    state.expertSaveAsNew = 1;
    PageSink sink(state);
    runExpert(state, 1, &sink);
    EXPECT_EQ(sink.busy, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(state.expertBusy, 0);
    const std::string target = dir.file("a.ini") + ".NEW";
    EXPECT_EQ(log(), "DO IT for directory \"" + dir.path() +
                         "\":\r\n\r\n"
                         "Scanning TEXT file \"a.ini\"...\r\n"
                         "    Match: $00000002 - $00000006, 5 bytes \"alpha\"\r\n"
                         "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                         "    1 entry found total.\r\n"
                         "    Saving \"" +
                         target + "\".\r\nDone!\r\n");
    EXPECT_EQ(sink.shown, log());
    EXPECT_EQ(qvtest::readFile(target), "x omega y");
    EXPECT_EQ(qvtest::readFile(dir.file("a.ini")), "x alpha y");

    // A second run starts from an empty log; Report writes nothing.
    runExpert(state, 0, &sink);
    EXPECT_EQ(log().rfind("REPORT for directory", 0), 0u);
    EXPECT_EQ(log().find("Saving"), std::string::npos);
}

TEST_F(ExpertPageRun, PageDoneSetDuringAScanEndsItWithTotalSaveAndDone) {
    ASSERT_TRUE(qvtest::writeFile(dir.file("a.ini"), "alpha alpha alpha"));
    ASSERT_TRUE(qvtest::writeFile(dir.file("b.ini"), "alpha"));
    expertPageTickCount = fastClock;
    PageSink sink(state);
    // The close request arrives at the first drain after the first match.
    sink.onPump = [&] {
        if (sink.shown.find("Match:") != std::string::npos)
            state.pageDone = 1;
    };
    runExpert(state, 1, &sink);
    const std::string text = log();
    EXPECT_NE(text.find("    1 entry found total.\r\n    Saving \"" + dir.file("a.ini") + "\".\r\nDone!\r\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("b.ini"), std::string::npos);
    EXPECT_EQ(text.find("Complete..."), std::string::npos);
    EXPECT_EQ(qvtest::readFile(dir.file("a.ini")), "omega alpha alpha");
    EXPECT_EQ(state.expertBusy, 0);
}
