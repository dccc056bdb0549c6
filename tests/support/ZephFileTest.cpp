// Tests of the file object: open modes, reads and writes on disk and in
// memory, the hex dump layout, the whole-file operations, files past 2 GiB,
// and every platform failure through the fault seam.
#include "ZephFile.h"
#include "ZephMem.h"

#include "QvFileFault.h"
#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using qvtest::FileFault;
using qvtest::FileOp;

namespace {

struct ZephFileTest : ::testing::Test {
    qvtest::TempDir dir;
    ZephMemManager manager{"ZephFileTest", 0, 0, 0, nullptr};
    ZephFile file;

    void SetUp() override { file.init(&manager); }
    void TearDown() override {
        file.close();
        EXPECT_EQ(manager.heapCount, 0) << "blocks left behind";
    }
    std::string path(const char* name) const { return dir.file(name); }
    std::string memoryContent() const { return std::string(file.block, static_cast<size_t>(file.size)); }
};

// ---------------------------------------------------------------- open

using ZephFileOpen = ZephFileTest;

TEST_F(ZephFileOpen, TruncateOnMissingFileCreatesIt) {
    std::string p = path("new.ini");
    ASSERT_EQ(file.open(p.c_str(), OpenTruncate | OpenWrite | OpenCreate), 0);
    EXPECT_TRUE(file.isOpen());
    EXPECT_FALSE(file.isMemory());
    EXPECT_EQ(file.size, 0);
    EXPECT_TRUE(file.atEnd());
    file.close();
    EXPECT_TRUE(fs::exists(p));
}

TEST_F(ZephFileOpen, TruncateEmptiesAnExistingFile) {
    std::string p = path("old.ini");
    ASSERT_TRUE(qvtest::writeFile(p, "old content"));
    ASSERT_EQ(file.open(p.c_str(), OpenTruncate | OpenWrite | OpenCreate), 0);
    EXPECT_EQ(file.size, 0);
    ASSERT_EQ(file.write("new", 3), 0);
    file.close();
    EXPECT_EQ(qvtest::readFile(p), "new");
}

TEST_F(ZephFileOpen, FailuresLeaveTheObjectClosed) {
    std::string missing = path("missing.cfg");
    EXPECT_EQ(file.open(missing.c_str(), OpenRead | OpenShared), -1);
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(fs::exists(missing)) << "no OpenCreate, nothing created";
    EXPECT_EQ(file.open(nullptr, OpenRead), -1);
    std::string p = path("a.ini");
    ASSERT_TRUE(qvtest::writeFile(p, "abc"));
    EXPECT_EQ(file.open(p.c_str(), OpenShared), -1) << "neither read nor write";
    EXPECT_EQ(file.open(dir.path().c_str(), OpenRead | OpenShared), -1) << "a directory is no file";
    EXPECT_EQ(file.state, 0u);
    EXPECT_EQ(file.handle, ZephSysFileNone);
}

TEST_F(ZephFileOpen, AtEndStartsAtTheSizeAndAppends) {
    std::string p = path("log.txt");
    ASSERT_TRUE(qvtest::writeFile(p, "abc"));
    ASSERT_EQ(file.open(p.c_str(), OpenAtEnd | OpenWrite | OpenCreate), 0);
    EXPECT_EQ(file.size, 3);
    EXPECT_EQ(file.position, 3);
    EXPECT_TRUE(file.atEnd());
    ASSERT_EQ(file.writeLine("de"), 0);
    EXPECT_EQ(file.size, 7);
    file.close();
    EXPECT_EQ(qvtest::readFile(p), "abcde\r\n");
}

TEST_F(ZephFileOpen, ReopeningClosesTheFirstFile) {
    std::string p = path("a.ini");
    ASSERT_TRUE(qvtest::writeFile(p, "abc"));
    FileFault fault;
    ASSERT_EQ(file.open(p.c_str(), OpenRead | OpenShared), 0);
    ASSERT_EQ(file.open(nullptr, OpenMemory), 0);
    EXPECT_TRUE(file.isMemory());
    EXPECT_EQ(fault.calls(FileOp::Close), 1);
    file.init(&manager);
    EXPECT_EQ(fault.calls(FileOp::Open), fault.calls(FileOp::Close));
}

// ------------------------------------------------------- read and write

using ZephFileReadWrite = ZephFileTest;

TEST_F(ZephFileReadWrite, ShortDiskReadFailsAndKeepsThePosition) {
    std::string p = path("a.dll");
    ASSERT_TRUE(qvtest::writeFile(p, "abcdef"));
    ASSERT_EQ(file.open(p.c_str(), OpenRead | OpenShared), 0);
    char got[8] = {};
    ASSERT_EQ(file.read(got, 4), 0);
    EXPECT_EQ(std::string(got, 4), "abcd");
    EXPECT_FALSE(file.atEnd());
    EXPECT_EQ(file.read(got, 4), -1);
    EXPECT_EQ(file.position, 4);
    ASSERT_EQ(file.read(got, 2), 0) << "the platform position was put back too";
    EXPECT_EQ(std::string(got, 2), "ef");
    EXPECT_TRUE(file.atEnd());
    EXPECT_EQ(file.read(nullptr, 1), -1);
    EXPECT_EQ(file.read(got, 0), 0);
}

TEST_F(ZephFileReadWrite, DiskWritePastTheSizeRaisesIt) {
    std::string p = path("b.ini");
    ASSERT_EQ(file.open(p.c_str(), OpenRead | OpenWrite | OpenCreate), 0);
    ASSERT_EQ(file.write("hello", 5), 0);
    EXPECT_EQ(file.size, 5);
    ASSERT_EQ(file.seekFromEnd(-2), 0);
    EXPECT_EQ(file.position, 3);
    EXPECT_FALSE(file.atEnd());
    ASSERT_EQ(file.write("LOW", 3), 0);
    EXPECT_EQ(file.size, 6);
    ASSERT_EQ(file.write("x", -7), 0) << "a negative count writes nothing";
    EXPECT_EQ(file.size, 6);
    EXPECT_EQ(file.seekFromEnd(-100), -1) << "before the start of the file";
    file.close();
    EXPECT_EQ(qvtest::readFile(p), "helLOW");
    EXPECT_EQ(file.write("x", 1), -1) << "closed";
    EXPECT_EQ(file.seekFromEnd(0), -1);
}

TEST_F(ZephFileReadWrite, CutShortDiskWriteFailsAndCountsWhatWentOut) {
    std::string p = path("c.ini");
    ASSERT_EQ(file.open(p.c_str(), OpenWrite | OpenCreate), 0);
    {
        FileFault fault;
        fault.cutShortAt(FileOp::Write, 1, 4);
        EXPECT_EQ(file.write("0123456789", 10), -1);
        EXPECT_EQ(fault.faultsInjected(), 1);
    }
    EXPECT_EQ(file.position, 4);
    EXPECT_EQ(file.size, 4);
    file.close();
    EXPECT_EQ(qvtest::readFile(p), "0123");
}

TEST_F(ZephFileReadWrite, MemoryFileGrowsInWholeSteps) {
    ASSERT_EQ(file.open(nullptr, OpenMemory), 0);
    EXPECT_TRUE(file.isMemory());
    std::string data(4097, 'm');
    ASSERT_EQ(file.write(data.data(), 4097), 0);
    EXPECT_EQ(file.blockCapacity, 8192);
    EXPECT_EQ(file.size, 4097);
    EXPECT_STREQ(ZephMemBlockOf(file.block)->name, "ZephFile memory buffer");
    EXPECT_EQ(file.block[4097], 0) << "grown blocks are zeroed";
    ASSERT_EQ(file.seekFromEnd(-10000), 0);
    EXPECT_EQ(file.position, 0) << "a memory file clamps at its start";
    ASSERT_EQ(file.seekFromEnd(20000), 0);
    ASSERT_EQ(file.write("z", 1), 0);
    EXPECT_EQ(file.blockCapacity, 6 * 4096) << "24098 bytes need 6 steps";
    EXPECT_EQ(file.size, 24098);
}

TEST_F(ZephFileReadWrite, MemoryReadStopsAtTheBlockAndSucceeds) {
    ASSERT_EQ(file.open(nullptr, OpenMemory), 0);
    char got[32];
    std::memset(got, 'x', sizeof got);
    ASSERT_EQ(file.read(got, 8), 0) << "no block yet: nothing copied";
    EXPECT_EQ(file.position, 0);
    ASSERT_EQ(file.write("0123456789", 10), 0);
    ASSERT_EQ(file.seekFromEnd(4080), 0);
    ASSERT_EQ(file.read(got, 20), 0);
    EXPECT_EQ(file.position, 4096);
    EXPECT_EQ(std::string(got, 6), std::string(6, '\0'));
    EXPECT_EQ(std::string(got + 6, 14), std::string(14, 'x'));
    ASSERT_EQ(file.read(got, 5), 0);
    EXPECT_EQ(file.position, 4096);
    EXPECT_TRUE(file.atEnd());
}

TEST_F(ZephFileReadWrite, SetMemoryCapacityKeepsTheFirstBytes) {
    ASSERT_EQ(file.open(nullptr, OpenMemory), 0);
    ASSERT_EQ(file.write("abcdef", 6), 0);
    ASSERT_EQ(file.setMemoryCapacity(3), 0);
    EXPECT_EQ(std::string(file.block, 3), "abc");
    EXPECT_EQ(file.size, 6) << "the size is not the capacity's business";
    EXPECT_EQ(file.setMemoryCapacity(-1), -1);
    ASSERT_EQ(file.setMemoryCapacity(0), 0);
    EXPECT_EQ(file.block, nullptr);
    EXPECT_EQ(manager.heapCount, 0);
}

// ------------------------------------------------------------ hex dump

struct ZephFileHexDump : ZephFileTest {
    std::string dump(const void* data, int32_t length, int32_t base, int32_t perLine, bool text,
                     const char* prefix = "    ") {
        ZephFile memory;
        memory.init(&manager);
        EXPECT_EQ(memory.open(nullptr, OpenMemory), 0);
        EXPECT_EQ(memory.hexDump(prefix, data, length, base, perLine, text), 0);
        return std::string(memory.block ? memory.block : "", static_cast<size_t>(memory.size));
    }
};

// 39 characters and the terminating zero: 40 bytes, all kinds of bytes.
const char Forty[40] = "Quorvel\tdump\r\n0123456789 ABCDEFGHIJ\x7f\x80\xff~";
const std::string FirstLineHex = "51 75 6f 72 76 65 6c 09 64 75 6d 70 0d 0a 30 31 "
                                 "32 33 34 35 36 37 38 39 20 41 42 43 44 45 46 47 ";

TEST_F(ZephFileHexDump, FullAndPartialLinesWithText) {
    std::string expected = "    00000000 : " + FirstLineHex + "    [Quorvel.dump..0123456789 ABCDEFG]\r\n" +
                           "    00000032 : 48 49 4a 7f 80 ff 7e 00 " + std::string(24 * 3, ' ') + "    [HIJ...~.]\r\n";
    EXPECT_EQ(dump(Forty, 40, 0, 32, true), expected);
}

TEST_F(ZephFileHexDump, PartialLineWithoutTextIsNotPadded) {
    std::string expected = "    00000000 : " + FirstLineHex + "\r\n" + "    00000032 : 48 49 4a 7f 80 ff 7e 00 \r\n";
    EXPECT_EQ(dump(Forty, 40, 0, 32, false), expected);
}

TEST_F(ZephFileHexDump, BaseOffsetLabelsInDecimal) {
    std::string expected = "00000100 : 51 75 6f 72     [Quor]\r\n"
                           "00000104 : 76 65 6c 09     [vel.]\r\n"
                           "00000108 : 64 " +
                           std::string(3 * 3, ' ') + "    [d]\r\n";
    EXPECT_EQ(dump(Forty, 9, 100, 4, true, ""), expected);
}

TEST_F(ZephFileHexDump, EdgesOfTheArguments) {
    EXPECT_EQ(dump(Forty, 0, 0, 32, true), "");
    EXPECT_EQ(dump(Forty, 2, 7, 0, false, ">"), ">00000007 : 51 \r\n>00000008 : 75 \r\n")
        << "bytes per line below 1 becomes 1";
    std::string longPrefix(300, 'p');
    std::string expected = std::string(64, 'p') + "00000000 : " + FirstLineHex + "48 49 4a 7f 80 ff 7e 00 " +
                           std::string(24 * 3, ' ') + "    [Quorvel.dump..0123456789 ABCDEFGHIJ...~.]\r\n";
    EXPECT_EQ(dump(Forty, 40, 0, 1000, true, longPrefix.c_str()), expected)
        << "the prefix is cut to 64 bytes and a line to 64 bytes";
}

// ------------------------------------------------ whole-file operations

using ZephFileWhole = ZephFileTest;

TEST_F(ZephFileWhole, ExistsOnlyForOneFileThatIsNoDirectory) {
    ASSERT_TRUE(qvtest::writeFile(path("one.ini"), "1"));
    ASSERT_TRUE(qvtest::writeFile(path("two.ini"), "2"));
    fs::create_directory(path("sub"));
    EXPECT_TRUE(ZephFileExists(path("one.ini").c_str()));
    EXPECT_TRUE(ZephFileExists(path("on?.ini").c_str())) << "a pattern that matches one file";
    EXPECT_FALSE(ZephFileExists(path("*.ini").c_str())) << "two matches";
    EXPECT_FALSE(ZephFileExists(path("sub").c_str()));
    EXPECT_FALSE(ZephFileExists(path("missing").c_str()));
    EXPECT_FALSE(ZephFileExists(nullptr));
}

TEST_F(ZephFileWhole, TruncateNeedsAnExistingFile) {
    EXPECT_EQ(ZephFileTruncate(path("missing").c_str()), -1);
    EXPECT_FALSE(fs::exists(path("missing")));
    ASSERT_TRUE(qvtest::writeFile(path("a.cfg"), "content"));
    ASSERT_EQ(ZephFileTruncate(path("a.cfg").c_str()), 0);
    EXPECT_EQ(fs::file_size(path("a.cfg")), 0u);
}

TEST_F(ZephFileWhole, AppendLineCreatesThenAppends) {
    std::string p = path("report.txt");
    ASSERT_EQ(ZephFileAppendLine(p.c_str(), "first"), 0);
    ASSERT_EQ(ZephFileAppendLine(p.c_str(), ""), 0);
    ASSERT_EQ(ZephFileAppendLine(p.c_str(), "third"), 0);
    EXPECT_EQ(qvtest::readFile(p), "first\r\n\r\nthird\r\n");
    EXPECT_EQ(ZephFileAppendLine(p.c_str(), nullptr), -1);
    EXPECT_EQ(ZephFileAppendLine(nullptr, "x"), -1);
}

TEST_F(ZephFileWhole, AppendHexDumpGoesAfterExistingContent) {
    std::string p = path("report.txt");
    ASSERT_TRUE(qvtest::writeFile(p, "head\r\n"));
    ASSERT_EQ(ZephFileAppendHexDump(p.c_str(), "  ", "AB", 2, 0, 32, true), 0);
    EXPECT_EQ(qvtest::readFile(p), "head\r\n  00000000 : 41 42 " + std::string(30 * 3, ' ') + "    [AB]\r\n");
}

TEST_F(ZephFileWhole, LoadGivesTheBytesInANamedBlock) {
    std::string p = path("a.exe");
    std::string bytes("MZ\0\x01\xff binary", 12);
    ASSERT_TRUE(qvtest::writeFile(p, bytes));
    int32_t size = -1;
    void* loaded = ZephFileLoad(&manager, p.c_str(), &size);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(size, 12);
    EXPECT_EQ(std::string(static_cast<char*>(loaded), 12), bytes);
    EXPECT_STREQ(ZephMemBlockOf(loaded)->name, "_ZEPHFILE buffer");
    ZephMemFree(loaded);
}

TEST_F(ZephFileWhole, LoadOfAnEmptyFileGivesAnEmptyBlock) {
    std::string p = path("empty.ini");
    ASSERT_TRUE(qvtest::writeFile(p, ""));
    int32_t size = -1;
    void* loaded = ZephFileLoad(&manager, p.c_str(), &size);
    EXPECT_NE(loaded, nullptr);
    EXPECT_EQ(size, 0);
    ZephMemFree(loaded);
    size = -1;
    EXPECT_EQ(ZephFileLoad(&manager, path("missing").c_str(), &size), nullptr);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(ZephFileLoad(&manager, nullptr, nullptr), nullptr);
}

TEST_F(ZephFileWhole, SaveWritesExactlyTheBytes) {
    std::string p = path("a.ini");
    ASSERT_TRUE(qvtest::writeFile(p, "a much longer old content"));
    ASSERT_EQ(ZephFileSave(p.c_str(), "new", 3), 0);
    EXPECT_EQ(qvtest::readFile(p), "new");
    ASSERT_EQ(ZephFileSave(path("created.ini").c_str(), "x\0y", 3), 0);
    EXPECT_EQ(qvtest::readFile(path("created.ini")), std::string("x\0y", 3));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2)
        << "no temporary file left";
}

