// win32/WinMain.cpp - the entry routine of Quorvel.exe.
#include "AppState.h"
#include "Startup.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prevInstance, LPSTR commandLine, int) {
    int result = -1;
    if (AppStateGlobal.init(instance, prevInstance, commandLine) == 0)
        result = runCommandLine(AppStateGlobal, commandLine);
    // The global memory manager is torn down before the state: give back
    // everything that came from it now.
    AppStateGlobal.releaseHeld();
    return result;
}
