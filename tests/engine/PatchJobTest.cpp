// PatchJobTest.cpp - scan and convert runs over real directories, every
// failure of the run through the fault seams, and the time budget.
#include "PatchJob.h"
#include "PatchRules.h"
#include "PatchSearch.h"
#include "RunJournal.h"
#include "RunRestore.h"
#include "WizardStrings.h"
#include "ZephDirList.h"
#include "ZephFolder.h"
#include "ZephMem.h"
#include "ZephSysFile.h"

#include "QvAllocFault.h"
#include "QvDirFault.h"
#include "QvFileFault.h"
#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string Address = legacyServerAddress;
const std::string Host = serviceHostName;
const std::string Zero(1, '\0');

// Program-like bytes (zeros, code-like bytes, no accidental address) with
// the address planted at the given offsets.
std::string program(size_t size, const std::vector<size_t>& at, unsigned seed = 1) {
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        unsigned v = (x >> 16) & 0xFF;
        s[i] = static_cast<char>(v < 80 ? 0 : v);
    }
    for (size_t p : at)
        s.replace(p, Address.size(), Address);
    return s;
}

// What the wizard's rewrite must make of a file.
std::string patched(std::string s, bool binary) {
    const std::string by = binary ? Host + Zero : Host;
    for (size_t p = s.find(Address); p != std::string::npos; p = s.find(Address, p + by.size()))
        s.replace(p, Address.size(), by);
    return s;
}

// Records every open of a name in the run's folder with its flags.
class OpenLog {
public:
    OpenLog() : saved_(ZephSysFiles) {
        current_ = this;
        ZephSysFiles.openIn = &record;
    }
    ~OpenLog() {
        ZephSysFiles = saved_;
        current_ = nullptr;
    }
    OpenLog(const OpenLog&) = delete;
    OpenLog& operator=(const OpenLog&) = delete;

    std::vector<std::string> opened(bool forWriting) const {
        std::vector<std::string> paths;
        for (const auto& [path, flags] : opens_)
            if (((flags & ZephSysOpenWrite) != 0) == forWriting)
                paths.push_back(path);
        return paths;
    }

private:
    static ZephError record(int64_t folder, const char* name, uint32_t flags, int64_t* handle) {
        current_->opens_.emplace_back(name, flags);
        return current_->saved_.openIn(folder, name, flags, handle);
    }
    static OpenLog* current_;
    ZephSysFileTable saved_;
    std::vector<std::pair<std::string, uint32_t>> opens_;
};
OpenLog* OpenLog::current_ = nullptr;

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

class PatchJobFixture : public ::testing::Test {
protected:
    ZephMemManager manager{"PatchJobTest", 0, 0, 0, nullptr};
    qvtest::TempDir dir;
    PatchJob job;

    void TearDown() override {
        job.clear();
        EXPECT_EQ(0, manager.heapCount) << "blocks left behind by the job";
        char why[256] = {};
        EXPECT_EQ(0, ZephMemCheck(&manager, why, sizeof why)) << why;
    }

    std::string path(const std::string& name) const { return dir.file(name); }
    void put(const std::string& name, const std::string& bytes) { ASSERT_TRUE(qvtest::writeFile(path(name), bytes)); }
    std::string get(const std::string& name) const { return qvtest::readFile(path(name)); }

    void begin(int32_t convert, const char* newString = serviceHostName) {
        job.init(&manager);
        job.setDirectory(dir.path().c_str());
        job.setOldString(legacyServerAddress);
        job.setNewString(newString);
        job.convert = convert;
        job.saveAsNew = 0;
        job.start();
        ASSERT_EQ(Running, job.status) << job.message;
    }
    void run(int32_t convert, const char* newString = serviceHostName) {
        begin(convert, newString);
        job.step(-1);
    }

    // Steps one action at a time until the job is about to perform `step`
    // on the file `name` (the message names the fault's victim exactly).
    void advanceTo(int32_t step, const std::string& name) {
        const std::string wanted = path(name);
        for (int guard = 0; guard < 100000 && job.status == Running; ++guard) {
            if (job.currentStep == step && job.entry != nullptr && wanted == job.entry->name)
                return;
            job.step(0);
        }
        FAIL() << "the run never reached step " << step << " of " << name;
    }

    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& item : fs::directory_iterator(dir.path()))
            found.insert(item.path().filename().string());
        return found;
    }

    // Opens the folder as the next run does, which settles a run cut short,
    // and says how the files stand then: 0 all as before, 1 all as after, -1
    // mixed. Nothing else may be in the folder, and the journal's newest
    // record must be a finished run whose files hold what it wrote, or none.
    int settled(const std::vector<std::pair<std::string, std::pair<std::string, std::string>>>& files) {
        ZephFolder folder;
        RunRecovery recovery;
        EXPECT_EQ(0, InstallFolderOpen(&folder, dir.path().c_str(), 0, &manager, nullptr, &recovery));
        std::set<std::string> expected;
        int before = 0, after = 0;
        for (const auto& [name, contents] : files) {
            expected.insert(name);
            const std::string now = get(name);
            before += now == contents.first ? 1 : 0;
            after += now == contents.second ? 1 : 0;
        }
        EXPECT_EQ(expected, names()) << "a temporary file was left";
        const size_t n = files.size();
        const int state = before == static_cast<int>(n) ? 0 : after == static_cast<int>(n) ? 1 : -1;
        RunJournal journal;
        uint32_t newest[1];
        int32_t count = 0;
        if (journal.open(&manager, folder) == 0 && journal.list(newest, 1, &count) == 0 && count == 1) {
            RunRecord record;
            record.init(&manager);
            EXPECT_EQ(0, journal.load(newest[0], &record));
            EXPECT_TRUE(record.complete && !record.damaged) << "a run was left unsettled";
            for (int32_t i = 0; state == 1 && i < record.fileCount; ++i) {
                ZephFailure cause;
                EXPECT_EQ(RunFileAfter, RunClassifyFile(folder.handle, record.files[i], &manager, &cause))
                    << record.files[i].target;
            }
        }
        return state;
    }

    void expectFailed(const std::string& message, int32_t visited, int32_t matched) {
        EXPECT_EQ(Failed, job.status);
        EXPECT_EQ(message, job.message);
        // The same failure as fields, for front ends with words of their own.
        EXPECT_NE(RunFailedNothing, job.failure.step);
        EXPECT_NE(std::string(job.failure.path), "");
        EXPECT_NE(message.find(std::string("\"") + job.failure.path + "\""), std::string::npos) << job.failure.path;
        EXPECT_EQ(visited, job.filesVisited);
        EXPECT_EQ(matched, job.filesMatched);
        EXPECT_EQ(0, job.currentStep);
        EXPECT_EQ(nullptr, job.dirList);
        EXPECT_EQ(nullptr, job.entry);
        EXPECT_FALSE(job.file.isOpen());
        EXPECT_FALSE(job.target.isActive());
    }
};

