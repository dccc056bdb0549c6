// ExpertRunTest.cpp - the expert run's log byte for byte, the files it
// leaves, its refusals and failures, the stop flag and the progress text.
#include "ExpertRun.h"
#include "ZephBuf.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephSysDir.h"
#include "ZephSysError.h"
#include "ZephSysFile.h"

#include "QvAllocFault.h"
#include "QvDirFault.h"
#include "QvFileFault.h"
#include "QvTestKit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string Zero(1, '\0');

// The run's clock in these tests: every reading moves it on by step ms, so
// whether the progress text appears does not depend on the machine's speed.
// Step 0 (the default) never shows it.
struct FakeClock {
    static inline uint32_t now = 0;
    static inline uint32_t step = 0;
    static uint32_t read() { return now += step; }
};

// Stands for the page: keeps what it was shown and lets a test act where
// the page would drain its messages.
class RecordingSink : public ExpertRunSink {
public:
    explicit RecordingSink(const int32_t* busy) : busy_(busy) {}

    std::vector<int32_t> busyStates;   // the busy flag at each change
    std::vector<std::string> progress; // each progress text, as shown
    std::string lastShown;             // the log at the latest show
    int shows = 0;
    int pumps = 0;
    std::function<void()> onPump;

    std::string filesDone; // "<name>><saved as>" ("<name>>passed" when passed over) per file, blank-separated

    void busyChanged() override { busyStates.push_back(*busy_); }
    void fileDone(const ExpertFileDone& file) override {
        auto nameOf = [](const char* path) { return path != nullptr ? fs::path(path).filename().string() : ""; };
        filesDone += nameOf(file.path) + ">" + (file.passedOver != 0 ? "passed" : nameOf(file.savedAs)) + " ";
    }
    void showLog(const ZephBuf& log) override {
        ++shows;
        lastShown.assign(log.data, static_cast<size_t>(log.length));
        // The page hands the log to its edit box as a zero-terminated text.
        EXPECT_EQ('\0', log.data[log.length]);
        EXPECT_EQ(static_cast<size_t>(log.length), std::strlen(log.data));
    }
    void showProgress(const ZephBuf& log, int32_t textStart) override {
        progress.emplace_back(log.data + textStart, static_cast<size_t>(log.length - textStart));
        ExpertRunSink::showProgress(log, textStart);
    }
    void pumpMessages() override {
        ++pumps;
        if (onPump)
            onPump();
    }

private:
    const int32_t* busy_;
};

// Fails every open of one name with "access denied", as a file that the
// user may not read.
class RefuseOpenOf {
public:
    explicit RefuseOpenOf(std::string name) {
        saved_ = ZephSysFiles;
        name_ = std::move(name);
        ZephSysFiles.openIn = &open;
    }
    ~RefuseOpenOf() { ZephSysFiles = saved_; }
    RefuseOpenOf(const RefuseOpenOf&) = delete;
    RefuseOpenOf& operator=(const RefuseOpenOf&) = delete;

private:
    static ZephError open(int64_t folder, const char* name, uint32_t flags, int64_t* handle) {
        if (name_ == name) {
            ZephSysSetLastError(ZephSysErrorNumberOf(ZephErrAccess));
            return ZephErrAccess;
        }
        return saved_.openIn(folder, name, flags, handle);
    }
    static inline std::string name_;
    static inline ZephSysFileTable saved_;
};

class ExpertRunFixture : public ::testing::Test {
protected:
    ZephMemManager manager{"ExpertRunTest", 0, 0, 0, nullptr};
    ZephMemManager bufferManager{"ExpertRunBuffers", 0, 0, 0, nullptr};
    qvtest::TempDir dir;
    std::string directory = dir.path();
    std::string oldString = "alpha";
    std::string newString = "omega";
    int32_t saveAsNew = 0;
    int32_t busy = 0;
    int32_t pageDone = 0;
    ZephBuf work;
    ZephBuf log;
    RecordingSink sink{&busy};
    ExpertOutcome outcome; // of the latest run()

    void SetUp() override {
        work.init(&bufferManager, 8192);
        log.init(&bufferManager, 8192);
        FakeClock::now = 0;
        FakeClock::step = 0;
    }

    void TearDown() override {
        EXPECT_EQ(0, busy);
        EXPECT_EQ(0, manager.heapCount) << "listing or loaded blocks left behind";
        char why[256] = {};
        EXPECT_EQ(0, ZephMemCheck(&manager, why, sizeof why)) << why;
        work.clear();
        log.clear();
    }

