// CliRunTest.cpp - the quorvel tool's scan run gives exactly the job's
// outcome, on random directories and at every failure the fast way leaves
// to the job.
#include "CliRun.h"
#include "PatchJob.h"
#include "QvFileFault.h"
#include "QvTestKit.h"
#include "WizardStrings.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephSysFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Outcome {
    int32_t status;
    int32_t visited;
    int32_t matched;
    std::string message;
};

std::ostream& operator<<(std::ostream& out, const Outcome& o) {
    return out << "status " << o.status << ", visited " << o.visited << ", matched " << o.matched << ", \""
               << o.message << "\"";
}

bool operator==(const Outcome& a, const Outcome& b) {
    return a.status == b.status && a.visited == b.visited && a.matched == b.matched && a.message == b.message;
}

PatchJob job; // large: one for the whole test program

void setUp(const std::string& directory, const char* oldString, const char* newString) {
    job.init(&ZephMemManagerGlobal);
    job.setDirectory(directory.c_str());
    job.setOldString(oldString);
    job.setNewString(newString);
    job.convert = 0;
    job.saveAsNew = 0;
}

Outcome outcome() { return {job.status, job.filesVisited, job.filesMatched, job.message}; }

// The wizard's way: start, then step until the run has ended.
Outcome jobScan(const std::string& directory, const char* oldString = legacyServerAddress,
                const char* newString = serviceHostName) {
    setUp(directory, oldString, newString);
    job.start();
    job.step(-1);
    Outcome result = outcome();
    job.clear();
    return result;
}

Outcome cliScan(const std::string& directory, const char* oldString = legacyServerAddress,
                const char* newString = serviceHostName, CliRunObserver* observer = nullptr) {
    setUp(directory, oldString, newString);
    CliScanRun(&job, observer);
    Outcome result = outcome();
    EXPECT_EQ(job.dirList, nullptr);
    EXPECT_FALSE(job.file.isOpen());
    job.clear();
    return result;
}

std::string join(const std::string& dir, const std::string& name) { return dir + ZephPathSeparatorText + name; }