using PatchJobStart = PatchJobFixture;
using PatchJobScanRun = PatchJobFixture;
using PatchJobConvertRun = PatchJobFixture;
using PatchJobFailures = PatchJobFixture;
using PatchJobBudget = PatchJobFixture;
using PatchJobQuickScan = PatchJobFixture;
using PatchJobFolder = PatchJobFixture;

} // namespace

TEST_F(PatchJobStart, EmptyFieldsAreRefusedInOrderOneAtATime) {
    job.init(&manager);
    job.start();
    EXPECT_EQ(Failed, job.status);
    EXPECT_STREQ("<directory> member is empty!", job.message);
    job.setDirectory(dir.path().c_str());
    job.start();
    EXPECT_STREQ("<oldstring> member is empty!", job.message);
    job.setOldString(legacyServerAddress);
    job.start();
    EXPECT_STREQ("<newstring> member is empty!", job.message);
    EXPECT_EQ(0, job.currentStep);
    job.step(-1);
    EXPECT_EQ(Failed, job.status) << "a refused job is never stepped";
    job.setNewString(serviceHostName);
    job.start();
    EXPECT_EQ(Running, job.status);
    EXPECT_STREQ("", job.message);
}

TEST_F(PatchJobStart, LongTextsAreCutToTheirFields) {
    job.init(&manager);
    std::string longText(sizeof job.message + 100, 'd');
    job.setDirectory(longText.c_str());
    job.setOldString(longText.c_str());
    job.setMessage(longText.c_str());
    EXPECT_EQ(std::string(1023, 'd'), job.directory);
    EXPECT_EQ(std::string(511, 'd'), job.oldstring);
    EXPECT_EQ(std::string(sizeof job.message - 1, 'd'), job.message);
}

TEST_F(PatchJobStart, StartingAgainMidRunBeginsAFreshRun) {
    put("a.ini", "x=" + Address);
    begin(0);
    advanceTo(ReadChunk, "a.ini");
    job.start();
    EXPECT_EQ(ListDirectory, job.currentStep);
    EXPECT_EQ(nullptr, job.dirList);
    EXPECT_FALSE(job.file.isOpen());
    job.step(-1);
    EXPECT_EQ(Finished, job.status);
    EXPECT_EQ(1, job.filesMatched);
}

TEST_F(PatchJobScanRun, EmptyDirectoryFinishesWithNothingVisited) {
    run(0);
    EXPECT_EQ(Finished, job.status);
    EXPECT_EQ(0, job.filesVisited);
    EXPECT_EQ(0, job.filesMatched);
    EXPECT_EQ(0, job.currentStep);
    EXPECT_EQ(nullptr, job.dirList);
}

TEST_F(PatchJobScanRun, CountsKnownKindsThatHoldTheAddressAndNeverWrites) {
    put("a.exe", program(9000, {4090})); // split across two read pieces
    put("b.dll", program(5000, {}));
    put("c.ini", "[net]\r\nhost=" + Address); // at the very end
    put("d.TXT", Address);
    put("f.Cfg", Address + Address);
    put("g.htm", "");
    put("h.ini", Address.substr(0, 13)); // only the start of it
    fs::create_directory(path("Sub"));
    ASSERT_TRUE(qvtest::writeFile(path("Sub") + (path("x").substr(dir.path().size(), 1)) + "e.ini", Address));
    OpenLog log;
    run(0);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(8, job.filesVisited);
    EXPECT_EQ(3, job.filesMatched);
    const PatchProgress progress = job.progress();
    EXPECT_EQ(8, progress.entriesDone);
    EXPECT_EQ(8, progress.entriesTotal);
    EXPECT_EQ(int64_t{9000 + 5000 + 12 + 14} + 28 + 13, progress.bytesRead) << "every byte of the known kinds";
    EXPECT_TRUE(log.opened(true).empty()) << "a scan run opened " << log.opened(true).front() << " for writing";
    std::vector<std::string> read = log.opened(false);
    EXPECT_EQ((std::vector<std::string>{"a.exe", "b.dll", "c.ini", "f.Cfg", "g.htm", "h.ini"}), read)
        << "files of other kinds and subdirectories are never opened; the order ignores case";
}

// A scan run counts each piece as it arrives and keeps only the bytes not
// yet decided; it must count exactly what one scan of the whole file counts.
TEST_F(PatchJobScanRun, PieceByPieceCountsLikeOneScanOfTheWholeFile) {
    unsigned x = 12345;
    auto next = [&x] { return (x = x * 1103515245u + 12345u) >> 16; };
    const std::string self = "abcab" + std::string(504, 'c') + "ab"; // as long as the field takes
    for (const std::string& old : {std::string("abcab"), std::string("AbA"), self, std::string("b")}) {
        for (int round = 0; round < 12; ++round) {
            std::string bytes;
            size_t size = 4096 * (1 + next() % 3) + 4300 + next() % 40;
            while (bytes.size() < size)
                bytes += (next() % 7 == 0) ? old : std::string(1, "abcAB\0"[next() % 6]);
            bytes.resize(size);
            if (round % 3 == 0) // an occurrence across the first piece boundary
                bytes.replace(4096 - old.size() / 2 - 1, old.size(), old);
            put("x.ini", bytes);
            job.init(&manager);
            job.setDirectory(dir.path().c_str());
            job.setOldString(old.c_str());
            job.setNewString("z");
            job.start();
            job.step(-1);
            ASSERT_EQ(Finished, job.status) << job.message;
            ZephBuf whole;
            whole.init(nullptr, 8192);
            whole.append(bytes.data(), static_cast<int32_t>(bytes.size()));
            PatchFinder finder;
            finder.prepare(old.c_str());
            int32_t cursor = 0, expected = 0;
            PatchScanContent(&whole, &cursor, finder, "z", 0, 0, &expected);
            EXPECT_EQ(expected, job.fileMatches) << old.substr(0, 8) << " round " << round;
            EXPECT_EQ(expected > 0 ? 1 : 0, job.filesMatched);
        }
    }
}

