// CliInterrupt.cpp - the interrupt flag of the quorvel tool.
#include "CliInterrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int) {
    interrupted = 1;
    // The next Ctrl-C is not caught: a run that does not stop can be ended.
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

void CliCatchInterrupt() { std::signal(SIGINT, onInterrupt); }

bool CliInterrupted() { return interrupted != 0; }

void CliForgetInterrupt() { interrupted = 0; }
