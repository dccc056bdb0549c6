// CliProgramTest.cpp - the whole quorvel tool, run inside the test process:
// every command on generated install folders, what it prints where, its
// exit codes, and the files it leaves.
#include "CliProgram.h"
#include "CliFolders.h"
#include "CliInterrupt.h"
#include "QvInstallDir.h"
#include "QvTestKit.h"
#include "WizardStrings.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephSysError.h"
#include "ZephSysFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string Address = legacyServerAddress;
const std::string Host = serviceHostName;

std::string join(const std::string& dir, const std::string& name) { return dir + ZephPathSeparatorText + name; }

// The system's words for a code, as a "Cause:" line of the tool gives them.
std::string causeOf(ZephError code) {
    char text[256];
    ZephFailureText(ZephFailure{code, ZephSysErrorNumberOf(code)}, text, sizeof text);
    return text;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// A made-up install folder, in the order the runs list it:
//   Clean.cfg   text kind, no address
//   Config.INI  text kind, the address twice
//   Game.EXE    binary kind, the address at the start and across a 4096-byte piece
//   Maps\       a folder whose file holds the address (never entered)
//   readme.txt  another kind, holds the address (never opened)
//   zeta.htm    text kind, the address at the very end
struct Install {
    static constexpr int Entries = 6;
    static constexpr int Matches = 3;

    explicit Install(const std::string& at) : dir(at) {
        std::string game(9000, '\0');
        for (size_t i = 0; i < game.size(); ++i)
            game[i] = static_cast<char>((i * 7) % 251);
        game.replace(0, Address.size(), Address);
        game.replace(4090, Address.size(), Address);
        files = {
            {"Clean.cfg", "[net]\r\nserver=203.0.113.9\r\n"},
            {"Config.INI", "[net]\r\nserver=" + Address + "\r\nbackup=" + Address + "\r\n"},
            {"Game.EXE", game},
            {"readme.txt", "Old server: " + Address + "\r\n"},
            {"zeta.htm", "<a href=\"http://" + Address},
        };
        for (const auto& [name, bytes] : files)
            EXPECT_TRUE(qvtest::writeFile(join(dir, name), bytes)) << name;
        fs::create_directory(join(dir, "Maps"));
        EXPECT_TRUE(qvtest::writeFile(join(join(dir, "Maps"), "m.ini"), Address));
    }

    std::string read(const std::string& name) const { return qvtest::readFile(join(dir, name)); }
    std::string original(const std::string& name) const {
        for (const auto& [fileName, bytes] : files) {
            if (fileName == name)
                return bytes;
        }
        return {};
    }
    // What a convert run with the wizard's strings makes of a file.
    std::string patched(const std::string& name) const {
        if (name == "Game.EXE")
            return replaceAll(original(name), Address, Host + std::string(1, '\0'));
        if (name == "Config.INI" || name == "zeta.htm")
            return replaceAll(original(name), Address, Host);
        return original(name);
    }

    std::string dir;
    std::vector<std::pair<std::string, std::string>> files;
};

struct Result {
    int code;
    std::string out;
    std::string err;
};

// Runs the tool with its streams in files of the test's own.
class CliProgramTest : public ::testing::Test {
protected:
    Result run(std::vector<std::string> words, bool progress = false) {
        words.insert(words.begin(), "quorvel");
        std::vector<const char*> argv;
        for (const std::string& word : words)
            argv.push_back(word.c_str());
        const std::string outPath = join(streams.path(), "out");
        const std::string errPath = join(streams.path(), "err");
        CliEnvironment env;
        env.out = std::fopen(outPath.c_str(), "wb");
        env.err = std::fopen(errPath.c_str(), "wb");
        env.progress = progress;
        env.winePrefix = winePrefix.empty() ? nullptr : winePrefix.c_str();
        env.home = home.empty() ? nullptr : home.c_str();
        EXPECT_NE(env.out, nullptr);
        EXPECT_NE(env.err, nullptr);
        const int32_t blocks = ZephMemManagerGlobal.heapCount;
        Result result;
        result.code = CliRunProgram(static_cast<int>(argv.size()), argv.data(), env);
        EXPECT_EQ(ZephMemManagerGlobal.heapCount, blocks) << "blocks left behind";
        std::fclose(env.out);
        std::fclose(env.err);
        result.out = qvtest::readFile(outPath);
        result.err = qvtest::readFile(errPath);
        return result;
    }

    qvtest::TempDir streams;
    qvtest::TempDir folder;
    std::string winePrefix;
    std::string home;
};

TEST_F(CliProgramTest, ScanPrintsTheVerdictAndCountsAndWritesNothing) {
    Install install(folder.path());
    Result r = run({"scan", folder.path()});
    EXPECT_EQ(r.code, CliExitFinished);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Directory: " + folder.path() +
                         "\n\n"
                         "There are 3 files that need to be changed.\n\n"
                         "Click on Next to begin conversions of these files.\n\n"
                         "Entries looked at: 6, files that need to be changed: 3\n");
    for (const auto& [name, bytes] : install.files)
        EXPECT_EQ(install.read(name), bytes) << name;
}

