// Tests of the no-loss rewrite: the target changes only by a complete
// commit, and no failure of the platform loses it or leaves a temporary.
#include "ZephFileReplacer.h"
#include "ZephFile.h"
#include "ZephFolder.h"
#include "ZephMem.h"

#include "QvFileFault.h"
#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using qvtest::FileFault;
using qvtest::FileOp;

namespace {

const std::string Original("original \0 content of the game file", 35);
const std::string Rewritten = "rewritten content, longer than the original one";

struct ZephFileReplacerTest : ::testing::Test {
    qvtest::TempDir dir;
    ZephMemManager manager{"ZephFileReplacerTest", 0, 0, 0, nullptr};
    ZephFolder folder;
    ZephFileReplacer replacer;
    std::string target;

    void SetUp() override {
        replacer.init(&manager);
        target = dir.file("GAME.EXE");
        ASSERT_EQ(folder.open(dir.path().c_str(), -1), 0);
    }
    int begin(const char* name = "GAME.EXE") { return replacer.begin(folder.handle, name); }
    void TearDown() override {
        replacer.abandon();
        EXPECT_EQ(manager.heapCount, 0) << "blocks left behind";
    }
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(dir.path()))
            found.insert(entry.path().filename().string());
        return found;
    }
    // Writes Rewritten in three pieces and commits.
    int rewrite() {
        if (begin() != 0)
            return -1;
        if (replacer.write(Rewritten.data(), 10) != 0 || replacer.write(Rewritten.data() + 10, 0) != 0 ||
            replacer.write(Rewritten.data() + 10, static_cast<int64_t>(Rewritten.size()) - 10) != 0)
            return -1;
        return replacer.commit();
    }
};

using ZephFileReplacerFlow = ZephFileReplacerTest;

TEST_F(ZephFileReplacerFlow, CommitReplacesTheContentAndLeavesNothingElse) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    ASSERT_EQ(begin(), 0);
    EXPECT_TRUE(replacer.isActive());
    EXPECT_EQ(names().size(), 2u) << "the temporary sits beside the target";
    ASSERT_EQ(replacer.write(Rewritten.data(), static_cast<int64_t>(Rewritten.size())), 0);
    EXPECT_EQ(qvtest::readFile(target), Original) << "untouched until the commit";
    ASSERT_EQ(replacer.commit(), 0);
    EXPECT_FALSE(replacer.isActive());
    EXPECT_EQ(qvtest::readFile(target), Rewritten);
    EXPECT_EQ(names(), std::set<std::string>{"GAME.EXE"});
}

TEST_F(ZephFileReplacerFlow, AbandonAndDestructionKeepTheOriginal) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    ASSERT_EQ(begin(), 0);
    ASSERT_EQ(replacer.write("x", 1), 0);
    replacer.abandon();
    EXPECT_EQ(qvtest::readFile(target), Original);
    EXPECT_EQ(names(), std::set<std::string>{"GAME.EXE"});
    {
        ZephFileReplacer unfinished;
        unfinished.init(&manager);
        ASSERT_EQ(unfinished.begin(folder.handle, "GAME.EXE"), 0);
        ASSERT_EQ(unfinished.write("y", 1), 0);
    }
    EXPECT_EQ(qvtest::readFile(target), Original);
    EXPECT_EQ(names(), std::set<std::string>{"GAME.EXE"});
    EXPECT_EQ(replacer.write("z", 1), -1) << "idle";
    EXPECT_EQ(replacer.commit(), -1);
}

TEST_F(ZephFileReplacerFlow, PiecesAreGatheredIntoFewWritesInTheirOrder) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    std::string expected;
    int calls = 0;
    {
        FileFault fault;
        ASSERT_EQ(begin(), 0);
        // 4096-byte pieces as the patch job writes them, then one larger than
        // the gathering room, then small ones again.
        auto put = [&](const std::string& piece) {
            expected += piece;
            ASSERT_EQ(replacer.write(piece.data(), static_cast<int64_t>(piece.size())), 0);
        };
        for (int i = 0; i < 40; ++i)
            put(std::string(4096, static_cast<char>('a' + i % 26)));
        put(std::string(3 * ZephFileReplacer::PendingCapacity + 7, 'Z'));
        for (int i = 0; i < 5; ++i)
            put(std::string(100 + i, static_cast<char>('0' + i)));
        ASSERT_EQ(replacer.commit(), 0);
        calls = fault.calls(FileOp::Write);
    }
    EXPECT_EQ(qvtest::readFile(target), expected);
    EXPECT_LE(calls, 5) << "163840 bytes of pieces, one large write, a small rest";
}

