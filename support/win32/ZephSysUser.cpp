// win32/ZephSysUser.cpp - the user's state folder: the local application
// data folder. Windows only.
#include "ZephSysUser.h"

#include <windows.h>

int ZephSysUserStateFolder(char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return -1;
    area[0] = '\0';
    // Wide, then UTF-8 as every path inside: a user name need not fit the
    // ANSI code page.
    wchar_t wide[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", wide, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2)
        return -1;
    int written = WideCharToMultiByte(CP_UTF8, 0, wide, -1, area, size, nullptr, nullptr);
    if (written <= 0) {
        area[0] = '\0';
        return -1;
    }
    return 0;
}
