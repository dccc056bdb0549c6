// ZephSysUser.h - platform layer: where the user's own programs keep what
// they must remember between runs.
#ifndef QUORVEL_SUPPORT_ZEPHSYSUSER_H
#define QUORVEL_SUPPORT_ZEPHSYSUSER_H

#include <cstdint>

// The folder for a program's state of this user (not settings, not caches):
// POSIX $XDG_STATE_HOME when it is an absolute path, else $HOME/.local/state;
// Win32 %LOCALAPPDATA%. The folder may not exist yet. 0, or -1 with area ""
// when the environment names none or it does not fit size bytes.
int ZephSysUserStateFolder(char* area, int32_t size);

#endif
