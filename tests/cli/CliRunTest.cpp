// CliRunTest.cpp - the tool's drive of the job: progress as the run goes,
// and a stop that ends the run at once, leaving every file whole.
#include "CliRun.h"
#include "PatchJob.h"
#include "QvTestKit.h"
#include "WizardStrings.h"
#include "ZephMem.h"
#include "ZephPath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::string Address = legacyServerAddress;

PatchJob job; // large: one for the whole test program

class CliRunJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(qvtest::writeFile(path("a.exe"), "xx" + Address));
        ASSERT_TRUE(qvtest::writeFile(path("b.ini"), "nothing here"));
        ASSERT_TRUE(qvtest::writeFile(path("c.cfg"), Address + "\r\n"));
        ASSERT_TRUE(qvtest::writeFile(path("d.txt"), Address));
    }
    void TearDown() override { job.clear(); }

    std::string path(const std::string& name) const { return dir.path() + ZephPathSeparatorText + name; }
    // Set up as the tool sets it up: a quick scan, or a convert run.
    void run(int32_t convert, CliRunObserver* observer) {
        job.init(&ZephMemManagerGlobal);
        job.setDirectory(dir.path().c_str());
        job.setOldString(legacyServerAddress);
        job.setNewString(serviceHostName);
        job.convert = convert;
        job.quickScan = convert == 0 ? 1 : 0;
        CliRunJob(&job, observer);
    }

    qvtest::TempDir dir;
};

// Records every report and decision; asks to stop once it has had stopAt
// reports.
class Recorder : public CliRunObserver {
public:
    explicit Recorder(int stopAt = -1) : stopAt_(stopAt) {}
    void progress(const CliRunProgress& now) override {
        if (!reports.empty()) {
            EXPECT_GE(now.filesDone, reports.back().filesDone);
            EXPECT_GE(now.bytesDone, reports.back().bytesDone);
        }
        EXPECT_LE(now.filesDone, now.filesTotal);
        EXPECT_LE(now.bytesDone, now.bytesTotal);
        reports.push_back(now);
    }
    void fileDecided(const CliFileDecision& file) override {
        decided += std::filesystem::path(file.path).filename().string() + ":" + std::to_string(file.binary) + ":" +
                   std::to_string(file.matches) + (file.written ? ":written " : " ");
    }
    bool stopRequested() override { return static_cast<int>(reports.size()) == stopAt_; }
    std::vector<CliRunProgress> reports;
    std::string decided;

private:
    int stopAt_;
};

TEST_F(CliRunJobTest, ProgressGrowsToTheWholeDirectoryAndEachFileIsDecidedOnce) {
    for (int32_t convert : {0, 1}) {
        Recorder recorder;
        run(convert, &recorder);
        EXPECT_EQ(Finished, job.status) << job.message;
        EXPECT_EQ(2, job.filesMatched);
        ASSERT_FALSE(recorder.reports.empty());
        // Three files of the five kinds (d.txt is not one), 16 + 12 + 16 bytes.
        EXPECT_EQ(3, recorder.reports.back().filesDone) << convert;
        EXPECT_EQ(3, recorder.reports.back().filesTotal) << convert;
        EXPECT_EQ(int64_t{44}, recorder.reports.back().bytesDone) << convert;
        EXPECT_EQ(int64_t{44}, recorder.reports.back().bytesTotal) << convert;
        EXPECT_EQ(recorder.decided,
                  convert == 0 ? "a.exe:1:1 b.ini:0:0 c.cfg:0:1 " : "a.exe:1:1:written b.ini:0:0 c.cfg:0:1:written ");
    }
    EXPECT_EQ(std::string("xx") + serviceHostName + '\0', qvtest::readFile(path("a.exe")));
}

TEST_F(CliRunJobTest, AStopEndsTheRunAtOnceAndLeavesEveryFileWhole) {
    // Reports come after each entry looked at, each piece read and each file
    // decided: a.exe, its piece, its decision.
    struct Case {
        int32_t convert;
        int stopAt;
        int32_t visited, matched;
        bool aRewritten;
    } cases[] = {
        {0, 1, 1, 0, false},
        {0, 3, 1, 1, false},
        {1, 1, 1, 0, false},
        {1, 3, 1, 1, false}, // all or nothing: a.exe was complete, and never takes its place
    };
    for (const Case& c : cases) {
        SetUp();
        Recorder stopper(c.stopAt);
        run(c.convert, &stopper);
        SCOPED_TRACE("convert " + std::to_string(c.convert) + ", stop at report " + std::to_string(c.stopAt));
        EXPECT_EQ(Failed, job.status);
        EXPECT_STREQ(CliStoppedMessage, job.message);
        EXPECT_EQ(c.visited, job.filesVisited);
        EXPECT_EQ(c.matched, job.filesMatched);
        EXPECT_EQ(c.aRewritten ? std::string("xx") + serviceHostName + '\0' : "xx" + Address,
                  qvtest::readFile(path("a.exe")));
        EXPECT_EQ(Address + "\r\n", qvtest::readFile(path("c.cfg")));
        EXPECT_EQ(4, std::distance(std::filesystem::directory_iterator(dir.path()), {})) << "nothing left behind";
    }
}

} // namespace