TEST_F(PatchJobScanRun, MissingDirectoryFailsWithItsMessage) {
    job.init(&manager);
    std::string missing = path("nowhere");
    job.setDirectory(missing.c_str());
    job.setOldString(legacyServerAddress);
    job.setNewString(serviceHostName);
    job.start();
    job.step(-1);
    expectFailed("We were unable to scan the directory \"" + missing +
                     "\"!\r\n\r\nPlease click Back and select a different directory and try again.",
                 0, 0);
}

TEST_F(PatchJobScanRun, EntriesListedAsLinksAreCountedButNeverOpened) {
    put("a.ini", Address);
    put("b.ini", Address);
    qvtest::ScriptedMatch link;
    link.name = "a.ini";
    link.attributes = ZephSysAttrReparsePoint | ZephSysAttrArchive;
    qvtest::ScriptedMatch plain;
    plain.name = "b.ini";
    qvtest::ScriptedDir scripted({link, plain});
    OpenLog log;
    run(1);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(2, job.filesVisited);
    EXPECT_EQ(1, job.filesMatched);
    for (const std::string& opened : log.opened(false))
        EXPECT_NE("a.ini", opened);
    EXPECT_EQ(Address, get("a.ini"));
    EXPECT_EQ(Host, get("b.ini"));
}

// A quick scan ends as the scan run does, on files where the old string
// stands anywhere (start, end, across pieces) in any case, or only in part.
TEST_F(PatchJobQuickScan, EndsAsTheScanRunDoes) {
    const char* const names[] = {"a.exe", "B.DLL", "c.Exe", "d.ini", "E.CFG", "f.htm", "g.txt", "noext", "k.dll.bak"};
    const size_t sizes[] = {0, 13, 14, 4095, 4097, 9000, 70000};
    unsigned x = 20240531;
    auto next = [&x] { return (x = x * 1103515245u + 12345u) >> 16; };
    for (int round = 0; round < 40; ++round) {
        for (const auto& item : fs::directory_iterator(dir.path()))
            fs::remove_all(item.path());
        for (int i = 0, files = static_cast<int>(next() % 8); i < files; ++i) {
            std::string bytes(sizes[next() % 7], '\0');
            for (char& c : bytes)
                c = static_cast<char>(next() % 4 == 0 ? 0 : next() % 256);
            for (int plants = static_cast<int>(next() % 4); plants > 0 && bytes.size() >= Address.size(); --plants) {
                std::string text = next() % 3 == 0 ? Address.substr(0, 13) : Address;
                const size_t at = next() % 2 == 0 ? next() % (bytes.size() - Address.size() + 1)
                                                  : (next() % 2 == 0 ? 0 : bytes.size() - Address.size());
                bytes.replace(at, text.size(), text);
            }
            put(std::to_string(i) + names[next() % 9], bytes);
        }
        std::vector<int64_t> read;
        std::vector<std::pair<int32_t, int32_t>> counts;
        for (int32_t quick : {0, 1}) {
            begin(0);
            job.quickScan = quick;
            job.step(-1);
            ASSERT_EQ(Finished, job.status) << job.message;
            counts.emplace_back(job.filesVisited, job.filesMatched);
            read.push_back(job.progress().bytesRead);
        }
        EXPECT_EQ(counts[0], counts[1]) << "round " << round;
        EXPECT_LE(read[1], read[0]) << "round " << round;
    }
}

// Pieces of 1 MiB, read only up to the one that completes the first
// occurrence.
TEST_F(PatchJobQuickScan, FindsOccurrencesAroundItsPiecesAndReadsNoFurther) {
    const size_t piece = PatchQuickPieceSize;
    const size_t size = 2 * piece + 4096;
    for (size_t at : {size_t{0}, piece - 5, piece - Address.size(), piece - Address.size() + 1, piece, 2 * piece - 1,
                      size - Address.size()}) {
        std::string bytes(size, 'x');
        bytes.replace(at, Address.size(), Address);
        put("big.exe", bytes);
        begin(0);
        job.quickScan = 1;
        job.step(-1);
        EXPECT_EQ(Finished, job.status) << job.message;
        EXPECT_EQ(1, job.filesMatched) << "at " << at;
        const size_t end = at + Address.size();
        EXPECT_EQ(static_cast<int64_t>(std::min(size, (end + piece - 1) / piece * piece)), job.progress().bytesRead)
            << "at " << at;
    }
}

TEST_F(PatchJobConvertRun, WizardStringsRewriteBinaryAndTextFiles) {
    const std::string exe = program(20000, {0, 4095, 8192, 20000 - 14});
    const std::string ini = "[a]\r\nx=" + Address + "\r\ny=" + Address + Address + "\r\nz=" + Address;
    const std::string dll = program(3000, {100}, 7);
    put("game.EXE", exe);
    put("net.ini", ini);
    put("x.dll", dll);
    run(1);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(3, job.filesMatched);
    EXPECT_EQ(3, job.filesVisited);
    EXPECT_EQ(patched(exe, true), get("game.EXE"));
    EXPECT_EQ(exe.size(), get("game.EXE").size());
    EXPECT_EQ(patched(ini, false), get("net.ini"));
    EXPECT_EQ(ini.size() - 4, get("net.ini").size());
    EXPECT_EQ(patched(dll, true), get("x.dll"));
    EXPECT_EQ((std::set<std::string>{"game.EXE", "net.ini", "x.dll"}), names()) << "temporary files left behind";
}

