// CliInterrupt.h - Ctrl-C, SIGTERM and SIGHUP as a request to stop the
// quorvel tool's run between two of its steps, so that no file is left half
// rewritten and no temporary file of a rewrite is left behind.
#ifndef QUORVEL_CLI_CLIINTERRUPT_H
#define QUORVEL_CLI_CLIINTERRUPT_H

// Catches SIGINT (which the C runtime also raises for Ctrl-C in a Windows
// console), SIGTERM and SIGHUP. The first one only records its number; a
// second one of the same kind ends the process at once, as usual. Cannot
// fail.
void CliCatchInterrupt();

// True once a signal was caught.
bool CliInterrupted();

// The exit code of a run that a caught signal stopped, 128 plus its number
// (130 for SIGINT, 143 for SIGTERM, 129 for SIGHUP); 0 when none was caught.
int CliInterruptExitCode();

// While atOnce is true, these signals end the process at once, as by
// default: for a wait where nothing needs a clean end (a question to the
// user), and a blocked read would not notice a flag. Only after
// CliCatchInterrupt; cannot fail.
void CliInterruptEndsAtOnce(bool atOnce);

// Records a signal as the handler would (for tests), or forgets the caught
// one with 0.
void CliSetInterrupt(int signalNumber);

#endif
