// posix/ZephSysConsole.cpp - terminal checks through isatty, SIGPIPE. POSIX only.
#include "ZephSysConsole.h"

#include <cerrno>
#include <csignal>
#include <unistd.h>

bool ZephSysIsTerminal(ZephSysStream stream) {
    const int descriptor = stream == ZephSysStdin    ? STDIN_FILENO
                           : stream == ZephSysStdout ? STDOUT_FILENO
                                                     : STDERR_FILENO;
    return isatty(descriptor) == 1;
}

void ZephSysReportBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

bool ZephSysWriteHitClosedPipe(int errnoValue) { return errnoValue == EPIPE; }