    // Built afresh for every run, as the page hands over its fields.
    ExpertRunContext context() {
        ExpertRunContext c;
        c.directory = directory.c_str();
        c.oldString = oldString.c_str();
        c.newString = newString.c_str();
        c.saveAsNew = &saveAsNew;
        c.busy = &busy;
        c.stop = &pageDone;
        c.workBuffer = &work;
        c.logBuffer = &log;
        c.manager = &manager;
        c.sink = &sink;
        c.tickCount = &FakeClock::read;
        return c;
    }

    std::string run(int32_t doIt) {
        outcome = ExpertRun::runDirectory(context(), doIt);
        return text();
    }
    void expectEnd(ExpertEnd end, const std::string& message) const {
        EXPECT_EQ(end, outcome.end);
        EXPECT_EQ(message, outcome.message);
        // A refused or failed run gives its failure as fields too.
        EXPECT_EQ(end == ExpertDone || end == ExpertStopped, outcome.failure.step == RunFailedNothing);
    }
    std::string text() const {
        return std::string(log.data != nullptr ? log.data : "", static_cast<size_t>(log.length));
    }

    std::string path(const std::string& name) const { return dir.file(name); }
    void put(const std::string& name, const std::string& bytes) { ASSERT_TRUE(qvtest::writeFile(path(name), bytes)); }
    std::string get(const std::string& name) const { return qvtest::readFile(path(name)); }
    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& item : fs::directory_iterator(directory))
            found.insert(item.path().filename().string());
        return found;
    }

    std::string header(const char* run) const {
        return std::string(run) + " for directory \"" + directory + "\":\r\n\r\n";
    }
    std::string saving(const std::string& name) const { return "    Saving \"" + path(name) + "\".\r\n"; }
    // The line a failure's cause adds, in the system's words for code.
    static std::string causeLine(ZephError code) {
        char text[256];
        ZephFailureText(ZephFailure{code, ZephSysErrorNumberOf(code)}, text, sizeof text);
        return std::string("Cause: ") + text + "\r\n";
    }
};

// A directory with every sort of entry: two kinds with occurrences in mixed
// case, a known kind without any, a kind the run does not know, and a
// subdirectory whose name ends like a known kind.
class ExpertRunMixedDirectory : public ExpertRunFixture {
protected:
    const std::string exe = "MZ" + Zero + Zero + "ALPHA" + Zero + "x" + "alpha" + "!!";
    const std::string ini = "host=alpha\r\nport=1\r\n";
    const std::string txt = "alpha";
    const std::string cfg = "nothing here";
    const std::string htm = "<p>Alpha and aLpHa</p>";

    void SetUp() override {
        ExpertRunFixture::SetUp();
        put("a.exe", exe);
        put("b.ini", ini);
        put("c.txt", txt);
        put("d.cfg", cfg);
        fs::create_directory(path("e.htm"));
        put("f.HTM", htm);
    }

    std::string reportLog() const {
        return header("REPORT") + "Scanning BINARY file \"a.exe\"...\r\n"
                                  "    Match: $00000004 - $00000008, 5 bytes \"alpha\"\r\n"
                                  "    Match: $0000000b - $0000000f, 5 bytes \"alpha\"\r\n"
                                  "    2 entries found total.\r\n"
                                  "Scanning TEXT file \"b.ini\"...\r\n"
                                  "    Match: $00000005 - $00000009, 5 bytes \"alpha\"\r\n"
                                  "    1 entry found total.\r\n"
                                  "Scanning TEXT file \"d.cfg\"...no entries found.\r\n"
                                  "Scanning TEXT file \"f.HTM\"...\r\n"
                                  "    Match: $00000003 - $00000007, 5 bytes \"alpha\"\r\n"
                                  "    Match: $0000000d - $00000011, 5 bytes \"alpha\"\r\n"
                                  "    2 entries found total.\r\n"
                                  "Done!\r\n";
    }
    void expectUntouched() const {
        EXPECT_EQ(exe, get("a.exe"));
        EXPECT_EQ(ini, get("b.ini"));
        EXPECT_EQ(txt, get("c.txt"));
        EXPECT_EQ(cfg, get("d.cfg"));
        EXPECT_EQ(htm, get("f.HTM"));
    }
};

} // namespace

