// CliArgsTest.cpp - the quorvel tool's command line.
#include "CliArgs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Parsed {
    std::vector<std::string> words; // what the options point into
    int result;
    CliOptions options;
    std::string error;
};

Parsed parse(std::vector<std::string> words) {
    Parsed parsed;
    parsed.words = std::move(words);
    parsed.words.insert(parsed.words.begin(), "quorvel");
    std::vector<const char*> argv;
    for (const std::string& word : parsed.words)
        argv.push_back(word.c_str());
    char error[CliErrorSize];
    parsed.result = CliParseArgs(static_cast<int>(argv.size()), argv.data(), &parsed.options, error, sizeof error);
    parsed.error = error;
    return parsed;
}

std::string text(const char* value) { return value != nullptr ? value : "(none)"; }

TEST(CliArgsVerbs, EachVerbWithItsOptions) {
    Parsed scan = parse({"scan", "/games/x"});
    ASSERT_EQ(scan.result, 0) << scan.error;
    EXPECT_EQ(scan.options.verb, CliVerbScan);
    EXPECT_EQ(text(scan.options.directory), "/games/x");
    EXPECT_EQ(scan.options.oldString, nullptr); // the wizard's, chosen later
    EXPECT_FALSE(scan.options.json);

    Parsed patch = parse({"--json", "patch", "--save-as-new", "--old=1.2.3.4", "--new", "h.test", "--dry-run", "d"});
    ASSERT_EQ(patch.result, 0) << patch.error;
    EXPECT_EQ(patch.options.verb, CliVerbPatch);
    EXPECT_TRUE(patch.options.json && patch.options.saveAsNew && patch.options.dryRun);
    EXPECT_EQ(text(patch.options.oldString), "1.2.3.4");
    EXPECT_EQ(text(patch.options.newString), "h.test");
    EXPECT_EQ(text(patch.options.directory), "d");

    Parsed report = parse({"report", "--old", "a", "--new", "", "d"});
    ASSERT_EQ(report.result, 0) << report.error;
    EXPECT_EQ(report.options.verb, CliVerbReport);
    EXPECT_EQ(text(report.options.newString), ""); // empty is the run's to judge

    Parsed rewrite = parse({"rewrite", "--old", "a", "--new", "b", "--save-as-new", "d"});
    ASSERT_EQ(rewrite.result, 0) << rewrite.error;
    EXPECT_TRUE(rewrite.options.saveAsNew);

    Parsed products = parse({"products"});
    ASSERT_EQ(products.result, 0) << products.error;
    EXPECT_EQ(products.options.verb, CliVerbProducts);
}

TEST(CliArgsVerbs, HelpAndVersionAnswerAloneUntilDoubleDash) {
    EXPECT_EQ(parse({"scan", "--bogus", "--help"}).options.verb, CliVerbHelp);
    EXPECT_EQ(parse({"-h"}).options.verb, CliVerbHelp);
    EXPECT_EQ(parse({"--version", "nonsense"}).options.verb, CliVerbVersion);
    // After "--" they are folders.
    Parsed folder = parse({"scan", "--", "--help"});
    ASSERT_EQ(folder.result, 0) << folder.error;
    EXPECT_EQ(folder.options.verb, CliVerbScan);
    EXPECT_EQ(text(folder.options.directory), "--help");
}

TEST(CliArgsValues, ValuesMayLookLikeOptionsAndFoldersMayStartWithDash) {
    Parsed parsed = parse({"report", "--old", "--new", "--new", "-x", "--", "-dir"});
    ASSERT_EQ(parsed.result, 0) << parsed.error;
    EXPECT_EQ(text(parsed.options.oldString), "--new");
    EXPECT_EQ(text(parsed.options.newString), "-x");
    EXPECT_EQ(text(parsed.options.directory), "-dir");
    // A lone "-" is a folder name, not an option.
    EXPECT_EQ(text(parse({"scan", "-"}).options.directory), "-");
}

TEST(CliArgsProduct, ProductChannelAndPrefixTakeTheFoldersPlace) {
    Parsed parsed = parse({"scan", "--product", "Talon Interceptor", "--channel", "BOX", "--prefix", "/p"});
    ASSERT_EQ(parsed.result, 0) << parsed.error;
    EXPECT_EQ(parsed.options.directory, nullptr);
    EXPECT_EQ(text(parsed.options.product), "Talon Interceptor");
    EXPECT_EQ(parsed.options.channel, CliChannelBox);
    EXPECT_EQ(text(parsed.options.prefix), "/p");
    EXPECT_EQ(parse({"patch", "--product=2", "--channel=download"}).options.channel, CliChannelDownload);
}

