// win32/ZephSysConsole.cpp - console checks through GetConsoleMode. Windows only.
#include "ZephSysConsole.h"

#include <windows.h>

bool ZephSysIsTerminal(ZephSysStream stream) {
    HANDLE handle = GetStdHandle(stream == ZephSysStdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    // Only a console answers GetConsoleMode; files and pipes do not.
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}
