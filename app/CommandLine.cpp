// CommandLine.cpp - the command-line decision and the text that refuses a
// line.
#include "CommandLine.h"

#include "ZephStr.h"

#include <cstdio>

CommandDecision decideCommandLine(const char* text) {
    CommandDecision decision;
    char buffer[CommandTextSize];
    char* tokens[CommandTokenMax];
    int count = ZephStrTokenize(text, buffer, CommandTextSize, tokens, CommandTokenMax);
    if (count < 0) {
        decision.action = CommandAction::TooLong;
        return decision;
    }
    for (int i = 0; i < count; ++i) {
        const char* token = tokens[i];
        if (token[0] == '-' || token[0] == '\\') {
            switch (token[1]) {
            case '\0': continue;
            case 'h':
            case 'H': decision.action = CommandAction::ShowUsage; return decision;
            case 'a':
            case 'A': decision.action = CommandAction::ShowAbout; return decision;
            default:
                decision.action = CommandAction::InvalidFlag;
                decision.flag = token[1];
                return decision;
            }
        }
        decision.action = CommandAction::InvalidArgument;
        ZephStrCopy(decision.argument, token, CommandTextSize);
        return decision;
    }
    return decision;
}

void formatCommandRejection(const CommandDecision& decision, char* message, int size) {
    if (message == nullptr || size < 1)
        return;
    message[0] = '\0';
    switch (decision.action) {
    case CommandAction::InvalidFlag:
        std::snprintf(message, static_cast<size_t>(size), "Invalid flag '%c'\n", decision.flag);
        break;
    case CommandAction::InvalidArgument:
        std::snprintf(message, static_cast<size_t>(size), "Invalid argument \"%s\"\n", decision.argument);
        break;
    case CommandAction::TooLong:
        std::snprintf(message, static_cast<size_t>(size),
                      "The command line is too long.\n\nAt most %d arguments, with %d bytes of text in all, "
                      "are accepted.\n",
                      CommandTokenMax, CommandTextSize);
        break;
    default: break;
    }
}