TEST_F(CliProgramTest, ScanVerdictsForOneNoneAndAnEmptyFolder) {
    ASSERT_TRUE(qvtest::writeFile(join(folder.path(), "one.dll"), Address));
    ASSERT_TRUE(qvtest::writeFile(join(folder.path(), "two.ini"), "nothing"));
    Result one = run({"scan", folder.path()});
    EXPECT_NE(
        one.out.find("There is 1 file that need to be changed.\n\nClick on Next to begin conversions of this file."),
        std::string::npos);

    Result none = run({"scan", "--old", "10.9.8.7", folder.path()});
    EXPECT_EQ(none.code, CliExitFinished);
    EXPECT_NE(none.out.find("We have determined that no patching is required for this product in this directory."),
              std::string::npos);

    qvtest::TempDir empty;
    Result nothing = run({"patch", empty.path()});
    EXPECT_EQ(nothing.code, CliExitFinished);
    EXPECT_NE(nothing.out.find("No files were found in this directory."), std::string::npos);
}

TEST_F(CliProgramTest, JsonIsOneLineWithStatusCountsAndMessage) {
    Install install(folder.path());
    Result r = run({"scan", "--json", folder.path()});
    EXPECT_EQ(r.code, CliExitFinished);
    EXPECT_EQ(r.out, "{\"status\":\"Finished\",\"visited\":6,\"matched\":3,\"message\":\"\"}\n");

    const std::string missing = join(folder.path(), "gone \"here\"");
    Result failed = run({"patch", "--json", missing});
    EXPECT_EQ(failed.code, CliExitFailed);
    std::string escaped = replaceAll(replaceAll(missing, "\\", "\\\\"), "\"", "\\\"");
    // The cause is the system's: Windows does not call such a name missing.
    const std::string head = "{\"status\":\"Failed\",\"visited\":0,\"matched\":0,\"message\":\"We were unable to scan "
                             "the directory \\\"" +
                             escaped +
                             "\\\"!\\n\\nPlease click Back and select a different directory and try again.\","
                             "\"cause\":\"";
    EXPECT_EQ(failed.out.substr(0, head.size()), head);
    EXPECT_EQ(failed.out.substr(failed.out.size() - 3), "\"}\n");
    EXPECT_NE(failed.err.find("We were unable to scan"), std::string::npos); // the message on stderr too
}

TEST_F(CliProgramTest, MissingFolderFailsWithTheJobsMessageOnStderr) {
    const std::string missing = join(folder.path(), "missing");
    Result r = run({"scan", missing});
    EXPECT_EQ(r.code, CliExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "We were unable to scan the directory \"" + missing +
                         "\"!\n\nPlease click Back and select a different directory and try again.\nCause: " +
                         causeOf(ZephErrNotFound) + "\n");
}

