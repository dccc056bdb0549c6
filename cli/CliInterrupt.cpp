// CliInterrupt.cpp - the interrupt flag of the quorvel tool.
#include "CliInterrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C, and the requests to end that a service manager (SIGTERM) or a
// closed terminal (SIGHUP) sends: each ends a run the same careful way.
const int CaughtSignals[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

void onInterrupt(int signal) {
    interrupted = 1;
    // The next one is not caught: a run that does not stop can be ended.
    std::signal(signal, SIG_DFL);
}

} // namespace

void CliCatchInterrupt() {
    for (int signal : CaughtSignals)
        std::signal(signal, onInterrupt);
}

bool CliInterrupted() { return interrupted != 0; }

void CliForgetInterrupt() { interrupted = 0; }
