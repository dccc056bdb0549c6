// ZephInstanceTest.cpp - instance numbers within one process and across
// real processes (tests/programs/qv_instance_holder).
#include "ZephInstance.h"

#include "QvProcess.h"
#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

// Every test uses a program name of its own, so test runs side by side and
// copies left from a crashed run never share numbers with it.
std::string uniqueName(const char* tag) {
    std::random_device random;
    return std::string("qv-instance-") + tag + "-" + std::to_string(random()) + ".exe";
}

constexpr int kLineTimeoutMs = 30000;

struct Holder {
    qvtest::Process process;
    int number = 0;
};

// Starts a holder; its number is read later with readNumber, so several can
// start at once.
bool startHolder(Holder& holder, const std::string& name, const std::string& releaseFile = "") {
    std::vector<std::string> arguments{name};
    if (!releaseFile.empty())
        arguments.push_back(releaseFile);
    return holder.process.start(qvtest::siblingProgram("qv_instance_holder"), arguments);
}

bool readNumber(Holder& holder) {
    std::string line;
    if (!holder.process.readLine(&line, kLineTimeoutMs))
        return false;
    holder.number = std::atoi(line.c_str());
    return holder.number > 0;
}

// Asks a holder to let go and waits until it has.
void endHolder(Holder& holder) {
    ASSERT_TRUE(holder.process.writeLine("done"));
    std::string line;
    ASSERT_TRUE(holder.process.readLine(&line, kLineTimeoutMs));
    EXPECT_EQ(line, "released");
    int exitCode = -1;
    ASSERT_TRUE(holder.process.wait(kLineTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, 0);
}

int numberOfNewHolder(const std::string& name) {
    Holder holder;
    if (!startHolder(holder, name) || !readNumber(holder))
        return -1;
    endHolder(holder);
    return holder.number;
}

} // namespace

TEST(ZephInstanceNumbers, EachHolderTakesTheLowestFreeNumber) {
    std::string name = uniqueName("lowest");
    ZephInstance first, second, third;
    ASSERT_EQ(first.acquire(name.c_str()), 0);
    ASSERT_EQ(second.acquire(name.c_str()), 0);
    ASSERT_EQ(third.acquire(name.c_str()), 0);
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(second.number, 2);
    EXPECT_EQ(third.number, 3);

    EXPECT_EQ(first.release(), 0);
    EXPECT_EQ(first.number, 0);
    ZephInstance fourth;
    ASSERT_EQ(fourth.acquire(name.c_str()), 0);
    EXPECT_EQ(fourth.number, 1);

    // Releasing twice, or a record that holds nothing, changes nothing.
    EXPECT_EQ(first.release(), 0);
    EXPECT_EQ(first.number, 0);
    {
        ZephInstance scoped;
        ASSERT_EQ(scoped.acquire(name.c_str()), 0);
        EXPECT_EQ(scoped.number, 4);
    }
    // Destruction gave 4 back.
    ZephInstance fifth;
    ASSERT_EQ(fifth.acquire(name.c_str()), 0);
    EXPECT_EQ(fifth.number, 4);
}

TEST(ZephInstanceNumbers, AcquireAgainGivesTheHeldNumberBackFirst) {
    std::string name = uniqueName("again");
    ZephInstance mine, other;
    ASSERT_EQ(mine.acquire(name.c_str()), 0);
    ASSERT_EQ(other.acquire(name.c_str()), 0);
    ASSERT_EQ(mine.acquire(name.c_str()), 0);
    EXPECT_EQ(mine.number, 1);
    EXPECT_EQ(other.number, 2);
}

TEST(ZephInstanceNumbers, NamesHaveSeparateSequencesAndNoneMeansUnnamed) {
    std::string name = uniqueName("apart");
    ZephInstance named, otherName;
    ASSERT_EQ(named.acquire(name.c_str()), 0);
    ASSERT_EQ(otherName.acquire((name + "x").c_str()), 0);
    EXPECT_EQ(named.number, 1);
    EXPECT_EQ(otherName.number, 1);

    ZephInstance none, unnamed;
    ASSERT_EQ(none.acquire(nullptr), 0);
    ASSERT_EQ(unnamed.acquire("UNNAMED"), 0);
    EXPECT_GT(none.number, 0);
    EXPECT_GT(unnamed.number, 0);
    EXPECT_NE(none.number, unnamed.number);
}

