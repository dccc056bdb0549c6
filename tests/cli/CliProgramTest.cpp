// CliProgramTest.cpp - the whole quorvel tool, run inside the test process:
// every verb on generated install folders, what it prints where, its exit
// codes, and the files it leaves. (Real processes, JSON checked by a JSON
// parser, signals and pipes: tests/scripts/posix/cli_contracts.sh.)
#include "CliProgram.h"
#include "CliFolders.h"
#include "CliInterrupt.h"
#include "CliText.h"
#include "QvInstallDir.h"
#include "QvTestKit.h"
#include "WizardStrings.h"
#include "ZephMem.h"
#include "ZephPath.h"
#include "ZephSysError.h"
#include "ZephSysFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string Address = legacyServerAddress;
const std::string Host = serviceHostName;
const std::string Name = CliProgramName;

std::string join(const std::string& dir, const std::string& name) { return dir + ZephPathSeparatorText + name; }

// The system's words for a code, as the tool gives them after a failure.
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
    bool untouched() const {
        for (const auto& [name, bytes] : files) {
            if (read(name) != bytes)
                return false;
        }
        return std::distance(fs::directory_iterator(dir), {}) == 6;
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
        const std::string inPath = join(streams.path(), "in");
        EXPECT_TRUE(qvtest::writeFile(inPath, answer));
        CliEnvironment env;
        env.out = brokenOut ? std::fopen(inPath.c_str(), "rb") : std::fopen(outPath.c_str(), "wb");
        env.err = std::fopen(errPath.c_str(), "wb");
        env.in = std::fopen(inPath.c_str(), "rb");
        env.progress = progress;
        env.interactive = !answer.empty();
        env.winePrefix = winePrefix.empty() ? nullptr : winePrefix.c_str();
        env.home = home.empty() ? nullptr : home.c_str();
        const int32_t blocks = ZephMemManagerGlobal.heapCount;
        Result result;
        result.code = CliRunProgram(static_cast<int>(argv.size()), argv.data(), env);
        EXPECT_EQ(ZephMemManagerGlobal.heapCount, blocks) << "blocks left behind";
        for (FILE* stream : {env.out, env.err, env.in})
            std::fclose(stream);
        result.out = brokenOut ? "" : qvtest::readFile(outPath);
        result.err = qvtest::readFile(errPath);
        return result;
    }

    qvtest::TempDir streams;
    qvtest::TempDir folder;
    std::string winePrefix;
    std::string home;
    std::string answer;     // typed at a question; none: not a terminal
    bool brokenOut = false; // standard output refuses every write
};

TEST_F(CliProgramTest, ExitCodesAndStreamsOfEveryVerb) {
    Install install(folder.path());
    qvtest::TempDir empty;
    const std::string missing = join(folder.path(), "missing");
    const std::string file = join(folder.path(), "Clean.cfg");
    const std::string usage = "\nTry '" + Name + " --help' for more information.\n";
    struct Case {
        std::vector<std::string> words;
        int code;
        std::string out; // found in standard output ("" : must be empty)
        std::string err; // standard error, exactly
    } cases[] = {
        {{"scan", folder.path()}, CliExitNeedsPatching, "3 files need patching.\n", ""},
        {{"scan", "--old", "10.9.8.7", folder.path()}, 0, "Nothing to patch: no file holds \"10.9.8.7\".\n", ""},
        {{"scan", empty.path()}, 0, "Nothing to patch: no files of the five kinds", ""},
        {{"patch", "-n", folder.path()}, 0, "Dry run: 3 files would be patched; nothing was written.\n", ""},
        {{"report", "-q", "--old", Address, "--new", "x", folder.path()}, 0, "", ""},
        {{"scan", "-q", folder.path()}, CliExitNeedsPatching, "", ""},
        {{"scan", missing}, 1, "", Name + ": " + missing + ": " + causeOf(ZephErrNotFound) + "\n"},
        {{"report", "--old", "a", "--new", "b", file},
         1,
         "",
         Name + ": " + file + ": " + causeOf(ZephErrNotDirectory) + "\n"},
        {{"scan", ""}, CliExitUsage, "", Name + ": the folder is an empty text" + usage},
        {{"scan", "--old=", folder.path()},
         CliExitUsage,
         "",
         Name + ": option '--old' needs a value that is not empty" + usage},
        {{}, CliExitUsage, "", Name + ": no command given" + usage},
        {{"scan", "--product", "No Such Game"},
         CliExitUsage,
         "",
         Name + ": no product 'No Such Game' (see '" + Name + " products')" + usage},
        {{"-V"}, 0, "Quorvel " QUORVEL_VERSION_TEXT "\n", ""},
        {{"--help"}, 0, "Exit status:\n  0    success", ""},
        {{"products"}, 0, " 2  Talon Interceptor ", ""},
    };
    for (const Case& c : cases) {
        Result r = run(c.words);
        std::string shown = c.words.empty() ? "(nothing)" : c.words[0] + " " + c.words.back();
        EXPECT_EQ(r.code, c.code) << shown << "\n" << r.err;
        if (c.out.empty()) {
            EXPECT_EQ(r.out, "") << shown;
        } else {
            EXPECT_NE(r.out.find(c.out), std::string::npos) << shown << ": " << r.out;
        }
        EXPECT_EQ(r.err, c.err) << shown;
    }
    EXPECT_TRUE(install.untouched());
}

