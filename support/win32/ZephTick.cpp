// win32/ZephTick.cpp - tick count from GetTickCount. Windows only.
#include "ZephTick.h"

#include <windows.h>

uint32_t ZephTickCount() { return GetTickCount(); }

void ZephSleep(uint32_t ms) { Sleep(ms); }