TEST_F(ExpertRunMixedDirectory, ReportLogsEveryOccurrenceAndWritesNothing) {
    EXPECT_EQ(reportLog(), run(0));
    expectEnd(ExpertDone, "Done!");
    expectUntouched();
    EXPECT_EQ((std::set<std::string>{"a.exe", "b.ini", "c.txt", "d.cfg", "e.htm", "f.HTM"}), names());
    EXPECT_EQ((std::vector<int32_t>{1, 0}), sink.busyStates);
    EXPECT_EQ(text(), sink.lastShown);
}

TEST_F(ExpertRunMixedDirectory, DoItWithEqualLengthsRewritesInPlace) {
    const std::string expected = header("DO IT") +
                                 "Scanning BINARY file \"a.exe\"...\r\n"
                                 "    Match: $00000004 - $00000008, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [binary file].\r\n"
                                 "    Match: $0000000b - $0000000f, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [binary file].\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("a.exe") +
                                 "Scanning TEXT file \"b.ini\"...\r\n"
                                 "    Match: $00000005 - $00000009, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                                 "    1 entry found total.\r\n" +
                                 saving("b.ini") +
                                 "Scanning TEXT file \"d.cfg\"...no entries found.\r\n"
                                 "Scanning TEXT file \"f.HTM\"...\r\n"
                                 "    Match: $00000003 - $00000007, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                                 "    Match: $0000000d - $00000011, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("f.HTM") + "Done!\r\n";
    qvtest::FileFault calls;
    EXPECT_EQ(expected, run(1));
    // Each file is on disk before it takes its place, and so is its block
    // in the run's record (made, three blocks, its end); the install
    // folder is synced once, for all three, and the journal's folder once.
    EXPECT_EQ(3 + 1 + 3 + 1, calls.calls(qvtest::FileOp::Flush));
    EXPECT_EQ(2, calls.calls(qvtest::FileOp::FlushFolder));
    EXPECT_EQ("MZ" + Zero + Zero + "omega" + Zero + "x" + "omega" + "!!", get("a.exe"));
    EXPECT_EQ("host=omega\r\nport=1\r\n", get("b.ini"));
    EXPECT_EQ("<p>omega and omega</p>", get("f.HTM"));
    EXPECT_EQ(txt, get("c.txt"));
    EXPECT_EQ(cfg, get("d.cfg"));
    EXPECT_EQ((std::set<std::string>{"a.exe", "b.ini", "c.txt", "d.cfg", "e.htm", "f.HTM"}), names());
}

TEST_F(ExpertRunMixedDirectory, DoItWithALongerStringGrowsTextAndCutsItInBinaries) {
    newString = "epsilon";
    const std::string expected = header("DO IT") +
                                 "Scanning BINARY file \"a.exe\"...\r\n"
                                 "    Match: $00000004 - $00000008, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"epsilon\" [binary file].\r\n"
                                 "    Match: $0000000b - $0000000f, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"epsilon\" [binary file].\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("a.exe") +
                                 "Scanning TEXT file \"b.ini\"...\r\n"
                                 "    Match: $00000005 - $00000009, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"epsilon\". [length changed]\r\n"
                                 "    1 entry found total.\r\n" +
                                 saving("b.ini") +
                                 "Scanning TEXT file \"d.cfg\"...no entries found.\r\n"
                                 "Scanning TEXT file \"f.HTM\"...\r\n"
                                 "    Match: $00000003 - $00000007, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"epsilon\". [length changed]\r\n"
                                 "    Match: $0000000f - $00000013, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"epsilon\". [length changed]\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("f.HTM") + "Done!\r\n";
    EXPECT_EQ(expected, run(1));
    EXPECT_EQ("MZ" + Zero + Zero + "epsil" + Zero + "x" + "epsil" + "!!", get("a.exe"));
    EXPECT_EQ("host=epsilon\r\nport=1\r\n", get("b.ini"));
    EXPECT_EQ("<p>epsilon and epsilon</p>", get("f.HTM"));
}

