// posix/ZephSysUser.cpp - the user's state folder by the XDG base directory
// rules. POSIX only.
#include "ZephSysUser.h"

#include <cstdio>
#include <cstdlib>

int ZephSysUserStateFolder(char* area, int32_t size) {
    if (area == nullptr || size < 1)
        return -1;
    area[0] = '\0';
    // A relative $XDG_STATE_HOME is invalid by the rules and ignored.
    const char* state = std::getenv("XDG_STATE_HOME");
    int written = -1;
    if (state != nullptr && state[0] == '/') {
        written = std::snprintf(area, static_cast<size_t>(size), "%s", state);
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] != '/')
            return -1;
        written = std::snprintf(area, static_cast<size_t>(size), "%s/.local/state", home);
    }
    if (written < 0 || written >= size) {
        area[0] = '\0';
        return -1;
    }
    return 0;
}
