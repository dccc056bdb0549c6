// RunUndoTest.cpp - undo of patch runs: byte-exact round trips, walking
// back, refusals, damaged records, and a crash at every point of an undo.
#include "RunUndo.h"
#include "InstallFolder.h"
#include "PatchJob.h"
#include "RunJournal.h"
#include "WizardStrings.h"
#include "ZephFolder.h"
#include "ZephMem.h"

#include "QvFileFault.h"
#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string Address = legacyServerAddress;
using Files = std::map<std::string, std::string>;

class RunUndoTest : public ::testing::Test {
protected:
    ZephMemManager manager{"RunUndoTest", 0, 0, 0, nullptr};
    qvtest::TempDir dir;

    void TearDown() override { EXPECT_EQ(0, manager.heapCount) << "blocks left behind"; }

    void put(const Files& files) {
        for (const auto& [name, bytes] : files)
            ASSERT_TRUE(qvtest::writeFile(dir.file(name), bytes));
    }
    Files now() const {
        Files found;
        for (const auto& item : fs::directory_iterator(dir.path()))
            found[item.path().filename().string()] = qvtest::readFile(item.path().string());
        return found;
    }
    void patch(const std::string& from, const std::string& to, int32_t saveAsNew = 0) {
        PatchJob job;
        job.init(&manager);
        job.setDirectory(dir.path().c_str());
        job.setOldString(from.c_str());
        job.setNewString(to.c_str());
        job.convert = 1;
        job.saveAsNew = saveAsNew;
        job.start();
        job.step(-1);
        EXPECT_EQ(Finished, job.status) << job.message;
        job.clear();
    }
    RunUndoOutcome undo(bool dryRun) {
        RunUndoOutcome outcome;
        EXPECT_EQ(0, RunUndoLast(dir.path().c_str(), &manager, dryRun, nullptr, &outcome));
        return outcome;
    }
};

TEST_F(RunUndoTest, RoundTripsGiveBackEveryByte) {
    std::string program(70000, '\x90');
    program.replace(3, Address.size(), Address);
    program.replace(65530, Address.size(), Address); // across a 64 KiB piece
    const struct Case {
        const char* what;
        std::string newString;
        int32_t saveAsNew;
    } cases[] = {
        {"text grows, binary cut", "a-much-longer-host.example.test", 0},
        {"text shrinks, binary padded", "h.test", 0},
        {"side copies", "games.example.test", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& item : fs::directory_iterator(dir.path()))
            fs::remove(item.path());
        const Files before = {{"GAME.EXE", program},
                              {"net.ini", "a=" + Address + "\r\nb=" + Address + "\r\n"},
                              {"end.cfg", "x=\n" + Address}, // at the very end
                              {"clean.htm", "<p>nothing</p>"}};
        put(before);
        patch(Address, c.newString, c.saveAsNew);
        ASSERT_NE(before, now());
        const RunUndoOutcome dry = undo(true);
        EXPECT_TRUE(dry.found);
        EXPECT_EQ(3, dry.restore);
        EXPECT_NE(before, now()) << "a dry run writes nothing";
        const RunUndoOutcome done = undo(false);
        EXPECT_EQ(0, done.changed);
        EXPECT_EQ(3, done.restore);
        EXPECT_EQ(before, now());
        EXPECT_FALSE(undo(false).found) << "an undo is never undone";
    }
}

TEST_F(RunUndoTest, RepeatedUndoWalksBackAndLeavesChangedFilesAlone) {
    const Files original = {{"a.ini", "s=" + Address + "\n"}, {"b.cfg", Address}};
    put(original);
    patch(Address, "first.test");
    const Files first = now();
    patch("first.test", "second.example.test");
    ASSERT_EQ("second.example.test", now()["b.cfg"]);
    EXPECT_EQ(0, undo(false).changed);
    EXPECT_EQ(first, now());

    // Another program's changes to every file: nothing is written, and the
    // run stays the one to undo.
    put({{"a.ini", "edited by hand\n"}, {"b.cfg", "edited too"}});
    const Files edited = now();
    const RunUndoOutcome refused = undo(false);
    EXPECT_EQ(2, refused.changed);
    EXPECT_EQ(0, refused.restore);
    EXPECT_EQ(edited, now());

    // One file changed: the other is given back, the changed one left alone.
    put({{"b.cfg", first.at("b.cfg")}});
    const RunUndoOutcome partly = undo(false);
    EXPECT_EQ(1, partly.changed);
    EXPECT_EQ(1, partly.restore);
    EXPECT_EQ((Files{{"a.ini", "edited by hand\n"}, {"b.cfg", Address}}), now());
    EXPECT_FALSE(undo(false).found) << "the run was undone as far as it could be";
}

TEST_F(RunUndoTest, ADamagedOrUnknownRecordIsNeverApplied) {
    for (const char* damage : {"flip", "version"}) {
        SCOPED_TRACE(damage);
        put({{"a.ini", "s=" + Address + "\n"}});
        patch(Address, "h.test");
        char root[1024];
        ASSERT_EQ(0, RunJournalRoot(root, sizeof root));
        std::string record;
        for (const auto& item : fs::recursive_directory_iterator(root))
            if (item.is_regular_file())
                record = item.path().string();
        std::string text = qvtest::readFile(record);
        if (std::string(damage) == "flip")
            text[text.find("at ") + 3] ^= 1; // a gap one off: its block's sum fails
        else
            text.replace(0, 17, "quorvel-journal 9");
        ASSERT_TRUE(qvtest::writeFile(record, text));
        EXPECT_FALSE(undo(false).found);
        EXPECT_EQ("s=h.test\n", now()["a.ini"]);
        fs::remove_all(root);
    }
}

// A crash at every point of an undo: from call n on nothing reaches the
// disk. The next run settles it: all files as patched, or all as before.
TEST_F(RunUndoTest, CrashAtAnyPointOfAnUndoIsSettledByTheNextRun) {
    const Files original = {{"a.ini", "s=" + Address + "\r\n"}, {"b.exe", "MZ" + Address + "ZZ"}, {"c.htm", Address}};
    int outcomes[2] = {};
    for (int n = 1;; ++n) {
        for (const auto& item : fs::directory_iterator(dir.path()))
            fs::remove(item.path());
        char root[1024];
        ASSERT_EQ(0, RunJournalRoot(root, sizeof root));
        fs::remove_all(root); // one patch in the journal, as the check below wants
        put(original);
        patch(Address, "undo.example.test");
        const Files patched = now();
        bool crashed = false;
        {
            qvtest::FileFault fault;
            fault.failAt(qvtest::FileOp::Any, n, ZephErrIo, true);
            RunUndoOutcome outcome;
            RunUndoLast(dir.path().c_str(), &manager, false, nullptr, &outcome);
            crashed = fault.faultsInjected() > 0;
        }
        SCOPED_TRACE("crash at call " + std::to_string(n));
        ZephFolder folder;
        ASSERT_EQ(0, InstallFolderOpen(&folder, dir.path().c_str(), 0, &manager, nullptr));
        folder.close();
        const Files settled = now();
        ASSERT_TRUE(settled == original || settled == patched);
        ++outcomes[settled == original ? 1 : 0];
        // The journal agrees: an undo after it finds the patch when the
        // files hold it, and nothing when they do not.
        EXPECT_EQ(settled == patched, undo(true).found);
        if (!crashed)
            break;
    }
    EXPECT_GT(outcomes[0], 0);
    EXPECT_GT(outcomes[1], 1) << "crashes after the undo's record was written are completed";
}

} // namespace
