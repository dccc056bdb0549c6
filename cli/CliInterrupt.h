// CliInterrupt.h - Ctrl-C as a request to stop the quorvel tool's run between
// two of its steps, so that no temporary file of a rewrite is left behind.
#ifndef QUORVEL_CLI_CLIINTERRUPT_H
#define QUORVEL_CLI_CLIINTERRUPT_H

// Catches the interrupt signal (SIGINT, which the C runtime also raises for
// Ctrl-C in a Windows console), SIGTERM and SIGHUP. The first one only sets
// the flag below; a second one of the same kind ends the process at once, as
// usual. Cannot fail.
void CliCatchInterrupt();

// True once an interrupt was caught.
bool CliInterrupted();

// Forgets a caught interrupt (for tests).
void CliForgetInterrupt();

#endif