TEST_F(ZephFileReplacerFlow, SealedAndFlushedContentIsCommittedWhole) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    FileFault count;
    ASSERT_EQ(begin(), 0);
    ASSERT_EQ(replacer.write("first ", 6), 0);
    ASSERT_EQ(replacer.seal(), 0);
    EXPECT_EQ(count.calls(FileOp::StartWriteback), 1);
    ASSERT_EQ(replacer.flushContent(), 0);
    EXPECT_EQ(qvtest::readFile(target), Original) << "in place only at the commit";
    // Bytes after a flush must be flushed again before the rename.
    ASSERT_EQ(replacer.write("second", 6), 0);
    ASSERT_EQ(replacer.commit(), 0);
    EXPECT_EQ(count.calls(FileOp::Flush), 2);
    EXPECT_EQ(qvtest::readFile(target), "first second");
    EXPECT_EQ(names(), std::set<std::string>{"GAME.EXE"});
    EXPECT_EQ(count.openHandles(), 0);
}

// Many sealed files flushed at once (past one group of 64): all reach the
// disk, or the first failing one is named and every file can still be
// abandoned, leaving the targets as they were.
TEST_F(ZephFileReplacerFlow, ContentsFlushTogetherAndTheFirstFailureIsNamed) {
    constexpr int32_t Count = 70;
    for (int failAt : {0, 1, 66}) {
        SCOPED_TRACE(failAt);
        std::vector<ZephFileReplacer> files(Count);
        for (int32_t i = 0; i < Count; ++i) {
            const std::string name = "F" + std::to_string(i) + ".INI";
            ASSERT_TRUE(qvtest::writeFile(dir.file(name.c_str()), Original));
            files[i].init(&manager);
            ASSERT_EQ(files[i].begin(folder.handle, name.c_str()), 0);
            ASSERT_EQ(files[i].write(Rewritten.data(), static_cast<int64_t>(Rewritten.size())), 0);
            ASSERT_EQ(files[i].seal(), 0);
        }
        FileFault fault;
        if (failAt > 0)
            fault.failAt(FileOp::Flush, failAt, ZephErrIo);
        int32_t failed = -2;
        const int result = ZephFileReplacer::flushContents(files.data(), Count, &failed);
        if (failAt == 0) {
            ASSERT_EQ(result, 0);
            EXPECT_EQ(failed, -1);
            EXPECT_EQ(fault.calls(FileOp::Flush), Count);
            for (ZephFileReplacer& file : files)
                ASSERT_EQ(file.commit(), 0);
            EXPECT_EQ(fault.calls(FileOp::Flush), Count) << "a flushed content is not flushed again";
            EXPECT_EQ(qvtest::readFile(dir.file("F69.INI")), Rewritten);
        } else {
            ASSERT_EQ(result, -1);
            EXPECT_EQ(failed, failAt - 1);
            EXPECT_EQ(files[failed].failure.code, ZephErrIo);
            for (ZephFileReplacer& file : files)
                EXPECT_TRUE(file.isActive());
            files.clear(); // abandons
            EXPECT_EQ(qvtest::readFile(dir.file("F0.INI")), Original);
        }
        EXPECT_EQ(names().size(), static_cast<size_t>(Count)) << "no temporary is left";
    }

    // The platform names the lowest handle that failed, whichever thread met it.
    int64_t good[3] = {ZephSysFileNone, ZephSysFileNone, ZephSysFileNone};
    for (int i = 0; i < 3; ++i) {
        const std::string name = "F" + std::to_string(2 + i) + ".INI";
        ASSERT_EQ(ZephSysFiles.openIn(folder.handle, name.c_str(), ZephSysOpenRead | ZephSysOpenWrite, &good[i]),
                  ZephErrNone);
    }
    int64_t closed = ZephSysFileNone;
    ASSERT_EQ(ZephSysFiles.openIn(folder.handle, "F1.INI", ZephSysOpenRead, &closed), ZephErrNone);
    ZephSysFiles.close(closed);
    const int64_t handles[] = {good[0], good[1], closed, good[2], closed};
    int32_t failed = -2;
    EXPECT_NE(ZephSysFiles.flushAll(handles, 5, &failed), ZephErrNone);
    EXPECT_EQ(failed, 2);
    EXPECT_EQ(ZephSysFiles.flushAll(good, 3, &failed), ZephErrNone);
    EXPECT_EQ(failed, -1);
    for (int64_t handle : good)
        ZephSysFiles.close(handle);
}

