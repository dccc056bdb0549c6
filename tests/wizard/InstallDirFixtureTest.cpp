// InstallDirFixtureTest.cpp - the generated install directory against the
// real engine: a scan run counts what the fixture says, a convert run leaves
// what the fixture's own rule expects, so both can be trusted by the page tests.
#include "QvInstallDir.h"
#include "QvTestKit.h"

#include "PatchJob.h"
#include "WizardStrings.h"
#include "ZephMem.h"

#include <gtest/gtest.h>

namespace {

void run(PatchJob* job, const std::string& dir, int32_t convert) {
    job->init(&ZephMemManagerGlobal);
    job->setDirectory(dir.c_str());
    job->setOldString(legacyServerAddress);
    job->setNewString(serviceHostName);
    job->convert = convert;
    job->start();
    job->step(-1);
}

std::string joined(const std::vector<std::string>& problems) {
    std::string all;
    for (const std::string& p : problems)
        all += p + "\n";
    return all;
}

} // namespace

TEST(InstallDirFixture, ScanAndConvertAgreeWithTheFixture) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(dir.path(), &error)) << error;
    EXPECT_EQ(joined(qvtest::checkGameInstall(dir.path(), false)), "");

    PatchJob job;
    run(&job, dir.path(), 0);
    EXPECT_EQ(job.status, Finished) << job.message;
    EXPECT_EQ(job.filesVisited, qvtest::GameInstallEntries);
    EXPECT_EQ(job.filesMatched, qvtest::GameInstallMatches);
    EXPECT_EQ(joined(qvtest::checkGameInstall(dir.path(), false)), "");

    run(&job, dir.path(), 1);
    EXPECT_EQ(job.status, Finished) << job.message;
    EXPECT_EQ(job.filesMatched, qvtest::GameInstallMatches);
    EXPECT_EQ(joined(qvtest::checkGameInstall(dir.path(), true)), "");
    job.clear();
}

TEST(InstallDirFixture, CheckNoticesAFileLeftUnpatched) {
    qvtest::TempDir dir;
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(dir.path(), &error)) << error;
    const std::string problems = joined(qvtest::checkGameInstall(dir.path(), true));
    EXPECT_NE(problems.find("game.exe: bytes differ from offset 0"), std::string::npos) << problems;
    EXPECT_NE(problems.find("CONFIG.ini: "), std::string::npos) << problems;
}