TEST_F(ExpertRunMixedDirectory, DoItWithAnEmptyNewStringDeletesFromTextAndZeroesBinaries) {
    newString = "";
    const std::string expected = header("DO IT") +
                                 "Scanning BINARY file \"a.exe\"...\r\n"
                                 "    Match: $00000004 - $00000008, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"\" [binary file].\r\n"
                                 "    Match: $0000000b - $0000000f, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"\" [binary file].\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("a.exe") +
                                 "Scanning TEXT file \"b.ini\"...\r\n"
                                 "    Match: $00000005 - $00000009, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"\". [length changed]\r\n"
                                 "    1 entry found total.\r\n" +
                                 saving("b.ini") +
                                 "Scanning TEXT file \"d.cfg\"...no entries found.\r\n"
                                 "Scanning TEXT file \"f.HTM\"...\r\n"
                                 "    Match: $00000003 - $00000007, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"\". [length changed]\r\n"
                                 "    Match: $00000008 - $0000000c, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"\". [length changed]\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("f.HTM") + "Done!\r\n";
    EXPECT_EQ(expected, run(1));
    const std::string five(5, '\0');
    EXPECT_EQ("MZ" + Zero + Zero + five + Zero + "x" + five + "!!", get("a.exe"));
    EXPECT_EQ("host=\r\nport=1\r\n", get("b.ini"));
    EXPECT_EQ("<p> and </p>", get("f.HTM"));
}

TEST_F(ExpertRunFixture, NewStringHoldingTheOldOneReplacesEachOccurrenceOnce) {
    put("a.ini", "alpha alpha");
    put("b.dll", "alpha|alpha");
    newString = "[alpha]";
    const std::string expected = header("DO IT") +
                                 "Scanning TEXT file \"a.ini\"...\r\n"
                                 "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"[alpha]\". [length changed]\r\n"
                                 "    Match: $00000008 - $0000000c, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"[alpha]\". [length changed]\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("a.ini") +
                                 "Scanning BINARY file \"b.dll\"...\r\n"
                                 "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"[alpha]\" [binary file].\r\n"
                                 "    Match: $00000006 - $0000000a, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"[alpha]\" [binary file].\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("b.dll") + "Done!\r\n";
    EXPECT_EQ(expected, run(1));
    EXPECT_EQ("[alpha] [alpha]", get("a.ini"));
    EXPECT_EQ("[alph|[alph", get("b.dll"));
}

TEST_F(ExpertRunMixedDirectory, SaveAsNewWritesBesideTheSourceAndALaterRunPassesTheCopiesOver) {
    saveAsNew = 1;
    const std::string log1 = run(1);
    for (const char* name : {"a.exe", "b.ini", "f.HTM"})
        EXPECT_NE(std::string::npos, log1.find("    Saving \"" + path(name) + ".NEW\".\r\n")) << name;
    expectUntouched();
    EXPECT_EQ("MZ" + Zero + Zero + "omega" + Zero + "x" + "omega" + "!!", get("a.exe.NEW"));
    EXPECT_EQ("host=omega\r\nport=1\r\n", get("b.ini.NEW"));
    EXPECT_EQ("<p>omega and omega</p>", get("f.HTM.NEW"));
    EXPECT_EQ((std::set<std::string>{"a.exe", "a.exe.NEW", "b.ini", "b.ini.NEW", "c.txt", "d.cfg", "e.htm", "f.HTM",
                                     "f.HTM.NEW"}),
              names());
    EXPECT_EQ("a.exe>a.exe.NEW b.ini>b.ini.NEW d.cfg> f.HTM>f.HTM.NEW ", sink.filesDone);
    EXPECT_EQ(reportLog(), run(0));
}

TEST_F(ExpertRunMixedDirectory, AnotherRunWhileOneGoesIsRefused) {
    int inner = 0;
    ExpertOutcome second;
    sink.onPump = [&] {
        if (inner++ == 0)
            second = ExpertRun::runDirectory(context(), 1);
    };
    EXPECT_EQ(reportLog(), run(0));
    expectUntouched();
    EXPECT_EQ((std::vector<int32_t>{1, 0}), sink.busyStates);
    EXPECT_EQ(ExpertRefused, second.end);
    EXPECT_STREQ("", second.message) << "a refused run writes no log line";
    expectEnd(ExpertDone, "Done!");

    // A run found busy leaves the log and everything else alone.
    busy = 1;
    sink.shows = 0;
    ExpertRun::runDirectory(context(), 1);
    EXPECT_EQ(reportLog(), text());
    EXPECT_EQ(0, sink.shows);
    busy = 0;
}

