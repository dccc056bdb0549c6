// win32/ZephSysLib.cpp - local time through GetLocalTime. Windows only.
#include "ZephSysLib.h"

#include <windows.h>

int ZephSysLocalTimeNow(ZephSysLocalTime* now) {
    SYSTEMTIME local;
    GetLocalTime(&local);
    *now = ZephSysLocalTime{local.wYear, local.wMonth,  local.wDay,   local.wDayOfWeek,
                            local.wHour, local.wMinute, local.wSecond};
    return 0;
}