TEST_F(CliProgramTest, PatchRewritesTheMatchingFilesOrWritesBesideThem) {
    Install install(folder.path());
    Result copies = run({"patch", "--save-as-new", folder.path()});
    EXPECT_EQ(copies.code, 0) << copies.err;
    EXPECT_EQ(copies.out, "Wrote 3 files beside the originals as NAME" + std::string(CliSideCopySuffix) +
                              "; the originals are unchanged.\n");
    for (const auto& [name, bytes] : install.files) {
        EXPECT_EQ(install.read(name), bytes) << name;
        const bool matched = install.patched(name) != bytes;
        EXPECT_EQ(fs::exists(join(folder.path(), name + CliSideCopySuffix)), matched) << name;
        if (matched) {
            EXPECT_EQ(install.read(name + CliSideCopySuffix), install.patched(name)) << name;
        }
    }

    Result patch = run({"patch", "-v", folder.path()});
    EXPECT_EQ(patch.code, 0) << patch.err;
    EXPECT_EQ(patch.err, "");
    const std::string game = join(folder.path(), "Game.EXE");
    EXPECT_NE(patch.out.find(game + ": patched, 2 replacements\n"), std::string::npos) << patch.out;
    EXPECT_NE(patch.out.find(join(folder.path(), "Clean.cfg") + ": clean\n"), std::string::npos);
    EXPECT_NE(patch.out.find("Patched 3 files; '" + Name +
                             " undo' on this folder puts them back as they were.\nLooked at 9 entries: 4 files of the "
                             "five kinds, 3 of them holding"),
              std::string::npos)
        << patch.out;
    for (const auto& [name, bytes] : install.files)
        EXPECT_EQ(install.read(name), install.patched(name)) << name;
    EXPECT_EQ(qvtest::readFile(join(join(folder.path(), "Maps"), "m.ini")), Address);

    Result again = run({"patch", folder.path()});
    EXPECT_EQ(again.out, "Nothing to patch: no file holds \"" + Address + "\".\n");
}

TEST_F(CliProgramTest, JsonLinesGiveEachFileThenASummary) {
    Install install(folder.path());
    Result scan = run({"scan", "--json", folder.path()});
    EXPECT_EQ(scan.code, CliExitNeedsPatching);
    const std::string game = replaceAll(join(folder.path(), "Game.EXE"), "\\", "\\\\");
    EXPECT_NE(scan.out.find("{\"type\":\"file\",\"file\":\"" + game +
                            "\",\"kind\":\"binary\",\"matches\":2,\"result\":\"found\",\"target\":null}\n"),
              std::string::npos)
        << scan.out;
    EXPECT_NE(scan.out.find(",\"result\":\"needs_patching\",\"entries\":6,\"files\":4,\"matched\":3,\"passed_over\":{"
                            "\"links\":0,\"special\":0},\"stale_removed\":0,\"recovered\":{\"completed\":0,\"undone\":"
                            "0},\"exit\":3}\n"),
              std::string::npos)
        << scan.out;

    Result dry = run({"patch", "--json", "-n", "-q", folder.path()});
    EXPECT_EQ(dry.out.find("\"type\":\"file\""), std::string::npos); // -q: the summary alone
    EXPECT_NE(dry.out.find("\"result\":\"would_patch\""), std::string::npos);
    EXPECT_NE(dry.out.find("\"dry_run\":true"), std::string::npos);

    Result patch = run({"patch", "--json", folder.path()});
    EXPECT_EQ(std::count(patch.out.begin(), patch.out.end(), '\n'), 5); // four files of the five kinds, the summary
    EXPECT_NE(patch.out.find("\"result\":\"patched\",\"target\":\"" + game + "\",\"dry_run\":false}"),
              std::string::npos);
    EXPECT_NE(patch.out.find("\"patched\":3,\"written_beside\":0,\"dry_run\":false,\"passed_over\""),
              std::string::npos);

    Result failed = run({"patch", "--json", join(folder.path(), "missing")});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.out, ""); // the folder is refused before any run
}

