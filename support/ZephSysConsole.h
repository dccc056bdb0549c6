// ZephSysConsole.h - platform layer: what the standard streams are attached to.
#ifndef QUORVEL_SUPPORT_ZEPHSYSCONSOLE_H
#define QUORVEL_SUPPORT_ZEPHSYSCONSOLE_H

// The standard streams by their conventional numbers.
enum ZephSysStream : int { ZephSysStdout = 1, ZephSysStderr = 2 };

// True when the stream goes to a terminal (POSIX) or a console window
// (Win32), where a line may be redrawn in place; false for files, pipes and
// anything unknown. Cannot fail.
bool ZephSysIsTerminal(ZephSysStream stream);

#endif