TEST_F(ExpertRunFixture, FileMadeOnlyOfOccurrencesCannotBeSavedEmptyAndStopsTheRun) {
    put("a.ini", "x alpha");
    put("b.ini", "alphaALPHA");
    put("c.ini", "alpha!");
    newString = "";
    const std::string expected = header("DO IT") +
                                 "Scanning TEXT file \"a.ini\"...\r\n"
                                 "    Match: $00000002 - $00000006, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"\". [length changed]\r\n"
                                 "    1 entry found total.\r\n" +
                                 saving("a.ini") +
                                 "Scanning TEXT file \"b.ini\"...\r\n"
                                 "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"\". [length changed]\r\n"
                                 "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"\". [length changed]\r\n"
                                 "    2 entries found total.\r\n" +
                                 saving("b.ini") + "ERROR!  An error occurred attempting to save \"" + path("b.ini") +
                                 "\"!Operation stopped.\r\n";
    EXPECT_EQ(expected, run(1));
    expectEnd(ExpertFailed, "ERROR!  An error occurred attempting to save \"" + path("b.ini") + "\"!");
    EXPECT_EQ("x ", get("a.ini"));
    EXPECT_EQ("alphaALPHA", get("b.ini"));
    EXPECT_EQ("alpha!", get("c.ini"));
}

TEST_F(ExpertRunFixture, UnreadableFileStopsTheRunAfterTheFilesBeforeIt) {
    put("a.ini", "alpha");
    put("b.ini", "alpha");
    put("c.ini", "alpha");
    RefuseOpenOf refuse("b.ini");
    const std::string expected = header("DO IT") +
                                 "Scanning TEXT file \"a.ini\"...\r\n"
                                 "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                                 "    1 entry found total.\r\n" +
                                 saving("a.ini") + "Error, cannot load file \"" + path("b.ini") +
                                 "\"!\r\n"
                                 "Operation stopped.\r\n" +
                                 causeLine(ZephErrAccess);
    EXPECT_EQ(expected, run(1));
    expectEnd(ExpertFailed, "Error, cannot load file \"" + path("b.ini") + "\"!");
    EXPECT_EQ("omega", get("a.ini"));
    EXPECT_EQ("alpha", get("c.ini"));
}

TEST_F(ExpertRunFixture, RefusalsEndTheRunBeforeAnythingIsListed) {
    put("a.ini", "alpha");
    qvtest::DirFault searches(qvtest::DirFault::FindFirst | qvtest::DirFault::FindNext, 1000);

    oldString = "";
    EXPECT_EQ(header("DO IT") + "Error, no <Old String> specified.\r\n", run(1));
    expectEnd(ExpertRefused, "Error, no <Old String> specified.");

    // Listing "" + separator + "*.*" would show the drive's root while the
    // files were loaded relative to the current directory.
    directory = "";
    oldString = "alpha";
    EXPECT_EQ("REPORT for directory \"\":\r\n\r\nError, no <Source Directory> specified.\r\n", run(0));
    oldString = "";
    EXPECT_EQ("REPORT for directory \"\":\r\n\r\nError, no <Source Directory> specified.\r\n", run(0));
    expectEnd(ExpertRefused, "Error, no <Source Directory> specified.");

    EXPECT_EQ(0, searches.calls());
    EXPECT_EQ("alpha", get("a.ini"));
    EXPECT_EQ((std::vector<int32_t>{1, 0, 1, 0, 1, 0}), sink.busyStates);
}

TEST_F(ExpertRunFixture, MissingDirectoryIsNamedByItsPattern) {
    // A directory whose pattern would not fit is not cut to another one.
    for (const std::string& missing :
         {path("missing"), dir.path() + ZephPathSeparatorText + std::string(1100 - dir.path().size(), 'd')}) {
        directory = missing;
        const std::string line =
            "Error!  Cannot create directory list for \"" + directory + ZephPathSeparatorText + "*.*\"!";
        const bool tooLong = missing.size() > 1000;
        EXPECT_EQ(header("REPORT") + line + (tooLong ? "" : "\r\n" + causeLine(ZephErrNotFound)), run(0));
        expectEnd(ExpertFailed, line);
    }
}

