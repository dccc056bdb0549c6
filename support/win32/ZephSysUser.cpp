// win32/ZephSysUser.cpp - the user's state folder: the local application
// data folder. Windows only.
#include "ZephSysUser.h"

#include <windows.h>

int ZephSysUserStateFolder(char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return -1;
    area[0] = '\0';
    DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", area, static_cast<DWORD>(size));
    if (length == 0 || length >= static_cast<DWORD>(size)) {
        area[0] = '\0';
        return -1;
    }
    return 0;
}