TEST_F(ZephFileReplacerFlow, TakeOverMovesTheUnfinishedReplacement) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    ASSERT_EQ(begin(), 0);
    ASSERT_EQ(replacer.write(Rewritten.data(), static_cast<int64_t>(Rewritten.size())), 0);
    ZephFileReplacer later;
    later.init(&manager);
    later.takeOver(replacer);
    EXPECT_FALSE(replacer.isActive());
    EXPECT_TRUE(later.isActive());
    replacer.abandon(); // idle: must not remove what it handed over
    EXPECT_EQ(names().size(), 2u);
    ASSERT_EQ(later.commit(), 0);
    EXPECT_EQ(qvtest::readFile(target), Rewritten);
    EXPECT_EQ(names(), std::set<std::string>{"GAME.EXE"});

    // Handed over and then dropped: the temporary goes, the target stays.
    ASSERT_EQ(begin(), 0);
    ASSERT_EQ(replacer.write("x", 1), 0);
    {
        ZephFileReplacer dropped;
        dropped.init(&manager);
        dropped.takeOver(replacer);
    }
    EXPECT_EQ(qvtest::readFile(target), Rewritten);
    EXPECT_EQ(names(), std::set<std::string>{"GAME.EXE"});
}

TEST_F(ZephFileReplacerFlow, MissingTargetIsCreated) {
    std::string copy = target + ".new";
    ASSERT_EQ(begin("GAME.EXE.new"), 0);
    ASSERT_EQ(replacer.write("copy", 4), 0);
    EXPECT_FALSE(fs::exists(copy));
    ASSERT_EQ(replacer.commit(), 0);
    EXPECT_EQ(qvtest::readFile(copy), "copy");
    ASSERT_EQ(begin("empty"), 0);
    ASSERT_EQ(replacer.commit(), 0);
    EXPECT_EQ(fs::file_size(dir.file("empty")), 0u) << "an empty new content is a valid file";
}

TEST_F(ZephFileReplacerFlow, BeginRefusesWhatCannotBeReplaced) {
    EXPECT_EQ(begin(nullptr), -1);
    EXPECT_EQ(begin(""), -1);
    fs::create_directory(dir.file("Maps"));
    EXPECT_EQ(begin("Maps"), -1) << "a directory";
    EXPECT_EQ(replacer.failure.code, ZephErrNotRegular);
    EXPECT_EQ(begin("../GAME.EXE"), -1) << "a path, not a name";
    EXPECT_EQ(replacer.begin(ZephSysFileNone, "GAME.EXE"), -1);
    fs::remove(dir.file("Maps"));
    EXPECT_FALSE(replacer.isActive());
    EXPECT_TRUE(names().empty());
}

TEST_F(ZephFileReplacerFlow, ReadOnlyTargetFailsAtBeginBeforeAnyWrite) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    fs::permissions(target, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    // Refused even for a user who could write it anyway (root, Wine run by
    // root): read-only is the file's own word, as on Windows.
    FileFault fault;
    EXPECT_EQ(begin(), -1);
    EXPECT_EQ(replacer.failure.code, ZephErrReadOnly);
    EXPECT_EQ(fault.calls(FileOp::Write), 0);
    EXPECT_EQ(names(), std::set<std::string>{"GAME.EXE"});
    EXPECT_EQ(qvtest::readFile(target), Original);
    EXPECT_EQ(ZephFileSave(target.c_str(), "x", 1), -1);
    ZephFile file;
    EXPECT_EQ(file.open(target.c_str(), OpenRead | OpenWrite | OpenShared), -1);
    EXPECT_EQ(file.open(target.c_str(), OpenTruncate | OpenWrite | OpenCreate), -1);
    EXPECT_EQ(file.open(target.c_str(), OpenRead | OpenShared), 0) << "reading stays possible";
    file.close();
    EXPECT_EQ(qvtest::readFile(target), Original);
}

TEST_F(ZephFileReplacerFlow, TargetThatCannotBeOpenedFailsAtBegin) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    FileFault fault;
    fault.failAt(FileOp::OpenIn, 1, ZephErrAccess);
    EXPECT_EQ(begin(), -1);
    EXPECT_EQ(replacer.failure.code, ZephErrAccess);
    EXPECT_EQ(fault.calls(FileOp::OpenIn), 1) << "no temporary was even tried";
    EXPECT_EQ(names(), std::set<std::string>{"GAME.EXE"});
}

TEST_F(ZephFileReplacerFlow, TakenTemporaryNamesAreSkipped) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    FileFault fault;
    fault.failAt(FileOp::OpenIn, 2, ZephErrExists);
    ASSERT_EQ(begin(), 0);
    EXPECT_EQ(fault.calls(FileOp::OpenIn), 3);
    ASSERT_EQ(replacer.commit(), 0);
    EXPECT_EQ(qvtest::readFile(target), "");
}

// ------------------------------------------------------------- failures

