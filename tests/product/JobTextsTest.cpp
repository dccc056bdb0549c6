// JobTextsTest.cpp - verdicts, outcomes, headings and directory lines that
// report a run of the job.
#include "JobTexts.h"

#include "PatchJob.h"
#include "ProductTable.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <cstring>
#include <string>

namespace {

// A job as a finished or failed run leaves it, without running one.
void setOutcome(PatchJob* job, int32_t status, int32_t matched, int32_t visited, const char* message = "") {
    job->status = status;
    job->filesMatched = matched;
    job->filesVisited = visited;
    job->setMessage(message);
}

struct Case {
    int32_t status, matched, visited;
    JobResult result;
    const char* verdict;
    const char* outcome;
    const char* exitLabel;
};

const Case cases[] = {
    {Finished, 1, 7, OneFileMatched,
     "There is 1 file that need to be changed.\r\n\r\nClick on Next to begin conversions of this file.",
     "Product patching complete!\r\n\r\n1 file patched.\r\n\r\n"
     "Click on Back to patch other products, or click on Finished! to quit.",
     "Finished!"},
    {Finished, 2, 2, SomeFilesMatched,
     "There are 2 files that need to be changed.\r\n\r\nClick on Next to begin conversions of these files.",
     "Product patching complete!\r\n\r\n2 files patched.\r\n\r\n"
     "Click on Back to patch other products, or click on Finished! to quit.",
     "Finished!"},
    {Finished, 0, 3, NoFileMatched,
     "We have determined that no patching is required for this product in this directory.\r\n\r\n"
     "Click on Back and select a different directory or product and try again.",
     "No patching has occurred.\r\n\r\nClick on Back and select a different directory and try again.", "Exit"},
    {Finished, 0, 0, NoFileFound,
     "No files were found in this directory.\r\n\r\n"
     "Click on Back and select a different directory or product and try again.",
     "No files were found in requested directory.\r\n\r\nClick on Back and select a different directory and try again.",
     "Exit"},
    // Counts of a run that did not finish never count.
    {Failed, 4, 9, RunFailed, "Unable to open file \"x\" for writing!", "Unable to open file \"x\" for writing!",
     "Exit"},
    {Running, 1, 1, RunFailed, "stuck", "stuck", "Exit"},
    {Idle, 0, 0, RunFailed, "", "", "Exit"},
};

} // namespace

TEST(JobTextsResults, EachCaseGetsItsVerdictOutcomeAndLabel) {
    for (const Case& c : cases) {
        PatchJob job;
        setOutcome(&job, c.status, c.matched, c.visited, c.result == RunFailed ? c.verdict : "");
        SCOPED_TRACE(c.verdict);
        char area[PageTextSize];
        EXPECT_EQ(jobResultOf(job), c.result);
        const std::string expectedVerdict = c.verdict[0] ? c.verdict : "An unknown error condition has occurred.";
        const std::string expectedOutcome = c.outcome[0] ? c.outcome : "An unknown error condition has occurred.";
        EXPECT_EQ(std::string(composeScanVerdict(job, area, sizeof area)), expectedVerdict);
        EXPECT_EQ(std::string(composeDoneOutcome(job, area, sizeof area)), expectedOutcome);
        EXPECT_STREQ(doneExitLabel(job), c.exitLabel);
    }
}

// Links and special files of the known kinds are never read: a run that
// matched nothing else never says that nothing needs patching.
TEST(JobTextsResults, PassedOverEntriesAreNamedInsteadOfNothingToPatch) {
    const char* const tail = " kinds %s passed over: Quorvel never reads or changes links and special files.\r\n\r\n"
                             "Click on Back and select a different directory or product and try again.";
    for (int32_t links : {0, 1, 2}) {
        PatchJob job;
        setOutcome(&job, Finished, 0, 3);
        job.linksPassedOver = links;
        job.specialPassedOver = 1;
        char expected[PageTextSize];
        std::snprintf(expected, sizeof expected,
                      links == 0
                          ? "No file in this directory holds the old address, but 1 link or special file of these"
                          : "No file in this directory holds the old address, but %d links or special files of "
                            "these",
                      links + 1);
        std::string text = std::string(expected) + tail;
        text.replace(text.find("%s"), 2, links == 0 ? "was" : "were");
        char area[PageTextSize];
        EXPECT_EQ(std::string(composeScanVerdict(job, area, sizeof area)), text);
        EXPECT_EQ(jobResultOf(job), NoFileMatched);
    }
}

