// CliInterrupt.cpp - the interrupt flag of the quorvel tool.
#include "CliInterrupt.h"

#include <csignal>

namespace {

// Ctrl-C, and the requests to end that a service manager (SIGTERM) or a
// closed terminal (SIGHUP) sends: each ends a run the same careful way.
const int CaughtSignals[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

volatile std::sig_atomic_t caught = 0;
bool catching = false;

void onSignal(int number) {
    caught = number;
    // The next one is not caught: a run that does not stop can be ended.
    std::signal(number, SIG_DFL);
}

} // namespace

void CliCatchInterrupt() {
    catching = true;
    for (int signal : CaughtSignals)
        std::signal(signal, onSignal);
}

void CliInterruptEndsAtOnce(bool atOnce) {
    if (!catching || caught != 0)
        return;
    for (int signal : CaughtSignals)
        std::signal(signal, atOnce ? SIG_DFL : onSignal);
}

bool CliInterrupted() { return caught != 0; }

int CliInterruptExitCode() { return caught != 0 ? 128 + static_cast<int>(caught) : 0; }

void CliSetInterrupt(int signalNumber) { caught = signalNumber; }