TEST_F(CliProgramTest, ReportAndRewritePrintTheExpertLog) {
    ASSERT_TRUE(qvtest::writeFile(join(folder.path(), "a.exe"), "xx" + Address));
    ASSERT_TRUE(qvtest::writeFile(join(folder.path(), "b.ini"), "none"));
    const std::string newHost = "h.test";
    const std::string match = "    Match: $00000002 - $0000000f, 14 bytes \"" + Address + "\"\n";
    Result report = run({"report", "--old", Address, "--new", newHost, folder.path()});
    EXPECT_EQ(report.code, 0) << report.err;
    EXPECT_EQ(report.err, "");
    EXPECT_EQ(report.out, "REPORT for directory \"" + folder.path() +
                              "\":\n\n"
                              "Scanning BINARY file \"a.exe\"...\n" +
                              match +
                              "    1 entry found total.\n"
                              "Scanning TEXT file \"b.ini\"...no entries found.\n"
                              "Done!\n");

    Result rewrite = run({"rewrite", "--old", Address, "--new", newHost, "--save-as-new", folder.path()});
    EXPECT_EQ(rewrite.code, 0) << rewrite.err;
    const std::string target = join(folder.path(), "a.exe") + CliSideCopySuffix;
    EXPECT_NE(rewrite.out.find(match + "    Replacing text \"" + Address + "\" with \"" + newHost +
                               "\" [binary file].\n    1 entry found total.\n    Saving \"" + target + "\".\n"),
              std::string::npos)
        << rewrite.out;
    EXPECT_EQ(qvtest::readFile(target), "xx" + newHost + std::string(Address.size() - newHost.size(), '\0'));
    EXPECT_EQ(qvtest::readFile(join(folder.path(), "a.exe")), "xx" + Address);

    Result json = run({"rewrite", "--json", "-n", "--old", Address, "--new", newHost, folder.path()});
    EXPECT_EQ(json.out.find("REPORT"), std::string::npos); // JSON in place of the log
    EXPECT_NE(json.out.find("\"matches\":1,\"result\":\"found\",\"target\":null,\"dry_run\":true}"), std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"result\":\"would_patch\",\"files\":2,\"matched\":1,\"patched\":0"), std::string::npos);
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

