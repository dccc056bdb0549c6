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

    Parsed patch =
        parse({"--json", "patch", "--save-as-new", "--old=1.2.3.4", "--new", "h.test", "-nq", "--strict", "d"});
    ASSERT_EQ(patch.result, 0) << patch.error;
    EXPECT_EQ(patch.options.verb, CliVerbPatch);
    EXPECT_TRUE(patch.options.json && patch.options.saveAsNew && patch.options.dryRun && patch.options.quiet &&
                patch.options.strict);
    EXPECT_EQ(text(patch.options.oldString), "1.2.3.4");
    EXPECT_EQ(text(patch.options.directory), "d");

    Parsed rewrite = parse({"rewrite", "--old", "a", "--new", "", "-v", "d"});
    ASSERT_EQ(rewrite.result, 0) << rewrite.error;
    EXPECT_EQ(text(rewrite.options.newString), ""); // deletes, as the expert page does
    EXPECT_TRUE(rewrite.options.verbose);

    Parsed find = parse({"find", "--search", "/a", "--product", "Stormcrow", "--search=/b", "--channel", "BOX"});
    ASSERT_EQ(find.result, 0) << find.error;
    EXPECT_EQ(find.options.searchCount, 2);
    EXPECT_EQ(text(find.options.search[1]), "/b");
    EXPECT_EQ(find.options.channel, CliChannelBox);

    Parsed product = parse({"scan", "--product", "2", "--prefix", "/p"}); // --channel is optional now
    ASSERT_EQ(product.result, 0) << product.error;
    EXPECT_EQ(text(product.options.prefix), "/p");
    EXPECT_EQ(parse({"products", "--json"}).options.verb, CliVerbProducts);
}

TEST(CliArgsVerbs, HelpAndVersionAnswerAloneUntilDoubleDash) {
    EXPECT_EQ(parse({"scan", "--bogus", "--help"}).options.verb, CliVerbHelp);
    EXPECT_EQ(parse({"-qh"}).options.verb, CliVerbHelp);
    EXPECT_EQ(parse({"-V", "nonsense"}).options.verb, CliVerbVersion);
    EXPECT_EQ(parse({"--version"}).options.verb, CliVerbVersion);
    Parsed folder = parse({"scan", "--", "--help"});
    ASSERT_EQ(folder.result, 0) << folder.error;
    EXPECT_EQ(text(folder.options.directory), "--help");
    EXPECT_EQ(text(parse({"scan", "-"}).options.directory), "-"); // a lone "-" is a folder
    Parsed values = parse({"report", "--old", "--new", "--new", "-x", "--", "-dir"});
    ASSERT_EQ(values.result, 0) << values.error;
    EXPECT_EQ(text(values.options.oldString), "--new");
    EXPECT_EQ(text(values.options.newString), "-x");
}

TEST(CliArgsRefusals, EachBadCommandLineGivesAReason) {
    const std::string longText(CliJobStringMax + 1, 'x');
    const std::string folderTooLong(CliDirectoryMax + 1, 'd');
    std::vector<std::string> manySearches = {"find"};
    for (int i = 0; i <= CliSearchMax; ++i) {
        manySearches.push_back("--search");
        manySearches.push_back("/s");
    }
    struct Case {
        std::vector<std::string> words;
        const char* reasonPart;
    } cases[] = {
        {{}, "no command"},
        {{"-q"}, "no command"},
        {{"a\nb\r"}, "unknown command 'a?b?'"}, // quoted text never breaks the line
        {{"scan", "--frob", "d"}, "unknown option '--frob'"},
        {{"scan", "-x", "d"}, "unknown option '-x'"},
        {{"scan", "--old"}, "needs a value"},
        {{"scan", "--json=1", "d"}, "takes no value"},
        {{"scan", "--old", "a", "--old", "b", "d"}, "given twice"},
        {{"scan", ""}, "empty"},
        {{"scan", "--old", "", "d"}, "'--old' needs a value that is not empty"},
        {{"patch", "--new", "", "d"}, "'--new' needs a value that is not empty"},
        {{"scan", "--product", "", "--channel", "box"}, "'--product' needs a value"},
        {{"scan", "--save-as-new", "d"}, "does not take '--save-as-new'"},
        {{"scan", "-n", "d"}, "does not take '--dry-run'"},
        {{"report", "--old", "a", "--new", "b", "--strict", "d"}, "does not take '--strict'"},
        {{"scan", "--search", "/s", "d"}, "does not take '--search'"},
        {{"find", "--prefix", "/p"}, "does not take '--prefix'"},
        {{"find", "d"}, "takes no folder"},
        {{"scan", "-q", "-v", "d"}, "exclude each other"},
        {{"scan"}, "needs a folder"},
        {{"scan", "a", "b"}, "more than one folder"},
        {{"scan", "--product", "1", "d"}, "not both"},
        {{"scan", "--channel", "box", "d"}, "with --product only"},
        {{"scan", "--product", "1", "--channel", "shop"}, "'box' or 'download'"},
        {{"rewrite", "--new", "b", "d"}, "needs --old and --new"},
        {{"patch", "--new", longText, "d"}, "--new is longer than 511"},
        {{"scan", folderTooLong}, "folder is longer than 1023"},
        {manySearches, "more than 16 --search"},
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
    EXPECT_EQ(parse({"report", "--old", expertMax + "x", "--new", "b", "d"}).result, -1);
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
    EXPECT_EQ(CliParseArgs(2, argv.data(), &options, nullptr, 0), -1);
}

} // namespace
