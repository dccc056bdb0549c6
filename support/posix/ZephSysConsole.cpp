// posix/ZephSysConsole.cpp - terminal checks through isatty. POSIX only.
#include "ZephSysConsole.h"

#include <unistd.h>

bool ZephSysIsTerminal(ZephSysStream stream) {
    return isatty(stream == ZephSysStdout ? STDOUT_FILENO : STDERR_FILENO) == 1;
}
