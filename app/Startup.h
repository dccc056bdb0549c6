// Startup.h - what the program does once its state is set up: the command
// line acted on, with a box or with the wizard's pages.
#ifndef QUORVEL_APP_STARTUP_H
#define QUORVEL_APP_STARTUP_H

struct AppState;

// Reads the command line and acts on it: a flag -h or -a (also \h, \a,
// either case; only the second character counts) shows the usage or about
// box with no owner and returns 0; another flag, an argument or a line
// longer than the tokenizer's areas shows why it is refused (error box) and
// returns -1; otherwise runs the wizard on state (runPages) and returns 0
// when it ends.
int runCommandLine(AppState& state, const char* text);

#endif
