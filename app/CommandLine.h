// CommandLine.h - what the program's command line asks for, decided without
// any window so that every line can be checked and fuzzed alone.
#ifndef QUORVEL_APP_COMMANDLINE_H
#define QUORVEL_APP_COMMANDLINE_H

#include <cstdint>

// The tokenizer's areas: token texts, each with its zero byte, and the table
// of token starts. A line that needs more is refused as a whole.
inline constexpr int CommandTextSize = 1024;
inline constexpr int CommandTokenMax = 50;
// The rejection message is composed in this many bytes (cut to fit).
inline constexpr int CommandMessageSize = 256;

enum class CommandAction {
    RunWizard,       // no token asked for anything else
    ShowUsage,       // -h: the usage box, exit code 0
    ShowAbout,       // -a: the about box, exit code 0
    InvalidFlag,     // another flag: "Invalid flag '%c'\n", -1
    InvalidArgument, // a token that is no flag: "Invalid argument \"%s\"\n", -1
    TooLong          // beyond the tokenizer's areas, -1
};

struct CommandDecision {
    CommandAction action = CommandAction::RunWizard;
    char flag = 0;                       // InvalidFlag: the flag's second character
    char argument[CommandTextSize] = {}; // InvalidArgument: the token
};

// Tokens in order: a token starting with '-' or '\' is a flag; a lone lead
// character is skipped; h/H and a/A (the second character only, so -help
// is -h) answer at once and later tokens are not read; any other flag or a
// token that is not a flag is refused. No tokens: RunWizard. Quotes group
// white space into a token and are dropped (ZephStrTokenize).
CommandDecision decideCommandLine(const char* text);

// The text of the box that refuses the line (cut to size bytes, always
// terminated), or "" when the decision refuses nothing.
void formatCommandRejection(const CommandDecision& decision, char* message, int size);

#endif