TEST_F(CliProgramTest, FailuresNameTheFileWhatFailedAndWhatIsLeft) {
    Install install(folder.path());
    const std::string game = join(folder.path(), "Game.EXE");
    fs::permissions(game, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    Result locked = run({"patch", folder.path()});
    Result lockedJson = run({"patch", "--json", folder.path()});
    fs::permissions(game, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_NE(lockedJson.out.find("\"result\":\"failed\",\"entries\":3,\"files\":2,\"matched\":1,\"patched\":0,"),
              std::string::npos)
        << lockedJson.out;
    EXPECT_EQ(locked.code, 1);
    EXPECT_EQ(locked.out, "");
    EXPECT_EQ(locked.err, Name + ": " + game + ": cannot start writing the file's new content: marked read-only\n" +
                              Name + ": no file was changed\n");
    EXPECT_EQ(install.read("Config.INI"), install.original("Config.INI")); // all or nothing
    EXPECT_EQ(install.read("Game.EXE"), install.original("Game.EXE"));
    EXPECT_EQ(install.read("zeta.htm"), install.original("zeta.htm")); // after it

    const std::string config = join(folder.path(), "Config.INI");
    ZephSysFileTable saved = ZephSysFiles;
    ZephSysFiles.openIn = openRefusingIni;
    const std::string denied = causeOf(ZephErrAccess);
    Result scan = run({"scan", "--json", folder.path()});
    Result report = run({"report", "--old", Address, "--new", Host, folder.path()});
    ZephSysFiles = saved;
    EXPECT_EQ(scan.code, 1);
    EXPECT_EQ(scan.err, Name + ": " + config + ": cannot open the file for reading: " + denied + "\n");
    EXPECT_NE(scan.out.find("\"result\":\"failed\""), std::string::npos);
    EXPECT_NE(scan.out.find("\"error\":\"open_source\",\"path\":\"" + replaceAll(config, "\\", "\\\\") +
                            "\",\"cause\":\"" + denied + "\""),
              std::string::npos)
        << scan.out;
    EXPECT_EQ(report.code, 1);
    EXPECT_EQ(report.err, Name + ": " + config + ": cannot open the file for reading: " + denied + "\n");
    // The log, the run's output, keeps its own error line and the cause.
    EXPECT_NE(
        report.out.find("Error, cannot load file \"" + config + "\"!\nOperation stopped.\nCause: " + denied + "\n"),
        std::string::npos)
        << report.out;
}

// Temporary files of killed runs are removed by the next run of any verb,
// which tells of them once: a note, a line of the log, or a JSON field.
TEST_F(CliProgramTest, StaleTemporariesAreRemovedAndToldOnce) {
    Install install(folder.path());
    struct Case {
        std::vector<std::string> words;
        std::string out; // found in standard output ("": nothing about them there)
        std::string err; // standard error, exactly
    } cases[] = {
        {{"scan", folder.path()},
         "",
         Name + ": " + folder.path() + ": removed 2 temporary files left by an interrupted run\n"},
        {{"report", "--old", Address, "--new", Host, folder.path()},
         "Removed 2 temporary files left by interrupted runs.\n",
         ""},
        {{"report", "--json", "--old", Address, "--new", Host, folder.path()}, "\"stale_removed\":2,", ""},
        {{"scan", "-q", folder.path()}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.words[0] + " " + c.words[1]);
        for (const char* stale : {".qv0123abcd.tmp", "Game.EXE.qv89abcdef.tmp"})
            ASSERT_TRUE(qvtest::writeFile(join(folder.path(), stale), "half a file"));
        Result r = run(c.words);
        EXPECT_EQ(r.err, c.err);
        if (!c.out.empty())
            EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
        else
            EXPECT_EQ(r.out.find("emporary"), std::string::npos) << r.out;
        EXPECT_TRUE(install.untouched());
    }
}

TEST_F(CliProgramTest, ACutNewStringIsWarnedOfAndStrictRefusesTheRun) {
    const std::string longHost = "a-much-longer-host.example";
    const std::string cut = longHost.substr(0, Address.size());
    for (const std::string verb : {"patch", "rewrite"}) {
        SCOPED_TRACE(verb);
        Install install(folder.path());
        const std::string game = join(folder.path(), "Game.EXE");
        Result strict = run({verb, "--strict", "--old", Address, "--new", longHost, folder.path()});
        EXPECT_EQ(strict.code, 1);
        EXPECT_NE(strict.err.find(Name + ": " + game + ": binary file: \"" + longHost +
                                  "\" would be cut to its first 14 bytes, \"" + cut + "\": refused by --strict\n"),
                  std::string::npos)
            << strict.err;
        EXPECT_NE(strict.err.find(Name + ": refused by --strict; nothing was written\n"), std::string::npos);
        EXPECT_TRUE(install.untouched());

        Result cutting = run({verb, "--old", Address, "--new", longHost, folder.path()});
        EXPECT_EQ(cutting.code, 0) << cutting.err;
        EXPECT_EQ(cutting.err, Name + ": warning: " + game + ": binary file: \"" + longHost +
                                   "\" is cut to its first 14 bytes, \"" + cut + "\"\n");
        EXPECT_EQ(install.read("Game.EXE"), replaceAll(install.original("Game.EXE"), Address, cut));
        fs::remove_all(folder.path());
        fs::create_directory(folder.path());
    }
}

TEST_F(CliProgramTest, SignalsAndABrokenOutputEndTheRunWithTheirCodes) {
    Install install(folder.path());
    CliCatchInterrupt();
    struct Case {
        int signal;
        std::vector<std::string> words;
        int code;
    } cases[] = {
        {SIGINT, {"patch", folder.path()}, CliExitInterrupted},
        {SIGTERM, {"rewrite", "--old", Address, "--new", Host, folder.path()}, CliExitTerminated},
        {SIGINT, {"scan", "--json", folder.path()}, CliExitInterrupted},
#ifdef SIGHUP
        {SIGHUP, {"patch", folder.path()}, CliExitHungUp},
#endif
    };
    for (const Case& c : cases) {
        CliSetInterrupt(c.signal); // as if caught before the first step
        Result r = run(c.words);
        CliSetInterrupt(0);
        EXPECT_EQ(r.code, c.code) << c.words[0];
        EXPECT_EQ(r.err, Name + ": interrupted; no file was changed\n") << c.words[0];
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
#ifdef SIGHUP
    std::signal(SIGHUP, SIG_DFL);
#endif
    EXPECT_TRUE(install.untouched());

    brokenOut = true;
    Result r = run({"scan", "-v", folder.path()});
    EXPECT_EQ(r.code, CliExitFailed);
    EXPECT_EQ(r.err.rfind(Name + ": standard output: write error: ", 0), 0u) << r.err;
}

TEST_F(CliProgramTest, ProgressLineOnlyWhenAskedAndWipedAtTheEnd) {
    Install install(folder.path());
    Result shown = run({"patch", folder.path()}, true);
    EXPECT_EQ(shown.code, 0);
    EXPECT_NE(shown.err.find("\rScanning 0 of 4 files, "), std::string::npos) << shown.err;
    EXPECT_NE(shown.err.find("\rPatching 0 of 4 files, "), std::string::npos) << shown.err;
    EXPECT_EQ(shown.err.back(), '\r'); // wiped, the cursor back at the line's start
    EXPECT_EQ(shown.err.find('\n'), std::string::npos);
    EXPECT_EQ(run({"patch", folder.path()}).err, "");
}

TEST_F(CliProgramTest, ProductInstallIsTheOneFoundOrTheOneChosen) {
    if (!CliFoldersUseWinePrefix) {
        EXPECT_EQ(run({"scan", "--product", "2", "--prefix", folder.path()}).code, CliExitUsage);
        return;
    }
    const std::string box = folder.path() + "/home/.wine/drive_c/Program Files/Quellsoft/Talon INT";
    const std::string download = folder.path() + "/prefix/drive_c/Talon Interceptor";
    fs::create_directories(box);
    fs::create_directories(download);
    ASSERT_TRUE(qvtest::writeFile(box + "/talon.exe", Address));
    ASSERT_TRUE(qvtest::writeFile(download + "/a.ini", Address));
    home = folder.path() + "/home";
    winePrefix = folder.path() + "/prefix";

    Result several = run({"scan", "--product", "Talon Interceptor"});
    EXPECT_EQ(several.code, CliExitUsage);
    EXPECT_EQ(several.err, Name +
                               ": 2 installs of \"Talon Interceptor\" were found; name one as DIR, or with "
                               "--channel or --prefix:\n  1) download  " +
                               download + "\n  2) box copy  " + box + "\n");

    answer = "2\n";
    Result chosen = run({"patch", "--product", "talon interceptor"});
    EXPECT_EQ(chosen.code, 0) << chosen.err;
    EXPECT_NE(chosen.err.find("Which one (1-2)? "), std::string::npos);
    EXPECT_EQ(chosen.out, "Talon Interceptor (box copy): " + box + "\nPatched 1 file; '" + Name +
                              " undo' on this folder puts it back as it was.\n");
    EXPECT_EQ(qvtest::readFile(box + "/talon.exe"), Host + std::string(1, '\0'));
    answer = "9\n";
    EXPECT_EQ(run({"scan", "--product", "2"}).code, CliExitUsage);
    answer.clear();

    Result one = run({"scan", "--product", "2", "--channel", "download"});
    EXPECT_EQ(one.code, CliExitNeedsPatching) << one.err;
    Result given = run({"scan", "--product", "0", "--channel", "box", "--prefix", winePrefix});
    EXPECT_EQ(given.code, 1);
    EXPECT_EQ(given.err, Name + ": " + winePrefix +
                             "/drive_c/Program Files/Quellsoft/Kestrel Strike: No such file or directory\n");
    Result none = run({"scan", "--product", "Stormcrow"});
    EXPECT_EQ(none.err, Name + ": no install of \"Stormcrow\" was found; give its folder, or --prefix\n");
}

// The wizard's own test install, which its end-to-end run patches through
// the pages: the tool's patch leaves exactly the bytes that run must leave.
TEST_F(CliProgramTest, PatchOfTheWizardsTestInstallLeavesWhatTheWizardLeaves) {
    std::string error;
    ASSERT_TRUE(qvtest::makeGameInstall(folder.path(), &error)) << error;
    Result scan = run({"scan", "--json", "-q", folder.path()});
    EXPECT_NE(scan.out.find("\"entries\":" + std::to_string(qvtest::GameInstallEntries) + ",\"files\":"),
              std::string::npos);
    EXPECT_NE(scan.out.find("\"matched\":" + std::to_string(qvtest::GameInstallMatches) + ","), std::string::npos);
    EXPECT_TRUE(qvtest::checkGameInstall(folder.path(), false).empty());
    Result patch = run({"patch", folder.path()});
    EXPECT_EQ(patch.code, 0) << patch.err;
    for (const std::string& problem : qvtest::checkGameInstall(folder.path(), true))
        ADD_FAILURE() << problem;
}

} // namespace
