// CommandLineTest.cpp - what each command line asks for, and the words of
// the box that refuses it.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string rejection(const char* line) {
    char message[CommandMessageSize];
    formatCommandRejection(decideCommandLine(line), message, CommandMessageSize);
    return message;
}

CommandAction actionOf(const char* line) { return decideCommandLine(line).action; }

// n tokens of one character each.
std::string tokens(int n, const char* token = "x") {
    std::string line;
    for (int i = 0; i < n; ++i)
        line += std::string(i ? " " : "") + token;
    return line;
}

TEST(CommandLineDecision, NoTokensRunTheWizard) {
    EXPECT_EQ(actionOf(""), CommandAction::RunWizard);
    EXPECT_EQ(actionOf(nullptr), CommandAction::RunWizard);
    EXPECT_EQ(actionOf("  \t \r\n"), CommandAction::RunWizard);
    // Lone lead characters are skipped, so nothing is left to refuse.
    EXPECT_EQ(actionOf("- \\ -"), CommandAction::RunWizard);
}

TEST(CommandLineDecision, HelpFlagInEveryForm) {
    for (const char* line : {"-h", "-H", "\\h", "\\H", "-help", "- -h", "\\ -h", "-hx -a"})
        EXPECT_EQ(actionOf(line), CommandAction::ShowUsage) << line;
}

TEST(CommandLineDecision, AboutFlagAnswersBeforeLaterTokensAreRead) {
    for (const char* line : {"-a", "\\A", "-abc", "-a -x", "-a word", "-a -h"})
        EXPECT_EQ(actionOf(line), CommandAction::ShowAbout) << line;
}

TEST(CommandLineDecision, OtherFlagIsRefusedWithItsSecondCharacter) {
    CommandDecision decision = decideCommandLine("-x -a");
    EXPECT_EQ(decision.action, CommandAction::InvalidFlag);
    EXPECT_EQ(decision.flag, 'x');
    EXPECT_EQ(rejection("-x -a"), "Invalid flag 'x'\n");
    EXPECT_EQ(rejection("\\?"), "Invalid flag '?'\n");
    EXPECT_EQ(rejection("-- -h"), "Invalid flag '-'\n");
}

TEST(CommandLineDecision, ArgumentIsRefusedWithItsText) {
    EXPECT_EQ(actionOf("word"), CommandAction::InvalidArgument);
    EXPECT_EQ(rejection("word -h"), "Invalid argument \"word\"\n");
    // Quotes hold blanks inside one token and are dropped.
    EXPECT_EQ(rejection("\"two words\" -h"), "Invalid argument \"two words\"\n");
    // A quoted empty text is a token too, and no flag.
    EXPECT_EQ(rejection("\"\""), "Invalid argument \"\"\n");
    // A flag after the argument is never read.
    EXPECT_EQ(actionOf("-x"), CommandAction::InvalidFlag);
    EXPECT_EQ(actionOf("word -x"), CommandAction::InvalidArgument);
}

TEST(CommandLineDecision, LongArgumentIsCutInItsMessageArea) {
    std::string word(1000, 'w');
    std::string message = rejection(word.c_str());
    EXPECT_EQ(message.size(), static_cast<size_t>(CommandMessageSize - 1));
    EXPECT_EQ(message.substr(0, 19), "Invalid argument \"w");
}

TEST(CommandLineDecision, FiftyTokensAreReadAndFiftyOneAreRefused) {
    EXPECT_EQ(actionOf(tokens(50, "-").c_str()), CommandAction::RunWizard);
    EXPECT_EQ(actionOf((tokens(49, "-") + " -h").c_str()), CommandAction::ShowUsage);
    // Refused whole, even though the first token would have answered.
    std::string tooMany = "-h " + tokens(50, "-");
    EXPECT_EQ(actionOf(tooMany.c_str()), CommandAction::TooLong);
}

TEST(CommandLineDecision, TokenTextBeyondItsAreaIsRefused) {
    // Every token takes its bytes and a terminator: 1023 + 1 fits exactly.
    std::string fits = std::string(1023, 'w');
    EXPECT_EQ(actionOf(fits.c_str()), CommandAction::InvalidArgument);
    std::string over = std::string(1024, 'w');
    EXPECT_EQ(actionOf(over.c_str()), CommandAction::TooLong);
    std::string twoOver = "-h " + std::string(1021, 'w');
    EXPECT_EQ(actionOf(twoOver.c_str()), CommandAction::TooLong);
}

TEST(CommandLineDecision, TooLongHasAClearMessage) {
    std::string message = rejection(tokens(51).c_str());
    EXPECT_NE(message.find("too long"), std::string::npos) << message;
    EXPECT_NE(message.find("50"), std::string::npos) << message;
    EXPECT_NE(message.find("1024"), std::string::npos) << message;
}

TEST(CommandLineDecision, AcceptedLinesHaveNoRejection) {
    EXPECT_EQ(rejection(""), "");
    EXPECT_EQ(rejection("-h"), "");
    EXPECT_EQ(rejection("-a"), "");
}

} // namespace