TEST_F(ZephFileWhole, SaveRefusesNothingToWriteWithoutTouchingTheFile) {
    std::string p = path("a.ini");
    ASSERT_TRUE(qvtest::writeFile(p, "keep"));
    EXPECT_EQ(ZephFileSave(p.c_str(), "", 0), -1);
    EXPECT_EQ(ZephFileSave(p.c_str(), "x", -1), -1);
    EXPECT_EQ(ZephFileSave(p.c_str(), nullptr, 1), -1);
    EXPECT_EQ(ZephFileSave(nullptr, "x", 1), -1);
    EXPECT_EQ(qvtest::readFile(p), "keep");
    EXPECT_EQ(ZephFileSave(dir.path().c_str(), "x", 1), -1) << "a directory";
}

// ------------------------------------------------------- files past 2 GiB

// Sparse files: instant to make and to delete, and they take no disk space.
struct ZephFileLarge : ZephFileTest {
    // A file of size bytes whose last four are "TAIL"; false when the file
    // system cannot make it.
    bool makeSparse(const std::string& p, int64_t size) {
        std::error_code error;
        { qvtest::writeFile(p, ""); }
        fs::resize_file(p, static_cast<uintmax_t>(size), error);
        if (error)
            return false;
        ZephFile writer;
        writer.init(&manager);
        return writer.open(p.c_str(), OpenWrite) == 0 && writer.seekFromEnd(-4) == 0 && writer.write("TAIL", 4) == 0;
    }
};