// What a rewrite under one injected fault may end in: the new content with
// nothing else (success, or a failed folder sync after the rename, which is
// reported but cannot be undone), or -1 with the target byte for byte as
// before and no temporary left. Closes of files only read are harmless.
void expectNothingLost(ZephFileReplacerTest& test, int result, const std::string& which, bool targetExists,
                       ZephError injected) {
    const std::string now = qvtest::readFile(test.target);
    const bool placed = targetExists ? now == Rewritten : fs::exists(test.target);
    EXPECT_EQ(test.names().size(), targetExists || placed ? 1u : 0u) << "a temporary was left behind";
    if (result == 0) {
        EXPECT_EQ(now, Rewritten);
        EXPECT_TRUE(which == "none" || which == "close") << "a failure of " << which << " was not reported";
        return;
    }
    EXPECT_EQ(test.replacer.failure.code, injected);
    if (which == "flushFolder")
        EXPECT_EQ(now, Rewritten) << "the sync comes after the rename";
    else if (targetExists)
        EXPECT_EQ(now, Original);
    else
        EXPECT_FALSE(placed) << "a failed creation left a file";
}

// For every call of the file layer that rewrite() makes, fails it (once, then
// from there on).
void everyFailureKeepsTheTarget(ZephFileReplacerTest& test, bool targetExists) {
    for (bool persistent : {false, true}) {
        for (int n = 1;; ++n) {
            if (targetExists)
                ASSERT_TRUE(qvtest::writeFile(test.target, Original));
            else
                fs::remove(test.target);
            int result, faults;
            std::string which;
            {
                FileFault fault;
                fault.failAt(FileOp::Any, n, ZephErrIo, persistent);
                // A remove that fails cannot clean up; that case is its own test.
                fault.spare(FileOp::RemoveIn);
                result = test.rewrite();
                faults = fault.faultsInjected();
                which = fault.lastFaultName();
                EXPECT_EQ(fault.openHandles(), 0) << "a handle was left open";
            }
            SCOPED_TRACE(std::string(persistent ? "from call " : "at call ") + std::to_string(n) + " (" + which + ")");
            EXPECT_FALSE(test.replacer.isActive());
            expectNothingLost(test, result, which, targetExists, ZephErrIo);
            if (faults == 0)
                break;
        }
    }
}

using ZephFileReplacerFaults = ZephFileReplacerTest;

TEST_F(ZephFileReplacerFaults, NoFailureLosesTheTarget) { everyFailureKeepsTheTarget(*this, true); }

TEST_F(ZephFileReplacerFaults, NoFailureLeavesAHalfCreatedFile) { everyFailureKeepsTheTarget(*this, false); }

TEST_F(ZephFileReplacerFaults, ShortWriteIsAFailure) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    FileFault fault;
    // The small writes are gathered and go out at the commit, in one call.
    fault.cutShortAt(FileOp::Write, 1, 5);
    EXPECT_EQ(rewrite(), -1);
    EXPECT_EQ(fault.calls(FileOp::Write), 1);
    EXPECT_EQ(replacer.failure.code, ZephErrNoSpace);
    EXPECT_EQ(qvtest::readFile(target), Original);
    EXPECT_EQ(names().size(), 1u);
}

TEST_F(ZephFileReplacerFaults, FailedCleanupIsReportedByTheFirstCause) {
    ASSERT_TRUE(qvtest::writeFile(target, Original));
    {
        FileFault fault;
        fault.failAt(FileOp::ReplaceIn, 1, ZephErrBusy);
        fault.failAt(FileOp::RemoveIn, 1, ZephErrAccess);
        EXPECT_EQ(rewrite(), -1);
        EXPECT_EQ(replacer.failure.code, ZephErrBusy);
    }
    EXPECT_EQ(qvtest::readFile(target), Original);
    EXPECT_EQ(names().size(), 2u) << "only the temporary that could not be removed";
}

TEST_F(ZephFileReplacerFaults, SaveKeepsTheOriginalOnEveryFailure) {
    for (int n = 1;; ++n) {
        ASSERT_TRUE(qvtest::writeFile(target, Original));
        int result, faults;
        std::string which;
        {
            FileFault fault;
            fault.failAt(FileOp::Any, n, ZephErrNoSpace);
            result = ZephFileSave(target.c_str(), Rewritten.data(), static_cast<int32_t>(Rewritten.size()));
            faults = fault.faultsInjected();
            which = fault.lastFaultName();
        }
        SCOPED_TRACE("at call " + std::to_string(n) + " (" + which + ")");
        if (result != 0)
            replacer.failure.code = ZephErrNoSpace; // ZephFileSave keeps its replacer to itself
        expectNothingLost(*this, result, which, true, ZephErrNoSpace);
        if (faults == 0)
            break;
    }
}

} // namespace
