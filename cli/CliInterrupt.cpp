// CliInterrupt.cpp - the interrupt flag of the quorvel tool.
#include "CliInterrupt.h"

#include <csignal>

namespace {

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
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

void CliInterruptEndsAtOnce(bool atOnce) {
    if (!catching || caught != 0)
        return;
    std::signal(SIGINT, atOnce ? SIG_DFL : onSignal);
    std::signal(SIGTERM, atOnce ? SIG_DFL : onSignal);
}

bool CliInterrupted() { return caught != 0; }

int CliInterruptExitCode() { return caught != 0 ? 128 + static_cast<int>(caught) : 0; }

void CliSetInterrupt(int signalNumber) { caught = signalNumber; }