TEST_F(ExpertRunFixture, EntriesListedAsLinksArePassedOverLikeDirectories) {
    put("a.ini", "alpha");
    put("b.ini", "alpha");
    qvtest::ScriptedMatch link;
    link.name = "a.ini";
    link.attributes = ZephSysAttrReparsePoint | ZephSysAttrArchive;
    qvtest::ScriptedMatch plain;
    plain.name = "b.ini";
    qvtest::ScriptedDir scripted({link, plain});
    const std::string expected = header("DO IT") +
                                 "Scanning TEXT file \"b.ini\"...\r\n"
                                 "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                                 "    1 entry found total.\r\n" +
                                 saving("b.ini") + "Done!\r\n";
    EXPECT_EQ(expected, run(1));
    EXPECT_EQ("alpha", get("a.ini"));
    EXPECT_EQ("omega", get("b.ini"));
    // Counted and told, though the log, as the page shows it, keeps quiet.
    EXPECT_EQ("a.ini>passed b.ini>b.ini ", sink.filesDone);
    EXPECT_EQ(1, outcome.linksPassedOver);
}

TEST_F(ExpertRunFixture, StringsOf1023CharactersAreLoggedAndWrittenWhole) {
    oldString = std::string(1022, 'q') + "Z";
    newString = std::string(1023, 'n');
    put("a.exe", "<" + std::string(1022, 'Q') + "z>");
    put("b.ini", std::string(1023, 'q') + "z");
    const std::string match = "    Match: $00000001 - $000003ff, 1023 bytes \"" + oldString + "\"\r\n";
    EXPECT_EQ(header("REPORT") + "Scanning BINARY file \"a.exe\"...\r\n" + match +
                  "    1 entry found total.\r\n"
                  "Scanning TEXT file \"b.ini\"...\r\n" +
                  match + "    1 entry found total.\r\nDone!\r\n",
              run(0));
    const std::string replacing = "    Replacing text \"" + oldString + "\" with \"" + newString + "\"";
    EXPECT_EQ(header("DO IT") + "Scanning BINARY file \"a.exe\"...\r\n" + match + replacing +
                  " [binary file].\r\n    1 entry found total.\r\n" + saving("a.exe") +
                  "Scanning TEXT file \"b.ini\"...\r\n" + match + replacing +
                  " [no change in length].\r\n    1 entry found total.\r\n" + saving("b.ini") + "Done!\r\n",
              run(1));
    EXPECT_EQ("<" + newString + ">", get("a.exe"));
    EXPECT_EQ("q" + newString, get("b.ini"));
}

TEST_F(ExpertRunFixture, OccurrencesAcrossTheSearchStepsAreAllFound) {
    // The search looks at the clock every 64 KiB; occurrences straddling
    // and touching those steps must still be found, once each.
    std::string bytes(200000, 'x');
    for (size_t at : {65534u, 131071u, 131076u, 199995u})
        bytes.replace(at, 5, "ALPHA");
    put("big.dll", bytes);
    EXPECT_EQ(header("REPORT") + "Scanning BINARY file \"big.dll\"...\r\n"
                                 "    Match: $0000fffe - $00010002, 5 bytes \"alpha\"\r\n"
                                 "    Match: $0001ffff - $00020003, 5 bytes \"alpha\"\r\n"
                                 "    Match: $00020004 - $00020008, 5 bytes \"alpha\"\r\n"
                                 "    Match: $00030d3b - $00030d3f, 5 bytes \"alpha\"\r\n"
                                 "    4 entries found total.\r\n"
                                 "Done!\r\n",
              run(0));
}

TEST_F(ExpertRunFixture, BufferThatCannotTakeTheFileOrGrowStopsTheRunUnsaved) {
    ZephMemManager workManager{"ExpertRunWork", 0, 0, 0, nullptr};
    work.init(&workManager, 8192);
    // 8190 bytes: the longer string must grow the buffer past one granule.
    const std::string ini = "alpha" + std::string(8185, '-');
    put("a.ini", ini);
    newString = "alphabet";
    qvtest::AllocFault fault(&workManager);

    fault.failAt(2);
    EXPECT_EQ(header("DO IT") +
                  "Scanning TEXT file \"a.ini\"...\r\n"
                  "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                  "    Replacing text \"alpha\" with \"alphabet\". [length changed]\r\n"
                  "ERROR!  An error occurred attempting to overwrite \"alpha\" with \"alphabet\"!  Aborting!\r\n"
                  "Operation stopped.\r\n",
              run(1));
    expectEnd(ExpertFailed,
              "ERROR!  An error occurred attempting to overwrite \"alpha\" with \"alphabet\"!  Aborting!");
    EXPECT_TRUE(fault.fired());
    EXPECT_EQ(ini, get("a.ini"));

    // The buffer is first sized for the largest file listed; when that
    // fails, the file asks again for its own size.
    work.clear();
    fault.failAt(1, true);
    EXPECT_EQ(header("DO IT") + "Error, cannot transfer file data to zephbuf!\r\nOperation stopped.\r\n", run(1));
    expectEnd(ExpertFailed, "Error, cannot transfer file data to zephbuf!");
    EXPECT_TRUE(fault.fired());
    EXPECT_EQ(ini, get("a.ini"));
    fault.disarm();
    work.clear();
}

