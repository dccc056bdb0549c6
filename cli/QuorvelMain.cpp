// QuorvelMain.cpp - entry point of the quorvel command-line tool.
#include "CliInterrupt.h"
#include "CliProgram.h"
#include "ZephSysConsole.h"

#include <cstdlib>

int main(int argc, char** argv) {
    CliCatchInterrupt();
    // A closed output pipe ends the run between two files, not half way.
    ZephSysReportBrokenPipes();
    CliEnvironment env;
    env.progress = ZephSysIsTerminal(ZephSysStderr);
    env.outIsTerminal = ZephSysIsTerminal(ZephSysStdout);
    env.interactive = ZephSysIsTerminal(ZephSysStdin) && env.progress;
    env.winePrefix = std::getenv("WINEPREFIX");
    env.home = std::getenv("HOME");
    env.xdgDataHome = std::getenv("XDG_DATA_HOME");
    return CliRunProgram(argc, argv, env);
}