// Random content with the old string planted in random letter cases at the
// places that trouble a search: the start, the end, across 4096-byte pieces,
// beside near misses.
std::string randomContent(std::mt19937& rng, const std::string& oldString) {
    static const size_t sizes[] = {0, 1, 13, 14, 15, 4095, 4096, 4097, 8191, 9000, 70000};
    size_t size = sizes[rng() % (sizeof sizes / sizeof sizes[0])];
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() % 4 == 0 ? 0 : rng() % 256);
    auto plant = [&](size_t at, const std::string& text) {
        for (size_t i = 0; i < text.size() && at + i < bytes.size(); ++i) {
            char c = text[i];
            if (((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && rng() % 2 == 0)
                c = static_cast<char>(c ^ 0x20);
            bytes[at + i] = c;
        }
    };
    if (size >= oldString.size()) {
        int plants = static_cast<int>(rng() % 4); // 0: maybe only near misses
        for (int i = 0; i < plants; ++i) {
            size_t at;
            switch (rng() % 4) {
            case 0: at = 0; break;
            case 1: at = size - oldString.size(); break;
            case 2: at = size > 4096 + oldString.size() ? 4096 - rng() % oldString.size() : 0; break;
            default: at = rng() % (size - oldString.size() + 1); break;
            }
            plant(at, rng() % 3 == 0 ? oldString.substr(0, oldString.size() - 1) : oldString);
        }
    }
    return bytes;
}

TEST(CliScanRunDifferential, RandomDirectoriesGiveTheJobsOutcome) {
    const char* const oldStrings[] = {legacyServerAddress, "Srv.Example.TEST", "\xe9tait"};
    const char* const names[] = {"a.exe", "B.DLL", "c.Exe", "d.ini", "E.CFG", "f.htm", "g.txt",
                                 "h.bin", "noext", "I.HTM", "j.new", "k.dll.bak"};
    std::mt19937 rng(20240531);
    for (int round = 0; round < 60; ++round) {
        qvtest::TempDir dir;
        const char* oldString = oldStrings[round % 3];
        int files = static_cast<int>(rng() % 10);
        for (int i = 0; i < files; ++i) {
            std::string name = std::to_string(i) + names[rng() % (sizeof names / sizeof names[0])];
            ASSERT_TRUE(qvtest::writeFile(join(dir.path(), name), randomContent(rng, oldString)));
        }
        if (rng() % 3 == 0) {
            std::filesystem::create_directory(join(dir.path(), "Sub.exe"));
            ASSERT_TRUE(qvtest::writeFile(join(join(dir.path(), "Sub.exe"), "in.ini"), oldString));
        }
        Outcome expected = jobScan(dir.path(), oldString);
        Outcome got = cliScan(dir.path(), oldString);
        EXPECT_EQ(got, expected) << "round " << round;
    }
}

TEST(CliScanRunDifferential, OccurrencesAroundThePiecesAreFound) {
    // Files are read 1 MiB at a time: an occurrence across a piece's end,
    // one just after it, and one at the file's last byte.
    const size_t piece = size_t{1} << 20;
    const std::string address = legacyServerAddress;
    for (size_t at : {piece - 5, piece - address.size(), piece - address.size() + 1, piece, 2 * piece - 1,
                      2 * piece + 4096 - address.size()}) {
        qvtest::TempDir dir;
        std::string bytes(2 * piece + 4096, 'x');
        bytes.replace(at, address.size(), address);
        ASSERT_TRUE(qvtest::writeFile(join(dir.path(), "big.exe"), bytes));
        Outcome got = cliScan(dir.path());
        EXPECT_EQ(got, (Outcome{Finished, 1, 1, ""})) << "at " << at;
    }
}

// A file of three pieces with the old string only in the third, beside a
// file of no known kind, which is never read.
class CliScanRunChangingFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string bytes(3 * piece, 'x');
        bytes.replace(2 * piece + piece / 2, std::string(legacyServerAddress).size(), legacyServerAddress);
        ASSERT_TRUE(qvtest::writeFile(big, bytes));
        ASSERT_TRUE(qvtest::writeFile(join(dir.path(), "notes.txt"), "not read"));
        saved = ZephSysFiles;
    }
    void TearDown() override { ZephSysFiles = saved; }

    // Every read of big.exe passes through; after the first one, change()
    // does something to the file on disk, as another program might.
    static ZephError readThenChange(int64_t handle, void* buffer, int64_t count, int64_t* done) {
        ZephError result = ZephSysFilesDefault.read(handle, buffer, count, done);
        if (count > int64_t{4096} && ++reads == 1)
            change();
        return result;
    }

    static constexpr size_t piece = size_t{1} << 20;
    static inline int reads = 0;
    static inline std::function<void()> change;
    qvtest::TempDir dir;
    const std::string big = join(dir.path(), "big.exe");
    ZephSysFileTable saved{};
};

TEST_F(CliScanRunChangingFile, AReadCutShortLeavesTheScanToTheJob) {
    for (int64_t kept : {int64_t{0}, int64_t{100}, int64_t{piece} - 1}) {
        qvtest::FileFault fault;
        fault.cutShortAt(qvtest::FileOp::Read, 2, kept);
        Outcome got = cliScan(dir.path());
        EXPECT_EQ(fault.faultsInjected(qvtest::FileOp::Read), 1) << kept;
        EXPECT_EQ(got, (Outcome{Finished, 2, 1, ""})) << kept;
        EXPECT_EQ(fault.openHandles(), 0) << kept;
    }
    qvtest::FileFault fault;
    fault.failAt(qvtest::FileOp::Read, 3, ZephErrIo);
    EXPECT_EQ(cliScan(dir.path()), (Outcome{Finished, 2, 1, ""}));
    EXPECT_EQ(fault.openHandles(), 0);
}