TEST_F(ZephFileLarge, SizesAndPositionsAre64Bit) {
    for (int64_t size : {int64_t{0x7fffffff}, int64_t{0x80000000}, int64_t{0x100000004}, int64_t{5} << 30}) {
        std::string p = path("big.exe");
        if (!makeSparse(p, size))
            GTEST_SKIP() << "this file system cannot hold a sparse file of " << size << " bytes";
        ASSERT_EQ(file.open(p.c_str(), OpenRead | OpenShared), 0);
        EXPECT_EQ(file.size, size);
        ASSERT_EQ(file.seekFromEnd(-4), 0);
        EXPECT_EQ(file.position, size - 4);
        char tail[4];
        ASSERT_EQ(file.read(tail, 4), 0);
        EXPECT_EQ(std::string(tail, 4), "TAIL");
        EXPECT_TRUE(file.atEnd());
        file.close();

        // The loader refuses what does not fit a signed 32-bit size, rather
        // than load the low 32 bits' worth (4 bytes of a 4 GiB + 4 file).
        if (size > INT32_MAX) {
            int32_t loadedSize = -1;
            EXPECT_EQ(ZephFileLoad(&manager, p.c_str(), &loadedSize), nullptr) << size;
            EXPECT_EQ(loadedSize, 0);
        }
        fs::remove(p);
    }
}

