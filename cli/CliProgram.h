// CliProgram.h - the quorvel tool as a function of its arguments and its
// surroundings, so that tests run it whole inside their own process.
#ifndef QUORVEL_CLI_CLIPROGRAM_H
#define QUORVEL_CLI_CLIPROGRAM_H

#include <cstdio>

// Exit codes, the contract with scripts (--help and the man page state it).
enum CliExit : int {
    CliExitSuccess = 0,       // done; for scan: nothing needs patching
    CliExitFailed = 1,        // failed; the cause is on the error stream
    CliExitUsage = 2,         // bad usage; a short hint is on the error stream
    CliExitNeedsPatching = 3, // scan: files need patching
    CliExitHungUp = 129,      // stopped by SIGHUP (128 + 1)
    CliExitInterrupted = 130, // stopped by SIGINT (128 + 2)
    CliExitBrokenPipe = 141,  // standard output was closed (128 + SIGPIPE's 13)
    CliExitTerminated = 143   // stopped by SIGTERM (128 + 15)
};

// What the program reads from the world besides its arguments.
struct CliEnvironment {
    FILE* out = stdout;
    FILE* err = stderr;
    FILE* in = stdin;                  // answers to a question (see interactive)
    bool progress = false;             // draw the progress line on err (a terminal)
    bool outIsTerminal = false;        // escape what could steer the terminal in the expert log
    bool interactive = false;          // in and err are a terminal: the tool may ask
    const char* winePrefix = nullptr;  // the WINEPREFIX variable; none when unset
    const char* home = nullptr;        // the HOME variable; none when unset
    const char* xdgDataHome = nullptr; // the XDG_DATA_HOME variable; none when unset
};

// Runs one command line (argv[0] is the program's name) and returns its
// exit code. Everything the user sees goes to env.out and env.err.
int CliRunProgram(int argc, const char* const* argv, const CliEnvironment& env);

#endif
