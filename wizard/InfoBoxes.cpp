// InfoBoxes.cpp - the usage and about boxes and their texts.
#include "InfoBoxes.h"

#include "AppPlatform.h"
#include "ProgramTexts.h"

#include <cstdio>

namespace {

constexpr int UsageTextSize = 2048;

} // namespace

int showUsage(void* owner) {
    char text[UsageTextSize];
    formatUsageText(text, UsageTextSize);
    appMessageBox(owner, text, AppBoxInformation);
    return 0;
}

int showAbout(void* owner) {
    appMessageBox(owner, aboutText(), AppBoxInformation);
    return 0;
}

void formatUsageText(char* text, int size) {
    if (text == nullptr || size < 1)
        return;
    std::snprintf(text, static_cast<size_t>(size),
                  "usage:  %s [<-flags>]\n\nArguments:\n\n\tNone\n\nFlags:\n\n\t-h          \t\tGive Help.\n"
                  "\t-a          \t\tGive About information.\n",
                  AppExecutableName);
}

const char* aboutText() {
    return QUORVEL_NAME " " QUORVEL_VERSION_TEXT "\n\n"
                        "Rewrites the old game server address in the files of older network games, so that they "
                        "reach the game service where it is now.\n\n"
                        "Copyright (C) The Quorvel developers. Provided as is, without warranty of any kind.\n";
}