// --------------------------------------------------- platform failures

// What a round of everyFailure did.
struct FaultRound {
    int n;
    bool persistent;
    int faults;      // injected
    int closeFaults; // of them, in close
    std::string which;
};

// Runs op under a fault at every call of the file layer in turn, once and
// then from that call on, until a round injects nothing. Each result must be
// -1, except where only closes failed (closing never reports) or tolerated
// says the operation may recover; check then looks at what the round left.
template <typename Op, typename Check, typename Tolerated>
void everyFailure(Op op, Check check, Tolerated tolerated) {
    for (bool persistent : {false, true}) {
        for (int n = 1;; ++n) {
            FaultRound round{n, persistent, 0, 0, ""};
            int result;
            {
                FileFault fault;
                fault.failAt(FileOp::Any, n, ZephErrIo, persistent);
                result = op();
                round.faults = fault.faultsInjected();
                round.closeFaults = fault.faultsInjected(FileOp::Close);
                round.which = fault.lastFaultName();
                EXPECT_EQ(fault.openHandles(), 0) << "a handle was left open";
            }
            SCOPED_TRACE(std::string(persistent ? "from call " : "at call ") + std::to_string(n) + " (" + round.which +
                         ")");
            if (round.faults == round.closeFaults) {
                EXPECT_EQ(result, 0);
            } else if (!tolerated(round)) {
                EXPECT_EQ(result, -1);
            }
            check(result);
            if (round.faults == 0)
                break;
        }
    }
}