TEST_F(ExpertRunFixture, FailedSaveLeavesTheFileByteIdentical) {
    const std::string ini = "host=alpha\r\n";
    put("a.ini", ini);
    for (qvtest::FileOp op : {qvtest::FileOp::Write, qvtest::FileOp::Flush, qvtest::FileOp::ReplaceIn}) {
        qvtest::FileFault fault;
        fault.failAt(op, 1, ZephErrNoSpace);
        const std::string result = run(1);
        SCOPED_TRACE(qvtest::fileOpName(op));
        EXPECT_EQ(1, fault.faultsInjected());
        EXPECT_EQ(0, fault.openHandles());
        const std::string tail = saving("a.ini") + "ERROR!  An error occurred attempting to save \"" + path("a.ini") +
                                 "\"!Operation stopped.\r\n" + causeLine(ZephErrNoSpace);
        ASSERT_GE(result.size(), tail.size());
        EXPECT_EQ(tail, result.substr(result.size() - tail.size()));
        EXPECT_EQ(ini, get("a.ini"));
        EXPECT_EQ((std::set<std::string>{"a.ini"}), names());
    }
}

TEST_F(ExpertRunMixedDirectory, AnyFileFailureLosesNothing) {
    const std::string exePatched = "MZ" + Zero + Zero + "omega" + Zero + "x" + "omega" + "!!";
    for (bool persistent : {false, true}) {
        for (int n = 1;; ++n) {
            put("a.exe", exe);
            put("b.ini", ini);
            qvtest::FileFault fault;
            fault.spare(qvtest::FileOp::RemoveIn);
            fault.failAt(qvtest::FileOp::Any, n, ZephErrIo, persistent);
            const std::string result = run(1);
            const bool injected = fault.faultsInjected() > 0;
            fault.disarm();
            SCOPED_TRACE(std::string(persistent ? "lasting" : "one-off") + " failure of " + fault.lastFaultName() +
                         " at call " + std::to_string(n));
            EXPECT_EQ(0, fault.openHandles());
            const bool done = result.size() >= 7 && result.compare(result.size() - 7, 7, "Done!\r\n") == 0;
            const bool stopped = result.find("Operation stopped.\r\n") != std::string::npos;
            const bool unlisted = result.find("Error!  Cannot create directory list") != std::string::npos;
            EXPECT_EQ(1, done + stopped + unlisted) << result;
            EXPECT_EQ(done ? ExpertDone : ExpertFailed, outcome.end) << outcome.message;
            const std::string a = get("a.exe"), b = get("b.ini");
            EXPECT_TRUE(a == exe || a == exePatched);
            EXPECT_TRUE(b == ini || b == "host=omega\r\nport=1\r\n");
            EXPECT_TRUE(get("f.HTM") == htm || get("f.HTM") == "<p>omega and omega</p>");
            EXPECT_EQ((std::set<std::string>{"a.exe", "b.ini", "c.txt", "d.cfg", "e.htm", "f.HTM"}), names());
            put("f.HTM", htm);
            if (!injected) {
                EXPECT_TRUE(done) << result;
                EXPECT_EQ(exePatched, a);
                break;
            }
        }
    }
}

TEST_F(ExpertRunFixture, StopDuringAScanEndsThatFileWithItsTotalAndSaveThenTheRun) {
    put("a.ini", "one alpha two alpha three alpha");
    put("b.ini", "alpha");
    // Every reading of the clock is 30 ms on, so the first position after
    // the first occurrence shows the progress and drains the messages; the
    // close request arrives there.
    FakeClock::step = 30;
    sink.onPump = [&] {
        if (!sink.progress.empty())
            pageDone = 1;
    };
    const std::string expected = header("DO IT") +
                                 "Scanning TEXT file \"a.ini\"...\r\n"
                                 "    Match: $00000004 - $00000008, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                                 "    1 entry found total.\r\n" +
                                 saving("a.ini") + "Done!\r\n";
    EXPECT_EQ(expected, run(1));
    expectEnd(ExpertStopped, "Done!");
    EXPECT_EQ((std::vector<std::string>{"28% Complete..."}), sink.progress);
    EXPECT_EQ("one omega two alpha three alpha", get("a.ini"));
    EXPECT_EQ("alpha", get("b.ini"));
}

