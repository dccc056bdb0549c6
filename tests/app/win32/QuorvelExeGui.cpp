// QuorvelExeGui.cpp - the real Quorvel.exe started with a command line: the
// box it shows (caption, text, icon), its exit code, and the instance number
// each running copy holds.
#include "win32/QvGui.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using qvtest::GuiProcess;

const char* const caption = "Quorvel [1.0.1r-2]";
const char* const titleScreen = "Quorvel [1.0.1r-2]  Title Screen";
const DWORD minusOne = static_cast<DWORD>(-1);

// The process's message box (its only window titled with the bare caption).
HWND waitForBox(DWORD processId) { return qvtest::waitForWindow(processId, caption, 15000); }

bool holdsNumber(int number) {
    std::string name = "semaphore:Quorvel.exe:" + std::to_string(number);
    HANDLE semaphore = OpenSemaphoreA(SYNCHRONIZE, FALSE, name.c_str());
    if (semaphore == nullptr)
        return false;
    CloseHandle(semaphore); // at once: an open handle would keep the number's slot alive
    return true;
}

// Ends a running wizard as a user does: Exit, then Yes.
void exitWizard(GuiProcess& process) {
    HWND page = qvtest::waitForWindow(process.id(), titleScreen, 15000);
    ASSERT_NE(page, nullptr);
    qvtest::postClick(page, 1009);
    HWND box = waitForBox(process.id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(qvtest::readForeignBox(box).text, "Are you sure you wish to exit this program?");
    // The box lies wholly over the page: it must show on the screen as drawn.
    EXPECT_TRUE(qvtest::waitUntilDrawn(box, 5000)) << "light " << qvtest::shadeOnScreen(box).lightPercent << "%, dark "
                                                   << qvtest::shadeOnScreen(box).darkPercent << "%";
    qvtest::postClick(box, IDYES);
}

struct Case {
    const char* arguments;
    const char* text; // the box's text, or its start when prefix is set
    bool prefix;
    qvtest::BoxIcon icon;
    DWORD exitCode;
};

std::string tokens(int n) {
    std::string line;
    for (int i = 0; i < n; ++i)
        line += "x ";
    return line;
}

class QuorvelExeGui : public ::testing::Test {
protected:
    void SetUp() override {
        program = qvtest::quorvelProgram();
        ASSERT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << program;
    }
    std::string program;
};

TEST_F(QuorvelExeGui, EachCommandLineShowsItsBoxAndExitCode) {
    const std::string usage = "usage:  Quorvel.exe [<-flags>]";
    const std::string tooMany = tokens(51);
    const Case cases[] = {
        {"-H", usage.c_str(), true, qvtest::BoxIcon::Information, 0},
        {"\\h", usage.c_str(), true, qvtest::BoxIcon::Information, 0},
        {"-help", usage.c_str(), true, qvtest::BoxIcon::Information, 0},
        {"- -h", usage.c_str(), true, qvtest::BoxIcon::Information, 0},
        {"-a", "Quorvel 1.0.1r-2", true, qvtest::BoxIcon::Information, 0},
        {"-a -x", "Quorvel 1.0.1r-2", true, qvtest::BoxIcon::Information, 0},
        {"-x -a", "Invalid flag 'x'", true, qvtest::BoxIcon::Error, minusOne},
        {"word", "Invalid argument \"word\"", true, qvtest::BoxIcon::Error, minusOne},
        {"\"a quoted word\"", "Invalid argument \"a quoted word\"", true, qvtest::BoxIcon::Error, minusOne},
        {tooMany.c_str(), "The command line is too long.", true, qvtest::BoxIcon::Error, minusOne},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        GuiProcess process;
        ASSERT_TRUE(process.start(program, c.arguments));
        HWND box = waitForBox(process.id());
        ASSERT_NE(box, nullptr) << "no box";
        // The icon is told from the screen: give the box time to be drawn.
        qvtest::SeenBox seen = qvtest::readForeignBox(box);
        for (int i = 0; i < 50 && seen.icon != c.icon; ++i) {
            Sleep(100);
            seen = qvtest::readForeignBox(box);
        }
        EXPECT_EQ(seen.caption, caption);
        EXPECT_EQ(seen.text.rfind(c.text, 0), 0u) << seen.text;
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.owner, nullptr);
        EXPECT_EQ(seen.buttons, std::vector<std::string>{"OK"});
        EXPECT_EQ(qvtest::topLevelWindows(process.id()).size(), 1u) << "no page beside the box";
        qvtest::postClick(box, IDOK);
        DWORD exitCode = 12345;
        ASSERT_TRUE(process.wait(15000, &exitCode));
        EXPECT_EQ(exitCode, c.exitCode);
    }
}

TEST_F(QuorvelExeGui, EmptyLineRunsTheWizardAndExitGivesZero) {
    GuiProcess process;
    ASSERT_TRUE(process.start(program, ""));
    exitWizard(process);
    DWORD exitCode = 12345;
    ASSERT_TRUE(process.wait(15000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST_F(QuorvelExeGui, SecondCopyHoldsInstanceNumberTwo) {
    ASSERT_FALSE(holdsNumber(1)) << "another copy of Quorvel.exe is running";
    GuiProcess first;
    ASSERT_TRUE(first.start(program, ""));
    ASSERT_NE(qvtest::waitForWindow(first.id(), titleScreen, 15000), nullptr);
    EXPECT_TRUE(holdsNumber(1));
    EXPECT_FALSE(holdsNumber(2));

    GuiProcess second;
    ASSERT_TRUE(second.start(program, ""));
    ASSERT_NE(qvtest::waitForWindow(second.id(), titleScreen, 15000), nullptr);
    EXPECT_TRUE(holdsNumber(2));

    // Once the first has ended, a new copy gets number 1 again.
    exitWizard(first);
    DWORD exitCode = 12345;
    ASSERT_TRUE(first.wait(15000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(holdsNumber(1));
    GuiProcess third;
    ASSERT_TRUE(third.start(program, ""));
    ASSERT_NE(qvtest::waitForWindow(third.id(), titleScreen, 15000), nullptr);
    EXPECT_TRUE(holdsNumber(1));
    EXPECT_FALSE(holdsNumber(3));

    for (GuiProcess* process : {&second, &third}) {
        exitWizard(*process);
        ASSERT_TRUE(process->wait(15000, &exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
}

} // namespace