TEST_F(CliScanRunChangingFile, AFileTruncatedBetweenPiecesGivesTheScanOfWhatIsLeft) {
    const std::string path = big;
    for (uintmax_t left : {uintmax_t{0}, uintmax_t{piece} / 2, uintmax_t{piece} + 7, uintmax_t{2 * piece}}) {
        ASSERT_TRUE(qvtest::writeFile(big, std::string(3 * piece, 'x') + legacyServerAddress));
        reads = 0;
        change = [&] { std::filesystem::resize_file(path, left); };
        ZephSysFiles.read = readThenChange;
        Outcome got = cliScan(dir.path());
        ZephSysFiles = saved;
        ASSERT_EQ(std::filesystem::file_size(path), left);
        EXPECT_EQ(got, jobScan(dir.path())) << left;
        EXPECT_EQ(got, (Outcome{Finished, 2, 0, ""})) << left;
    }
}

TEST_F(CliScanRunChangingFile, AFileThatGrowsWhileReadIsScannedAsItWasOpened) {
    const std::string path = big;
    reads = 0;
    change = [&] { std::ofstream(path, std::ios::binary | std::ios::app) << "yy" << legacyServerAddress; };
    ZephSysFiles.read = readThenChange;
    Outcome got = cliScan(dir.path());
    ZephSysFiles = saved;
    EXPECT_EQ(got, (Outcome{Finished, 2, 1, ""}));
    ASSERT_EQ(std::filesystem::file_size(path), 3 * piece + 2 + std::string(legacyServerAddress).size());
    // Without the third piece's occurrence, only the part read counts.
    ASSERT_TRUE(qvtest::writeFile(big, std::string(3 * piece, 'x')));
    reads = 0;
    ZephSysFiles.read = readThenChange;
    got = cliScan(dir.path());
    ZephSysFiles = saved;
    EXPECT_EQ(got, (Outcome{Finished, 2, 0, ""}));
}

// Files made for the refusals below.
class CliScanRunFallback : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(qvtest::writeFile(join(dir.path(), "a.exe"), "xx" + std::string(legacyServerAddress)));
        ASSERT_TRUE(qvtest::writeFile(join(dir.path(), "b.ini"), "nothing here"));
        ASSERT_TRUE(qvtest::writeFile(join(dir.path(), "c.cfg"), std::string(legacyServerAddress) + "\r\n"));
        ASSERT_TRUE(qvtest::writeFile(join(dir.path(), "d.txt"), legacyServerAddress));
    }
    qvtest::TempDir dir;
};

TEST_F(CliScanRunFallback, RefusedFieldsAreTheJobsRefusals) {
    EXPECT_EQ(cliScan(dir.path(), "", "x"), (Outcome{Failed, 0, 0, "<oldstring> member is empty!"}));
    EXPECT_EQ(cliScan(dir.path(), "x", ""), (Outcome{Failed, 0, 0, "<newstring> member is empty!"}));
    EXPECT_EQ(cliScan("", "", ""), (Outcome{Failed, 0, 0, "<directory> member is empty!"}));
}

TEST_F(CliScanRunFallback, MissingOrOverlongDirectoryFailsAsTheJobDoes) {
    const std::string missing = join(dir.path(), "missing");
    EXPECT_EQ(cliScan(missing), jobScan(missing));
    EXPECT_EQ(cliScan(missing).status, Failed);
    // No room for the search pattern after it: the job's refusal, not a cut one.
    const std::string overlong = dir.path() + std::string(1021 - dir.path().size(), '/');
    Outcome got = cliScan(overlong);
    EXPECT_EQ(got, jobScan(overlong));
    EXPECT_EQ(got.status, Failed);
}

TEST_F(CliScanRunFallback, AFileThatCannotBeReadIsReadByTheJob) {
    qvtest::FileFault fault;
    fault.failAt(qvtest::FileOp::Read, 1, ZephErrIo);
    Outcome got = cliScan(dir.path());
    EXPECT_EQ(fault.faultsInjected(), 1);
    EXPECT_EQ(got, (Outcome{Finished, 4, 2, ""}));
    EXPECT_EQ(fault.openHandles(), 0);
}

// Opens of b.ini fail, as for a file nobody may read.
ZephError openRefusingB(const char* path, uint32_t flags, int64_t* handle) {
    std::string name = path != nullptr ? path : "";
    if (name.size() >= 5 && name.compare(name.size() - 5, 5, "b.ini") == 0)
        return ZephErrAccess;
    return ZephSysFilesDefault.open(path, flags, handle);
}