TEST_F(PatchJobConvertRun, WritesOnlyFilesWithAMatchAndLeavesTheRestUntouched) {
    put("a.ini", "x=" + Address);
    put("b.ini", "x=198.51.100.11");
    put("c.exe", program(6000, {}));
    put("d.txt", Address);
    const auto past = fs::last_write_time(path("b.ini")) - std::chrono::hours(240);
    for (const char* name : {"b.ini", "c.exe", "d.txt"})
        fs::last_write_time(path(name), past);
    OpenLog log;
    run(1);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(1, job.filesMatched);
    // Besides the run's record in the journal, elsewhere.
    for (const std::string& written : log.opened(true))
        EXPECT_TRUE(written == "a.ini" || ZephFileReplacer::isTemporaryName(written.c_str()) ||
                    written.find(".qvj") != std::string::npos)
            << written << " was opened for writing";
    EXPECT_FALSE(log.opened(true).empty());
    for (const char* name : {"b.ini", "c.exe", "d.txt"})
        EXPECT_EQ(past, fs::last_write_time(path(name))) << name;
    EXPECT_EQ("x=198.51.100.11", get("b.ini"));
    EXPECT_EQ(program(6000, {}), get("c.exe"));
    EXPECT_EQ(Address, get("d.txt"));
    EXPECT_EQ("x=" + Host, get("a.ini"));
}

TEST_F(PatchJobConvertRun, ScanThenConvertAsTheWizardDoes) {
    put("a.dll", program(5000, {10, 2000}));
    put("b.cfg", Address);
    run(0);
    ASSERT_EQ(Finished, job.status);
    EXPECT_EQ(2, job.filesMatched);
    run(1);
    EXPECT_EQ(Finished, job.status);
    EXPECT_EQ(2, job.filesMatched);
    run(0);
    EXPECT_EQ(0, job.filesMatched) << "nothing is left to patch";
    EXPECT_EQ(2, job.filesVisited);
}

TEST_F(PatchJobConvertRun, SaveAsNewWritesBesideAndKeepsTheSource) {
    put("a.ini", Address);
    job.init(&manager);
    job.setDirectory(dir.path().c_str());
    job.setOldString(legacyServerAddress);
    job.setNewString(serviceHostName);
    job.convert = 1;
    job.saveAsNew = 1;
    job.start();
    job.step(-1);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(Address, get("a.ini"));
    EXPECT_EQ(Host, get("a.ini.new"));
    EXPECT_EQ((std::set<std::string>{"a.ini", "a.ini.new"}), names());
    run(1);
    EXPECT_EQ(2, job.filesVisited);
    EXPECT_EQ(1, job.filesMatched) << "the .new copy is of no known kind";
}

