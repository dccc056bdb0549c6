// Startup.cpp - the command line acted on.
#include "Startup.h"

#include "AppPlatform.h"
#include "AppState.h"
#include "CommandLine.h"
#include "InfoBoxes.h"
#include "PageDriver.h"

int runCommandLine(AppState& state, const char* text) {
    CommandDecision decision = decideCommandLine(text);
    switch (decision.action) {
    case CommandAction::ShowUsage: showUsage(nullptr); return 0;
    case CommandAction::ShowAbout: showAbout(nullptr); return 0;
    case CommandAction::RunWizard: runPages(state); return 0;
    default: {
        char message[CommandMessageSize];
        formatCommandRejection(decision, message, CommandMessageSize);
        appMessageBox(nullptr, message, AppBoxError);
        return -1;
    }
    }
}
