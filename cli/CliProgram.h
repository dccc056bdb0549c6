// CliProgram.h - the quorvel tool as a function of its arguments and its
// surroundings, so that tests run it whole inside their own process.
#ifndef QUORVEL_CLI_CLIPROGRAM_H
#define QUORVEL_CLI_CLIPROGRAM_H

#include <cstdio>

// Exit codes.
enum CliExit : int {
    CliExitFinished = 0, // the run finished (whatever it found)
    CliExitFailed = 1,   // the run failed; its message is on the error stream
    CliExitUsage = 2     // bad usage; a short hint is on the error stream
};

// What the program reads from the world besides its arguments.
struct CliEnvironment {
    FILE* out = stdout;
    FILE* err = stderr;
    bool progress = false;            // draw the progress line on err (a terminal)
    const char* winePrefix = nullptr; // the WINEPREFIX variable; none when unset
    const char* home = nullptr;       // the HOME variable; none when unset
};

// Runs one command line (argv[0] is the program's name) and returns its
// exit code. Everything the user sees goes to env.out and env.err.
int CliRunProgram(int argc, const char* const* argv, const CliEnvironment& env);

#endif