TEST(ZephInstanceNumbers, NameThePlatformRefusesFailsPastTheBound) {
    // Slot names of over 300 characters are refused as file names (POSIX)
    // and as object names (Win32), so every number fails and the probe must
    // stop at its bound.
    std::string name = uniqueName("bound");
    std::string tooLong(300, 'n');
    ZephInstance instance;
    ASSERT_EQ(instance.acquire(name.c_str()), 0);
    EXPECT_EQ(instance.acquire(tooLong.c_str()), -1);
    EXPECT_EQ(instance.number, 0);
    EXPECT_EQ(instance.handle, 0);
    // The number held before the failed call was given back.
    ZephInstance other;
    ASSERT_EQ(other.acquire(name.c_str()), 0);
    EXPECT_EQ(other.number, 1);

    // A name that cannot even be formed fails at once, without being cut.
    std::string huge(4000, 'h');
    EXPECT_EQ(instance.acquire(huge.c_str()), -1);
    EXPECT_EQ(instance.number, 0);
}

TEST(ZephInstanceProcesses, CopiesStartedAtOnceHoldDistinctNumbers) {
    std::string name = uniqueName("copies");
    qvtest::TempDir scratch;
    for (int copies : {2, 10}) {
        SCOPED_TRACE(copies);
        std::string releaseFile = scratch.file("release-" + std::to_string(copies));
        std::vector<std::unique_ptr<Holder>> holders;
        for (int i = 0; i < copies; ++i) {
            holders.push_back(std::make_unique<Holder>());
            ASSERT_TRUE(startHolder(*holders.back(), name, releaseFile));
        }
        std::set<int> numbers;
        for (auto& holder : holders) {
            ASSERT_TRUE(readNumber(*holder));
            numbers.insert(holder->number);
        }
        std::set<int> expected;
        for (int n = 1; n <= copies; ++n)
            expected.insert(n);
        EXPECT_EQ(numbers, expected);

        // The release file lets all of them go at once.
        ASSERT_TRUE(qvtest::writeFile(releaseFile, ""));
        for (auto& holder : holders) {
            std::string line;
            EXPECT_TRUE(holder->process.readLine(&line, kLineTimeoutMs));
            EXPECT_EQ(line, "released");
            int exitCode = -1;
            ASSERT_TRUE(holder->process.wait(kLineTimeoutMs, &exitCode));
            EXPECT_EQ(exitCode, 0);
        }
    }
    EXPECT_EQ(numberOfNewHolder(name), 1);
}

TEST(ZephInstanceProcesses, AfterCopyOneEndsTheNextCopyGetsOne) {
    std::string name = uniqueName("ends");
    Holder first, second, third;
    ASSERT_TRUE(startHolder(first, name) && readNumber(first));
    ASSERT_TRUE(startHolder(second, name) && readNumber(second));
    ASSERT_TRUE(startHolder(third, name) && readNumber(third));
    EXPECT_EQ(first.number, 1);
    EXPECT_EQ(second.number, 2);
    EXPECT_EQ(third.number, 3);

    endHolder(first);
    EXPECT_EQ(numberOfNewHolder(name), 1);
}

TEST(ZephInstanceProcesses, NumberOfAKilledCopyIsFreeAgain) {
    std::string name = uniqueName("killed");
    Holder first, second;
    ASSERT_TRUE(startHolder(first, name) && readNumber(first));
    ASSERT_TRUE(startHolder(second, name) && readNumber(second));
    ASSERT_EQ(first.number, 1);
    ASSERT_EQ(second.number, 2);

    // Killed while holding 1: nothing of it gets to run any more.
    ASSERT_TRUE(first.process.kill());
    ASSERT_TRUE(first.process.wait(kLineTimeoutMs));
    EXPECT_EQ(numberOfNewHolder(name), 1);

    ASSERT_TRUE(second.process.kill());
    ASSERT_TRUE(second.process.wait(kLineTimeoutMs));
    ZephInstance here, next;
    ASSERT_EQ(here.acquire(name.c_str()), 0);
    ASSERT_EQ(next.acquire(name.c_str()), 0);
    EXPECT_EQ(here.number, 1);
    EXPECT_EQ(next.number, 2);
}
