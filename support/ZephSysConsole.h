// ZephSysConsole.h - platform layer: what the standard streams are attached
// to, and how a closed output pipe is reported.
#ifndef QUORVEL_SUPPORT_ZEPHSYSCONSOLE_H
#define QUORVEL_SUPPORT_ZEPHSYSCONSOLE_H

// The standard streams by their conventional numbers.
enum ZephSysStream : int { ZephSysStdin = 0, ZephSysStdout = 1, ZephSysStderr = 2 };

// True when the stream goes to a terminal (POSIX) or a console window
// (Win32), where a line may be redrawn in place; false for files, pipes and
// anything unknown. Cannot fail.
bool ZephSysIsTerminal(ZephSysStream stream);

// Makes a write to a pipe whose reader has gone fail with an error (EPIPE)
// instead of ending the process (POSIX: SIGPIPE ignored), so that a program
// can stop its work at a point of its choosing. Windows reports such a write
// as an error already: nothing to do there. Cannot fail.
void ZephSysReportBrokenPipes();

// Whether a write to a standard stream that just failed with the C
// library's errnoValue failed because the reader of its pipe has gone.
// POSIX: errnoValue is EPIPE. Windows: the system's last error says so
// (ERROR_NO_DATA, ERROR_BROKEN_PIPE, or ERROR_PIPE_NOT_CONNECTED under Wine),
// which the C runtime reports as EINVAL or EPIPE; so call it right after the
// failed write. Cannot fail.
bool ZephSysWriteHitClosedPipe(int errnoValue);

#endif