TEST_F(CliScanRunFallback, AFileThatCannotBeOpenedFailsWithTheJobsMessage) {
    ZephSysFileTable saved = ZephSysFiles;
    ZephSysFiles.open = openRefusingB;
    Outcome expected = jobScan(dir.path());
    Outcome got = cliScan(dir.path());
    ZephSysFiles = saved;
    EXPECT_EQ(expected, (Outcome{Failed, 2, 1, "Unable to open file \"" + join(dir.path(), "b.ini") + "\" for reading!"}));
    EXPECT_EQ(got, expected);
}

TEST_F(CliScanRunFallback, EveryHandleAndBlockIsGivenBack) {
    qvtest::FileFault fault; // counts only
    const int32_t blocks = ZephMemManagerGlobal.heapCount;
    Outcome got = cliScan(dir.path());
    EXPECT_EQ(got, (Outcome{Finished, 4, 2, ""}));
    EXPECT_EQ(fault.openHandles(), 0);
    EXPECT_EQ(fault.calls(qvtest::FileOp::Write), 0); // a scan writes nothing
    EXPECT_EQ(ZephMemManagerGlobal.heapCount, blocks);
}

// Records what a run reports.
class Recorder : public CliRunObserver {
public:
    void progress(int32_t done, int32_t total, int64_t bytes) override {
        if (!reports.empty()) {
            EXPECT_GE(done, reports.back().done);
            EXPECT_GE(bytes, reports.back().bytes);
        }
        EXPECT_LE(done, total == 0 ? done : total);
        reports.push_back({done, total, bytes});
    }
    struct Report {
        int32_t done, total;
        int64_t bytes;
    };
    std::vector<Report> reports;
};

TEST_F(CliScanRunFallback, ProgressGrowsToTheWholeDirectory) {
    Recorder fast;
    cliScan(dir.path(), legacyServerAddress, serviceHostName, &fast);
    ASSERT_FALSE(fast.reports.empty());
    EXPECT_EQ(fast.reports.back().done, 4);
    EXPECT_EQ(fast.reports.back().total, 4);
    EXPECT_GT(fast.reports.back().bytes, 0);

    // The convert run through the job, slice by slice.
    Recorder stepped;
    setUp(dir.path(), legacyServerAddress, serviceHostName);
    job.convert = 1;
    CliStepRun(&job, &stepped);
    EXPECT_EQ(outcome(), (Outcome{Finished, 4, 2, ""}));
    job.clear();
    ASSERT_FALSE(stepped.reports.empty());
    EXPECT_EQ(stepped.reports.back().done, 4);
    bool ok = false;
    EXPECT_EQ(qvtest::readFile(join(dir.path(), "a.exe"), &ok), std::string("xx") + serviceHostName + '\0');
}

// Asks to stop once it has been told of progress a number of times.
class Stopper : public CliRunObserver {
public:
    explicit Stopper(int reportsBeforeStop) : left_(reportsBeforeStop) {}
    void progress(int32_t, int32_t, int64_t) override { --left_; }
    bool stopRequested() override { return left_ <= 0; }

private:
    int left_;
};

TEST_F(CliScanRunFallback, AStopEndsTheScanAsFailedWithItsCounts) {
    Stopper stopper(1); // after the first file
    Outcome got = cliScan(dir.path(), legacyServerAddress, serviceHostName, &stopper);
    EXPECT_EQ(got, (Outcome{Failed, 1, 1, CliStoppedMessage}));
}

TEST_F(CliScanRunFallback, AStopBeforeTheConvertRunChangesNothing) {
    Stopper stopper(0);
    setUp(dir.path(), legacyServerAddress, serviceHostName);
    job.convert = 1;
    CliStepRun(&job, &stopper);
    EXPECT_EQ(outcome(), (Outcome{Failed, 0, 0, CliStoppedMessage}));
    job.clear();
    EXPECT_EQ(qvtest::readFile(join(dir.path(), "a.exe")), "xx" + std::string(legacyServerAddress));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4); // nothing left behind
}

} // namespace