TEST_F(PatchJobConvertRun, ReadOnlyFileStopsTheRunBeforeItChanges) {
    put("a.ini", Address);
    put("b.ini", Address);
    put("c.ini", Address);
    fs::permissions(path("b.ini"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    {
        int64_t probe = -1;
        if (ZephSysFileOpen(path("b.ini").c_str(), ZephSysOpenWrite, &probe) == ZephErrNone) {
            ZephSysFileClose(probe);
            GTEST_SKIP() << "this user may write read-only files; PatchJobFailures covers the refusal";
        }
    }
    run(1);
    expectFailed("Unable to open file \"" + path("b.ini") + "\" for writing!", 2, 2);
    EXPECT_EQ(Address, get("a.ini")) << "all or nothing";
    EXPECT_EQ(Address, get("b.ini"));
    EXPECT_EQ(Address, get("c.ini"));
}

// A disk with room for the first new file only: the second is refused
// before it is written, and the first never takes its place.
uint64_t freeBytesLeft = 0;
ZephError fakeFreeSpace(int64_t, uint64_t* bytes) {
    *bytes = freeBytesLeft;
    return ZephErrNone;
}

TEST_F(PatchJobConvertRun, ShortFreeSpaceIsRefusedBeforeAnythingChanges) {
    put("a.ini", Address);
    put("b.ini", std::string(3 << 20, 'x') + Address);
    const ZephSysFileTable saved = ZephSysFiles;
    ZephSysFiles.freeSpace = fakeFreeSpace;
    freeBytesLeft = 2 << 20; // room for a.ini and the margin, not for b.ini
    run(1);
    ZephSysFiles = saved;
    EXPECT_EQ(Failed, job.status);
    EXPECT_EQ(RunFailedNoSpace, job.failure.step);
    EXPECT_TRUE(startsWith(job.message, "There is not enough free space on the disk of the directory \"" + dir.path() +
                                            "\" to patch its files!"))
        << job.message;
    EXPECT_EQ(Address, get("a.ini"));
    EXPECT_EQ((std::set<std::string>{"a.ini", "b.ini"}), names());
}

TEST_F(PatchJobConvertRun, WriteFailingMidFileKeepsEveryFile) {
    const std::string a = program(10000, {50, 9000});
    const std::string b = program(10000, {5000}, 3);
    put("a.exe", a);
    put("b.exe", b);
    begin(1);
    advanceTo(WriteChunk, "b.exe");
    job.step(0); // the first piece reaches the temporary file
    EXPECT_EQ(4096, job.writePos);
    qvtest::FileFault fault;
    fault.failAt(qvtest::FileOp::Write, 1, ZephErrNoSpace);
    job.step(-1);
    expectFailed("An error occurred attempting to write to file \"" + path("b.exe") + "\"!", 2, 2);
    EXPECT_EQ(a, get("a.exe"));
    EXPECT_EQ(b, get("b.exe"));
    EXPECT_EQ((std::set<std::string>{"a.exe", "b.exe"}), names());
}

// Complete files wait, PatchSealedFiles at most held open, and take their
// places only when the last one is written: all of them, under a record in
// the journal written before the first rename, with one folder sync.
TEST_F(PatchJobConvertRun, NoFileTakesItsPlaceBeforeTheLastIsWritten) {
    const int files = 2 * PatchSealedFiles + 3;
    auto name = [](int i) { return "f" + std::to_string(10 + i) + ".ini"; };
    for (int i = 0; i < files; ++i)
        put(name(i), "x=" + Address);
    auto inPlace = [&] {
        int count = 0;
        for (int i = 0; i < files; ++i)
            count += get(name(i)) == "x=" + Host ? 1 : 0;
        return count;
    };
    qvtest::FileFault count;
    begin(1);
    int mostOpen = 0;
    while (job.status == Running && job.currentStep != Complete) {
        job.step(0);
        EXPECT_EQ(0, inPlace());
        mostOpen = std::max(mostOpen, count.openHandles());
    }
    EXPECT_LE(mostOpen, PatchSealedFiles + 3) << "new files are closed while they wait";
    EXPECT_EQ(static_cast<size_t>(2 * files), names().size()) << "every new file waits beside its original";
    const int replacedBefore = count.calls(qvtest::FileOp::ReplaceIn);
    job.step(0);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(files, inPlace());
    EXPECT_EQ(files, job.filesPatched);
    EXPECT_EQ(static_cast<size_t>(files), names().size());
    EXPECT_EQ(0, replacedBefore);
    EXPECT_EQ(files + 2, count.calls(qvtest::FileOp::Flush)) << "each file, the record, its end";
    EXPECT_EQ(2, count.calls(qvtest::FileOp::FlushFolder)) << "the record's folder, the directory";
    EXPECT_EQ(0, count.openHandles());
    ASSERT_TRUE(job.changes.record.complete);
    EXPECT_EQ(files, job.changes.record.fileCount);
}

// Any failure while the files take their places gives those already placed
// their old content back: the run fails with the file named, and every file
// is as it was, whether the new file was the file itself or a side copy.
TEST_F(PatchJobConvertRun, FileThatCannotTakeItsPlaceUndoesTheOthers) {
    for (int saveAsNew : {0, 1}) {
        for (const auto& item : fs::directory_iterator(dir.path()))
            fs::remove(item.path());
        put("a.ini", "a=" + Address);
        put("b.ini", "b=" + Address);
        put("c.exe", program(5000, {7}));
        begin(1);
        job.saveAsNew = saveAsNew;
        job.start();
        qvtest::FileFault fault;
        fault.failAt(qvtest::FileOp::ReplaceIn, 2);
        job.step(-1);
        expectFailed("An error occurred attempting to write to file \"" + path("b.ini") + "\"!", 3, 3);
        EXPECT_EQ(0, job.filesPatched);
        EXPECT_FALSE(job.settledByNextRun);
        EXPECT_EQ("a=" + Address, get("a.ini"));
        EXPECT_EQ("b=" + Address, get("b.ini"));
        EXPECT_EQ(program(5000, {7}), get("c.exe"));
        EXPECT_EQ(0, fault.openHandles());
        EXPECT_EQ((std::set<std::string>{"a.ini", "b.ini", "c.exe"}), names()) << "no temporary or side copy left";
    }
}

// The directory is synced once, after the renames; a run stopped before
// its end syncs nothing, since nothing took a place; a failing sync gives
// every file back, naming the last file placed.
TEST_F(PatchJobConvertRun, DirectoryIsSyncedOnceAfterTheFilesArePutInPlace) {
    using qvtest::FileOp;
    put("a.ini", Address);
    put("b.cfg", Address);
    put("c.exe", program(9000, {4090}));
    put("d.htm", "nothing");
    {
        qvtest::FileFault count;
        run(0);
        EXPECT_EQ(0, count.calls(FileOp::FlushFolder)) << "a scan run writes nothing";
        run(1);
        ASSERT_EQ(Finished, job.status) << job.message;
        EXPECT_EQ(3, count.calls(FileOp::ReplaceIn));
        EXPECT_EQ(2, count.calls(FileOp::FlushFolder)) << "the record's folder, the directory";
    }
    {
        put("a.ini", Address);
        put("b.cfg", Address);
        qvtest::FileFault count;
        begin(1);
        advanceTo(OpenTarget, "b.cfg");
        job.stop(Idle); // as the wizard stops a run the user left
        job.clear();
        EXPECT_EQ(0, count.calls(FileOp::FlushFolder));
        EXPECT_EQ(Address, get("a.ini"));
        EXPECT_EQ((std::set<std::string>{"a.ini", "b.cfg", "c.exe", "d.htm"}), names());
    }
    {
        put("a.ini", Address);
        put("b.cfg", Address);
        qvtest::FileFault fault;
        fault.failAt(FileOp::FlushFolder, 2, ZephErrIo);
        run(1);
        EXPECT_EQ(Failed, job.status);
        EXPECT_EQ("An error occurred attempting to write to file \"" + path("b.cfg") + "\"!", std::string(job.message));
        EXPECT_EQ(ZephErrIo, job.failure.cause.code);
        EXPECT_EQ(Address, get("a.ini"));
        EXPECT_EQ(Address, get("b.cfg"));
    }
}

// Every message of the failure table, through the seams, with the status
// and the counters the run had reached.
TEST_F(PatchJobFailures, ListingRefusedOrOutOfMemory) {
    const std::string message = "We were unable to scan the directory \"" + dir.path() +
                                "\"!\r\n\r\nPlease click Back and select a different directory and try again.";
    put("a.ini", Address);
    {
        qvtest::DirFault fault(qvtest::DirFault::FindFirst, 1, ZephErrAccess, true);
        run(0);
        expectFailed(message, 0, 0);
    }
    begin(0);
    qvtest::AllocFault fault(&manager);
    fault.failAt(1, true);
    job.step(0);
    fault.disarm();
    EXPECT_TRUE(fault.fired());
    expectFailed(message, 0, 0);
}

TEST_F(PatchJobFailures, SourceCannotBeOpened) {
    put("a.ini", Address);
    put("b.ini", Address);
    begin(0);
    advanceTo(OpenSource, "b.ini");
    qvtest::FileFault fault;
    fault.failAt(qvtest::FileOp::OpenIn, 1, ZephErrAccess, true);
    job.step(-1);
    expectFailed("Unable to open file \"" + path("b.ini") + "\" for reading!", 2, 1);
}

TEST_F(PatchJobFailures, FileTooLargeOrBufferNotToBeHad) {
    put("a.exe", Address);
    fs::resize_file(path("a.exe"), 2147483648ull);
    run(0);
    expectFailed("File \"" + path("a.exe") + "\" too large to load/scan!", 1, 0);
    // One byte less passes the size check; a convert run holds the whole
    // file, and its buffer (rounded up to 8192) is more than a buffer may hold.
    fs::resize_file(path("a.exe"), 2147483647ull);
    run(1);
    expectFailed("An error occurred attempting to setup memory buffer for file \"" + path("a.exe") + "\"!", 1, 0);
    fs::resize_file(path("a.exe"), 100);
    begin(0);
    advanceTo(OpenSource, "a.exe");
    qvtest::AllocFault fault(&manager);
    fault.failAt(1, true);
    job.step(0);
    fault.disarm();
    expectFailed("An error occurred attempting to setup memory buffer for file \"" + path("a.exe") + "\"!", 1, 0);
}

TEST_F(PatchJobFailures, ReadFailsOrComesBackShort) {
    put("a.ini", Address);
    put("b.exe", program(9000, {}));
    const std::string message = "An error occurred attempting to read in file \"" + path("b.exe") + "\"!";
    for (bool shortRead : {false, true}) {
        begin(0);
        advanceTo(ReadChunk, "b.exe");
        job.step(0);
        qvtest::FileFault fault;
        if (shortRead)
            fault.cutShortAt(qvtest::FileOp::Read, 1, 100);
        else
            fault.failAt(qvtest::FileOp::Read, 1, ZephErrIo);
        job.step(-1);
        expectFailed(message, 2, 1);
    }
}

TEST_F(PatchJobFailures, ContentCannotTakeThePiece) {
    put("a.ini", Address);
    begin(0);
    advanceTo(ReadChunk, "a.ini");
    // Sized for the file, content never grows while reading; take its block
    // away so that the append has to allocate, and let that fail.
    job.content.setCapacity(0);
    qvtest::AllocFault fault(&manager);
    fault.failAt(1, true);
    job.step(0);
    fault.disarm();
    expectFailed("An error occurred attempting to spool file \"" + path("a.ini") + "\" to memory!", 1, 0);
}

TEST_F(PatchJobFailures, LongerReplacementCannotGrowContent) {
    // Content is sized to the file rounded up to 8192: fill that, so the
    // longer text needs a bigger block.
    const std::string ini = std::string(8190 - Address.size(), '-') + Address;
    put("a.ini", ini);
    begin(1, "server.games.quorvel.test");
    advanceTo(ScanContent, "a.ini");
    qvtest::AllocFault fault(&manager);
    fault.failAt(1, true);
    job.step(0);
    fault.disarm();
    EXPECT_TRUE(fault.fired());
    expectFailed("An error occurred modify file \"" + path("a.ini") + "\"!", 1, 1);
    EXPECT_EQ(ini, get("a.ini"));
}

TEST_F(PatchJobFailures, TargetCannotBeOpenedForWriting) {
    put("a.ini", Address);
    put("b.ini", Address);
    begin(1);
    advanceTo(OpenTarget, "b.ini");
    qvtest::FileFault fault;
    fault.failAt(qvtest::FileOp::OpenIn, 1, ZephErrAccess);
    job.step(-1);
    expectFailed("Unable to open file \"" + path("b.ini") + "\" for writing!", 2, 2);
    EXPECT_EQ(ZephErrAccess, job.failure.cause.code);
    EXPECT_EQ(Address, get("a.ini"));
    EXPECT_EQ(Address, get("b.ini"));
    EXPECT_EQ((std::set<std::string>{"a.ini", "b.ini"}), names());
}

TEST_F(PatchJobFailures, NewContentCannotReachTheDiskOrTakeThePlace) {
    const std::string exe = program(5000, {7});
    put("a.exe", exe);
    for (qvtest::FileOp op : {qvtest::FileOp::Write, qvtest::FileOp::Flush, qvtest::FileOp::Close,
                              qvtest::FileOp::KeepMetadata, qvtest::FileOp::ReplaceIn}) {
        begin(1);
        advanceTo(WriteChunk, "a.exe");
        qvtest::FileFault fault;
        // From the first on: the close of the file that is only read is
        // harmless, that of the new one is not.
        fault.failAt(op, 1, ZephErrIo, true);
        job.step(-1);
        expectFailed("An error occurred attempting to write to file \"" + path("a.exe") + "\"!", 1, 1);
        EXPECT_EQ(ZephErrIo, job.failure.cause.code) << qvtest::fileOpName(op);
        EXPECT_EQ(exe, get("a.exe")) << qvtest::fileOpName(op);
        EXPECT_EQ((std::set<std::string>{"a.exe"}), names()) << qvtest::fileOpName(op);
    }
}

// Every single failure of the file layer, one-off and lasting, in a convert
// run and a quick scan: the run ends Finished or with one of its messages, no
// handle stays open, and once the next run has opened the folder every file
// is as it was or every file is patched, with no temporary file left and no
// run unsettled in the journal.
TEST_F(PatchJobFailures, AnyFileFailureLosesNothing) {
    const std::string exe = program(9000, {0, 5000});
    const std::string ini = "a=" + Address + "\r\nb=" + Address;
    const std::string cfg = "nothing here";
    for (int32_t quickScan : {0, 1}) {
        for (bool persistent : {false, true}) {
            for (int n = 1;; ++n) {
                put("a.exe", exe);
                put("b.ini", ini);
                put("c.cfg", cfg);
                begin(quickScan != 0 ? 0 : 1);
                job.quickScan = quickScan;
                qvtest::FileFault fault;
                fault.spare(qvtest::FileOp::RemoveIn);
                fault.failAt(qvtest::FileOp::Any, n, ZephErrIo, persistent);
                job.step(-1);
                const bool injected = fault.faultsInjected() > 0;
                EXPECT_EQ(0, fault.openHandles()) << "the run ended with a handle open";
                fault.disarm();
                SCOPED_TRACE(std::string(quickScan != 0 ? "quick scan, " : "") + (persistent ? "lasting" : "one-off") +
                             " failure of " + fault.lastFaultName() + " at call " + std::to_string(n));
                ASSERT_TRUE(job.status == Finished || job.status == Failed);
                if (job.status == Failed) {
                    const std::string message = job.message;
                    EXPECT_TRUE(startsWith(message, "Unable to open file") ||
                                startsWith(message, "An error occurred") ||
                                startsWith(message, "We were unable to scan") ||
                                startsWith(message, "Quorvel could not keep its record") ||
                                startsWith(message, "An earlier run on the directory"))
                        << message;
                    EXPECT_EQ(job.settledByNextRun ? job.filesPatched : 0, job.filesPatched);
                }
                const int state = settled({{"a.exe", {exe, patched(exe, true)}},
                                           {"b.ini", {ini, patched(ini, false)}},
                                           {"c.cfg", {cfg, cfg}}});
                EXPECT_NE(-1, state) << "some files patched, some not";
                if (job.status == Finished) {
                    EXPECT_EQ(quickScan != 0 ? 0 : 1, state);
                }
                if (!injected) {
                    EXPECT_EQ(Finished, job.status) << job.message;
                    EXPECT_EQ(2, job.filesMatched);
                    break;
                }
            }
        }
    }
}

// A crash at every point of a convert run: from call n on nothing reaches
// the disk any more, neither the run's own clean-up. The next run settles it
// to all old or all new, and the journal holds no unsettled run.
TEST_F(PatchJobFailures, CrashAtAnyPointIsSettledByTheNextRun) {
    const std::string exe = program(9000, {0, 5000});
    const std::string ini = "a=" + Address + "\r\nb=" + Address + "\r\n";
    const std::string htm = "<a href=\"http://" + Address + "/\">";
    int outcomes[2] = {};
    for (int n = 1;; ++n) {
        put("a.exe", exe);
        put("b.ini", ini);
        put("c.htm", htm);
        begin(1, "a-longer-host.example.test");
        bool crashed = false;
        {
            qvtest::FileFault fault;
            fault.failAt(qvtest::FileOp::Any, n, ZephErrIo, true);
            job.step(-1);
            crashed = fault.faultsInjected() > 0;
        }
        job.clear();
        SCOPED_TRACE("crash at call " + std::to_string(n));
        const std::string by = "a-longer-host.example.test";
        auto longer = [&](std::string text) {
            for (size_t p = text.find(Address); p != std::string::npos; p = text.find(Address, p + by.size()))
                text.replace(p, Address.size(), by);
            return text;
        };
        std::string exeAfter = exe;
        for (size_t p : {size_t{0}, size_t{5000}})
            exeAfter.replace(p, Address.size(), by.substr(0, Address.size()));
        const int state =
            settled({{"a.exe", {exe, exeAfter}}, {"b.ini", {ini, longer(ini)}}, {"c.htm", {htm, longer(htm)}}});
        ASSERT_NE(-1, state);
        ++outcomes[state];
        if (!crashed)
            break;
    }
    EXPECT_GT(outcomes[0], 0);
    EXPECT_GT(outcomes[1], 1) << "crashes after the record was written are completed";
}

TEST_F(PatchJobFailures, AnyAllocationFailureLosesNothingAndLeaksNothing) {
    // 10 bytes short of two granules, so that the longer text must grow it.
    const std::string tail = "a=" + Address + "\r\nb=" + Address;
    const std::string ini = std::string(16384 - 10 - tail.size(), '-') + tail;
    const std::string longer = "a-longer-name-than-the-address.test";
    const std::string rewritten = std::string(16384 - 10 - tail.size(), '-') + "a=" + longer + "\r\nb=" + longer;
    const std::string dll = program(3000, {64});
    std::string dllAfter = dll;
    dllAfter.replace(64, Address.size(), longer.substr(0, Address.size()));
    for (bool persistent : {false, true}) {
        for (int n = 1;; ++n) {
            put("a.ini", ini);
            put("b.dll", dll);
            begin(1, longer.c_str());
            qvtest::AllocFault fault(&manager);
            fault.failAt(n, persistent);
            job.step(-1);
            fault.disarm();
            SCOPED_TRACE("allocation " + std::to_string(n) + (persistent ? " and later" : ""));
            ASSERT_TRUE(job.status == Finished || job.status == Failed);
            if (!fault.fired()) {
                EXPECT_EQ(Finished, job.status) << job.message;
            }
            job.clear();
            EXPECT_EQ(0, manager.heapCount);
            EXPECT_NE(-1, settled({{"a.ini", {ini, rewritten}}, {"b.dll", {dll, dllAfter}}}));
            if (!fault.fired())
                break;
        }
    }
}

TEST_F(PatchJobBudget, BudgetZeroPerformsOneActionPerCall) {
    put("a.ini", std::string(5000, '-') + Address);
    begin(1);
    std::vector<int32_t> steps;
    for (int calls = 0; job.status == Running && calls < 100; ++calls) {
        steps.push_back(job.currentStep);
        job.step(0);
    }
    EXPECT_EQ(Finished, job.status);
    EXPECT_EQ((std::vector<int32_t>{ListDirectory, NextEntry, OpenSource, ReadChunk, ReadChunk, ReadChunk, EndRead,
                                    ScanContent, ScanContent, OpenTarget, WriteChunk, WriteChunk, WriteChunk, EndWrite,
                                    NextEntry, Complete}),
              steps);
}

TEST_F(PatchJobBudget, NegativeBudgetFinishesInOneCallAndNothingRunsAfter) {
    for (int i = 0; i < 20; ++i)
        put("f" + std::to_string(i) + ".dll", program(12000, {static_cast<size_t>(i * 100)}, i));
    begin(1);
    job.step(-1);
    EXPECT_EQ(Finished, job.status);
    EXPECT_EQ(20, job.filesMatched);
    job.step(-1);
    job.step(100);
    EXPECT_EQ(Finished, job.status);
    EXPECT_EQ(20, job.filesMatched);
    EXPECT_EQ(0, job.currentStep);
    PatchJob idle;
    idle.step(-1);
    EXPECT_EQ(Idle, idle.status);
}

// Long names, so that each slice needs blocks of its own for its entries.
TEST_F(PatchJobBudget, LargeDirectoryIsListedASliceAtATime) {
    const int files = 2 * PatchListSliceNames + 3;
    for (int i = 0; i < files; ++i)
        put(std::string(200, 'f') + std::to_string(i) + ".txt", "");
    put("z.ini", Address);
    const std::string cannotList = "We were unable to scan the directory \"" + dir.path() +
                                   "\"!\r\n\r\nPlease click Back and select a different directory and try again.";
    enum class After { Nothing, Stop, MemoryRunsOut }; // what follows the first listing action
    for (After after : {After::Nothing, After::Stop, After::MemoryRunsOut}) {
        SCOPED_TRACE(static_cast<int>(after));
        begin(0);
        job.step(0);
        ASSERT_EQ(ListDirectory, job.currentStep);
        EXPECT_EQ(0, job.progress().entriesTotal);
        if (after == After::Nothing) {
            job.step(0);
            job.step(0);
            EXPECT_EQ(NextEntry, job.currentStep) << "one name and a slice, a slice, the last four";
            EXPECT_EQ(files + 1, job.progress().entriesTotal);
            job.step(-1);
            EXPECT_EQ(Finished, job.status);
            EXPECT_EQ(files + 1, job.filesVisited);
            EXPECT_EQ(1, job.filesMatched);
        } else if (after == After::Stop) {
            job.stop(Idle);
            EXPECT_EQ(0, manager.heapCount) << "the half-read listing is let go";
        } else {
            qvtest::AllocFault fault(&manager);
            fault.failAt(1, true);
            job.step(0);
            fault.disarm();
            EXPECT_TRUE(fault.fired());
            expectFailed(cannotList, 0, 0);
        }
    }
}

TEST_F(PatchJobBudget, PositiveBudgetStopsAfterItHasPassed) {
    for (int i = 0; i < 50; ++i)
        put("f" + std::to_string(i) + ".exe", program(64 * 1024, {}, i));
    begin(0);
    // A generous budget finishes the whole directory in one call.
    job.step(60000);
    EXPECT_EQ(Finished, job.status);
    EXPECT_EQ(50, job.filesVisited);
}

// One run per folder: a second one waits for the lock, then gives up with
// a sentence of its own and leaves every file alone.
TEST_F(PatchJobFolder, SecondRunWaitsForTheFirstThenRefuses) {
    put("a.ini", Address);
    ZephFolder first;
    ASSERT_EQ(0, first.open(dir.path().c_str(), 0)) << "the first run's lock";
    begin(1);
    job.lockWaitMs = 60;
    job.step(-1);
    expectFailed("Another copy of Quorvel is working on the directory \"" + dir.path() +
                     "\"!\r\n\r\nPlease wait until it has finished and try again.",
                 0, 0);
    EXPECT_EQ(ZephErrBusy, job.failure.cause.code);
    EXPECT_EQ(RunFailedLocked, job.failure.step);
    EXPECT_EQ(Address, get("a.ini"));
    first.close();
    run(1);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(Host, get("a.ini"));
}

// Temporary files of killed runs (this version's names and the older
// "NAME.qv<hex>.tmp") are removed when a run opens the folder, and counted;
// one that a writer holds open, and look-alikes, stay.
TEST_F(PatchJobFolder, StaleTemporariesAreRemovedAndCounted) {
    put("a.ini", Address);
    for (const char* stale : {".qv0123abcd.tmp", "a.ini.qv89abcdef.tmp"})
        put(stale, "half a file");
    for (const char* lookAlike : {"a.qvXYZ.tmp", "aqv01234567.tmp", ".qv0123abcd.tmp.ini"})
        put(lookAlike, "not ours");
    ZephFolder writer;
    ASSERT_EQ(0, writer.open(dir.path().c_str(), -1));
    int64_t held = ZephSysFileNone;
    ASSERT_EQ(ZephErrNone, ZephSysFiles.openIn(writer.handle, ".qvfeedbeef.tmp",
                                               ZephSysOpenRead | ZephSysOpenWrite | ZephSysOpenCreateNew, &held));
    run(0);
    EXPECT_EQ(Finished, job.status) << job.message;
    EXPECT_EQ(2, job.staleRemoved);
    EXPECT_EQ(
        (std::set<std::string>{"a.ini", "a.qvXYZ.tmp", "aqv01234567.tmp", ".qv0123abcd.tmp.ini", ".qvfeedbeef.tmp"}),
        names());
    ZephSysFiles.close(held);
}

// Refusals that are no fault of the file's bytes say what happened and leave
// the file as it was: held open by another program, a folder the user may
// not write, other names of the file, a change by another program.
TEST_F(PatchJobFolder, RefusalsSayWhyAndLeaveTheFile) {
    using qvtest::FileOp;
    struct Case {
        const char* what;
        std::function<void(qvtest::FileFault&)> arrange;
        std::string message; // "%s" stands for the file's (or the folder's) path
        ZephError cause;
        RunFailureStep step;
        std::string after; // the file's content afterwards
    };
    const std::string changed = Address + "\r\nmore=1";
    const Case cases[] = {
        {"in use", [](qvtest::FileFault& f) { f.failAt(FileOp::OpenIn, 2, ZephErrInUse); },
         "The file \"%s\" is in use by another program.\r\n\r\nPlease close that program (the game, an editor) and try "
         "again.",
         ZephErrInUse, RunFailedOpenTarget, Address},
        {"not allowed", [](qvtest::FileFault& f) { f.failAt(FileOp::OpenIn, 3, ZephErrAccess); },
         "You may not change the files in the directory \"%s\"!\r\n\r\nPlease make the directory writable, or run "
         "Quorvel as a user who may change these files (on Windows: right-click Quorvel and choose \"Run as "
         "administrator\").",
         ZephErrAccess, RunFailedFolderWrite, Address},
        {"hard links", [this](qvtest::FileFault&) { fs::create_hard_link(path("a.ini"), path("b.txt")); },
         "The file \"%s\" has other names (hard links) that would keep the old content; it was left as it "
         "is.\r\n\r\nPlease replace the links by copies and try again.",
         ZephErrHardLinks, RunFailedOpenTarget, Address},
        {"changed",
         [&](qvtest::FileFault& f) {
             f.beforeCall(FileOp::KeepMetadata, 1, [&] { qvtest::writeFile(path("a.ini"), changed); });
         },
         "The file \"%s\" was changed by another program while it was being patched; it was left as that program "
         "wrote it.\r\n\r\nPlease close the programs that use this directory and try again.",
         ZephErrChanged, RunFailedWrite, changed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& item : fs::directory_iterator(dir.path()))
            fs::remove(item.path());
        put("a.ini", Address);
        qvtest::FileFault fault;
        c.arrange(fault);
        run(1);
        std::string message = c.message;
        const std::string named = c.cause == ZephErrAccess ? dir.path() : path("a.ini");
        message.replace(message.find("%s"), 2, named);
        EXPECT_EQ(message, std::string(job.message));
        EXPECT_EQ(c.cause, job.failure.cause.code);
        EXPECT_EQ(c.step, job.failure.step);
        EXPECT_EQ(c.after, get("a.ini"));
        EXPECT_EQ(0, fault.openHandles());
        for (const std::string& name : names())
            EXPECT_FALSE(ZephFileReplacer::isTemporaryName(name.c_str())) << name << " was left behind";
    }
}
