// win32/ZephSysConsole.cpp - console checks through GetConsoleMode. Windows only.
#include "ZephSysConsole.h"

#include <windows.h>

bool ZephSysIsTerminal(ZephSysStream stream) {
    const DWORD which = stream == ZephSysStdin    ? STD_INPUT_HANDLE
                        : stream == ZephSysStdout ? STD_OUTPUT_HANDLE
                                                  : STD_ERROR_HANDLE;
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    // Only a console answers GetConsoleMode; files and pipes do not.
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

// WriteFile to a closed pipe already fails (ERROR_NO_DATA, EPIPE in the C
// runtime).
void ZephSysReportBrokenPipes() {}

// Windows answers ERROR_NO_DATA, Wine ERROR_PIPE_NOT_CONNECTED.
bool ZephSysWriteHitClosedPipe(int errnoValue) {
    (void)errnoValue;
    const DWORD error = GetLastError();
    return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED;
}