template <typename Op, typename Check>
void everyFailure(Op op, Check check) {
    everyFailure(op, check, [](const FaultRound&) { return false; });
}

using ZephFileFaults = ZephFileTest;

TEST_F(ZephFileFaults, LoadFailsCleanly) {
    std::string p = path("a.exe");
    ASSERT_TRUE(qvtest::writeFile(p, "content"));
    int32_t size = 0;
    void* loaded = nullptr;
    everyFailure(
        [&] {
            loaded = ZephFileLoad(&manager, p.c_str(), &size);
            return loaded != nullptr ? 0 : -1;
        },
        [&](int result) {
            EXPECT_EQ(size, result == 0 ? 7 : 0);
            ZephMemFree(loaded);
            EXPECT_EQ(manager.heapCount, 0);
        });
}

TEST_F(ZephFileFaults, AppendLineFailsCleanly) {
    std::string p = path("report.txt");
    std::string before;
    everyFailure([&] { return ZephFileAppendLine(p.c_str(), "line"); },
                 [&](int result) {
                     // An append is not atomic: a failed one may leave the
                     // part of the line that was written before the failure.
                     std::string now = qvtest::readFile(p);
                     ASSERT_EQ(now.compare(0, before.size(), before), 0) << "earlier content changed";
                     std::string added = now.substr(before.size());
                     if (result == 0)
                         EXPECT_EQ(added, "line\r\n");
                     else
                         EXPECT_EQ(std::string("line\r\n").compare(0, added.size(), added), 0) << added;
                     before = now;
                 },
                 // The first open finds no file or fails; the second creates.
                 [](const FaultRound& round) { return !round.persistent && round.which == "open"; });
}