TEST(CliArgsRefusals, EachBadCommandLineGivesAReason) {
    const std::string longText(CliJobStringMax + 1, 'x');
    const std::string expertMax(CliExpertStringMax, 'x');
    const std::string folderTooLong(CliDirectoryMax + 1, 'd');
    struct Case {
        std::vector<std::string> words;
        const char* reasonPart;
    } cases[] = {
        {{}, "no command"},
        {{"--json"}, "no command"},
        {{"frobnicate", "d"}, "unknown command"},
        {{"a\nb\r"}, "unknown command 'a?b?'"}, // quoted text never breaks the line
        {{"scan", "--frob", "d"}, "unknown option '--frob'"},
        {{"scan", "--old"}, "needs a value"},
        {{"scan", "--json=1", "d"}, "takes no value"},
        {{"scan", "--old", "a", "--old", "b", "d"}, "given twice"},
        {{"scan", "--save-as-new", "d"}, "does not take '--save-as-new'"},
        {{"scan", "--dry-run", "d"}, "does not take '--dry-run'"},
        {{"report", "--old", "a", "--new", "b", "--json", "d"}, "does not take '--json'"},
        {{"rewrite", "--old", "a", "--new", "b", "--dry-run", "d"}, "does not take '--dry-run'"},
        {{"products", "--json"}, "does not take '--json'"},
        {{"products", "d"}, "takes no folder"},
        {{"scan"}, "needs a folder"},
        {{"scan", "a", "b"}, "more than one folder"},
        {{"scan", "--product", "1", "--channel", "box", "d"}, "not both"},
        {{"scan", "--product", "1"}, "needs --channel"},
        {{"scan", "--channel", "box", "d"}, "with --product only"},
        {{"scan", "--prefix", "/p", "d"}, "with --product only"},
        {{"scan", "--product", "1", "--channel", "shop"}, "'box' or 'download'"},
        {{"report", "--old", "a", "d"}, "needs --old and --new"},
        {{"rewrite", "--new", "b", "d"}, "needs --old and --new"},
        {{"scan", "--old", longText, "d"}, "--old is longer than 511"},
        {{"patch", "--new", longText, "d"}, "--new is longer than 511"},
        {{"report", "--old", expertMax + "x", "--new", "b", "d"}, "--old is longer than 1023"},
        {{"scan", folderTooLong}, "folder is longer than 1023"},
    };
    for (const Case& c : cases) {
        Parsed parsed = parse(c.words);
        std::string shown;
        for (const std::string& w : c.words)
            shown += (w.size() > 20 ? w.substr(0, 20) + "..." : w) + " ";
        EXPECT_EQ(parsed.result, -1) << shown;
        EXPECT_NE(parsed.error.find(c.reasonPart), std::string::npos) << shown << "-> " << parsed.error;
        EXPECT_EQ(parsed.options.verb, CliVerbNone) << shown;
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << shown;
    }
}

TEST(CliArgsLimits, TextsUpToWhatTheRunsHoldAreTaken) {
    const std::string jobMax(CliJobStringMax, 'a');
    const std::string expertMax(CliExpertStringMax, 'b');
    const std::string folderMax(CliDirectoryMax, 'd');
    EXPECT_EQ(parse({"patch", "--old", jobMax, "--new", jobMax, folderMax}).result, 0);
    EXPECT_EQ(parse({"rewrite", "--old", expertMax, "--new", expertMax, folderMax}).result, 0);
}

TEST(CliArgsRefusals, ReasonIsCutToTheCallersArea) {
    const std::string longVerb(500, 'v');
    std::vector<const char*> argv = {"quorvel", longVerb.c_str()};
    CliOptions options;
    char error[12];
    std::memset(error, '#', sizeof error);
    EXPECT_EQ(CliParseArgs(2, argv.data(), &options, error, 8), -1);
    EXPECT_EQ(std::string(error), "unknown");
    EXPECT_EQ(error[8], '#'); // nothing past the given size
    // No area at all is allowed too.
    EXPECT_EQ(CliParseArgs(2, argv.data(), &options, nullptr, 0), -1);
}

} // namespace