TEST_F(ExpertRunFixture, StopAfterALengthChangingReplacementSavesTheFileRewrittenThatFar) {
    // The content is rewritten in one pass; stopped after its first
    // occurrence, the file is saved as one replacement would leave it, and the
    // percentage is of that content's length.
    struct Case {
        const char* newText;
        const char* saved;
        const char* progress;
    } cases[] = {
        {"om", "one om two alpha three alpha", "20% Complete..."},
        {"omega!!", "one omega!! two alpha three alpha", "32% Complete..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.newText);
        put("a.ini", "one alpha two alpha three alpha");
        newString = c.newText;
        pageDone = 0;
        FakeClock::step = 30;
        sink.progress.clear();
        sink.onPump = [&] {
            if (!sink.progress.empty())
                pageDone = 1;
        };
        EXPECT_NE(std::string::npos, run(1).find("    1 entry found total.\r\n"));
        expectEnd(ExpertStopped, "Done!");
        EXPECT_EQ((std::vector<std::string>{c.progress}), sink.progress);
        EXPECT_EQ(c.saved, get("a.ini"));
    }
}

TEST_F(ExpertRunFixture, StopBeforeAScanLeavesThatFileAndEndsTheRun) {
    put("a.ini", "alpha");
    put("b.ini", "alpha");
    put("c.ini", "alpha");
    sink.onPump = [&] {
        if (sink.lastShown.find("\"b.ini\"...") != std::string::npos)
            pageDone = 1;
    };
    const std::string expected = header("DO IT") +
                                 "Scanning TEXT file \"a.ini\"...\r\n"
                                 "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                                 "    Replacing text \"alpha\" with \"omega\" [no change in length].\r\n"
                                 "    1 entry found total.\r\n" +
                                 saving("a.ini") +
                                 "Scanning TEXT file \"b.ini\"...no entries found.\r\n"
                                 "Done!\r\n";
    EXPECT_EQ(expected, run(1));
    expectEnd(ExpertStopped, "Done!");
    EXPECT_EQ("omega", get("a.ini"));
    EXPECT_EQ("alpha", get("b.ini"));
    EXPECT_EQ("alpha", get("c.ini"));
}

TEST_F(ExpertRunFixture, ProgressIsShownOnlyAfterMoreThan25msAndNeverStaysInTheLog) {
    // Ends with an occurrence, so the scan looks at the clock exactly once
    // per occurrence, after positions 5, 11 and 17 of 17 bytes.
    put("a.ini", "alpha.alpha.alpha");
    const std::string expected = header("REPORT") + "Scanning TEXT file \"a.ini\"...\r\n"
                                                    "    Match: $00000000 - $00000004, 5 bytes \"alpha\"\r\n"
                                                    "    Match: $00000006 - $0000000a, 5 bytes \"alpha\"\r\n"
                                                    "    Match: $0000000c - $00000010, 5 bytes \"alpha\"\r\n"
                                                    "    3 entries found total.\r\n"
                                                    "Done!\r\n";
    // Without progress the messages are drained after the heading, the
    // "Scanning" text, the total and at the end.
    EXPECT_EQ(expected, run(0));
    EXPECT_TRUE(sink.progress.empty());
    EXPECT_EQ(4, sink.pumps);

    // Exactly 25 ms after the last progress is not yet enough.
    FakeClock::step = 25;
    sink.pumps = 0;
    EXPECT_EQ(expected, run(0));
    EXPECT_EQ((std::vector<std::string>{"61% Complete..."}), sink.progress);
    EXPECT_EQ(4 + 1, sink.pumps);

    // Each progress text is followed by a drain of its own.
    FakeClock::step = 26;
    sink.pumps = 0;
    sink.progress.clear();
    EXPECT_EQ(expected, run(0));
    EXPECT_EQ((std::vector<std::string>{"27% Complete...", "61% Complete...", "94% Complete..."}), sink.progress);
    EXPECT_EQ(4 + 3, sink.pumps);
}