TEST_F(ZephFileFaults, AppendHexDumpReportsAFailedDump) {
    std::string p = path("report.txt");
    everyFailure([&] { return ZephFileAppendHexDump(p.c_str(), "", "AB", 2, 0, 32, false); }, [](int) {},
                 [](const FaultRound& round) { return !round.persistent && round.which == "open"; });
    FileFault fault;
    fault.cutShortAt(FileOp::Write, 1, 3);
    EXPECT_EQ(ZephFileAppendHexDump(p.c_str(), "", "AB", 2, 0, 32, false), -1) << "a dump cut short is a failure";
}

TEST_F(ZephFileFaults, TruncateFailsCleanly) {
    std::string p = path("a.ini");
    everyFailure(
        [&] {
            qvtest::writeFile(p, "content");
            return ZephFileTruncate(p.c_str());
        },
        [&](int result) { EXPECT_EQ(qvtest::readFile(p), result == 0 ? "" : "content"); });
}

TEST_F(ZephFileFaults, OpenReadAndWriteFailCleanly) {
    std::string p = path("a.ini");
    ASSERT_TRUE(qvtest::writeFile(p, "0123456789"));
    everyFailure(
        [&] {
            ZephFile f;
            f.init(&manager);
            char got[10];
            if (f.open(p.c_str(), OpenRead | OpenWrite | OpenShared) != 0)
                return -1;
            int result = f.read(got, 4) == 0 && f.write("abc", 3) == 0 && f.seekFromEnd(-1) == 0 ? 0 : -1;
            f.close();
            return result;
        },
        [&](int) {});
    // A read that fails halfway keeps the position, and the platform's too.
    ZephFile f;
    f.init(&manager);
    ASSERT_EQ(f.open(p.c_str(), OpenRead | OpenShared), 0);
    char got[10];
    {
        FileFault fault;
        fault.cutShortAt(FileOp::Read, 1, 3);
        EXPECT_EQ(f.read(got, 6), -1);
        EXPECT_EQ(f.position, 0);
        fault.failAt(FileOp::Read, 2, ZephErrIo);
        EXPECT_EQ(f.read(got, 6), -1);
    }
    ASSERT_EQ(f.read(got, 6), 0);
    EXPECT_EQ(std::string(got, 6), "0123ab") << "rounds that wrote put abc at 4";
}

} // namespace