TEST_F(CliProgramTest, PatchRewritesTheMatchingFilesOnly) {
    Install install(folder.path());
    Result r = run({"patch", folder.path()});
    EXPECT_EQ(r.code, CliExitFinished) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Directory: " + folder.path() +
                         "\n\n"
                         "Product patching complete!\n\n3 files patched.\n\n"
                         "Click on Back to patch other products, or click on Finished! to quit.\n\n"
                         "Entries looked at: 6, files patched: 3\n");
    for (const auto& [name, bytes] : install.files)
        EXPECT_EQ(install.read(name), install.patched(name)) << name;
    EXPECT_EQ(install.read("Game.EXE").size(), install.original("Game.EXE").size());
    EXPECT_EQ(qvtest::readFile(join(join(folder.path(), "Maps"), "m.ini")), Address);

    // A second patch finds nothing left to do.
    Result again = run({"patch", "--json", folder.path()});
    EXPECT_EQ(again.out, "{\"status\":\"Finished\",\"visited\":6,\"matched\":0,\"message\":\"\"}\n");
}

TEST_F(CliProgramTest, DryRunAndSaveAsNewLeaveTheSources) {
    Install install(folder.path());
    Result dry = run({"patch", "--dry-run", folder.path()});
    EXPECT_EQ(dry.code, CliExitFinished);
    EXPECT_NE(dry.out.find("There are 3 files that need to be changed."), std::string::npos);
    EXPECT_NE(dry.out.find("Dry run: no file was changed.\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(join(folder.path(), "Game.EXE.new")));

    Result copies = run({"patch", "--save-as-new", folder.path()});
    EXPECT_EQ(copies.code, CliExitFinished);
    for (const auto& [name, bytes] : install.files) {
        EXPECT_EQ(install.read(name), bytes) << name;
        bool matched = install.patched(name) != bytes;
        EXPECT_EQ(fs::exists(join(folder.path(), name + ".new")), matched) << name;
        if (matched) {
            EXPECT_EQ(install.read(name + ".new"), install.patched(name)) << name;
        }
    }
}

TEST_F(CliProgramTest, ReadOnlyFileStopsThePatchWithFilesBeforeItRewritten) {
    Install install(folder.path());
    const std::string locked = join(folder.path(), "Game.EXE");
    fs::permissions(locked, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    Result r = run({"patch", folder.path()});
    fs::permissions(locked, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(r.code, CliExitFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Unable to open file \"" + locked + "\" for writing!\nCause: marked read-only\n");
    EXPECT_EQ(install.read("Config.INI"), install.patched("Config.INI")); // before it
    EXPECT_EQ(install.read("Game.EXE"), install.original("Game.EXE"));
    EXPECT_EQ(install.read("zeta.htm"), install.original("zeta.htm")); // after it
}

// Opens of names ending in ".INI" fail, as for files nobody may read.
ZephError openRefusingIni(int64_t folder, const char* name, uint32_t flags, int64_t* handle) {
    std::string text = name != nullptr ? name : "";
    if (text.size() >= 4 && text.compare(text.size() - 4, 4, ".INI") == 0) {
        ZephSysSetLastError(ZephSysErrorNumberOf(ZephErrAccess));
        return ZephErrAccess;
    }
    return ZephSysFilesDefault.openIn(folder, name, flags, handle);
}

TEST_F(CliProgramTest, UnreadableFileFailsEveryCommandWithItsName) {
    Install install(folder.path());
    const std::string unreadable = join(folder.path(), "Config.INI");
    ZephSysFileTable saved = ZephSysFiles;
    ZephSysFiles.openIn = openRefusingIni;
    const std::string denied = causeOf(ZephErrAccess);
    Result scan = run({"scan", "--json", folder.path()});
    Result patch = run({"patch", folder.path()});
    Result report = run({"report", "--old", Address, "--new", Host, folder.path()});
    ZephSysFiles = saved;
    EXPECT_EQ(scan.code, CliExitFailed);
    EXPECT_EQ(scan.out, "{\"status\":\"Failed\",\"visited\":2,\"matched\":0,\"message\":\"Unable to open file \\\"" +
                            replaceAll(unreadable, "\\", "\\\\") + "\\\" for reading!\",\"cause\":\"" + denied +
                            "\"}\n");
    EXPECT_EQ(patch.code, CliExitFailed);
    EXPECT_EQ(patch.err, "Unable to open file \"" + unreadable + "\" for reading!\nCause: " + denied + "\n");
    for (const auto& [name, bytes] : install.files)
        EXPECT_EQ(install.read(name), bytes) << name;
    EXPECT_EQ(report.code, CliExitFailed);
    EXPECT_EQ(report.err, "Error, cannot load file \"" + unreadable + "\"!\nCause: " + denied + "\n");
}

TEST_F(CliProgramTest, ReportAndRewritePrintTheExpertLog) {
    ASSERT_TRUE(qvtest::writeFile(join(folder.path(), "a.exe"), "xx" + Address));
    ASSERT_TRUE(qvtest::writeFile(join(folder.path(), "b.ini"), "none"));
    const std::string newHost = "h.test";
    Result report = run({"report", "--old", Address, "--new", newHost, folder.path()});
    EXPECT_EQ(report.code, CliExitFinished) << report.err;
    EXPECT_EQ(report.err, "");
    const std::string match = "    Match: $00000002 - $0000000f, 14 bytes \"" + Address + "\"\n";
    EXPECT_EQ(report.out, "REPORT for directory \"" + folder.path() +
                              "\":\n\n"
                              "Scanning BINARY file \"a.exe\"...\n" +
                              match +
                              "    1 entry found total.\n"
                              "Scanning TEXT file \"b.ini\"...no entries found.\n"
                              "Done!\n");
    EXPECT_EQ(qvtest::readFile(join(folder.path(), "a.exe")), "xx" + Address);

    Result rewrite = run({"rewrite", "--old", Address, "--new", newHost, "--save-as-new", folder.path()});
    EXPECT_EQ(rewrite.code, CliExitFinished) << rewrite.err;
    const std::string target = join(folder.path(), "a.exe") + ".NEW";
    EXPECT_EQ(rewrite.out, "DO IT for directory \"" + folder.path() +
                               "\":\n\n"
                               "Scanning BINARY file \"a.exe\"...\n" +
                               match + "    Replacing text \"" + Address + "\" with \"" + newHost +
                               "\" [binary file].\n"
                               "    1 entry found total.\n"
                               "    Saving \"" +
                               target +
                               "\".\n"
                               "Scanning TEXT file \"b.ini\"...no entries found.\n"
                               "Done!\n");
    EXPECT_EQ(qvtest::readFile(target), "xx" + newHost + std::string(Address.size() - newHost.size(), '\0'));
    EXPECT_EQ(qvtest::readFile(join(folder.path(), "a.exe")), "xx" + Address);
}

TEST_F(CliProgramTest, FailedExpertRunsExitOneWithTheirErrorLine) {
    const std::string missing = join(folder.path(), "missing");
    Result r = run({"report", "--old", "a", "--new", "b", missing});
    EXPECT_EQ(r.code, CliExitFailed);
    const std::string line = "Error!  Cannot create directory list for \"" + join(missing, "*.*") + "\"!";
    const std::string cause = "Cause: " + causeOf(ZephErrNotFound) + "\n";
    EXPECT_EQ(r.out, "REPORT for directory \"" + missing + "\":\n\n" + line + "\n" + cause);
    EXPECT_EQ(r.err, line + "\n" + cause);

    Result empty = run({"rewrite", "--old", "", "--new", "b", folder.path()});
    EXPECT_EQ(empty.code, CliExitFailed);
    EXPECT_EQ(empty.err, "Error, no <Old String> specified.\n");

    // A text file made only of the old string cannot be saved empty.
    ASSERT_TRUE(qvtest::writeFile(join(folder.path(), "only.ini"), "abab"));
    Result unsaved = run({"rewrite", "--old", "ab", "--new", "", folder.path()});
    EXPECT_EQ(unsaved.code, CliExitFailed);
    EXPECT_EQ(unsaved.err,
              "ERROR!  An error occurred attempting to save \"" + join(folder.path(), "only.ini") + "\"!\n");
    EXPECT_NE(unsaved.out.find("!Operation stopped.\n"), std::string::npos);
    EXPECT_EQ(qvtest::readFile(join(folder.path(), "only.ini")), "abab");
}

TEST_F(CliProgramTest, BadUsageExitsTwoWithAHintAndRunsNothing) {
    Install install(folder.path());
    for (std::vector<std::string> words :
         std::vector<std::vector<std::string>>{{},
                                               {"scan"},
                                               {"scan", "--save-as-new", folder.path()},
                                               {"report", folder.path()},
                                               {"patch", "--product", "No Such Game", "--channel", "box"},
                                               {"scan", "--product", "12", "--channel", "download"}}) {
        Result r = run(words);
        std::string shown = words.empty() ? "(nothing)" : words[0];
        EXPECT_EQ(r.code, CliExitUsage) << shown;
        EXPECT_EQ(r.out, "") << shown;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << shown << ": " << r.err;
    }
    for (const auto& [name, bytes] : install.files)
        EXPECT_EQ(install.read(name), bytes) << name;
}

TEST_F(CliProgramTest, ProductFolderIsFoundInsideTheWinePrefix) {
    if (!CliFoldersUseWinePrefix) {
        // Windows takes the table's folder as it stands; a prefix means nothing there.
        Result r = run({"scan", "--product", "2", "--channel", "box", "--prefix", folder.path()});
        EXPECT_EQ(r.code, CliExitUsage);
        Result plain = run({"scan", "--json", "--product", "Stormcrow", "--channel", "download"});
        EXPECT_NE(plain.out.find("C:\\\\Stormcrow"), std::string::npos) << plain.out;
        return;
    }
    const std::string box = folder.path() + "/prefix/drive_c/Program Files/Quellsoft/Talon INT";
    const std::string download = folder.path() + "/home/.wine/drive_c/Talon Interceptor";
    fs::create_directories(box);
    fs::create_directories(download);
    ASSERT_TRUE(qvtest::writeFile(box + "/talon.exe", Address));
    ASSERT_TRUE(qvtest::writeFile(download + "/a.ini", Address));
    ASSERT_TRUE(qvtest::writeFile(download + "/b.ini", Address));

    Result given =
        run({"scan", "--product", "talon interceptor", "--channel", "box", "--prefix", folder.path() + "/prefix/"});
    EXPECT_EQ(given.code, CliExitFinished) << given.err;
    EXPECT_EQ(given.out.substr(0, given.out.find('\n', given.out.find('\n') + 1) + 1),
              "Scan results for \"Talon Interceptor\":\nDirectory: " + box + "\n");
    EXPECT_NE(given.out.find("There is 1 file"), std::string::npos);

    winePrefix = folder.path() + "/prefix";
    Result variable = run({"patch", "--json", "--product", "2", "--channel", "box"});
    EXPECT_EQ(variable.out, "{\"status\":\"Finished\",\"visited\":1,\"matched\":1,\"message\":\"\"}\n");
    EXPECT_EQ(qvtest::readFile(box + "/talon.exe"), Host + std::string(1, '\0'));

    winePrefix.clear();
    home = folder.path() + "/home";
    Result fromHome = run({"scan", "--json", "--product", "2", "--channel", "download"});
    EXPECT_EQ(fromHome.out, "{\"status\":\"Finished\",\"visited\":2,\"matched\":2,\"message\":\"\"}\n");

    home.clear();
    Result nowhere = run({"scan", "--product", "2", "--channel", "download"});
    EXPECT_EQ(nowhere.code, CliExitUsage);
    EXPECT_NE(nowhere.err.find("no Wine prefix"), std::string::npos);

    // A missing install fails the run, naming the folder looked at.
    Result missing = run({"scan", "--product", "0", "--channel", "box", "--prefix", folder.path() + "/prefix"});
    EXPECT_EQ(missing.code, CliExitFailed);
    EXPECT_NE(missing.err.find(folder.path() + "/prefix/drive_c/Program Files/Quellsoft/Kestrel Strike"),
              std::string::npos);
}

TEST_F(CliProgramTest, ProgressLineOnlyWhenAskedAndWipedAtTheEnd) {
    Install install(folder.path());
    Result quiet = run({"scan", folder.path()});
    EXPECT_EQ(quiet.err, "");
    Result shown = run({"patch", folder.path()}, true);
    EXPECT_EQ(shown.code, CliExitFinished);
    EXPECT_NE(shown.err.find("\rScanning files... "), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("\rPatching files... "), std::string::npos) << shown.err;
    EXPECT_EQ(shown.err.back(), '\r'); // wiped, the cursor back at the line's start
    EXPECT_EQ(shown.err.find('\n'), std::string::npos);
    EXPECT_EQ(shown.out.find('\r'), std::string::npos);
}

// Ctrl-C, and the requests to end that a service manager or a closed
// terminal sends, each stop every run before it writes.
TEST_F(CliProgramTest, CtrlCStopsEveryRunBeforeItWritesAndExitsOne) {
    Install install(folder.path());
    int signals[] = {SIGINT, SIGTERM,
#ifdef SIGHUP
                     SIGHUP
#endif
    };
    for (int signal : signals) {
        SCOPED_TRACE(signal);
        CliCatchInterrupt();
        std::raise(signal); // before the first step
        Result patch = run({"patch", folder.path()});
        Result rewrite = run({"rewrite", "--old", Address, "--new", Host, folder.path()});
        Result scan = run({"scan", "--json", folder.path()});
        CliForgetInterrupt();
        EXPECT_EQ(patch.code, CliExitFailed);
        EXPECT_EQ(patch.err, "The run was interrupted.\n");
        EXPECT_EQ(rewrite.code, CliExitFailed);
        EXPECT_EQ(rewrite.err, "The run was interrupted.\n");
        EXPECT_EQ(scan.out,
                  "{\"status\":\"Failed\",\"visited\":0,\"matched\":0,\"message\":\"The run was interrupted.\"}\n");
        for (const auto& [name, bytes] : install.files)
            EXPECT_EQ(install.read(name), bytes) << name;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), {}), Install::Entries);
    }
}

// The wizard's own test install, which its end-to-end run patches through
// the pages: the tool's patch leaves exactly the bytes that run must leave.
TEST_F(CliProgramTest, PatchOfTheWizardsTestInstallLeavesWhatTheWizardLeaves) {
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(folder.path(), &error)) << error;
    Result scan = run({"scan", "--json", folder.path()});
    EXPECT_EQ(scan.out, "{\"status\":\"Finished\",\"visited\":" + std::to_string(qvtest::GameInstallEntries) +
                            ",\"matched\":" + std::to_string(qvtest::GameInstallMatches) + ",\"message\":\"\"}\n");
    EXPECT_TRUE(qvtest::checkGameInstall(folder.path(), false).empty());
    Result patch = run({"patch", folder.path()});
    EXPECT_EQ(patch.code, CliExitFinished) << patch.err;
    for (const std::string& problem : qvtest::checkGameInstall(folder.path(), true))
        ADD_FAILURE() << problem;
}

} // namespace
