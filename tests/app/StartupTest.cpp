// StartupTest.cpp - the command line acted on: the box that answers or
// refuses it, the exit code, and the wizard run otherwise.
#include "Startup.h"

#include "AppState.h"
#include "QvBoxRecorder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Captures the boxes instead of showing them.
class Startup : public ::testing::Test {
protected:
    qvtest::BoxRecorder recorder;
};

TEST_F(Startup, FlagsAnswerWithTheirBoxAndZero) {
    AppState state;
    state.currentPage = -1;
    EXPECT_EQ(runCommandLine(state, "-help"), 0);
    ASSERT_EQ(recorder.boxes().size(), 1u);
    EXPECT_EQ(recorder.boxes()[0].owner, nullptr);
    EXPECT_EQ(recorder.boxes()[0].caption, "Quorvel [1.0.1r-2]");
    EXPECT_EQ(recorder.boxes()[0].style, static_cast<uint32_t>(AppBoxInformation));
    EXPECT_EQ(recorder.boxes()[0].text.rfind("usage:  Quorvel.exe [<-flags>]", 0), 0u);

    EXPECT_EQ(runCommandLine(state, "-a -x"), 0);
    ASSERT_EQ(recorder.boxes().size(), 2u);
    EXPECT_EQ(recorder.boxes()[1].style, static_cast<uint32_t>(AppBoxInformation));
    EXPECT_NE(recorder.boxes()[1].text.find("Quorvel 1.0.1r-2"), std::string::npos);
    EXPECT_NE(recorder.boxes()[1].text.find("Copyright"), std::string::npos);
    EXPECT_EQ(state.currentPage, -1) << "the wizard must not run";
}

TEST_F(Startup, RefusedLinesShowAnErrorAndGiveMinusOne) {
    AppState state;
    state.currentPage = -1;
    const char* lines[] = {"-x -a", "word", "\"a quoted word\"",
                           "x x x x x x x x x x x x x x x x x x x x x x x x x "
                           "x x x x x x x x x x x x x x x x x x x x x x x x x x"};
    const char* texts[] = {"Invalid flag 'x'\n", "Invalid argument \"word\"\n", "Invalid argument \"a quoted word\"\n",
                           nullptr};
    for (int i = 0; i < 4; ++i) {
        recorder.clear();
        EXPECT_EQ(runCommandLine(state, lines[i]), -1) << lines[i];
        ASSERT_EQ(recorder.boxes().size(), 1u) << lines[i];
        EXPECT_EQ(recorder.boxes()[0].style, static_cast<uint32_t>(AppBoxError));
        EXPECT_EQ(recorder.boxes()[0].caption, "Quorvel [1.0.1r-2]");
        if (texts[i] != nullptr)
            EXPECT_EQ(recorder.boxes()[0].text, texts[i]);
        else
            EXPECT_NE(recorder.boxes()[0].text.find("too long"), std::string::npos);
    }
    EXPECT_EQ(state.currentPage, -1) << "the wizard must not run";
}

TEST_F(Startup, AcceptedLineRunsTheWizardAndGivesZero) {
    // The driver makes page 0 current and stops there: natively no row has a
    // page procedure, and on Windows this test program holds no dialog
    // templates, so the first page cannot be made.
    AppState state;
    for (const char* line : {"", "- \\"}) {
        state.currentPage = -1;
        EXPECT_EQ(runCommandLine(state, line), 0);
        EXPECT_EQ(state.currentPage, 0) << line;
    }
#ifdef _WIN32
    ASSERT_EQ(recorder.boxes().size(), 2u);
    EXPECT_EQ(recorder.boxes()[0].text, "Error!  Cannot create TITLE dialog box!");
    EXPECT_EQ(recorder.boxes()[0].style, static_cast<uint32_t>(AppBoxError));
#else
    EXPECT_TRUE(recorder.boxes().empty());
#endif
}

} // namespace
