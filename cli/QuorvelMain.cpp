// QuorvelMain.cpp - entry point of the quorvel command-line tool.
#include "CliInterrupt.h"
#include "CliProgram.h"
#include "ZephSysConsole.h"

#include <cstdlib>

int main(int argc, char** argv) {
    CliCatchInterrupt();
    CliEnvironment env;
    env.progress = ZephSysIsTerminal(ZephSysStderr);
    env.winePrefix = std::getenv("WINEPREFIX");
    env.home = std::getenv("HOME");
    return CliRunProgram(argc, argv, env);
}