TEST(JobTextsResults, CountsAboveOneAreFormattedAsNumbers) {
    PatchJob job;
    setOutcome(&job, Finished, 123456, 123456);
    char area[PageTextSize];
    EXPECT_EQ(std::string(composeScanVerdict(job, area, sizeof area)).substr(0, 20), "There are 123456 fil");
    EXPECT_NE(std::string(composeDoneOutcome(job, area, sizeof area)).find("\r\n\r\n123456 files patched.\r\n"),
              std::string::npos);
}

TEST(JobTextsResults, FailureMessageIsShownVerbatimAndWhole) {
    PatchJob job;
    // Placeholders in a folder name must not be expanded, and a message
    // longer than a page text area must not be cut.
    std::string message = "We were unable to scan the directory \"C:\\100%s %d %n";
    message += std::string(1500, 'x') + "\"!";
    setOutcome(&job, Failed, 0, 0, message.c_str());
    ASSERT_EQ(std::string(job.message), message);
    char area[PageTextSize] = "untouched";
    EXPECT_EQ(composeScanVerdict(job, area, sizeof area), job.message);
    EXPECT_EQ(composeDoneOutcome(job, area, sizeof area), job.message);
    EXPECT_STREQ(area, "untouched");
}

TEST(JobTextsHeadings, TitlesArePlainArguments) {
    char area[PageTextSize];
    const ProductEntry* talon = findProduct(ProductTable, 2);
    composeProductLine(talon, area, sizeof area);
    EXPECT_STREQ(area, "Product : Talon Interceptor");
    composeScanResultsHeading(talon, area, sizeof area);
    EXPECT_STREQ(area, "Scan results for \"Talon Interceptor\":");
    composePatchResultsHeading(talon, area, sizeof area);
    EXPECT_STREQ(area, "Patch results for \"Talon Interceptor\":");
    composeScanResultsHeading(nullptr, area, sizeof area);
    EXPECT_STREQ(area, "Scan results for \"\":");

    const ProductEntry percent = {0, "50% %s Off", "", ""};
    composeProductLine(&percent, area, sizeof area);
    EXPECT_STREQ(area, "Product : 50% %s Off");
}

TEST(JobTextsDirectoryLine, ShortDirectoryIsWhole) {
    char area[PageTextSize];
    composeDirectoryLine("C:\\Games\\100% Fun", -1, area, sizeof area);
    EXPECT_STREQ(area, "Directory: C:\\Games\\100% Fun");
    composeDirectoryLine("", -1, area, sizeof area);
    EXPECT_STREQ(area, "Directory: ");
    composeDirectoryLine(nullptr, -1, area, sizeof area);
    EXPECT_STREQ(area, "Directory: ");
}

TEST(JobTextsDirectoryLine, LongDirectoryIsCutInTheMiddleKeepingItsEnd) {
    const std::string directory = "C:\\" + std::string(1100, 'a') + "\\Shadow Unit Field Ops";
    char area[PageTextSize + 8];
    std::memset(area, '#', sizeof area);
    composeDirectoryLine(directory.c_str(), -1, area, PageTextSize);
    const std::string line = area;
    EXPECT_EQ(line.size(), static_cast<size_t>(PageTextSize - 1));
    EXPECT_EQ(line.substr(0, 14), "Directory: C:\\");
    EXPECT_NE(line.find("..."), std::string::npos);
    EXPECT_EQ(line.substr(line.size() - 22), "\\Shadow Unit Field Ops");
    EXPECT_EQ(area[PageTextSize], '#'); // nothing past the area

    // A character budget (what fits on the screen) cuts it further.
    composeDirectoryLine("C:\\Program Files\\Quellsoft\\Talon INT", 18, area, PageTextSize);
    EXPECT_STREQ(area, "Directory: C:\\Pr...\\Talon INT");     // 5 + "..." + 10
    composeDirectoryLine("C:\\abcdef", 9, area, PageTextSize); // exactly the budget: whole
    EXPECT_STREQ(area, "Directory: C:\\abcdef");
    composeDirectoryLine("C:\\abcdef", 2, area, PageTextSize);
    EXPECT_STREQ(area, "Directory: ..");
    composeDirectoryLine("C:\\abcdef", 0, area, PageTextSize);
    EXPECT_STREQ(area, "Directory: ");
}

TEST(JobTextsDirectoryLine, TinyAreasStayTerminated) {
    char area[8];
    std::memset(area, '#', sizeof area);
    composeDirectoryLine("C:\\Games", -1, area, 5);
    EXPECT_STREQ(area, "Dire");
    EXPECT_EQ(area[5], '#');
    composeDirectoryLine("C:\\Games", -1, area, 1);
    EXPECT_STREQ(area, "");
    composeDirectoryLine("C:\\Games", -1, area, 0); // left alone
    EXPECT_STREQ(area, "");
}
